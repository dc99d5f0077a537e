#include "scan/QueryFilePathTimed.h"

#include <memory>

#include "scan/PathQueryBlock.h"
#include "scan/PathQueryThread.h"
#include "scan/native/LocalHandleCopy.h"
#include "scan/native/NativeApi.h"

namespace {
constexpr DWORD kPathQueryLimitMs = 100;
// Threads stuck on a hung handle keep their stacks; a small reservation
// keeps them cheap in a 32-bit address space.
constexpr SIZE_T kPathQueryStackReserve = 64 * 1024;
constexpr bool kDuplicateOwnHandle = true;
}  // namespace

int QueryFilePathTimed(HANDLE file, AnsiString& path, uint32_t processId) {
  if (NativeApi.allPresent == 0) return 0;
  LocalHandleCopy handle(file, processId, Sys().GetCurrentProcessId(), kDuplicateOwnHandle);
  if (!handle.ownerOpened()) return 0;

  auto block = std::make_shared<PathQueryBlock>();
  block->file = handle.releaseDuplicate();
  auto threadReference = std::make_unique<SharedPathQueryBlock>(block);
  UniqueHandle thread(Sys().CreateThread(nullptr, kPathQueryStackReserve, PathQueryThread, threadReference.get(),
                                         STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
  if (!thread) return 0;
  static_cast<void>(threadReference.release());  // the thread's own now

  const DWORD waited = Sys().WaitForSingleObject(thread.get(), kPathQueryLimitMs);
  if (waited != WAIT_OBJECT_0) {
    // Abandoned: the thread ends in its own time and drops its reference;
    // only a wait that saw it end lets the block be read.
    path.Empty();
    return waited == WAIT_TIMEOUT ? 1 : 0;
  }
  if (block->failed != 0) return 0;
  path = block->path;
  return 1;
}
