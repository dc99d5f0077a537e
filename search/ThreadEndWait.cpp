#include "search/ThreadEndWait.h"

#ifdef _WIN32
#include <windows.h>

namespace {
// The end of the thread is not signalled to the waiter; sent messages are.
// The flag is therefore looked at again after at most this long.
constexpr DWORD kFlagCheckMilliseconds = 10;
}  // namespace

void WaitForThreadEnd(const std::atomic<uint8_t>& ended) {
  while (ended.load() == 0) {
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, kFlagCheckMilliseconds, QS_SENDMESSAGE);
    // Delivers the pending sent messages and nothing from the posted queue.
    MSG message;
    ::PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}
#else
void WaitForThreadEnd(const std::atomic<uint8_t>&) {}
#endif
