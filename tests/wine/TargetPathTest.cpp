#include <gtest/gtest.h>

#include <windows.h>

#include <stdexcept>
#include <string>

#include "app/TargetPath.h"
#include "os/SystemCalls.h"
#include "text/CodePageConversion.h"

namespace {

std::string currentDirectory() {
  char buffer[MAX_PATH];
  DWORD n = ::GetCurrentDirectoryA(MAX_PATH, buffer);
  std::string dir(buffer, n);
  if (!dir.empty() && dir.back() != '\\') dir += '\\';
  return dir;
}

TEST(WindowsCodePage, WineRunsWithCodePage936) { EXPECT_EQ(936u, ::GetACP()); }

TEST(WindowsCodePage, RealConversionRoundTrip) {
  WideFromAnsi wide("查找中...");
  EXPECT_EQ(std::wstring(L"查找中..."), std::wstring(wide.get()));
  AnsiFromWide narrow(L"添加失败,请以管理员身份运行");
  EXPECT_STREQ("添加失败,请以管理员身份运行", narrow.get());
}

TEST(TargetPath, NoArgumentGivesEmpty) {
  EXPECT_TRUE(TargetPathFromCommandLine(L"C:\\Tools\\Ostrel.exe").IsEmpty());
  EXPECT_TRUE(TargetPathFromCommandLine(L"\"C:\\Tools\\Ostrel.exe\" ").IsEmpty());
  EXPECT_TRUE(TargetPathFromCommandLine(nullptr).IsEmpty());
}

TEST(TargetPath, RelativeNameIsJoinedToTheCurrentDirectory) {
  AnsiString path = TargetPathFromCommandLine(L"Ostrel.exe report.txt");
  EXPECT_EQ(currentDirectory() + "report.txt", std::string(path.GetString()));
}

TEST(TargetPath, QuotedPathWithSpacesAndChinese) {
  AnsiString path = TargetPathFromCommandLine(L"\"C:\\Program Files\\Ostrel.exe\" \"C:\\my data\\报告 1.txt\"");
  EXPECT_STREQ("C:\\my data\\报告 1.txt", path.GetString());
}

TEST(TargetPath, OnlyArgumentOneCounts) {
  EXPECT_STREQ("C:\\a.txt", TargetPathFromCommandLine(L"x.exe C:\\a.txt C:\\b.txt C:\\c.txt").GetString());
}

TEST(TargetPath, EmptyQuotesGiveEmpty) {
  EXPECT_TRUE(TargetPathFromCommandLine(L"Ostrel.exe \"\" C:\\b.txt").IsEmpty());
}

TEST(TargetPath, TabDoesNotSeparate) {
  EXPECT_TRUE(TargetPathFromCommandLine(L"Ostrel.exe\tC:\\a.txt").IsEmpty());
}

TEST(TargetPath, UnterminatedQuote) {
  EXPECT_STREQ("C:\\my file.txt", TargetPathFromCommandLine(L"Ostrel.exe \"C:\\my file.txt").GetString());
}

TEST(TargetPath, DotSegmentsAreResolved) {
  EXPECT_STREQ("C:\\b\\c.txt", TargetPathFromCommandLine(L"Ostrel.exe C:\\a\\..\\b\\.\\c.txt").GetString());
}

TEST(TargetPath, APathThatCannotBeMadeFullIsNoTargetAndSaysSo) {
  bool unusable = false;
  const std::wstring longName = L"ostrel.exe " + std::wstring(5000, L'x');
  EXPECT_EQ(AnsiString(), TargetPathFromCommandLine(longName.c_str(), &unusable));
  EXPECT_TRUE(unusable);
  EXPECT_EQ(AnsiString(), TargetPathFromCommandLine(L"ostrel.exe", &unusable));
  EXPECT_FALSE(unusable) << "no argument: every file";
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
  char own[MAX_PATH] = {};
  ASSERT_NE(0u, ::GetModuleFileNameA(nullptr, own, MAX_PATH));

  redirection = Redirection{};
  EXPECT_FALSE(TargetPathFromCommandLine(L"x.exe C:\\a.txt").IsEmpty());
  EXPECT_EQ(1, redirection.disables) << "the full path";
  EXPECT_EQ(0, redirection.off);

  redirection = Redirection{};
  EXPECT_EQ(0, ::lstrcmpiA(own, IdentifyTarget(AnsiString(own)).matchPath.GetString()));
  EXPECT_EQ(1, redirection.disables);
  EXPECT_TRUE(redirection.offWhileNamed);
  EXPECT_EQ(0, redirection.off);

  redirection = Redirection{};
  const TargetIdentity missing = IdentifyTarget(AnsiString("C:\\no such folder\\no such file.txt"));
  EXPECT_STREQ("C:\\no such folder\\no such file.txt", missing.matchPath.GetString()) << "it cannot be opened";
  EXPECT_EQ(1, redirection.disables);
  EXPECT_EQ(0, redirection.off) << "restored after the failure";

  redirection = Redirection{};
  redirection.throwWhenNamed = true;
  EXPECT_THROW(IdentifyTarget(AnsiString(own)), std::runtime_error);
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
  char own[MAX_PATH] = {};
  ASSERT_NE(0u, ::GetModuleFileNameA(nullptr, own, MAX_PATH));
  EXPECT_EQ(0, ::lstrcmpiA(own, IdentifyTarget(AnsiString(own)).matchPath.GetString()));
}

}  // namespace
