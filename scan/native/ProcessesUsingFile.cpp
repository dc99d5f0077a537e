#include "scan/native/ProcessesUsingFile.h"

#include "os/FileSystemRedirectionOff.h"
#include "os/NativeBlock.h"
#include "os/SystemCalls.h"
#include "os/UniqueHandle.h"
#include "scan/native/NativeApi.h"
#include "scan/native/OpenFileLayouts.h"

namespace {
// Room for this many IDs at first: a file is seldom open in more processes.
constexpr ULONG kFirstIds = 32;
// Doubled at most this many times (some 8,000 IDs): a system that keeps
// saying "too small" beyond that is not answering.
constexpr int kMostGrowths = 8;
constexpr DWORD kShareEverything = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

ULONG blockSizeFor(ULONG ids) {
  return static_cast<ULONG>(offsetof(ProcessIdsUsingFile, ids) + ids * sizeof(ULONG_PTR));
}
}  // namespace

bool QueryProcessesUsingFile(const WideText& path, bool folder, std::vector<uint32_t>& ids) {
  if (path.empty() || NativeApi.NtQueryInformationFile == nullptr) return false;
  UniqueHandle file;
  {
    // The file the user named, not its SysWOW64 twin.
    const FileSystemRedirectionOff realFileSystem;
    const HANDLE opened = Sys().CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareEverything, nullptr,
                                            OPEN_EXISTING, folder ? FILE_FLAG_BACKUP_SEMANTICS : 0, nullptr);
    if (opened == INVALID_HANDLE_VALUE || opened == nullptr) return false;
    file.reset(opened);
  }
  ULONG room = kFirstIds;
  for (int growth = 0; growth <= kMostGrowths; ++growth, room *= 2) {
    NativeBlock block(blockSizeFor(room));
    IoStatusRecord status{};
    const NTSTATUS answer = NativeApi.NtQueryInformationFile(file.get(), &status, block.data(), block.size(),
                                                             kFileProcessIdsUsingFileInformation);
    if (answer == kStatusInfoLengthMismatch) continue;
    if (answer != kStatusSuccess) return false;
    const ULONG said = static_cast<const ProcessIdsUsingFile*>(block.data())->count;
    const auto* listed = reinterpret_cast<const ULONG_PTR*>(block.bytes() + offsetof(ProcessIdsUsingFile, ids));
    // Only what the block holds is read, whatever the count says.
    const ULONG count = said < room ? said : room;
    for (ULONG i = 0; i < count; ++i) ids.push_back(static_cast<uint32_t>(listed[i]));
    return true;
  }
  return false;
}
