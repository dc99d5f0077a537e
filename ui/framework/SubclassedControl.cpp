#include "ui/framework/SubclassedControl.h"

#include <utility>

SubclassedControl::~SubclassedControl() {
  if (hwnd_ != nullptr && thunk_ && ::IsWindow(hwnd_)) {
    auto ours = reinterpret_cast<LONG_PTR>(thunk_->entryPoint());
    if (::GetWindowLongPtrW(hwnd_, GWLP_WNDPROC) == ours) {
      ::SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(superProcedure_));
    }
  }
}

ThunkTarget SubclassedControl::procedure() const { return &SubclassedControl::windowProcedureEntry; }

void SubclassedControl::onFinalMessage(HWND) {}

BOOL SubclassedControl::processMessage(HWND, UINT, WPARAM, LPARAM, LRESULT&) { return FALSE; }

void SubclassedControl::attach(HWND control) {
  if (!thunk_) thunk_ = AllocateWindowThunk();
  if (!thunk_ || !thunk_->bind(this, procedure())) return;
  LONG_PTR previous = ::SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(thunk_->entryPoint()));
  if (previous == 0) return;
  superProcedure_ = reinterpret_cast<WNDPROC>(previous);
  hwnd_ = control;
}

// An exception cannot be unwound through the system's frames: one that left
// the procedure would end the process.
LRESULT CALLBACK SubclassedControl::windowProcedureEntry(HWND object, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    return reinterpret_cast<SubclassedControl*>(object)->windowProcedure(message, wParam, lParam);
  } catch (...) {
    // processMessage is caught in windowProcedure; what arrives here came
    // from onFinalMessage, once the control is gone and no procedure is
    // left to ask.
    return 0;
  }
}

LRESULT SubclassedControl::callSuperProcedure() {
  MessageRecord* current = currentMessage_;
  if (current == nullptr) return 0;
  if (!current->passedOn) {
    current->passedOnResult =
        ::CallWindowProcW(superProcedure_, current->hwnd, current->message, current->wParam, current->lParam);
    current->passedOn = true;
  }
  return current->passedOnResult;
}

LRESULT SubclassedControl::windowProcedure(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND hwnd = hwnd_;
  MessageRecord record{hwnd, message, wParam, lParam};
  MessageRecord* saved = currentMessage_;
  currentMessage_ = &record;
  LRESULT result = 0;
  BOOL handled;
  try {
    handled = processMessage(hwnd, message, wParam, lParam, result);
  } catch (...) {
    // An object that throws leaves its message to the control's own
    // procedure, as one that had not handled it: the control answers as it
    // would without the object, and keeps its own state right (a WM_PAINT
    // still validates, a WM_NCDESTROY still frees the control's data). A
    // message the object had passed on before it threw keeps the answer it
    // got: passing it on twice would, say, type a character twice.
    handled = record.passedOn;
    result = record.passedOnResult;
  }
  if (!handled) {
    if (message == WM_NCDESTROY) {
      LONG_PTR before = ::GetWindowLongPtrW(hwnd, GWLP_WNDPROC);
      result = ::CallWindowProcW(superProcedure_, hwnd, message, wParam, lParam);
      if (superProcedure_ != &::DefWindowProcW && ::GetWindowLongPtrW(hwnd, GWLP_WNDPROC) == before) {
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(superProcedure_));
      }
      state_ |= kDestroyed;
    } else {
      result = ::CallWindowProcW(superProcedure_, hwnd, message, wParam, lParam);
    }
  }
  if ((state_ & kDestroyed) != 0 && saved == nullptr) {
    state_ &= ~kDestroyed;
    HWND old = std::exchange(hwnd_, nullptr);
    currentMessage_ = nullptr;
    onFinalMessage(old);
  } else {
    currentMessage_ = saved;
  }
  return result;
}

void SubclassedControl::useFont(HFONT font) {
  ::SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  setFont(font);
}
