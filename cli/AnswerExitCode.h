#pragma once
// The exit code of a search that ran (ExitCodes.h), from what it found and
// whether its answer reached standard output: a script must never read an
// unwritten answer as "held", nor an answer cut short by the thread bound
// as "not held".

#include <cstddef>

#include "cli/ExitCodes.h"

struct SearchAnswer {
  bool hasPath = false;     // a target was asked about; else every open file
  std::size_t holders = 0;  // the holders found (and printed)
  bool complete = true;     // the scan named every handle it could have
  bool written = true;      // the whole answer reached standard output
};

inline int ExitCodeOfAnswer(const SearchAnswer& answer) {
  if (!answer.written) return kExitError;
  // Found holders are true whatever was cut short; "not held" and "every
  // open file" are not, when the thread bound stopped the naming.
  if (!answer.complete && (!answer.hasPath || answer.holders == 0)) return kExitIncomplete;
  return answer.hasPath && answer.holders == 0 ? kExitNotHeld : kExitHeld;
}
