#include "scan/QueryTypeName.h"

#include "scan/NarrowLowBytes.h"
#include "scan/native/LocalHandleCopy.h"
#include "scan/native/NativeApi.h"
#include "os/NativeBlock.h"
#include "scan/native/NativeLayouts.h"

namespace {
// What the size query reports when it reports nothing else.
constexpr ULONG kPresetLength = 8192;
}  // namespace

int QueryTypeName(uint32_t handleValue, AnsiString& typeName, uint32_t ownerPid) {
  const DWORD ownPid = Sys().GetCurrentProcessId();
  if (NativeApi.allPresent == 0) return 0;
  LocalHandleCopy handle(HandleFromValue(handleValue), ownerPid, ownPid);
  if (!handle.ownerOpened() || handle.get() == nullptr) return 0;

  ULONG needed = kPresetLength;
  NativeApi.NtQueryObject(handle.get(), kObjectTypeInformation, nullptr, 0, &needed);
  NativeBlock block(needed);
  if (NativeApi.NtQueryObject(handle.get(), kObjectTypeInformation, block.data(), block.size(), nullptr) !=
      kStatusSuccess) {
    return 0;
  }
  // The name's characters follow the fixed record; a block too short to
  // hold the record holds no name.
  constexpr ULONG kNameOffset = sizeof(ObjectTypeRecord);
  if (block.size() < kNameOffset) return 0;
  const auto* name = reinterpret_cast<const WCHAR*>(block.bytes() + kNameOffset);
  typeName = NarrowLowBytes(name, (block.size() - kNameOffset) / sizeof(WCHAR));
  return 1;
}
