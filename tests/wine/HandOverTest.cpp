// The hand-over decision of a start on 64-bit Windows, against a scripted
// system, and the real system's parts: its bitness against the running
// image and the system's own answer, and its start of a sibling (the test
// holder program standing in for it) with the standard handles passed on
// and the exit code given back.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "os/UniqueHandle.h"

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

// The folder of the running test program, where the holder program stands.
std::wstring ownFolder() {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::wstring own(path, length);
  return own.substr(0, own.find_last_of(L'\\') + 1);
}

// What a started sibling wrote to the standard output it was handed, and
// its exit code, through the real start with the standard handles passed
// on: our own output and input are swapped for pipes for the while.
struct SiblingRun {
  std::optional<DWORD> exitCode;
  std::string output;
};

SiblingRun runSiblingThroughTheRealStart(const std::wstring& arguments) {
  SiblingRun run;
  SECURITY_ATTRIBUTES plain{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
  HANDLE outRead = nullptr;
  HANDLE outWrite = nullptr;
  HANDLE inRead = nullptr;
  HANDLE inWrite = nullptr;
  if (!::CreatePipe(&outRead, &outWrite, &plain, 1 << 16) || !::CreatePipe(&inRead, &inWrite, &plain, 0)) return run;
  const UniqueHandle reader(outRead);
  UniqueHandle writer(outWrite);
  const UniqueHandle input(inRead);
  ::CloseHandle(inWrite);  // the sibling reads the end of its input at once
  const HANDLE savedOut = ::GetStdHandle(STD_OUTPUT_HANDLE);
  const HANDLE savedIn = ::GetStdHandle(STD_INPUT_HANDLE);
  ::SetStdHandle(STD_OUTPUT_HANDLE, writer.get());
  ::SetStdHandle(STD_INPUT_HANDLE, input.get());

  script = Script{};
  script.ownPath = ownFolder() + L"Ostrel.exe";
  script.files = {ownFolder() + L"file_holder.exe"};
  HandOverSystem system = scripted(false);
  const HandOverSystem real = RealHandOverSystem(StandardHandles::kPassedOn);
  system.runAndWait = real.runAndWait;
  system.currentDirectory = real.currentDirectory;
  static std::wstring commandLine;
  commandLine = L"\"" + ownFolder() + L"file_holder.exe\" " + arguments;
  system.commandLine = [] { return commandLine; };
  run.exitCode = HandOverTo64BitSibling(system, L"file_holder.exe");

  ::SetStdHandle(STD_OUTPUT_HANDLE, savedOut);
  ::SetStdHandle(STD_INPUT_HANDLE, savedIn);
  writer.reset();  // the sibling has ended: its copy is closed, ours now too
  char buffer[4096];
  DWORD read = 0;
  while (::ReadFile(reader.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) run.output.append(buffer, read);
  return run;
}

// Under WOW64 with the sibling beside it, the sibling really starts with our
// command line, writes to the standard output handed to it, and its exit
// code becomes ours.
TEST(HandOver, UnderWow64WithTheSiblingItRunsItAndGivesItsExitCode) {
  wchar_t temporary[MAX_PATH] = {};
  ASSERT_NE(0u, ::GetTempPathW(MAX_PATH, temporary));
  const std::wstring held = std::wstring(temporary) + L"ostrel-hand-over.txt";
  const struct {
    std::wstring arguments;
    DWORD exitCode;
    const char* line;
  } cases[] = {
      {L"\"" + held + L"\"", 0, "READY"},                                   // holds the file, reads its input's end
      {L"\"" + std::wstring(temporary) + L"no\\such\\folder\\x.txt\"", 2, "FAILED"},  // cannot open it
  };
  for (const auto& c : cases) {
    const SiblingRun run = runSiblingThroughTheRealStart(c.arguments);
    EXPECT_EQ(std::optional<DWORD>(c.exitCode), run.exitCode) << c.line;
    EXPECT_NE(std::string::npos, run.output.find(c.line)) << run.output;
  }
  ::DeleteFileW(held.c_str());

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

// The real system's bitness is the running image's (read from its header),
// its WOW64 answer is the system's own, and its parts name real files.
TEST(HandOver, TheRealSystemKnowsItsBitness) {
  const auto* image = reinterpret_cast<const unsigned char*>(::GetModuleHandleW(nullptr));
  ASSERT_NE(nullptr, image);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image);
  const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(image + dos->e_lfanew);
  const bool imageIs64Bit = headers->OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC;
  const HandOverSystem real = RealHandOverSystem();
  EXPECT_EQ(imageIs64Bit, real.builtFor64Bit);

  BOOL wow64 = FALSE;
  ASSERT_TRUE(::IsWow64Process(::GetCurrentProcess(), &wow64));
  EXPECT_EQ(wow64 != FALSE, real.runsUnderWow64());
  if (real.builtFor64Bit) {
    EXPECT_FALSE(real.runsUnderWow64()) << "a 64-bit image never runs under WOW64";
  }

  const std::wstring own = real.ownExecutablePath();
  EXPECT_TRUE(real.isFile(own)) << "the own executable";
  EXPECT_FALSE(real.isFile(ownFolder())) << "a folder is no file";
  EXPECT_FALSE(real.isFile(ownFolder() + L"no-such-file.exe"));
  // The 64-bit exe goes on by itself, whatever stands beside it.
  if (real.builtFor64Bit) {
    EXPECT_EQ(std::nullopt, HandOverTo64BitSibling(real, L"file_holder.exe"));
  }
}

}  // namespace
