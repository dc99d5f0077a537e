#pragma once
// Owns one kernel handle and closes it through the system seam.

#include <cstdint>

#include "os/SystemCalls.h"
#include "os/UniqueResource.h"

struct CloseKernelHandle {
  void operator()(HANDLE handle) const { Sys().CloseHandle(handle); }
};
using UniqueHandle = UniqueResource<HANDLE, CloseKernelHandle>;

// The handle that a handle table's value stands for in its owner process.
inline HANDLE HandleFromValue(uint32_t value) { return reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(value)); }
