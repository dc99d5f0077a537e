#include "ui/main/RenameDialog.h"

#include <memory>

#include "res/resource.h"
#include "ui/framework/EditBox.h"

namespace {
constexpr int kNoIcon = 0;
}  // namespace

RenameDialog::RenameDialog(WideText currentName) : DialogWindow(IDD_RENAME, kNoIcon), name_(std::move(currentName)) {
  onInitDialog = [this](DialogWindow&) -> BOOL {
    const EditBox edit(::GetDlgItem(hwnd(), IDC_RENAME_EDIT));
    edit.setText(name_);
    ::SetFocus(edit.hwnd());
    // As Explorer does: the name before its extension, ready to be typed over.
    edit.select(0, static_cast<size_t>(StemLength(name_)));
    // FALSE: the focus is set above, on the edit box.
    return FALSE;
  };
  addMessageHandler(WM_COMMAND, OneArgumentCallback([this](WPARAM wParam) {
                      const WORD id = LOWORD(wParam);
                      if (id != IDOK && id != IDCANCEL) return false;
                      if (id == IDOK) {
                        name_ = EditBox(::GetDlgItem(hwnd(), IDC_RENAME_EDIT)).text();
                        accepted_ = true;
                      }
                      ::EndDialog(hwnd(), id);
                      return true;
                    }));
}

std::optional<WideText> RenameDialog::ask(HWND owner, const WideText& currentName) {
  const auto dialog = std::make_shared<RenameDialog>(currentName);
  dialog->runModal(owner, 0);
  if (!dialog->accepted_) return std::nullopt;
  return dialog->name_;
}

int RenameDialog::StemLength(WideView name) {
  const size_t dot = name.rfind(L'.');
  if (dot == WideView::npos || dot == 0) return static_cast<int>(name.size());
  return static_cast<int>(dot);
}
