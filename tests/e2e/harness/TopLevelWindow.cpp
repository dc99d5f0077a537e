#include "TopLevelWindow.h"

namespace e2e {
namespace {

// Another process may hang; a text request never blocks the driver for long.
constexpr UINT kSendTimeoutMs = 10000;

struct TopLevelQuery {
  DWORD processId;
  const wchar_t* windowClass;
  const wchar_t* title;
  std::function<bool(HWND)> accept;
  HWND found;
};

BOOL CALLBACK matchTopLevel(HWND window, LPARAM parameter) {
  auto& query = *reinterpret_cast<TopLevelQuery*>(parameter);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner != query.processId || !::IsWindowVisible(window)) return TRUE;
  if (query.windowClass != nullptr && className(window) != query.windowClass) return TRUE;
  if (query.title != nullptr && windowText(window) != query.title) return TRUE;
  if (query.accept && !query.accept(window)) return TRUE;
  query.found = window;
  return FALSE;
}

}  // namespace

std::wstring windowText(HWND window) {
  wchar_t text[1024] = {};
  DWORD_PTR copied = 0;
  ::SendMessageTimeoutW(window, WM_GETTEXT, ARRAYSIZE(text), reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        kSendTimeoutMs, &copied);
  return text;
}

std::wstring className(HWND window) {
  wchar_t name[256] = {};
  ::GetClassNameW(window, name, ARRAYSIZE(name));
  return name;
}

HWND findTopLevelWhere(DWORD processId, const wchar_t* windowClass, const wchar_t* title,
                       std::function<bool(HWND)> accept) {
  TopLevelQuery query{processId, windowClass, title, std::move(accept), nullptr};
  ::EnumWindows(matchTopLevel, reinterpret_cast<LPARAM>(&query));
  return query.found;
}

HWND findTopLevel(DWORD processId, const wchar_t* windowClass, const wchar_t* title) {
  return findTopLevelWhere(processId, windowClass, title, nullptr);
}

}  // namespace e2e
