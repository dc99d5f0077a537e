#pragma once
// The Explorer context-menu entry "用<title> 查看" for every file and every
// folder: its texts (the verb's name as Explorer shows it, the two keys
// under HKEY_CLASSES_ROOT whose default value Explorer runs, and that value,
// which starts this executable with the clicked item), written by the menu
// command with the wide registry calls, which succeeds only when both are
// written. A cut executable path is never registered, nor one with a '%' in
// it: Explorer would read "%..." in the command as a placeholder. The menu
// command that removes the entry deletes both keys with everything under
// them, on the registry view the registration writes.

#include <windows.h>

#include <array>
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

// The entry's two keys under HKEY_CLASSES_ROOT, whose "command" subkeys the
// registration writes: *\shell\<entry name> and Directory\shell\<entry name>.
std::array<WideText, 2> ExplorerEntryKeys(WideView title);

// The menu command: registers the entry for `window`'s title and this
// executable and tells the outcome in a box owned by `window`.
void RegisterExplorerEntry(HWND window);

// Menu 文件 → 从右键菜单删除: deletes the entry named after `window`'s title
// and says "删除成功" when neither key is left (also when there was none),
// else "删除失败,请以管理员身份运行".
void RemoveExplorerEntry(HWND window);
