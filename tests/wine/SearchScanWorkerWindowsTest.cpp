#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <memory>

#include "search/ScanWorker.h"

namespace {

constexpr UINT kFromSearch = WM_APP + 5;
std::atomic<int> g_served{0};

LRESULT CALLBACK countingProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kFromSearch) {
    ++g_served;
    return 1;
  }
  return ::DefWindowProcA(hwnd, message, wParam, lParam);
}

// After the message loop has ended, the window's thread destroys the worker
// while the search thread is blocked sending to that window: the
// destruction must serve the send rather than wait for it for ever.
TEST(SearchScanWorkerWindows, DestructionServesASearchBlockedInASendToTheWindowsThread) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = &countingProcedure;
  windowClass.lpszClassName = "OstrelSendTarget";
  ::RegisterClassA(&windowClass);
  const HWND target = ::CreateWindowExA(0, "OstrelSendTarget", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                                        nullptr);
  ASSERT_NE(nullptr, target);
  g_served = 0;
  const HANDLE sending = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  LRESULT answers = 0;
  {
    auto worker = std::make_unique<ScanWorker>();
    worker->start([&] {
      ::SetEvent(sending);
      for (int i = 0; i < 3; ++i) answers += ::SendMessageA(target, kFromSearch, 0, 0);
    });
    // The thread scans first; by now it is about to send, and nothing here
    // serves messages until the destruction does.
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(sending, 120000));
    worker.reset();
  }
  EXPECT_EQ(3, g_served.load());
  EXPECT_EQ(3, answers);
  ::CloseHandle(sending);
  ::DestroyWindow(target);
}

}  // namespace
