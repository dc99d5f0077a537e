#pragma once
// Carries word from other threads to the thread that made the poster: posted
// to its window once it has one, else to the thread itself (whose message
// loop then takes it with no window). Safe to use from any thread.

#include <windows.h>

#include <atomic>

class ThreadMessagePoster {
 public:
  // Binds the poster to the calling thread.
  ThreadMessagePoster() : thread_(::GetCurrentThreadId()) {}

  // From now on the messages go to `window` (null: to the thread again).
  void setWindow(HWND window) { window_.store(window); }

  // False when the message could not be posted (a full queue, a window or
  // thread gone).
  bool post(UINT message, WPARAM wParam, LPARAM lParam) const {
    const HWND window = window_.load();
    if (window != nullptr) return ::PostMessageW(window, message, wParam, lParam) != FALSE;
    return ::PostThreadMessageW(thread_, message, wParam, lParam) != FALSE;
  }

 private:
  const DWORD thread_;
  std::atomic<HWND> window_{nullptr};
};
