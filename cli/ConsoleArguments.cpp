#include "cli/ConsoleArguments.h"

namespace {
void fail(ConsoleRequest& request, ArgumentFault fault, const WideText& argument) {
  if (request.fault != ArgumentFault::kNone) return;
  request.fault = fault;
  request.offending = argument;
}
}  // namespace

ConsoleRequest ParseConsoleArguments(const std::vector<WideText>& arguments) {
  ConsoleRequest request;
  bool optionsEnded = false;
  for (size_t i = 1; i < arguments.size(); ++i) {
    const WideText& argument = arguments[i];
    if (!optionsEnded && !argument.empty() && argument[0] == static_cast<WCHAR>('-')) {
      if (argument == WTEXT("--")) {
        optionsEnded = true;
      } else if (argument == WTEXT("--json")) {
        request.json = true;
      } else if (argument == WTEXT("--help") || argument == WTEXT("-h")) {
        request.help = true;
      } else if (argument == WTEXT("--version")) {
        request.version = true;
      } else {
        fail(request, ArgumentFault::kUnknownOption, argument);
      }
    } else if (!optionsEnded && argument == WTEXT("/?")) {
      request.help = true;
    } else if (argument.empty()) {
      // "" would otherwise read as no path at all, that is, every file.
      fail(request, ArgumentFault::kEmptyPath, argument);
    } else if (request.hasPath) {
      fail(request, ArgumentFault::kSecondPath, argument);
    } else {
      request.hasPath = true;
      request.path = argument;
    }
  }
  if (request.fault != ArgumentFault::kNone) {
    request.help = false;
    request.version = false;
  }
  return request;
}
