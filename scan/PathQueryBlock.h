#pragma once
// What a file path query shares with the thread that runs it. The block
// lives on the heap, held by the caller and by the thread: a thread that
// outlasts its time limit is abandoned, not killed (ending a thread inside
// the system's path query can leave the process heap locked), and it still
// writes its answer here, where nobody reads it any more, before it lets go.

#include <cstdint>
#include <memory>

#include "os/UniqueHandle.h"
#include "text/AnsiString.h"

struct PathQueryBlock {
  // The file to query; the block owns it, so an abandoned query never asks
  // a handle that its caller has closed (and the system may have reused).
  UniqueHandle file;
  AnsiString path;
  int32_t failed = 0;
};

using SharedPathQueryBlock = std::shared_ptr<PathQueryBlock>;
