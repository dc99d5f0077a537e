#include "text/CommandLine.h"

namespace {
constexpr WCHAR kSpace = 0x20;
constexpr WCHAR kQuote = 0x22;
constexpr size_t kUnset = static_cast<size_t>(-1);
}  // namespace

std::vector<WideText> SplitCommandLine(const WideText& commandLine) {
  std::vector<WideText> arguments;
  size_t quoteStart = kUnset;
  size_t tokenStart = kUnset;
  const size_t n = commandLine.size();
  for (size_t i = 0; i < n; ++i) {
    WCHAR unit = commandLine[i];
    if (unit == kSpace) {
      // Spaces inside an open quote belong to it; runs of spaces yield nothing.
      if (quoteStart == kUnset && tokenStart != kUnset) {
        arguments.push_back(commandLine.substr(tokenStart, i - tokenStart));
        tokenStart = kUnset;
      }
    } else if (unit == kQuote) {
      if (quoteStart == kUnset) {
        quoteStart = i;
      } else {
        // Letters that ran into the opening quote are dropped with the token.
        arguments.push_back(commandLine.substr(quoteStart + 1, i - quoteStart - 1));
        quoteStart = kUnset;
        tokenStart = kUnset;
      }
    } else if (i == n - 1) {
      // The last unit ends whatever is open, an unterminated quote included.
      size_t start = tokenStart != kUnset ? tokenStart : i;
      arguments.push_back(commandLine.substr(start));
    } else if (tokenStart == kUnset) {
      tokenStart = i;
    }
  }
  return arguments;
}
