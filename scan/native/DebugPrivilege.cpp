#include "scan/native/DebugPrivilege.h"

#include <cstdio>

#include "os/SystemCalls.h"
#include "os/UniqueHandle.h"

namespace {
constexpr DWORD kTokenAccess = TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY;

// The error is taken at once, before the token is closed.
DebugPrivilegeOutcome failed(const char* call) { return DebugPrivilegeOutcome{call, Sys().GetLastError()}; }
}  // namespace

DebugPrivilegeOutcome SwitchOnDebugPrivilege() {
  UniqueHandle token;
  if (Sys().OpenProcessToken(Sys().GetCurrentProcess(), kTokenAccess, token.put()) == FALSE) {
    token.release();  // nothing was opened
    return failed("OpenProcessToken()");
  }
  TOKEN_PRIVILEGES privileges{};
  if (Sys().LookupPrivilegeValueA(nullptr, "SeDebugPrivilege", &privileges.Privileges[0].Luid) == FALSE) {
    return failed("LookupPrivilegeValue()");
  }
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  // A TRUE result counts as success; a privilege the account lacks goes unreported.
  if (Sys().AdjustTokenPrivileges(token.get(), FALSE, &privileges, sizeof privileges, nullptr, nullptr) == FALSE) {
    return failed("AdjustTokenPrivileges()");
  }
  return DebugPrivilegeOutcome{};
}

void EnableDebugPrivilege() {
  const DebugPrivilegeOutcome outcome = SwitchOnDebugPrivilege();
  if (outcome.failedCall == nullptr) return;
  std::printf("%s failed, Error = %d SeDebugPrivilege is not available.\n", outcome.failedCall,
              static_cast<int>(outcome.error));
  std::fflush(stdout);
}
