#pragma once
// The message a window object is dispatching, pointed at by its
// `currentMessage` while the dispatch runs.

#include <windows.h>

struct MessageRecord {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  BOOL handled = TRUE;
  // Whether a control's object passed the message on to the control's own
  // procedure, and what that answered.
  bool passedOn = false;
  LRESULT passedOnResult = 0;
};

// Points `current` at `record` for one dispatch and puts the previous record
// back afterwards, so nested dispatches restore the outer one.
class CurrentMessageScope {
 public:
  CurrentMessageScope(MessageRecord*& current, MessageRecord* record) : current_(current), saved_(current) {
    current_ = record;
  }
  ~CurrentMessageScope() { current_ = saved_; }
  CurrentMessageScope(const CurrentMessageScope&) = delete;
  CurrentMessageScope& operator=(const CurrentMessageScope&) = delete;

  // The record that was current before this dispatch; null at the outermost.
  MessageRecord* saved() const { return saved_; }

 private:
  MessageRecord*& current_;
  MessageRecord* saved_;
};
