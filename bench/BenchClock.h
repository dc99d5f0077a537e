#pragma once
// The benchmarks' one clock: milliseconds on the performance counter, for
// differences within one run only.

#include <windows.h>

inline double NowMilliseconds() {
  LARGE_INTEGER frequency;
  LARGE_INTEGER now;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&now);
  return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}
