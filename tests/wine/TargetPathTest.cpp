#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>
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

// The drive and the user's mappings, scripted: what GetDriveTypeW says of
// the target's root, and the RemotePath value HKCU\Network\<letter> holds.
struct Mapping {
  UINT driveType = DRIVE_NO_ROOT_DIR;
  const wchar_t* remote = nullptr;  // no value at all
  std::wstring rootAsked;
  std::wstring keyAsked;
  int valuesAsked = 0;
};
Mapping mapping;

UINT WINAPI ScriptedDriveType(LPCWSTR root) {
  mapping.rootAsked = root != nullptr ? root : L"";
  return mapping.driveType;
}
LSTATUS WINAPI ScriptedValue(HKEY key, LPCWSTR subKey, LPCWSTR value, DWORD flags, DWORD* type, void* data,
                             DWORD* bytes) {
  ++mapping.valuesAsked;
  mapping.keyAsked = subKey;
  EXPECT_EQ(HKEY_CURRENT_USER, key);
  EXPECT_STREQ(L"RemotePath", value);
  EXPECT_EQ(static_cast<DWORD>(RRF_RT_REG_SZ), flags);
  if (mapping.remote == nullptr) return ERROR_FILE_NOT_FOUND;
  const DWORD needed = static_cast<DWORD>((std::wcslen(mapping.remote) + 1) * sizeof(wchar_t));
  if (type != nullptr) *type = REG_SZ;
  if (*bytes < needed) {
    *bytes = needed;
    return ERROR_MORE_DATA;
  }
  std::memcpy(data, mapping.remote, needed);
  *bytes = needed;
  return ERROR_SUCCESS;
}

// A target on a drive letter this process does not see at all is looked
// for under the network share the user's mapping of that letter names; a
// letter that names a drive, a mapping that names no share, and no mapping
// leave it as it is.
TEST(TargetPath, OnlyALetterThatNamesNoDriveIsLookedForUnderItsShare) {
  SystemCalls calls = Sys();
  calls.GetDriveTypeW = ScriptedDriveType;
  calls.RegGetValueW = ScriptedValue;
  const ScopedSystemCalls scripted(calls);
  constexpr UINT kNone = DRIVE_NO_ROOT_DIR;
  const struct {
    const wchar_t* path;
    UINT driveType;
    const wchar_t* remote;
    const wchar_t* matchPath;
  } cases[] = {
      // A drive that exists is the target's drive, whatever a stale mapping says.
      {L"Q:\\dir\\a.txt", DRIVE_FIXED, L"\\\\server\\share", L"Q:\\dir\\a.txt"},
      {L"Q:\\dir\\a.txt", DRIVE_REMOTE, L"\\\\server\\share", L"Q:\\dir\\a.txt"},
      {L"Q:\\dir\\a.txt", DRIVE_UNKNOWN, L"\\\\server\\share", L"Q:\\dir\\a.txt"},
      // No drive and a share: the path below the share.
      {L"Q:\\dir\\a.txt", kNone, L"\\\\server\\share", L"\\\\server\\share\\dir\\a.txt"},
      {L"q:\\한국어 😀.txt", kNone, L"\\\\server\\share\\", L"\\\\server\\share\\한국어 😀.txt"},
      {L"Q:\\dir\\a.txt", kNone, L"\\\\server\\share\\sub", L"\\\\server\\share\\sub\\dir\\a.txt"},
      {L"Q:\\", kNone, L"\\\\server\\share", L"\\\\server\\share\\"},
      // No drive, and a value that names no share: left alone.
      {L"Q:\\dir\\a.txt", kNone, nullptr, L"Q:\\dir\\a.txt"},
      {L"Q:\\dir\\a.txt", kNone, L"", L"Q:\\dir\\a.txt"},
      {L"Q:\\dir\\a.txt", kNone, L"C:\\data", L"Q:\\dir\\a.txt"},
      {L"Q:\\dir\\a.txt", kNone, L"\\\\?\\C:\\data", L"Q:\\dir\\a.txt"},
      {L"Q:\\dir\\a.txt", kNone, L"\\\\?\\UNC\\server\\share", L"Q:\\dir\\a.txt"},
      {L"Q:\\dir\\a.txt", kNone, L"\\\\.\\pipe\\share", L"Q:\\dir\\a.txt"},
      {L"Q:\\dir\\a.txt", kNone, L"\\\\server", L"Q:\\dir\\a.txt"},
      {L"Q:\\dir\\a.txt", kNone, L"\\\\server\\", L"Q:\\dir\\a.txt"},
      {L"Q:\\dir\\a.txt", kNone, L"\\\\\\share", L"Q:\\dir\\a.txt"},
      {L"Q:\\dir\\a.txt", kNone, L"//server/share", L"Q:\\dir\\a.txt"},
      {L"Q:\\dir\\a.txt", kNone, L"server\\share", L"Q:\\dir\\a.txt"},
  };
  for (const auto& c : cases) {
    mapping = Mapping{};
    mapping.driveType = c.driveType;
    mapping.remote = c.remote;
    const std::wstring label = std::wstring(c.path) + L" / " + (c.remote != nullptr ? c.remote : L"(none)");
    EXPECT_EQ(std::wstring(c.matchPath), IdentifyTarget(c.path).matchPath) << AnsiFromWide(label.c_str()).get();
    EXPECT_EQ(0, ::lstrcmpiW(L"Q:\\", mapping.rootAsked.c_str())) << AnsiFromWide(label.c_str()).get();
    // The registry is asked only about a letter that names no drive.
    EXPECT_EQ(c.driveType == kNone ? 1 : 0, mapping.valuesAsked) << AnsiFromWide(label.c_str()).get();
    if (mapping.valuesAsked > 0) {
      EXPECT_EQ(0, ::lstrcmpiW(L"Network\\Q", mapping.keyAsked.c_str()));
    }
  }
  // A full path with no drive letter asks about no drive.
  mapping = Mapping{};
  mapping.remote = L"\\\\server\\share";
  EXPECT_EQ(std::wstring(L"\\\\other\\share\\a.txt"), IdentifyTarget(L"\\\\other\\share\\a.txt").matchPath);
  EXPECT_EQ(0, mapping.valuesAsked);
}

// "No such file or folder" only where the system says the name names
// nothing; a file or a folder that exists is not missing.
TEST(TargetPath, ATargetTheSystemDoesNotKnowIsMissing) {
  wchar_t own[MAX_PATH] = {};
  ASSERT_NE(0u, ::GetModuleFileNameW(nullptr, own, MAX_PATH));
  std::wstring folder(own);
  folder.resize(folder.rfind(L'\\'));
  const struct {
    std::wstring path;
    bool missing;
  } cases[] = {
      {own, false},
      {folder, false},
      {folder + L"\\", false},
      {folder + L"\\no such file.txt", true},
      {folder + L"\\no such folder\\no such file.txt", true},
      {L"C:\\no such folder\\no such file.txt", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.missing, IdentifyTarget(c.path).missing) << AnsiFromWide(c.path.c_str()).get();
  }
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
