#include "bench/OstrelProbe.h"

#include <commctrl.h>

#include <vector>

#include "res/resource.h"

namespace {
// How long one read waits for Ostrel's window thread; a busy thread answers
// later, the caller asks again.
constexpr DWORD kAnswerMilliseconds = 2000;
constexpr size_t kTextUnits = 4096;
// The benchmark's own texts are narrow literals in code page 936; what it
// reads (in UTF-16) is put in the same code page, named, whatever the system's.
constexpr UINT kChineseCodePage = 936;

std::string chineseNarrow(const std::wstring& wide) {
  const int bytes = ::WideCharToMultiByte(kChineseCodePage, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string text(bytes > 0 ? static_cast<size_t>(bytes - 1) : 0, '\0');
  if (!text.empty()) ::WideCharToMultiByte(kChineseCodePage, 0, wide.c_str(), -1, &text[0], bytes, nullptr, nullptr);
  return text;
}
}  // namespace

std::string RowCountStatus(int rows) { return std::to_string(rows) + "个文件"; }

OstrelProbe::OstrelProbe(HANDLE process, HWND mainWindow)
    : list_(::GetDlgItem(mainWindow, IDC_RESULT_LIST)),
      statusBar_(::GetDlgItem(mainWindow, IDC_STATUS_BAR)),
      searchBox_(::GetDlgItem(mainWindow, IDC_SEARCH_EDIT)),
      buffer_(process, sizeof(LVITEMW) + (kTextUnits + 1) * sizeof(wchar_t)) {}

std::optional<LRESULT> OstrelProbe::send(HWND target, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR answer = 0;
  if (!::SendMessageTimeoutA(target, message, wParam, lParam, SMTO_NORMAL, kAnswerMilliseconds, &answer)) {
    return std::nullopt;
  }
  return static_cast<LRESULT>(answer);
}

std::optional<std::string> OstrelProbe::statusText(int part) {
  // SB_GETTEXTW writes the whole text with no size limit: the buffer holds
  // the longest text the tool writes.
  buffer_.writeValue(L'\0');
  if (!send(statusBar_, SB_GETTEXTW, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(buffer_.remote()))) {
    return std::nullopt;
  }
  return chineseNarrow(buffer_.readText(0, kTextUnits));
}

std::optional<int> OstrelProbe::rowCount() {
  const std::optional<LRESULT> count = send(list_, LVM_GETITEMCOUNT, 0, 0);
  if (!count) return std::nullopt;
  return static_cast<int>(*count);
}

std::optional<std::string> OstrelProbe::searchText() {
  // The system copies WM_GETTEXT's text across processes itself.
  std::vector<char> text(kTextUnits + 1, '\0');
  if (!send(searchBox_, WM_GETTEXT, kTextUnits, reinterpret_cast<LPARAM>(text.data()))) return std::nullopt;
  return std::string(text.data());
}

std::optional<std::string> OstrelProbe::cell(int row, int column) {
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = static_cast<wchar_t*>(buffer_.remote(sizeof(LVITEMW)));
  item.cchTextMax = kTextUnits;
  buffer_.writeValue(item);
  buffer_.writeValue(L'\0', sizeof(LVITEMW));
  const std::optional<LRESULT> length =
      send(list_, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(buffer_.remote()));
  if (!length) return std::nullopt;
  return chineseNarrow(buffer_.readText(sizeof(LVITEMW), static_cast<size_t>(*length)));
}
