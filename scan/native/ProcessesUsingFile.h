#pragma once
// The file system's own list of the processes that have a file (or a
// folder itself, not its contents) open, asked of the file, not of any
// process: it names holders whose handles cannot be read (protected
// processes). The file is opened for its attributes only, sharing
// everything, so the asking disturbs no holder; the answer's block grows
// while the system says it is too small, a bounded number of times.

#include <cstdint>
#include <vector>

#include "text/WideText.h"

// The IDs of the processes that have `path` open (the own process, which
// opens it to ask, included), appended to `ids`. False, with nothing
// appended, when the file cannot be opened or the system cannot answer (no
// such class, not implemented, a file system that does not keep the list).
bool QueryProcessesUsingFile(const WideText& path, bool folder, std::vector<uint32_t>& ids);
