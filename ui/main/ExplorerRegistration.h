#pragma once
// The Explorer context-menu entry "用<title> 查看" for every file and every
// folder: its texts (the verb's name as Explorer shows it, the two keys
// under HKEY_CLASSES_ROOT whose default value Explorer runs, and that value,
// which starts this executable with the clicked item), written by the menu
// command with the wide registry calls, which succeeds only when both are
// written. A cut executable path is never registered, nor one with a '%' in
// it: Explorer would read "%..." in the command as a placeholder.

#include <windows.h>

#include <optional>

#include "text/WideText.h"

struct ExplorerCommandText {
  WideText entryName;      // 用<title> 查看
  WideText keyPath;        // *\shell\<entry name>\command
  WideText folderKeyPath;  // Directory\shell\<entry name>\command
  WideText valueData;      // "<exe path>" "%1"
};

// `title` is the main window's title, `exePath` the executable's full path,
// both taken as they are; none when the path holds a '%'.
std::optional<ExplorerCommandText> MakeExplorerCommandText(WideView title, WideView exePath);

// The menu command: registers the entry for `window`'s title and this
// executable and tells the outcome in a box owned by `window`.
void RegisterExplorerEntry(HWND window);
