#include "scan/HandleNaming.h"

#include <cstring>
#include <vector>

#include "os/SystemCalls.h"
#include "scan/native/NativeApi.h"
#include "scan/native/NativeLayouts.h"
#include "scan/native/NativeText.h"
#include "text/CodePageConversion.h"

namespace {
constexpr NTSTATUS kStatusBufferTooSmall = static_cast<NTSTATUS>(0xC0000023u);
constexpr NTSTATUS kStatusBufferOverflow = static_cast<NTSTATUS>(0x80000005u);
// An object name answer beyond this is not real: it would be refused.
constexpr ULONG kLargestNameAnswer = 64 * 1024;
// The space the narrow path call was always given, its terminator included.
constexpr int kNarrowPathSpace = 4092;
constexpr DWORD kNormalizedDriveLetterForm = 0;
}  // namespace

AnsiString NameProcessHandle(HANDLE process) {
  ProcessBasicRecord info{};
  uint32_t processId = 0;
  if (NativeApi.allPresent != 0 &&
      NativeApi.NtQueryInformationProcess(process, kProcessBasicInformation, &info, sizeof info, nullptr) ==
          kStatusSuccess) {
    processId = static_cast<uint32_t>(info.processId);
  }
  AnsiString name;
  name.Format("PID: 0x%X", processId);
  return name;
}

AnsiString NameThreadHandle(HANDLE thread) {
  ThreadBasicRecord info{};
  uint32_t threadId = 0;
  if (NativeApi.allPresent != 0 &&
      NativeApi.NtQueryInformationThread(thread, kThreadBasicInformation, &info, sizeof info, nullptr) ==
          kStatusSuccess) {
    threadId = static_cast<uint32_t>(reinterpret_cast<ULONG_PTR>(info.clientThreadId));
  }
  AnsiString name;
  name.Format("TID: 0x%X", threadId);
  return name;
}

int NameObjectHandle(HANDLE object, AnsiString& name, NativeBlock& scratch) {
  if (NativeApi.allPresent == 0) return 0;
  ULONG needed = 0;
  NTSTATUS status = NativeApi.NtQueryObject(object, kObjectNameInformation, scratch.data(), scratch.size(), &needed);
  if ((status == kStatusInfoLengthMismatch || status == kStatusBufferTooSmall || status == kStatusBufferOverflow) &&
      needed > scratch.size() && needed <= kLargestNameAnswer) {
    scratch = NativeBlock(needed);
    needed = 0;
    status = NativeApi.NtQueryObject(object, kObjectNameInformation, scratch.data(), scratch.size(), &needed);
  }
  if (status != kStatusSuccess) return 0;
  if (scratch.size() < sizeof(ObjectNameRecord)) {
    name.Empty();
    return 1;
  }
  ObjectNameRecord info;
  std::memcpy(&info, scratch.bytes(), sizeof info);
  name = NarrowCountedString(info.name, scratch.bytes(), scratch.bytes() + scratch.size());
  return 1;
}

AnsiString NarrowFinalPath(const WCHAR* path, std::size_t length) {
  AnsiString narrow;
  if (path == nullptr || length == 0 || length >= static_cast<std::size_t>(kNarrowPathSpace)) return narrow;
  const int units = static_cast<int>(length);
  const int bytes = WideToAnsiBytes(path, units, nullptr, 0);
  if (bytes <= 0 || bytes >= kNarrowPathSpace) return narrow;
  char* space = narrow.GetBuffer(bytes);
  const int written = WideToAnsiBytes(path, units, space, bytes);
  narrow.ReleaseBufferSetLength(written > 0 ? written : 0);
  // "\\?\C:\a.txt" and "\\?\UNC\server\share\a.txt".
  if (narrow.Left(8) == "\\\\?\\UNC\\") {
    AnsiString network("\\\\");
    network += narrow.Mid(8);
    return network;
  }
  const int mark = narrow.Find('?');
  if (mark >= 0) narrow = narrow.Mid(mark + 2);
  return narrow;
}

AnsiString QueryFinalPath(HANDLE file, WCHAR* buffer) {
  const DWORD units = Sys().GetFinalPathNameByHandleW(file, buffer, kFinalPathUnits, kNormalizedDriveLetterForm);
  // A longer answer is the size the path would need: the path stays unnamed.
  if (units == 0 || units >= kFinalPathUnits) return AnsiString();
  return NarrowFinalPath(buffer, units);
}

AnsiString QueryFinalPath(HANDLE file) {
  std::vector<WCHAR> buffer(kFinalPathUnits);
  return QueryFinalPath(file, buffer.data());
}

bool MayNameDiskFile(HANDLE file) {
  // GetFileType asks for the device's type, which the I/O manager answers
  // from the device object itself: the question never reaches the driver
  // and never waits behind a read pending on the file (what hangs the path
  // query of a synchronous pipe), so it cannot block. Pipes and character
  // devices are the handles whose path query hangs and that name no file;
  // an unknown answer (failure) leaves the handle to the query.
  const DWORD type = Sys().GetFileType(file);
  return type != FILE_TYPE_PIPE && type != FILE_TYPE_CHAR;
}
