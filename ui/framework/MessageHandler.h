#pragma once
// Per-message callbacks of a DialogWindow. A stored handler consumes its
// message: default processing and processMessage never see it unless the
// handler clears `handled`.

#include <windows.h>

#include <functional>
#include <map>

class DialogWindow;

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
