#include "ui/framework/DialogWindow.h"

#include <utility>

#include "os/ScopeExit.h"
#include "ui/framework/MessageReflection.h"

HINSTANCE ResourceModule = nullptr;

void RecordResourceModule() { ResourceModule = ::GetModuleHandleW(nullptr); }

MessageHandler AdaptOneArgument(OneArgumentCallback callback) {
  return [callback = std::move(callback)](DialogWindow&, HWND, UINT, WPARAM wParam, LPARAM, BOOL&) -> LRESULT {
    if (callback) callback(wParam);
    return 0;
  };
}

MessageHandler AdaptTwoArguments(TwoArgumentCallback callback) {
  return [callback = std::move(callback)](DialogWindow&, HWND, UINT, WPARAM wParam, LPARAM lParam, BOOL&) -> LRESULT {
    if (callback) callback(wParam, lParam);
    return 0;
  };
}

namespace {

// Messages whose answer a dialog procedure returns itself instead of storing
// it in DWLP_MSGRESULT.
bool AnswersDirectly(UINT message) {
  switch (message) {
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_COMPAREITEM:
    case WM_INITDIALOG:
      return true;
    default:
      return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC;
  }
}

// The procedure of a window whose object has gone: default processing only.
INT_PTR CALLBACK DetachedProcedure(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

}  // namespace

DialogWindow::DialogWindow(int templateId, int iconId) : iconId_(iconId), templateId_(templateId) {}

DialogWindow::~DialogWindow() {
  detachWindow();
  onInitDialog = nullptr;
  onClose = nullptr;
  onSize = nullptr;
  handlers_.clear();
}

void DialogWindow::detachWindow() {
  if (hwnd_ == nullptr || !::IsWindow(hwnd_)) return;
  HWND window = std::exchange(hwnd_, nullptr);
  ::SetWindowLongPtrW(window, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(&DetachedProcedure));
  if (::GetWindowThreadProcessId(window, nullptr) == ::GetCurrentThreadId()) ::DestroyWindow(window);
}

ThunkTarget DialogWindow::procedure() const { return &DialogWindow::dialogProcedureEntry; }

void DialogWindow::onFinalMessage(HWND) {}

void DialogWindow::addMessageHandler(UINT message, MessageHandler handler) {
  handlers_[message] = std::move(handler);
}

void DialogWindow::addMessageHandler(UINT message, OneArgumentCallback callback) {
  addMessageHandler(message, AdaptOneArgument(std::move(callback)));
}

void DialogWindow::addMessageHandler(UINT message, TwoArgumentCallback callback) {
  addMessageHandler(message, AdaptTwoArguments(std::move(callback)));
}

bool DialogWindow::prepareCreation() {
  if (!thunk_) thunk_ = AllocateWindowThunk();
  if (!thunk_) {
    ::SetLastError(ERROR_OUTOFMEMORY);
    return false;
  }
  creation_.object = this;
  creation_.threadId = ::GetCurrentThreadId();
  PendingCreationList::push(&creation_);
  return true;
}

void DialogWindow::createModeless(HWND owner, LPARAM parameter) {
  if (!prepareCreation()) return;
  ::CreateDialogParamW(ResourceModule, MAKEINTRESOURCEW(templateId_), owner, &DialogWindow::startProcedure, parameter);
  // A creation that failed before the first message leaves its record behind;
  // it must not be taken by a later window of this thread.
  PendingCreationList::remove(&creation_);
}

INT_PTR DialogWindow::runModal(HWND owner, LPARAM parameter) {
  if (!prepareCreation()) return -1;
  INT_PTR result =
      ::DialogBoxParamW(ResourceModule, MAKEINTRESOURCEW(templateId_), owner, &DialogWindow::startProcedure, parameter);
  PendingCreationList::remove(&creation_);
  return result;
}

// An exception cannot be unwound through the system's frames: one that left
// a procedure the system calls would end the process. Every such procedure
// catches everything.

INT_PTR CALLBACK DialogWindow::startProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    CreationRecord* record = PendingCreationList::takeForCurrentThread();
    if (record == nullptr) return FALSE;
    auto* self = static_cast<DialogWindow*>(record->object);
    self->hwnd_ = hwnd;
    if (!self->thunk_) self->thunk_ = AllocateWindowThunk();
    if (!self->thunk_ || !self->thunk_->bind(self, self->procedure())) return FALSE;
    WNDPROC entry = self->thunk_->entryPoint();
    ::SetWindowLongPtrW(hwnd, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(entry));
    return entry(hwnd, message, wParam, lParam);
  } catch (...) {
    // No thunk to be had: the window goes on without its object, as when
    // the pool is out of pages.
    return FALSE;
  }
}

LRESULT CALLBACK DialogWindow::dialogProcedureEntry(HWND object, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    return reinterpret_cast<DialogWindow*>(object)->dialogProcedure(message, wParam, lParam);
  } catch (...) {
    // Handlers are caught in dialogProcedure; what arrives here came from
    // onFinalMessage, once the window is gone: the default answer.
    return FALSE;
  }
}

INT_PTR DialogWindow::resultFor(UINT message, LRESULT result) {
  if (AnswersDirectly(message)) return result;
  if ((state_ & kDestroyed) == 0) ::SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
  return TRUE;
}

INT_PTR DialogWindow::dialogProcedure(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  BOOL handled = FALSE;
  try {
    auto found = handlers_.find(message);
    if (found != handlers_.end() && found->second) {
      handled = TRUE;
      // A copy: the handler may replace itself while it runs.
      MessageHandler handler = found->second;
      result = handler(*this, hwnd_, message, wParam, lParam, handled);
      if (handled) return resultFor(message, result);
    }
    // Counts this call for as long as it runs, also when it throws.
    ++dispatchDepth_;
    const ScopeExit dispatched([this] { --dispatchDepth_; });
    handled = processMessage(hwnd_, message, wParam, lParam, result);
  } catch (...) {
    // A handler that throws has not handled its message: the system's
    // default dialog processing answers it, and the window's last message
    // still ends the object's hold on it.
    handled = FALSE;
  }
  INT_PTR answer;
  if (handled) {
    answer = resultFor(message, result);
  } else {
    answer = FALSE;
    if (message == WM_NCDESTROY) state_ |= kDestroyed;
  }
  finishIfDestroyed();
  return answer;
}

void DialogWindow::finishIfDestroyed() {
  if ((state_ & kDestroyed) == 0 || dispatchDepth_ != 0) return;
  state_ &= ~kDestroyed;
  HWND old = std::exchange(hwnd_, nullptr);
  onFinalMessage(old);
}

BOOL DialogWindow::processMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_INITDIALOG:
      result = onInitDialog ? onInitDialog(*this) : TRUE;
      if (iconId_ != 0) {
        ::SendMessageW(hwnd, WM_SETICON, ICON_BIG,
                       reinterpret_cast<LPARAM>(::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(iconId_))));
      }
      return TRUE;
    case WM_CLOSE:
      if (onClose) onClose();
      ::EndDialog(hwnd, 0);
      result = 0;
      return TRUE;
    case WM_SIZE:
      if (onSize) onSize();
      result = 1;
      return TRUE;
    default:
      break;
  }
  if (IsReflectedNotification(message)) {
    HWND child = ReflectionTarget(hwnd, message, wParam, lParam);
    if (child != nullptr) {
      result = ::SendMessageW(child, kReflectionOffset + message, wParam, lParam);
      return TRUE;
    }
  }
  result = 1;
  return FALSE;
}
