#include <windows.h>
#include <shlwapi.h>

#include "app/Application.h"
#include "ui/main/ExplorerCommandText.h"
#include "ui/main/PromptCaption.h"

namespace {
const char kAddedMessage[] = "添加成功";
const char kAddFailedMessage[] = "添加失败,请以管理员身份运行";
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

// The executable's full path; false when it does not fit the buffer, so
// that a cut path is never registered.
bool executablePath(AnsiString& path) {
  const DWORD length = ::GetModuleFileNameA(nullptr, path.GetBuffer(kModulePathBytes), kModulePathBytes);
  const bool whole = length > 0 && length < static_cast<DWORD>(kModulePathBytes);
  path.ReleaseBufferSetLength(whole ? static_cast<int>(length) : 0);
  return whole;
}
}  // namespace

int Application::registerExplorerMenu() {
  const HWND main = mainWindow();
  AnsiString exePath;
  LSTATUS status = ERROR_FILENAME_EXCED_RANGE;
  if (executablePath(exePath)) {
    const ExplorerCommandText text = MakeExplorerCommandText(windowTitle(main), exePath);
    // SHSetValueA creates the missing keys and replaces a value already there.
    status = ::SHSetValueA(HKEY_CLASSES_ROOT, text.keyPath, nullptr, REG_SZ, text.valueData.GetString(),
                           static_cast<DWORD>(text.valueData.GetLength() + 1));
  }
  ::MessageBoxA(main, status == ERROR_SUCCESS ? kAddedMessage : kAddFailedMessage, kPromptCaption, kPlainBox);
  return 1;
}
