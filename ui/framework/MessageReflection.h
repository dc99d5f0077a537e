#pragma once
// Child notifications that a dialog sends back to the child that caused them,
// as the message number plus kReflectionOffset, so a control's own object
// sees its notifications (a list view's WM_NOTIFY arrives as 0x204E).

#include <windows.h>

constexpr UINT kReflectionOffset = 0x2000;

bool IsReflectedNotification(UINT message);
// The child a notification goes back to, or null when there is none (menu
// commands, accelerators and owner-drawn menu items have none).
HWND ReflectionTarget(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
