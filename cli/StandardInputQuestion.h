#pragma once
// The console program's question to the person at the console: written to
// standard error (standard output carries only results), answered with one
// line read from standard input, which must be a console; anything but an
// answer that starts with "y" or "Y" is no.

#include <windows.h>

#include "cli/ConsoleActions.h"
#include "cli/StandardStream.h"

class StandardInputQuestion : public ConsoleQuestion {
 public:
  explicit StandardInputQuestion(const StandardStream& errors);

  bool Interactive() const override { return console_; }
  bool Ask(const WideText& question) override;

 private:
  const StandardStream& errors_;
  HANDLE input_;  // owned by the process, never closed here
  bool console_;
};
