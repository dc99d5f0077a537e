// The hand-over decision of a start on 64-bit Windows, against a scripted
// system: no real process is started.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "os/HandOver.h"

namespace {

struct Script {
  bool underWow64 = true;
  std::wstring ownPath = L"D:\\Tools\\Ostrel 工具\\Ostrel.exe";
  std::vector<std::wstring> files;  // what exists
  bool starts = true;
  DWORD exitCode = 7;
  // What was started.
  int runs = 0;
  std::wstring executable, commandLine, directory;
};
Script script;

const wchar_t kCommandLine[] = L"\"D:\\Tools\\Ostrel 工具\\Ostrel.exe\"  \"C:\\数据\\a b.txt\" extra";
const wchar_t kDirectory[] = L"C:\\Users\\me";

HandOverSystem scripted(bool builtFor64Bit) {
  return HandOverSystem{
      builtFor64Bit,
      [] { return script.underWow64; },
      [] { return script.ownPath; },
      [](const std::wstring& path) {
        for (const std::wstring& file : script.files) {
          if (file == path) return true;
        }
        return false;
      },
      [] { return std::wstring(kCommandLine); },
      [] { return std::wstring(kDirectory); },
      [](const std::wstring& executable, const std::wstring& commandLine,
         const std::wstring& directory) -> std::optional<DWORD> {
        ++script.runs;
        script.executable = executable;
        script.commandLine = commandLine;
        script.directory = directory;
        if (!script.starts) return std::nullopt;
        return script.exitCode;
      }};
}

const wchar_t kSibling[] = L"D:\\Tools\\Ostrel 工具\\Ostrel64.exe";

TEST(HandOver, UnderWow64WithTheSiblingItRunsItAndGivesItsExitCode) {
  for (const DWORD exitCode : {0ul, 7ul, 0xC0000005ul}) {
    script = Script{};
    script.files = {kSibling};
    script.exitCode = exitCode;
    EXPECT_EQ(std::optional<DWORD>(exitCode), HandOverTo64BitSibling(scripted(false)));
    EXPECT_EQ(1, script.runs);
    EXPECT_EQ(std::wstring(kSibling), script.executable);
    EXPECT_EQ(std::wstring(kCommandLine), script.commandLine) << "the command line is handed on unchanged";
    EXPECT_EQ(std::wstring(kDirectory), script.directory);
  }
  // The console program runs its own sibling, never the window's.
  script = Script{};
  script.files = {kSibling};
  EXPECT_EQ(std::nullopt, HandOverTo64BitSibling(scripted(false), kSixtyFourBitConsoleExeName));
  script.files = {kSibling, L"D:\\Tools\\Ostrel 工具\\ostrel-cli64.exe"};
  EXPECT_EQ(std::optional<DWORD>(7), HandOverTo64BitSibling(scripted(false), kSixtyFourBitConsoleExeName));
  EXPECT_EQ(script.files[1], script.executable);
}

// Every other case goes on by itself; only the failed start has tried.
TEST(HandOver, GoesOnWithoutWow64SiblingOrStartAndNeverFromThe64BitExe) {
  struct Case {
    const char* what;
    bool builtFor64Bit;
    bool underWow64;
    std::vector<std::wstring> files;
    std::wstring ownPath;
    bool starts;
    int runs;
  };
  const Case cases[] = {
      {"not under WOW64 (32-bit Windows)", false, false, {kSibling}, Script{}.ownPath, true, 0},
      {"no sibling", false, true, {L"D:\\Tools\\Ostrel64.exe"}, Script{}.ownPath, true, 0},
      {"sibling cannot start", false, true, {kSibling}, Script{}.ownPath, false, 1},
      {"own path unknown", false, true, {kSibling}, L"", true, 0},
      {"the 64-bit exe", true, true, {kSibling}, Script{}.ownPath, true, 0},
      {"the 64-bit exe, beside itself", true, false, {L"D:\\Tools\\Ostrel 工具\\Ostrel64.exe"},
       L"D:\\Tools\\Ostrel 工具\\Ostrel64.exe", true, 0},
  };
  for (const Case& c : cases) {
    script = Script{};
    script.underWow64 = c.underWow64;
    script.files = c.files;
    script.ownPath = c.ownPath;
    script.starts = c.starts;
    EXPECT_EQ(std::nullopt, HandOverTo64BitSibling(scripted(c.builtFor64Bit))) << c.what;
    EXPECT_EQ(c.runs, script.runs) << c.what;
  }
}

TEST(HandOver, TheRealSystemKnowsItsBitness) {
  EXPECT_EQ(sizeof(void*) == 8, RealHandOverSystem().builtFor64Bit);
}

}  // namespace
