#pragma once
// Opens an Explorer window on the folder that holds `path`, with the item
// selected. False for an empty path (nothing is started) and when Explorer
// cannot be started.

#include <windows.h>

bool selectInExplorer(const wchar_t* path);
