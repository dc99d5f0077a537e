#include "scan/ResolveHandleName.h"

#include "scan/ObjectTypeTable.h"
#include "scan/QueryFilePathTimed.h"
#include "scan/QueryThreadId.h"
#include "scan/native/CountedString.h"
#include "scan/native/LocalHandleCopy.h"
#include "scan/native/NativeApi.h"
#include "os/NativeBlock.h"
#include "scan/native/NativeLayouts.h"

namespace {
// The size assumed when the size query reports none.
constexpr ULONG kDefaultNameBlock = 8192;

int nameProcess(HANDLE handle, AnsiString& name) {
  ProcessBasicRecord info{};
  uint32_t processId = 0;
  if (NativeApi.NtQueryInformationProcess(handle, kProcessBasicInformation, &info, sizeof info, nullptr) ==
      kStatusSuccess) {
    processId = static_cast<uint32_t>(info.processId);
  }
  name.Format("PID: 0x%X", processId);
  return 1;
}

int nameThread(HANDLE handle, DWORD ownPid, AnsiString& name) {
  uint32_t threadId = 0;
  QueryThreadId(handle, threadId, ownPid);
  name.Format("TID: 0x%X", threadId);
  return 1;
}

int nameObject(HANDLE handle, AnsiString& name) {
  ULONG needed = kDefaultNameBlock;
  NativeApi.NtQueryObject(handle, kObjectNameInformation, nullptr, 0, &needed);
  if (needed == 0) needed = kDefaultNameBlock;
  NativeBlock block(needed);
  if (NativeApi.NtQueryObject(handle, kObjectNameInformation, block.data(), block.size(), nullptr) !=
      kStatusSuccess) {
    return 0;
  }
  if (block.size() < sizeof(ObjectNameRecord)) {
    name.Empty();
    return 1;
  }
  const auto* info = static_cast<const ObjectNameRecord*>(block.data());
  name = NarrowCountedString(info->name, block.bytes(), block.bytes() + block.size());
  return 1;
}
}  // namespace

int ResolveHandleName(uint32_t handleValue, uint16_t typeNumber, AnsiString& name, uint32_t ownerPid) {
  const DWORD ownPid = Sys().GetCurrentProcessId();
  if (NativeApi.allPresent == 0) return 0;
  LocalHandleCopy handle(HandleFromValue(handleValue), ownerPid, ownPid);
  if (!handle.ownerOpened()) return 0;
  switch (typeNumber) {
    case kProcessTypeNumber:
      return nameProcess(handle.get(), name);
    case kThreadTypeNumber:
      return nameThread(handle.get(), ownPid, name);
    case kFileTypeNumber:
      return QueryFilePathTimed(handle.get(), name, ownPid);
    default:
      return nameObject(handle.get(), name);
  }
}
