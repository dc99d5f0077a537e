#include "Dialogs.h"

#include "Input.h"
#include "TopLevelWindow.h"
#include "Wait.h"

namespace e2e {
namespace {

constexpr int kMessageBoxTextId = 0xFFFF;
constexpr int kMessageBoxIconId = 0x0440;
constexpr UINT kMenuGetHandle = 0x01E1;  // MN_GETHMENU
const wchar_t kDialogClass[] = L"#32770";
const wchar_t kMenuClass[] = L"#32768";

}  // namespace

MessageBoxSeen messageBoxOf(DWORD processId) {
  MessageBoxSeen seen;
  seen.window = findTopLevelWhere(processId, kDialogClass, nullptr,
                                  [](HWND box) { return ::GetDlgItem(box, kMessageBoxTextId) != nullptr; });
  if (seen.window == nullptr) return seen;
  seen.caption = windowText(seen.window);
  seen.text = windowText(::GetDlgItem(seen.window, kMessageBoxTextId));
  const HWND icon = ::GetDlgItem(seen.window, kMessageBoxIconId);
  seen.hasIcon = icon != nullptr && ::IsWindowVisible(icon) && ::SendMessageW(icon, STM_GETICON, 0, 0) != 0;
  return seen;
}

MessageBoxSeen waitForMessageBox(DWORD processId, DWORD timeoutMs) {
  MessageBoxSeen seen;
  waitUntil([&] { return (seen = messageBoxOf(processId)).window != nullptr; }, timeoutMs);
  return seen;
}

bool pressOk(HWND box) { return pressButton(box, IDOK); }

bool pressButton(HWND box, int id) {
  ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(box, id)));
  return waitUntil([box] { return !::IsWindow(box); }, 10000);
}

int waitForPopupMenuItemCount(HANDLE process, DWORD processId, HWND& menuWindow, DWORD timeoutMs) {
  menuWindow = nullptr;
  if (!waitUntil([&] { return (menuWindow = findTopLevel(processId, kMenuClass)) != nullptr; }, timeoutMs)) {
    return -1;
  }
  // Menus live in their process: the count is asked there, by a thread that
  // runs GetMenuItemCount on the menu (user32 sits at the same address in
  // every process).
  const auto menu = reinterpret_cast<HMENU>(::SendMessageW(menuWindow, kMenuGetHandle, 0, 0));
  const auto count = reinterpret_cast<LPTHREAD_START_ROUTINE>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetMenuItemCount")));
  HANDLE thread = ::CreateRemoteThread(process, nullptr, 0, count, menu, 0, nullptr);
  if (thread == nullptr) return -1;
  DWORD result = static_cast<DWORD>(-1);
  if (::WaitForSingleObject(thread, 10000) == WAIT_OBJECT_0) ::GetExitCodeThread(thread, &result);
  ::CloseHandle(thread);
  return static_cast<int>(result);
}

bool chooseMenuItem(HWND menuWindow, size_t position) {
  for (size_t i = 0; i <= position; ++i) pressKeys({VK_DOWN});
  pressKeys({VK_RETURN});
  return waitUntil([menuWindow] { return !::IsWindowVisible(menuWindow); }, 10000);
}

}  // namespace e2e
