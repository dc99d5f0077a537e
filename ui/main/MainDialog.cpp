// The main dialog: its controls, set up once at initialisation and laid out
// whenever the window changes size or the search box is shown or hidden;
// the commands of its menu and accelerators; and the search box, whose
// every change refilters the rows.

#include <windows.h>
#include <commctrl.h>

#include "app/Application.h"
#include "res/resource.h"
#include "ui/framework/DialogWindow.h"
#include "ui/framework/ListViewControl.h"
#include "ui/framework/SearchEditControl.h"
#include "ui/framework/SubclassedControl.h"
#include "ui/main/AboutDialog.h"
#include "ui/main/ExplorerRegistration.h"
#include "ui/main/ResultList.h"
#include "ui/main/WindowTexts.h"

namespace {

constexpr int kListFontHeight = 20;
// The visible search box's row above the status bar, fixed in pixels.
constexpr int kSearchBoxHeight = 22;

// Right edges of the status parts in client pixels; the last runs to the edge.
constexpr int kStatusPartEdges[] = {200, 400, -1};

// SHGetImageList is exported from shell32 by ordinal only on older systems.
constexpr WORD kShGetImageListOrdinal = 727;
constexpr int kShilSmall = 1;
// {46EB5926-582E-4017-9FDF-E8998DAA0950}
constexpr GUID kIidImageList = {0x46EB5926, 0x582E, 0x4017, {0x9F, 0xDF, 0xE8, 0x99, 0x8D, 0xAA, 0x09, 0x50}};
using ShGetImageList = HRESULT(WINAPI*)(int list, REFIID iid, void** result);

// The system's shared small icon list; never released by the tool.
HIMAGELIST systemSmallIcons() {
  HMODULE shell = ::GetModuleHandleW(L"shell32.dll");
  if (shell == nullptr) shell = ::LoadLibraryW(L"shell32.dll");
  if (shell == nullptr) return nullptr;
  auto get = reinterpret_cast<ShGetImageList>(
      reinterpret_cast<void*>(::GetProcAddress(shell, MAKEINTRESOURCEA(kShGetImageListOrdinal))));
  if (get == nullptr) return nullptr;
  void* list = nullptr;
  if (FAILED(get(kShilSmall, kIidImageList, &list))) return nullptr;
  return static_cast<HIMAGELIST>(list);
}

HFONT listFont(HWND list) {
  LOGFONTW font{};
  auto current = reinterpret_cast<HFONT>(::SendMessageW(list, WM_GETFONT, 0, 0));
  ::GetObjectW(current, sizeof font, &font);
  font.lfHeight = kListFontHeight;
  return ::CreateFontIndirectW(&font);
}

}  // namespace

void Application::setUpControls() {
  HWND dialog = mainWindow();
  LONG style = ::GetWindowLongW(dialog, GWL_STYLE);
  if ((style & WS_THICKFRAME) == 0) ::SetWindowLongW(dialog, GWL_STYLE, style | WS_THICKFRAME);

  listView = std::make_shared<ListViewControl>();
  listView->attach(::GetDlgItem(dialog, IDC_RESULT_LIST));
  HWND list = ::GetDlgItem(dialog, IDC_RESULT_LIST);
  for (DWORD extended : {LVS_EX_FULLROWSELECT, LVS_EX_GRIDLINES, LVS_EX_SUBITEMIMAGES}) {
    ::SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, extended, extended);
  }
  HFONT font = listFont(list);
  ::SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  listView->setFont(font);
  listView->onRightClick = [this](ListViewControl& control, NMHDR*) {
    auto row = static_cast<int>(::SendMessageW(control.hwnd(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    POINT pointer{};
    ::GetCursorPos(&pointer);
    showRowMenu(row, pointer);
  };
  // Shift+F10 and the menu key: the list's default processing sends the
  // menu request on to the dialog, with no point (-1). A right click never
  // comes this way: the list's own NM_RCLICK above has taken it.
  mainDialog->addMessageHandler(
      WM_CONTEXTMENU, MessageHandler([this](DialogWindow&, HWND, UINT, WPARAM wParam, LPARAM lParam, BOOL& handled) -> LRESULT {
        const HWND list = ::GetDlgItem(mainWindow(), IDC_RESULT_LIST);
        handled = reinterpret_cast<HWND>(wParam) == list && lParam == -1 ? TRUE : FALSE;
        if (handled) showRowMenuFromKeyboard();
        return 0;
      }));
  // The list asks for its rows' texts in UTF-16 (LVN_GETDISPINFOW), so a
  // name shows exactly whatever the system's code page.
  ::SendMessageW(list, LVM_SETUNICODEFORMAT, TRUE, 0);
  InsertResultColumns(list);
  // Rows get their icons when they are drawn; every other notification goes
  // on to the list's own object.
  mainDialog->addMessageHandler(
      WM_NOTIFY, MessageHandler([this](DialogWindow&, HWND, UINT, WPARAM, LPARAM lParam, BOOL& handled) -> LRESULT {
        LRESULT answer = 0;
        handled = ResultList(*this).answerNotification(reinterpret_cast<const NMHDR*>(lParam), answer) ? TRUE : FALSE;
        return answer;
      }));
  ::SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(systemSmallIcons()));

  statusBar = std::make_shared<StatusBarControl>();
  HWND status = ::GetDlgItem(dialog, IDC_STATUS_BAR);
  statusBar->attach(status);
  int edges[3] = {kStatusPartEdges[0], kStatusPartEdges[1], kStatusPartEdges[2]};
  if (::SendMessageW(status, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges)) != 0) {
    ::SendMessageW(status, WM_SIZE, 0, 0);
  }
  ::SendMessageW(status, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(kReadyText));

  searchBox = std::make_shared<SearchEditControl>();
  searchBox->onChar = [this](WPARAM) { filterFromSearchBox(); };
  searchBox->onKeyUp = [this](WPARAM key, LPARAM) { onSearchBoxKeyUp(key); };
  searchBox->attach(::GetDlgItem(dialog, IDC_SEARCH_EDIT));
}

void Application::layoutControls() {
  HWND dialog = mainWindow();
  HWND status = ::GetDlgItem(dialog, IDC_STATUS_BAR);
  HWND search = ::GetDlgItem(dialog, IDC_SEARCH_EDIT);
  HWND list = ::GetDlgItem(dialog, IDC_RESULT_LIST);

  int statusHeight = 0;
  RECT statusRect;
  if (status != nullptr && ::GetWindowRect(status, &statusRect)) statusHeight = statusRect.bottom - statusRect.top;
  const int searchHeight = (search != nullptr && ::IsWindowVisible(search)) ? kSearchBoxHeight : 0;
  RECT client{};
  ::GetClientRect(dialog, &client);
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;

  ::MoveWindow(status, 0, height - statusHeight, width, statusHeight, TRUE);
  ::MoveWindow(search, 0, height - statusHeight - searchHeight, width, searchHeight, TRUE);
  ::MoveWindow(list, 0, 0, width, height - statusHeight - searchHeight, TRUE);
}

int Application::onCommand(WORD id) {
  const HWND main = mainWindow();
  switch (id) {
    case ID_FILE_EXIT:
      // No confirmation; a running search ends with the process.
      ::ExitProcess(0);
    case ID_HELP_ABOUT:
      AboutDialog::show(main);
      return 1;
    case ID_SHOW_SEARCH: {
      const HWND searchEdit = ::GetDlgItem(main, IDC_SEARCH_EDIT);
      ::ShowWindow(searchEdit, SW_SHOW);
      ::SetFocus(searchEdit);
      layoutControls();
      return 1;
    }
    case ID_HIDE_SEARCH:
      // The box's text and the rows it filtered stay as they are.
      ::ShowWindow(::GetDlgItem(main, IDC_SEARCH_EDIT), SW_HIDE);
      ::SetFocus(::GetDlgItem(main, IDC_RESULT_LIST));
      layoutControls();
      return 1;
    case ID_FILE_ADD_TO_EXPLORER:
      return registerExplorerMenu();
    case ID_FILE_REMOVE_FROM_EXPLORER:
      return RemoveExplorerMenu(main);
    case ID_REFRESH:
      // As the row menu's "刷新": "正在查找" while a search runs.
      restartSearch();
      return 1;
    default:
      // Among others the search box's own notifications.
      return 0;
  }
}

void Application::filterFromSearchBox() {
  ResultList(*this).fillFromSearchBox(::GetDlgItem(mainWindow(), IDC_SEARCH_EDIT));
}

void Application::onSearchBoxKeyUp(WPARAM key) {
  // Keys that change the text without a character; caret moves do not refilter.
  if (key == VK_BACK || key == VK_RETURN || key == VK_DELETE) filterFromSearchBox();
}
