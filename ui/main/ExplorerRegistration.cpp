#include "ui/main/ExplorerRegistration.h"

#include <windows.h>
#include <shlwapi.h>

#include <array>

#include "text/WindowTexts.h"

namespace {
const wchar_t kKeyPathFirst[] = L"*\\shell\\";
const wchar_t kFolderKeyPathFirst[] = L"Directory\\shell\\";
const wchar_t kKeyPathLast[] = L"\\command";
// %1 in quotes: Explorer puts in the clicked file's path, spaces and all, as
// one argument.
const wchar_t kValueDataLast[] = L"\" \"%1\"";
// Both outcomes show without an icon.
constexpr UINT kPlainBox = MB_OK;
// The longest path the system names, in units.
constexpr DWORD kModulePathUnits = 32768;

WideText windowTitle(HWND window) {
  WCHAR title[256];
  const int length = ::GetWindowTextW(window, title, static_cast<int>(std::size(title)));
  return WideText(title, length > 0 ? static_cast<std::size_t>(length) : 0);
}

// The executable's full path; empty when it does not fit the buffer.
WideText executablePath() {
  WideText path(kModulePathUnits, 0);
  const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), kModulePathUnits);
  path.resize(length > 0 && length < kModulePathUnits ? length : 0);
  return path;
}
WideText entryNameFor(WideView title) { return kExplorerEntryFirst + WideText(title) + kExplorerEntryLast; }
}  // namespace

std::array<WideText, 2> ExplorerEntryKeys(WideView title) {
  const WideText entryName = entryNameFor(title);
  return {kKeyPathFirst + entryName, kFolderKeyPathFirst + entryName};
}

std::optional<ExplorerCommandText> MakeExplorerCommandText(WideView title, WideView exePath) {
  if (exePath.find('%') != WideView::npos) return std::nullopt;
  ExplorerCommandText text;
  text.entryName = entryNameFor(title);
  const std::array<WideText, 2> keys = ExplorerEntryKeys(title);
  text.keyPath = keys[0] + kKeyPathLast;
  text.folderKeyPath = keys[1] + kKeyPathLast;
  text.valueData = L"\"" + WideText(exePath) + kValueDataLast;
  return text;
}

void RemoveExplorerEntry(HWND window) {
  bool removed = true;
  for (const WideText& key : ExplorerEntryKeys(windowTitle(window))) {
    // SHDeleteKeyW takes the key with its subkeys, through the same view of
    // HKEY_CLASSES_ROOT as SHSetValueW; a key already gone is what was asked.
    const LSTATUS status = ::SHDeleteKeyW(HKEY_CLASSES_ROOT, key.c_str());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) removed = false;
  }
  ::MessageBoxW(window, removed ? kRemovedMessage : kRemoveFailedMessage, kPromptCaption, kPlainBox);
}

void RegisterExplorerEntry(HWND main) {
  const WideText exePath = executablePath();
  LSTATUS status = ERROR_FILENAME_EXCED_RANGE;
  const std::optional<ExplorerCommandText> text =
      exePath.empty() ? std::nullopt : MakeExplorerCommandText(windowTitle(main), exePath);
  if (text) {
    // SHSetValueW creates the missing keys and replaces a value already
    // there. Files first, then folders; both or it failed.
    for (const WideText* key : {&text->keyPath, &text->folderKeyPath}) {
      status = ::SHSetValueW(HKEY_CLASSES_ROOT, key->c_str(), nullptr, REG_SZ, text->valueData.c_str(),
                             static_cast<DWORD>((text->valueData.size() + 1) * sizeof(WCHAR)));
      if (status != ERROR_SUCCESS) break;
    }
  }
  const wchar_t* outcome = status == ERROR_SUCCESS ? kAddedMessage : text ? kAddFailedMessage : kAddRefusedMessage;
  ::MessageBoxW(main, outcome, kPromptCaption, kPlainBox);
}
