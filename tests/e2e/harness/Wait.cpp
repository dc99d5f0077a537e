#include "Wait.h"

namespace e2e {

namespace {
constexpr DWORD kPollMs = 20;
}  // namespace

bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  for (;;) {
    const bool late = ::GetTickCount64() >= deadline;
    if (condition()) return true;
    if (late) return false;
    ::Sleep(kPollMs);
  }
}

}  // namespace e2e
