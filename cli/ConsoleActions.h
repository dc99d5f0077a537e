#pragma once
// The console program's actions on the holders its search found, through
// the engine (act/FileRelease.h), which closes and ends with its own
// checks: `--close` closes every handle the search listed (a file loaded as
// a module cannot be closed: each such program is reported), `--end` ends
// every program that holds the path (a critical one is left alone).
//
// Nothing is done without a yes: `--yes` gives it; otherwise the question
// is put on the console, and when standard input is no console (a pipe, a
// file) nothing is asked and nothing is done. Every outcome is one line.

#include <functional>
#include <vector>

#include "cli/ConsoleArguments.h"
#include "act/FileRelease.h"
#include "scan/HandleRecord.h"
#include "text/WideText.h"

// Asking the person at the console.
class ConsoleQuestion {
 public:
  virtual ~ConsoleQuestion() = default;
  // Whether anyone can answer: standard input is a console.
  virtual bool Interactive() const = 0;
  // Puts the question and reads the answer: true for yes.
  virtual bool Ask(const WideText& question) = 0;
};

enum class ActionVerdict {
  kNoAction,     // neither --close nor --end
  kNothingToDo,  // nothing that could be closed or ended: nothing asked
  kActed,        // done, each outcome said (some may have failed)
  kRefused,      // no yes: not asked (no console, no --yes) or answered no; nothing done
};

// "Close 3 handles in 2 processes? [y/N] " and "End 2 processes? [y/N] ".
WideText CloseQuestion(int handles, int processes);
WideText EndQuestion(int processes);

// Carries out the request's action on `holders` (the search's rows for
// `path`), each outcome and refusal given to `say` as one line without
// its line end. `namesRowFile` is the search's rule of comparing paths.
ActionVerdict RunConsoleAction(const ConsoleRequest& request, const WideText& path,
                               const std::vector<HandleRecord>& holders, ConsoleQuestion& question,
                               const std::function<void(const WideText& line)>& say, PathMatch namesRowFile,
                               DWORD limitMs = 2000);
