#include "scan/QueryThreadId.h"

#include "scan/native/LocalHandleCopy.h"
#include "scan/native/NativeApi.h"
#include "scan/native/NativeLayouts.h"

int QueryThreadId(HANDLE thread, uint32_t& threadId, uint32_t processId) {
  if (NativeApi.allPresent == 0) return 0;
  LocalHandleCopy handle(thread, processId, Sys().GetCurrentProcessId());
  if (!handle.ownerOpened()) return 0;
  ThreadBasicRecord info{};
  if (NativeApi.NtQueryInformationThread(handle.get(), kThreadBasicInformation, &info, sizeof info, nullptr) ==
      kStatusSuccess) {
    threadId = static_cast<uint32_t>(reinterpret_cast<ULONG_PTR>(info.clientThreadId));
  }
  return 1;
}
