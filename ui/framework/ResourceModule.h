#pragma once
// The module that dialog templates, icons and accelerators are loaded from:
// the executable's own image, recorded during static initialisation.

#include <windows.h>

extern HINSTANCE ResourceModule;

void RecordResourceModule();
