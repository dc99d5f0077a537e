#include "search/FileNamePart.h"

namespace {
bool isSeparator(WCHAR unit) { return unit == '\\' || unit == '/'; }
}  // namespace

WideView FileNamePart(WideView path) {
  std::size_t nameStart = 0;
  for (std::size_t i = 0; i + 1 < path.size(); ++i) {
    if ((isSeparator(path[i]) || path[i] == ':') && !isSeparator(path[i + 1])) nameStart = i + 1;
  }
  return path.substr(nameStart);
}
