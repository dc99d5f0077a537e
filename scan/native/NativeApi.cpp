#include "scan/native/NativeApi.h"

#include <cstring>

#include "os/SystemCalls.h"

NativeApiTable NativeApi;
DWORD OsMajorVersion = 0;

namespace {

template <typename Fn>
Fn bind(const char* name) {
  HMODULE ntdll = Sys().GetModuleHandleA("ntdll.dll");
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(Sys().GetProcAddress(ntdll, name)));
}

}  // namespace

void BindNativeApi() {
  NativeApi.NtQuerySystemInformation = bind<NtQuerySystemInformationFn>("NtQuerySystemInformation");
  NativeApi.NtQueryObject = bind<NtQueryObjectFn>("NtQueryObject");
  NativeApi.NtQueryInformationThread = bind<NtQueryInformationThreadFn>("NtQueryInformationThread");
  NativeApi.NtQueryInformationFile = bind<NtQueryInformationFileFn>("NtQueryInformationFile");
  NativeApi.NtQueryInformationProcess = bind<NtQueryInformationProcessFn>("NtQueryInformationProcess");
  NativeApi.allPresent = NativeApi.NtQuerySystemInformation != nullptr && NativeApi.NtQueryObject != nullptr &&
                                 NativeApi.NtQueryInformationThread != nullptr &&
                                 NativeApi.NtQueryInformationFile != nullptr &&
                                 NativeApi.NtQueryInformationProcess != nullptr
                             ? 1
                             : 0;
}

void ReadOsMajorVersion() {
  OSVERSIONINFOEXA record;
  std::memset(&record, 0, sizeof record);
  auto* basic = reinterpret_cast<OSVERSIONINFOA*>(&record);
  record.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);
  if (Sys().GetVersionExA(basic) == FALSE) {
    record.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    if (Sys().GetVersionExA(basic) == FALSE) {
      OsMajorVersion = 0;
      return;
    }
  }
  OsMajorVersion = record.dwMajorVersion;
}
