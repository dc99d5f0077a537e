#include "scan/HandleNaming.h"

#include <cstring>
#include <vector>

#include "os/SystemCalls.h"
#include "scan/native/NativeApi.h"
#include "scan/native/NativeLayouts.h"
#include "scan/native/NativeText.h"

namespace {
constexpr NTSTATUS kStatusBufferTooSmall = static_cast<NTSTATUS>(0xC0000023u);
constexpr NTSTATUS kStatusBufferOverflow = static_cast<NTSTATUS>(0x80000005u);
// An object name answer beyond this is not real: it would be refused.
constexpr ULONG kLargestNameAnswer = 64 * 1024;
constexpr DWORD kNormalizedDriveLetterForm = 0;

// "PID: 0x4D2": uppercase hexadecimal digits.
SharedText idText(const char* label, uint32_t id) {
  WideText text = WideFromAscii(label);
  for (WCHAR digit : HexText(id)) text.push_back(digit >= 'a' ? static_cast<WCHAR>(digit - 'a' + 'A') : digit);
  return SharedText(text);
}

bool startsWith(const WCHAR* text, std::size_t length, const char* prefix) {
  std::size_t k = 0;
  for (; prefix[k] != '\0'; ++k) {
    if (k >= length || text[k] != static_cast<WCHAR>(prefix[k])) return false;
  }
  return true;
}
}  // namespace

SharedText NameProcessHandle(HANDLE process) {
  ProcessBasicRecord info{};
  uint32_t processId = 0;
  if (NativeApi.allPresent != 0 &&
      NativeApi.NtQueryInformationProcess(process, kProcessBasicInformation, &info, sizeof info, nullptr) ==
          kStatusSuccess) {
    processId = static_cast<uint32_t>(info.processId);
  }
  return idText("PID: 0x", processId);
}

SharedText NameThreadHandle(HANDLE thread) {
  ThreadBasicRecord info{};
  uint32_t threadId = 0;
  if (NativeApi.allPresent != 0 &&
      NativeApi.NtQueryInformationThread(thread, kThreadBasicInformation, &info, sizeof info, nullptr) ==
          kStatusSuccess) {
    threadId = static_cast<uint32_t>(reinterpret_cast<ULONG_PTR>(info.clientThreadId));
  }
  return idText("TID: 0x", threadId);
}

int NameObjectHandle(HANDLE object, SharedText& name, NativeBlock& scratch) {
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
    name = SharedText();
    return 1;
  }
  ObjectNameRecord info;
  std::memcpy(&info, scratch.bytes(), sizeof info);
  name = CountedText(info.name, scratch.bytes(), scratch.bytes() + scratch.size());
  return 1;
}

SharedText FinalPathWithoutPrefix(const WCHAR* path, std::size_t length) {
  if (path == nullptr || length == 0) return SharedText();
  // "\\?\UNC\server\share\a.txt" keeps its two leading backslashes.
  if (startsWith(path, length, "\\\\?\\UNC\\")) {
    WideText network = WideFromAscii("\\\\");
    network.append(path + 8, length - 8);
    return SharedText(network);
  }
  if (startsWith(path, length, "\\\\?\\")) return SharedText(path + 4, length - 4);
  return SharedText(path, length);
}

SharedText QueryFinalPath(HANDLE file, WCHAR* buffer) {
  const DWORD units = Sys().GetFinalPathNameByHandleW(file, buffer, kFinalPathUnits, kNormalizedDriveLetterForm);
  // A longer answer is the size the path would need: the path stays unnamed.
  if (units == 0 || units >= kFinalPathUnits) return SharedText();
  return FinalPathWithoutPrefix(buffer, units);
}

SharedText QueryFinalPath(HANDLE file) {
  std::vector<WCHAR> buffer(kFinalPathUnits);
  return QueryFinalPath(file, buffer.data());
}

bool MayNameDiskFile(HANDLE file) {
  // Pipes and character devices are the handles whose path query hangs and
  // that name no file; an unknown answer (failure) leaves the handle to the
  // query. GetFileType itself may wait on the file object's lock behind a
  // read pending on a synchronous handle: never asked outside a deadline.
  const DWORD type = Sys().GetFileType(file);
  return type != FILE_TYPE_PIPE && type != FILE_TYPE_CHAR;
}
