#pragma once
// What the console program is asked: `ostrel-cli [--json] [PATH]`, or
// `--help` (also `-h`, `/?`), or `--version`. The arguments are those of the tool's one
// command-line splitter, entry 0 being the program itself. Anything that
// starts with '-' is an option until `--`, after which every argument is a
// path, so a path may start with '-'. One path at most, and never an empty
// one. The first fault found is the one reported; a request with a fault is
// never also a help or version request.

#include <vector>

#include "text/WideText.h"

enum class ArgumentFault {
  kNone,
  kUnknownOption,  // `offending` is the option
  kSecondPath,     // `offending` is the second path
  kEmptyPath,      // an empty argument ("") where a path goes
};

struct ConsoleRequest {
  bool help = false;
  bool version = false;
  bool json = false;
  bool hasPath = false;
  WideText path;  // as given, when hasPath
  ArgumentFault fault = ArgumentFault::kNone;
  WideText offending;
};

ConsoleRequest ParseConsoleArguments(const std::vector<WideText>& arguments);
