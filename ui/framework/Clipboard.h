#pragma once
// Text onto the clipboard, as CF_UNICODETEXT, exactly; Windows gives older
// programs CF_TEXT from it. A clipboard another program holds open is a
// failure, and then the clipboard keeps what it had.

#include <windows.h>

#include "text/WideText.h"

bool CopyTextToClipboard(HWND owner, WideView text);
