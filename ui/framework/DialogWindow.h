#pragma once
// A window built from a dialog resource, with an object behind it. Messages
// reach, in this order: a handler stored for the message number, then the
// fixed events (init, close, size) and the reflection of child notifications
// back to the child's own object, then the system's default dialog
// processing. Nothing thrown leaves the dialog procedure: a handler that
// throws has not handled its message. Templates come from ResourceModule,
// declared here with the class that loads them.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>

#include "ui/framework/PendingCreationList.h"
#include "ui/framework/WindowThunk.h"

// The module that dialog templates, icons and accelerators are loaded from:
// the executable's own image, recorded during static initialisation.
extern HINSTANCE ResourceModule;
void RecordResourceModule();

class DialogWindow;

// Per-message callbacks. A stored handler consumes its message: default
// processing and processMessage never see it unless the handler clears
// `handled`.
using MessageHandler = std::function<LRESULT(DialogWindow&, HWND, UINT, WPARAM, LPARAM, BOOL& handled)>;

// At most one handler per message number.
using MessageHandlerMap = std::map<UINT, MessageHandler>;

using OneArgumentCallback = std::function<bool(WPARAM)>;
using TwoArgumentCallback = std::function<bool(WPARAM, LPARAM)>;

// Calls the callback with wParam and answers 0. The callback's own result
// does not matter: the message counts as handled either way.
MessageHandler AdaptOneArgument(OneArgumentCallback callback);
// Calls the callback with wParam and lParam and answers 0, always handled.
MessageHandler AdaptTwoArguments(TwoArgumentCallback callback);

class DialogWindow {
 public:
  DialogWindow(int templateId, int iconId);
  DialogWindow(const DialogWindow&) = delete;
  DialogWindow& operator=(const DialogWindow&) = delete;

  // Handles the fixed events and reflects child notifications. Returns whether
  // the message was handled; `result` is what the message answers then.
  virtual BOOL processMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // A window still alive is cut loose from the object and destroyed first, so
  // it never calls into a released thunk.
  virtual ~DialogWindow();
  // The procedure the thunk leads to.
  virtual ThunkTarget procedure() const;
  // Called once the window's last message has passed, with its old handle.
  virtual void onFinalMessage(HWND hwnd);

  // Stores the handler for `message`, replacing one already stored.
  void addMessageHandler(UINT message, MessageHandler handler);
  void addMessageHandler(UINT message, OneArgumentCallback callback);
  void addMessageHandler(UINT message, TwoArgumentCallback callback);

  // Creates the window; its handle is recorded, not returned. When no thunk
  // can be had, nothing is created and the last error is ERROR_OUTOFMEMORY.
  void createModeless(HWND owner, LPARAM parameter);
  // Runs the dialog modally and returns DialogBoxParamW's result (-1 and
  // ERROR_OUTOFMEMORY when no thunk can be had).
  INT_PTR runModal(HWND owner, LPARAM parameter);

  HWND hwnd() const { return hwnd_; }
  int templateId() const { return templateId_; }
  int iconId() const { return iconId_; }

  // The dialog procedure of a window whose first message has not yet arrived.
  static INT_PTR CALLBACK startProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT CALLBACK dialogProcedureEntry(HWND object, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR dialogProcedure(UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR resultFor(UINT message, LRESULT result);
  bool prepareCreation();
  void finishIfDestroyed();
  void detachWindow();

  static constexpr uint32_t kDestroyed = 1;

  HWND hwnd_ = nullptr;
  CreationRecord creation_;
  WindowThunkPtr thunk_;
  // Calls to processMessage under way: the object's end waits for the
  // outermost to return.
  int dispatchDepth_ = 0;
  uint32_t state_ = 0;
  MessageHandlerMap handlers_;

 public:
  // Event slots; assigning replaces the previous callback.
  std::function<BOOL(DialogWindow&)> onInitDialog;
  std::function<void()> onClose;
  std::function<void()> onSize;

 private:
  int iconId_;
  int templateId_;
};
