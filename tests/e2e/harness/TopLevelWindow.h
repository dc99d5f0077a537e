#pragma once
// Finding a process's top-level windows from outside it: Ostrel's main
// window, its message boxes, menus and the About box.

#include <windows.h>

#include <functional>
#include <string>

namespace e2e {

std::wstring windowText(HWND window);
std::wstring className(HWND window);

// The first visible top-level window of `processId` whose class and title
// equal the given ones (null: any) and that `accept` takes (empty: any).
HWND findTopLevelWhere(DWORD processId, const wchar_t* windowClass, const wchar_t* title,
                       std::function<bool(HWND)> accept);
HWND findTopLevel(DWORD processId, const wchar_t* windowClass, const wchar_t* title = nullptr);

}  // namespace e2e
