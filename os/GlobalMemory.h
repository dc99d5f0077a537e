#pragma once
// Owns a global memory block until it is handed to someone else (the
// clipboard takes the blocks it is given: release()).

#include <windows.h>

#include "os/UniqueResource.h"

struct FreeGlobalMemory {
  void operator()(HGLOBAL block) const { ::GlobalFree(block); }
};
using GlobalMemory = UniqueResource<HGLOBAL, FreeGlobalMemory>;
