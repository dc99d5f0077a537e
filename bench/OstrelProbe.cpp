#include "bench/OstrelProbe.h"

#include <commctrl.h>

#include <vector>

#include "res/resource.h"

namespace {
// How long one read waits for Ostrel's window thread; a busy thread answers
// later, the caller asks again.
constexpr DWORD kAnswerMilliseconds = 2000;
constexpr size_t kTextBytes = 4096;
}  // namespace

std::string RowCountStatus(int rows) { return std::to_string(rows) + "个文件"; }

OstrelProbe::OstrelProbe(HANDLE process, HWND mainWindow)
    : list_(::GetDlgItem(mainWindow, IDC_RESULT_LIST)),
      statusBar_(::GetDlgItem(mainWindow, IDC_STATUS_BAR)),
      searchBox_(::GetDlgItem(mainWindow, IDC_SEARCH_EDIT)),
      buffer_(process, sizeof(LVITEMA) + kTextBytes + 1) {}

std::optional<LRESULT> OstrelProbe::send(HWND target, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR answer = 0;
  if (!::SendMessageTimeoutA(target, message, wParam, lParam, SMTO_NORMAL, kAnswerMilliseconds, &answer)) {
    return std::nullopt;
  }
  return static_cast<LRESULT>(answer);
}

std::optional<std::string> OstrelProbe::statusText(int part) {
  // SB_GETTEXTA writes the whole text with no size limit: the buffer holds
  // the longest text the tool writes.
  buffer_.writeValue('\0');
  if (!send(statusBar_, SB_GETTEXTA, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(buffer_.remote()))) {
    return std::nullopt;
  }
  return buffer_.readText(0, kTextBytes);
}

std::optional<int> OstrelProbe::rowCount() {
  const std::optional<LRESULT> count = send(list_, LVM_GETITEMCOUNT, 0, 0);
  if (!count) return std::nullopt;
  return static_cast<int>(*count);
}

std::optional<std::string> OstrelProbe::searchText() {
  // The system copies WM_GETTEXT's text across processes itself.
  std::vector<char> text(kTextBytes + 1, '\0');
  if (!send(searchBox_, WM_GETTEXT, kTextBytes, reinterpret_cast<LPARAM>(text.data()))) return std::nullopt;
  return std::string(text.data());
}

std::optional<std::string> OstrelProbe::cell(int row, int column) {
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = static_cast<char*>(buffer_.remote(sizeof(LVITEMA)));
  item.cchTextMax = kTextBytes;
  buffer_.writeValue(item);
  buffer_.writeValue('\0', sizeof(LVITEMA));
  const std::optional<LRESULT> length =
      send(list_, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(buffer_.remote()));
  if (!length) return std::nullopt;
  return buffer_.readText(sizeof(LVITEMA), static_cast<size_t>(*length));
}
