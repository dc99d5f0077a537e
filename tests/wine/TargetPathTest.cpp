#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

#include "search/TargetPath.h"
#include "os/SystemCalls.h"
#include "text/CodePageConversion.h"

namespace {

std::wstring currentDirectory() {
  wchar_t buffer[MAX_PATH];
  DWORD n = ::GetCurrentDirectoryW(MAX_PATH, buffer);
  std::wstring dir(buffer, n);
  if (!dir.empty() && dir.back() != L'\\') dir += L'\\';
  return dir;
}

// The run's system code page is the one asked for: 936, or 1252 where the
// run was started under C.UTF-8 (OSTREL_LOCALE) to try another.
TEST(WindowsCodePage, IsTheOneTheRunAskedFor) {
  const char* locale = std::getenv("OSTREL_LOCALE");
  const bool other = locale != nullptr && std::string(locale) == "C.UTF-8";
  EXPECT_EQ(other ? 1252u : 936u, ::GetACP());
}

TEST(WindowsCodePage, RealConversionRoundTripInTheThreadsCodePage) {
  if (::GetACP() != 936) GTEST_SKIP() << "code page " << ::GetACP();
  WideFromAnsi wide("查找中...");
  EXPECT_EQ(std::wstring(L"查找中..."), std::wstring(wide.get()));
  AnsiFromWide narrow(L"添加失败,请以管理员身份运行");
  EXPECT_STREQ("添加失败,请以管理员身份运行", narrow.get());
}

TEST(TargetPath, ArgumentOneMadeAFullPathExactly) {
  const struct {
    const wchar_t* commandLine;
    std::wstring target;
  } cases[] = {
      {L"C:\\Tools\\Ostrel.exe", L""},
      {L"\"C:\\Tools\\Ostrel.exe\" ", L""},
      {L"Ostrel.exe report.txt", currentDirectory() + L"report.txt"},
      {L"\"C:\\Program Files\\Ostrel.exe\" \"C:\\my data\\报告 1.txt\"", L"C:\\my data\\报告 1.txt"},
      {L"x.exe \"C:\\d\\한국어 報告 😁.txt\"", L"C:\\d\\한국어 報告 😁.txt"},  // no code page holds it
      {L"x.exe C:\\a.txt C:\\b.txt C:\\c.txt", L"C:\\a.txt"},
      {L"Ostrel.exe \"\" C:\\b.txt", L""},
      {L"Ostrel.exe\tC:\\a.txt", L""},  // a tab does not separate
      {L"Ostrel.exe \"C:\\my file.txt", L"C:\\my file.txt"},
      {L"Ostrel.exe C:\\a\\..\\b\\.\\c.txt", L"C:\\b\\c.txt"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.target, TargetPathFromCommandLine(c.commandLine)) << c.commandLine;
  EXPECT_TRUE(TargetPathFromCommandLine(nullptr).empty());
}

TEST(TargetPath, APathThatCannotBeMadeFullIsNoTargetAndSaysSo) {
  bool unusable = false;
  const std::wstring longName = L"ostrel.exe " + std::wstring(40000, L'x');
  EXPECT_EQ(L"", TargetPathFromCommandLine(longName.c_str(), &unusable));
  EXPECT_TRUE(unusable);
  EXPECT_EQ(L"", TargetPathFromCommandLine(L"ostrel.exe", &unusable));
  EXPECT_FALSE(unusable) << "no argument: every file";
}

// A drive letter the process does not see, looked for under the network path
// the user's mapping names.
TEST(TargetPath, MappedDriveIsRewrittenToItsNetworkPath) {
  const struct {
    const wchar_t* path;
    const wchar_t* remote;
    const wchar_t* rewritten;
  } cases[] = {
      {L"Z:\\dir\\a.txt", L"\\\\server\\share", L"\\\\server\\share\\dir\\a.txt"},
      {L"z:\\한국어 😀.txt", L"\\\\server\\share\\", L"\\\\server\\share\\한국어 😀.txt"},
      {L"Z:\\", L"\\\\server\\share", L"\\\\server\\share\\"},
      {L"Z:", L"\\\\server\\share", L"\\\\server\\share\\"},
      {L"Z:\\a.txt", L"", L""},                          // no mapping: left alone
      {L"\\\\other\\share\\a.txt", L"\\\\server\\share", L""},  // no drive letter
      {L"", L"\\\\server\\share", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(std::wstring(c.rewritten), PathThroughMapping(c.path, c.remote)) << c.path;
}

// File-system redirection, scripted: off only inside the target's
// resolution, restored on the thread's way out whatever happened there.
struct Redirection {
  int off = 0;  // disables not yet reverted
  int disables = 0;
  bool offWhileNamed = false;  // off while the final path was asked
  bool throwWhenNamed = false;
};
Redirection redirection;
LPVOID const kPrevious = reinterpret_cast<LPVOID>(0x5A);

BOOL WINAPI ScriptedDisable(LPVOID* previous) {
  ++redirection.off;
  ++redirection.disables;
  *previous = kPrevious;
  return TRUE;
}
BOOL WINAPI ScriptedRevert(LPVOID previous) {
  EXPECT_EQ(kPrevious, previous);
  --redirection.off;
  return TRUE;
}
DWORD WINAPI ScriptedFinalPath(HANDLE file, LPWSTR buffer, DWORD size, DWORD flags) {
  redirection.offWhileNamed = redirection.off == 1;
  if (redirection.throwWhenNamed) throw std::runtime_error("the name query threw");
  return ::GetFinalPathNameByHandleW(file, buffer, size, flags);
}

TEST(TargetPath, RedirectionIsOffOnlyInsideTheResolutionAndRestoredOnEveryWayOut) {
  SystemCalls calls = Sys();
  calls.Wow64DisableWow64FsRedirection = ScriptedDisable;
  calls.Wow64RevertWow64FsRedirection = ScriptedRevert;
  calls.GetFinalPathNameByHandleW = ScriptedFinalPath;
  const ScopedSystemCalls scripted(calls);
  wchar_t own[MAX_PATH] = {};
  ASSERT_NE(0u, ::GetModuleFileNameW(nullptr, own, MAX_PATH));

  redirection = Redirection{};
  EXPECT_FALSE(TargetPathFromCommandLine(L"x.exe C:\\a.txt").empty());
  EXPECT_EQ(1, redirection.disables) << "the full path";
  EXPECT_EQ(0, redirection.off);

  redirection = Redirection{};
  EXPECT_EQ(0, ::lstrcmpiW(own, IdentifyTarget(own).matchPath.c_str()));
  EXPECT_EQ(1, redirection.disables);
  EXPECT_TRUE(redirection.offWhileNamed);
  EXPECT_EQ(0, redirection.off);

  redirection = Redirection{};
  const TargetIdentity missing = IdentifyTarget(L"C:\\no such folder\\no such file.txt");
  EXPECT_EQ(std::wstring(L"C:\\no such folder\\no such file.txt"), missing.matchPath) << "it cannot be opened";
  EXPECT_EQ(1, redirection.disables);
  EXPECT_EQ(0, redirection.off) << "restored after the failure";

  redirection = Redirection{};
  redirection.throwWhenNamed = true;
  EXPECT_THROW(IdentifyTarget(own), std::runtime_error);
  EXPECT_TRUE(redirection.offWhileNamed);
  EXPECT_EQ(0, redirection.off) << "restored after the throw";
}

// Where the system has no redirection calls, nothing is asked and the
// target is still named.
TEST(TargetPath, WithoutRedirectionCallsTheTargetIsStillNamed) {
  SystemCalls calls = Sys();
  calls.Wow64DisableWow64FsRedirection = nullptr;
  calls.Wow64RevertWow64FsRedirection = nullptr;
  const ScopedSystemCalls scripted(calls);
  wchar_t own[MAX_PATH] = {};
  ASSERT_NE(0u, ::GetModuleFileNameW(nullptr, own, MAX_PATH));
  EXPECT_EQ(0, ::lstrcmpiW(own, IdentifyTarget(own).matchPath.c_str()));
}

}  // namespace
