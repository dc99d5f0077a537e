#pragma once
// Starts a detached thread with a small stack reservation through the system
// seam, so that tests see and count every thread the engine starts. The
// thread owns what it is given and frees it when it ends; a thread that
// cannot be started frees it at once. The thread's handle is closed at once:
// nobody waits on a thread's handle (a wait on a handle is a kernel round
// trip), nor ever ends a thread from outside.

#include <memory>
#include <utility>

#include "os/SystemCalls.h"
#include "os/UniqueHandle.h"

// Threads that only ask the system and pass answers on need little stack;
// a small reservation keeps a stuck one cheap in a 32-bit address space.
constexpr SIZE_T kSmallThreadStack = 64 * 1024;

// The thread entry: runs the body once and frees it. Nothing thrown may
// leave a thread, so a throw ends the body there.
template <typename Body>
DWORD WINAPI SmallThreadEntry(LPVOID argument) {
  const std::unique_ptr<Body> run(static_cast<Body*>(argument));
  try {
    (*run)();
  } catch (...) {
  }
  return 0;
}

template <typename Body>
bool StartSmallThread(Body body) {
  auto owned = std::make_unique<Body>(std::move(body));
  UniqueHandle thread(Sys().CreateThread(nullptr, kSmallThreadStack, SmallThreadEntry<Body>, owned.get(),
                                         STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
  if (!thread) return false;
  static_cast<void>(owned.release());  // the thread's own now
  return true;
}
