#include "ui/framework/MessageHandler.h"

#include <utility>

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
