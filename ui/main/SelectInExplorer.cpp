#include "ui/main/SelectInExplorer.h"

#include <shellapi.h>

#include <string>

namespace {
constexpr wchar_t kExplorer[] = L"explorer.exe";
constexpr wchar_t kSelectSwitch[] = L"/select,\"";
constexpr wchar_t kClosingQuote[] = L"\"";
// ShellExecuteW reports failure as a value of at most 32, not as null.
constexpr INT_PTR kLastShellExecuteError = 32;
}  // namespace

bool selectInExplorer(const wchar_t* path) {
  if (path == nullptr || path[0] == L'\0') return false;
  // /select,"<path>": the quotes keep a path with spaces or commas whole.
  const std::wstring parameters = std::wstring(kSelectSwitch) + path + kClosingQuote;
  const HINSTANCE started = ::ShellExecuteW(nullptr, nullptr, kExplorer, parameters.c_str(), nullptr, SW_SHOWDEFAULT);
  return reinterpret_cast<INT_PTR>(started) > kLastShellExecuteError;
}
