#include "Input.h"

#include "Wait.h"

namespace e2e {
namespace {

INPUT keyInput(WORD virtualKey, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = virtualKey;
  input.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

INPUT mouseInput(DWORD flags, LONG x, LONG y) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = x;
  input.mi.dy = y;
  input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE;
  return input;
}

bool activeWithFocusIn(HWND window) {
  if (::GetForegroundWindow() != window) return false;
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info)) return false;
  return info.hwndActive == window && info.hwndFocus != nullptr &&
         (info.hwndFocus == window || ::IsChild(window, info.hwndFocus));
}

}  // namespace

bool bringToFront(HWND window, DWORD timeoutMs) {
  return waitUntil([window] {
    if (activeWithFocusIn(window)) return true;
    if (::GetForegroundWindow() != window) ::SetForegroundWindow(window);
    return false;
  }, timeoutMs);
}

void pressKeys(const std::vector<WORD>& keys) {
  std::vector<INPUT> inputs;
  for (WORD key : keys) inputs.push_back(keyInput(key, false));
  for (auto key = keys.rbegin(); key != keys.rend(); ++key) inputs.push_back(keyInput(*key, true));
  ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void typeCharacter(wchar_t character) {
  INPUT inputs[2] = {};
  for (int i = 0; i < 2; ++i) {
    inputs[i].type = INPUT_KEYBOARD;
    inputs[i].ki.wScan = static_cast<WORD>(character);
    inputs[i].ki.dwFlags = KEYEVENTF_UNICODE | (i == 1 ? KEYEVENTF_KEYUP : 0);
  }
  ::SendInput(2, inputs, sizeof(INPUT));
}

void clickAt(POINT screen, bool right) {
  const LONG x = ::MulDiv(screen.x, 65535, ::GetSystemMetrics(SM_CXSCREEN) - 1);
  const LONG y = ::MulDiv(screen.y, 65535, ::GetSystemMetrics(SM_CYSCREEN) - 1);
  INPUT inputs[] = {
      mouseInput(MOUSEEVENTF_MOVE, x, y),
      mouseInput(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN, x, y),
      mouseInput(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP, x, y),
  };
  ::SendInput(ARRAYSIZE(inputs), inputs, sizeof(INPUT));
}

void leftClickCentre(HWND window) {
  RECT rect{};
  ::GetWindowRect(window, &rect);
  clickAt(POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}, false);
}

}  // namespace e2e
