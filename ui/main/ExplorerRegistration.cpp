#include "ui/main/ExplorerRegistration.h"

#include <windows.h>
#include <shlwapi.h>

#include "app/Application.h"
#include "ui/main/WindowTexts.h"

namespace {
const char kEntryNameFormat[] = "用%s 查看";
const char kKeyPathFormat[] = "*\\shell\\%s\\command";
const char kFolderKeyPathFormat[] = "Directory\\shell\\%s\\command";
// %1 in quotes: Explorer puts in the clicked file's path, spaces and all, as
// one argument.
const char kValueDataFormat[] = "\"%s\" \"%%1\"";
// Both outcomes show without an icon.
constexpr UINT kPlainBox = MB_OK;
constexpr int kModulePathBytes = 4096;

AnsiString windowTitle(HWND window) {
  const int length = ::GetWindowTextLengthA(window) + 1;
  AnsiString title;
  ::GetWindowTextA(window, title.GetBuffer(length), length);
  title.ReleaseBuffer();
  return title;
}

// The executable's full path; false when it does not fit the buffer.
bool executablePath(AnsiString& path) {
  const DWORD length = ::GetModuleFileNameA(nullptr, path.GetBuffer(kModulePathBytes), kModulePathBytes);
  const bool whole = length > 0 && length < static_cast<DWORD>(kModulePathBytes);
  path.ReleaseBufferSetLength(whole ? static_cast<int>(length) : 0);
  return whole;
}
}  // namespace

ExplorerCommandText MakeExplorerCommandText(const char* title, const char* exePath) {
  ExplorerCommandText text;
  text.entryName.Format(kEntryNameFormat, title);
  text.keyPath.Format(kKeyPathFormat, text.entryName.GetString());
  text.folderKeyPath.Format(kFolderKeyPathFormat, text.entryName.GetString());
  text.valueData.Format(kValueDataFormat, exePath);
  return text;
}

int Application::registerExplorerMenu() {
  const HWND main = mainWindow();
  AnsiString exePath;
  LSTATUS status = ERROR_FILENAME_EXCED_RANGE;
  if (executablePath(exePath)) {
    const ExplorerCommandText text = MakeExplorerCommandText(windowTitle(main), exePath);
    // SHSetValueA creates the missing keys and replaces a value already
    // there. Files first, then folders; both or it failed.
    for (const AnsiString* key : {&text.keyPath, &text.folderKeyPath}) {
      status = ::SHSetValueA(HKEY_CLASSES_ROOT, *key, nullptr, REG_SZ, text.valueData.GetString(),
                             static_cast<DWORD>(text.valueData.GetLength() + 1));
      if (status != ERROR_SUCCESS) break;
    }
  }
  ::MessageBoxA(main, status == ERROR_SUCCESS ? kAddedMessage : kAddFailedMessage, kPromptCaption, kPlainBox);
  return 1;
}
