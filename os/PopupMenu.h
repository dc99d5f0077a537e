#pragma once
// Owns one popup menu for as long as it is shown, and destroys it.

#include <windows.h>

class PopupMenu {
 public:
  PopupMenu() : menu_(::CreatePopupMenu()) {}
  ~PopupMenu() {
    if (menu_ != nullptr) ::DestroyMenu(menu_);
  }
  PopupMenu(const PopupMenu&) = delete;
  PopupMenu& operator=(const PopupMenu&) = delete;

  HMENU get() const { return menu_; }
  explicit operator bool() const { return menu_ != nullptr; }

 private:
  HMENU menu_;
};
