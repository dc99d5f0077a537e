#pragma once
// Puts `text` on the clipboard as CF_TEXT, exactly its bytes and a closing
// zero; the system derives the other text formats from it. False when the
// clipboard cannot be opened or the text cannot be placed; the clipboard's
// content is then left as it was whenever possible.

#include <windows.h>

#include "text/AnsiString.h"

bool copyPathToClipboard(HWND owner, const AnsiString& text);
