#pragma once
// The object behind a child control that a dialog template already created:
// attaching replaces the control's window procedure by the object's thunk and
// keeps the old one as `superProcedure`, which sees every message the object
// does not handle. Until the control's WM_NCDESTROY, when the old procedure
// is put back unless something replaced it meanwhile. Nothing thrown leaves
// the procedure: an object that throws leaves its message to the old one.

#include <windows.h>

#include <cstdint>

#include "os/GdiObject.h"
#include "ui/framework/WindowThunk.h"

class SubclassedControl {
 public:
  SubclassedControl() = default;
  SubclassedControl(const SubclassedControl&) = delete;
  SubclassedControl& operator=(const SubclassedControl&) = delete;

  // Returns whether the message was handled; `result` is its answer then.
  virtual BOOL processMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // A control still attached gets its old procedure back first, so it never
  // calls into a released thunk. Deletes the control's font.
  virtual ~SubclassedControl();
  // The procedure the thunk leads to.
  virtual ThunkTarget procedure() const;
  // Called once the control's last message has passed, with its old handle.
  virtual void onFinalMessage(HWND hwnd);

  // Binds an existing control to this object. When no thunk can be had or the
  // procedure cannot be replaced, the control keeps its own and nothing is
  // reported: hwnd() stays null.
  void attach(HWND control);

  HWND hwnd() const { return hwnd_; }
  WNDPROC superProcedure() const { return superProcedure_; }

  // The control's font, owned from now on and deleted with the object.
  void setFont(HFONT font) { font_.reset(font); }
  // The same, and the control draws with it from now on.
  void useFont(HFONT font);
  HFONT font() const { return static_cast<HFONT>(font_.get()); }

 protected:
  // Passes the message being dispatched on to superProcedure and returns its
  // answer; passed on once only, later calls return the same answer. 0
  // outside a dispatch.
  LRESULT callSuperProcedure();

 private:
  // The message being dispatched, pointed at by currentMessage_ while the
  // dispatch runs; nested dispatches put the outer one back afterwards.
  struct MessageRecord {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    // Whether the object passed the message on to superProcedure, and what
    // that answered.
    bool passedOn = false;
    LRESULT passedOnResult = 0;
  };

  static LRESULT CALLBACK windowProcedureEntry(HWND object, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT windowProcedure(UINT message, WPARAM wParam, LPARAM lParam);

  static constexpr uint32_t kDestroyed = 1;

  HWND hwnd_ = nullptr;
  WindowThunkPtr thunk_;
  MessageRecord* currentMessage_ = nullptr;
  uint32_t state_ = 0;
  WNDPROC superProcedure_ = &::DefWindowProcW;
  GdiObject font_;
};
