#pragma once
// A block of reserved and committed read-write memory from VirtualAlloc,
// released when the owner goes. A failed allocation leaves it missing.

#include "os/SystemCalls.h"
#include "os/UniqueResource.h"

struct ReleaseVirtualBlock {
  void operator()(void* block) const { Sys().VirtualFree(block, 0, MEM_RELEASE); }
};
using VirtualBlock = UniqueResource<void*, ReleaseVirtualBlock>;

// `size` bytes, or null when the system has none to give.
inline void* AllocateVirtualBlock(SIZE_T size) {
  return Sys().VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}
