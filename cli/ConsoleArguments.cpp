#include "cli/ConsoleArguments.h"

namespace {
void fail(ConsoleRequest& request, ArgumentFault fault, const WideText& argument) {
  if (request.fault != ArgumentFault::kNone) return;
  request.fault = fault;
  request.offending = argument;
}

// A whole number of seconds, at most kLongestWaitSeconds.
bool readSeconds(const WideText& text, unsigned& seconds) {
  if (text.empty() || text.size() > 5) return false;
  unsigned value = 0;
  for (const WCHAR unit : text) {
    if (unit < '0' || unit > '9') return false;
    value = value * 10 + static_cast<unsigned>(unit - '0');
  }
  if (value > kLongestWaitSeconds) return false;
  seconds = value;
  return true;
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
      } else if (argument == WTEXT("--close")) {
        request.close = true;
      } else if (argument == WTEXT("--end")) {
        request.end = true;
      } else if (argument == WTEXT("--yes")) {
        request.yes = true;
      } else if (argument == WTEXT("--wait")) {
        request.wait = true;
        if (i + 1 >= arguments.size() || !readSeconds(arguments[i + 1], request.waitSeconds)) {
          fail(request, ArgumentFault::kBadWaitSeconds, i + 1 < arguments.size() ? arguments[i + 1] : WideText());
        }
        if (i + 1 < arguments.size()) ++i;
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
  if (request.close && request.end) fail(request, ArgumentFault::kCloseAndEnd, WideText());
  if (!request.hasPath && (request.close || request.end || request.wait)) {
    const WCHAR* option = request.close ? WTEXT("--close") : request.end ? WTEXT("--end") : WTEXT("--wait");
    fail(request, ArgumentFault::kActionWithoutPath, option);
  }
  if (request.fault != ArgumentFault::kNone) {
    request.help = false;
    request.version = false;
  }
  return request;
}
