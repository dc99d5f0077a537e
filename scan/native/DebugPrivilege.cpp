#include "scan/native/DebugPrivilege.h"

#include <cstdio>

#include "os/SystemCalls.h"
#include "os/UniqueHandle.h"

namespace {
constexpr DWORD kTokenAccess = TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY;

void report(const char* call) {
  std::printf("%s failed, Error = %d SeDebugPrivilege is not available.\n", call,
              static_cast<int>(Sys().GetLastError()));
  std::fflush(stdout);
}
}  // namespace

void EnableDebugPrivilege() {
  UniqueHandle token;
  if (Sys().OpenProcessToken(Sys().GetCurrentProcess(), kTokenAccess, token.put()) == FALSE) {
    token.release();  // nothing was opened
    report("OpenProcessToken()");
    return;
  }
  TOKEN_PRIVILEGES privileges{};
  if (Sys().LookupPrivilegeValueA(nullptr, "SeDebugPrivilege", &privileges.Privileges[0].Luid) == FALSE) {
    report("LookupPrivilegeValue()");
    return;
  }
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  // A TRUE result counts as success; a privilege the account lacks goes unreported.
  if (Sys().AdjustTokenPrivileges(token.get(), FALSE, &privileges, sizeof privileges, nullptr, nullptr) == FALSE) {
    report("AdjustTokenPrivileges()");
  }
}
