#include "bench/ScanFloor.h"

#include <windows.h>
#include <psapi.h>

#include <cstdint>
#include <cwchar>
#include <string>
#include <unordered_map>
#include <vector>

#include "os/UniqueHandle.h"
#include "scan/native/NativeApi.h"
#include "scan/native/NativeLayouts.h"

namespace {
constexpr DWORD kOwnerAccess = PROCESS_DUP_HANDLE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;
// Handles opened between the size report and the read need room too.
constexpr ULONG kTableSlack = 256 * sizeof(ExtendedHandleTableEntry);
// A type record and its short name.
constexpr std::size_t kTypeRecordBytes = 1024;
// The longest path the system gives.
constexpr DWORD kWidePathLength = 32768;
constexpr DWORD kNormalizedDosPath = 0;

enum class TypeKind : uint8_t { kUnknown, kFile, kOther };

struct Owner {
  bool asked = false;  // an open that failed is not tried again
  UniqueHandle process;
  bool imageAsked = false;
  std::wstring image;
};

// The extended handle table, in pointer-sized words (its own alignment);
// empty when the system gives none. The first call only learns the length.
std::vector<ULONG_PTR> ReadHandleTable(ULONG& filled) {
  ULONG size = sizeof(ExtendedHandleTable);
  std::vector<ULONG_PTR> block(size / sizeof(ULONG_PTR));
  for (;;) {
    ULONG returned = 0;
    const NTSTATUS status =
        NativeApi.NtQuerySystemInformation(kSystemExtendedHandleInformation, block.data(), size, &returned);
    if (status == kStatusSuccess) {
      filled = returned > 0 && returned <= size ? returned : size;
      return block;
    }
    if (status != kStatusInfoLengthMismatch) return {};
    size = (returned > size ? returned : 2 * size) + kTableSlack;
    block.assign((size + sizeof(ULONG_PTR) - 1) / sizeof(ULONG_PTR), 0);
    size = static_cast<ULONG>(block.size() * sizeof(ULONG_PTR));
  }
}

TypeKind QueryTypeKind(HANDLE object, std::vector<ULONG_PTR>& space) {
  const auto bytes = static_cast<ULONG>(space.size() * sizeof(ULONG_PTR));
  if (NativeApi.NtQueryObject(object, kObjectTypeInformation, space.data(), bytes, nullptr) != kStatusSuccess) {
    return TypeKind::kUnknown;
  }
  const CountedString& name = reinterpret_cast<const ObjectTypeRecord*>(space.data())->typeName;
  const bool isFile = name.Buffer != nullptr && name.Length == 4 * sizeof(WCHAR) &&
                      std::wmemcmp(name.Buffer, L"File", 4) == 0;
  return isFile ? TypeKind::kFile : TypeKind::kOther;
}
}  // namespace

FloorCounts RunScanFloor() {
  FloorCounts counts;
  ULONG filled = 0;
  const std::vector<ULONG_PTR> block = ReadHandleTable(filled);
  if (block.empty()) return counts;
  counts.tableRead = true;

  const auto* table = reinterpret_cast<const ExtendedHandleTable*>(block.data());
  const std::size_t room =
      filled < offsetof(ExtendedHandleTable, entries)
          ? 0
          : (filled - offsetof(ExtendedHandleTable, entries)) / sizeof(ExtendedHandleTableEntry);
  const std::size_t count = table->count < room ? table->count : room;

  const ULONG_PTR ownPid = GetCurrentProcessId();
  const HANDLE self = GetCurrentProcess();
  std::vector<TypeKind> kinds(0x10000, TypeKind::kUnknown);  // by type number
  std::unordered_map<ULONG_PTR, Owner> owners;
  std::vector<ULONG_PTR> typeRecord(kTypeRecordBytes / sizeof(ULONG_PTR));
  std::vector<WCHAR> widePath(kWidePathLength);
  std::vector<WCHAR> image(kWidePathLength);

  for (std::size_t i = 0; i < count; ++i) {
    const ExtendedHandleTableEntry& entry = table->entries[i];
    TypeKind& kind = kinds[entry.typeNumber];
    if (entry.ownerPid == ownPid || kind == TypeKind::kOther) continue;

    Owner& owner = owners[entry.ownerPid];
    if (!owner.asked) {
      owner.asked = true;
      owner.process.reset(OpenProcess(kOwnerAccess, FALSE, static_cast<DWORD>(entry.ownerPid)));
    }
    UniqueHandle copy;
    if (owner.process) {
      DuplicateHandle(owner.process.get(), reinterpret_cast<HANDLE>(entry.handleValue), self, copy.put(), 0, FALSE,
                      DUPLICATE_SAME_ACCESS);
    }
    // A number whose name could not be read is asked again at its next handle.
    if (kind == TypeKind::kUnknown && copy) kind = QueryTypeKind(copy.get(), typeRecord);
    if (kind != TypeKind::kFile) continue;

    ++counts.records;
    if (!owner.imageAsked && owner.process) {
      owner.imageAsked = true;
      DWORD length = kWidePathLength;
      if (QueryFullProcessImageNameW(owner.process.get(), 0, image.data(), &length) == FALSE) length = 0;
      owner.image.assign(image.data(), length < kWidePathLength ? length : 0);
    }
    if (!copy) continue;
    const DWORD length = GetFinalPathNameByHandleW(copy.get(), widePath.data(), kWidePathLength, kNormalizedDosPath);
    if (length > 0 && length < kWidePathLength) {
      ++counts.withPath;
    }
  }
  return counts;
}
