#pragma once
// The Explorer context-menu entry "用<title> 查看" for every file and every
// folder: its texts (the verb's name as Explorer shows it, the two keys
// under HKEY_CLASSES_ROOT whose default value Explorer runs, and that value,
// which starts this executable with the clicked item), written by the menu
// command, which succeeds only when both are written. A cut executable path
// is never registered.

#include "text/AnsiString.h"

struct ExplorerCommandText {
  AnsiString entryName;  // 用<title> 查看
  AnsiString keyPath;    // *\shell\<entry name>\command
  AnsiString folderKeyPath;  // Directory\shell\<entry name>\command
  AnsiString valueData;  // "<exe path>" "%1"
};

// `title` is the main window's title, `exePath` the executable's full path;
// both narrow (code page 936) and taken as they are.
ExplorerCommandText MakeExplorerCommandText(const char* title, const char* exePath);
