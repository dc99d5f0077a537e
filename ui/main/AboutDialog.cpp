#include "ui/main/AboutDialog.h"

#include <commctrl.h>
#include <shellapi.h>

#include <memory>

#include "res/resource.h"
#include "text/WindowTexts.h"

namespace {
constexpr int kNoIcon = 0;
constexpr wchar_t kMakerSite[] = L"" OSTREL_MAKER_SITE;
}  // namespace

AboutDialog::AboutDialog() : DialogWindow(IDD_ABOUT, kNoIcon) {
  // FALSE: the focus is set here, on OK, so that Enter closes the box.
  onInitDialog = [this](DialogWindow&) -> BOOL {
    ::SetFocus(::GetDlgItem(hwnd(), IDOK));
    return FALSE;
  };
  addMessageHandler(WM_NOTIFY, TwoArgumentCallback([this](WPARAM wParam, LPARAM lParam) {
                      onNotify(wParam, lParam);
                      return true;
                    }));
  // OK (a click, Enter) and Esc (the dialog manager's IDCANCEL) close the box.
  addMessageHandler(WM_COMMAND, MessageHandler([](DialogWindow&, HWND window, UINT, WPARAM wParam, LPARAM,
                                                  BOOL& handled) {
                      const WORD id = LOWORD(wParam);
                      handled = id == IDOK || id == IDCANCEL ? TRUE : FALSE;
                      if (handled) ::EndDialog(window, id);
                      return LRESULT{0};
                    }));
}

void AboutDialog::show(HWND owner) {
  const auto dialog = std::make_shared<AboutDialog>();
  dialog->runModal(owner, 0);
}

LRESULT AboutDialog::onNotify(WPARAM, LPARAM lParam) {
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  if (header != nullptr && header->code == static_cast<UINT>(NM_CLICK) && kMakerSite[0] != L'\0') {
    // A site that cannot be opened is not reported.
    ::ShellExecuteW(nullptr, L"open", kMakerSite, nullptr, nullptr, SW_SHOWDEFAULT);
  }
  return 0;
}
