#pragma once
// The search box's text, the filter of the result list.

#include <windows.h>

#include "text/AnsiString.h"

// The box's text, at most 4095 bytes; empty when there is no box.
AnsiString SearchBoxText(HWND box);
