#pragma once
// One executable entry point per window. The system calls a window or dialog
// procedure with the window handle; the thunk replaces that first argument by
// its object's address and jumps to the object's static procedure, so the
// window handle alone leads to the object from the first message on.
//
// Thunks are carved from pages of their own (never from the heap or the
// stack, which data-execution prevention forbids to run) that are execute-read
// only: a page is writable just while a thunk on it is written or released,
// under one lock. Slots are recycled through a free list, so thousands of
// windows reserve no more pages than the most that were alive at once.

#include <windows.h>

#include <cstddef>
#include <memory>

// The procedure a thunk jumps to: a window or dialog procedure whose first
// argument is the bound object instead of the window handle.
using ThunkTarget = LRESULT(CALLBACK*)(HWND objectInPlaceOfWindow, UINT, WPARAM, LPARAM);

class WindowThunk {
 public:
  // Writes the code that passes `object` to `target` in place of the window
  // handle. False, with nothing written, when the page cannot be opened for it.
  bool bind(void* object, ThunkTarget target);
  // What the system is given as the window or dialog procedure.
  WNDPROC entryPoint();

  // Thunks handed out and not yet released, and bytes of executable pages
  // reserved for them: what the leak checks look at.
  static size_t liveCount();
  static size_t reservedBytes();

  // Makes the next `count` allocations fail, as they would when the system is
  // out of memory. For tests of the out-of-memory paths.
  static void failNextAllocations(int count);

 private:
#if defined(_M_X64) || defined(__x86_64__)
  static constexpr size_t kCodeBytes = 22;  // mov rcx, object; mov rax, target; jmp rax
#else
  static constexpr size_t kCodeBytes = 13;  // mov dword [esp+4], object; jmp target
#endif
  unsigned char code_[kCodeBytes];
};

struct WindowThunkRelease {
  void operator()(WindowThunk* thunk) const;
};

using WindowThunkPtr = std::unique_ptr<WindowThunk, WindowThunkRelease>;

// A fresh thunk, or null when no executable memory can be had.
WindowThunkPtr AllocateWindowThunk();
