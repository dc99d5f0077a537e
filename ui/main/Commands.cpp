#include <windows.h>

#include "app/Application.h"
#include "res/resource.h"
#include "ui/main/AboutDialog.h"

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
    default:
      // Among others the search box's own notifications.
      return 0;
  }
}
