#include "OstrelWindow.h"

#include <commctrl.h>

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "Dialogs.h"
#include "Input.h"
#include "RemoteBuffer.h"
#include "TopLevelWindow.h"
#include "Wait.h"
#include "res/resource.h"

namespace e2e {

namespace {

constexpr size_t kTextUnits = 4096;
constexpr int kProcessIdColumn = 3;
const wchar_t kSearchingText[] = L"查找中...";

// LVITEMA as a 32-bit process lays it out, up to lParam: what a 64-bit
// driver writes into a 32-bit Ostrel (Ostrel.exe alone on 64-bit Windows).
struct ListItem32 {
  UINT mask;
  int iItem;
  int iSubItem;
  UINT state;
  UINT stateMask;
  uint32_t pszText;
  int cchTextMax;
  int iImage;
  int32_t lParam;
};

bool isThirtyTwoBitOnSixtyFour(HANDLE process) {
  BOOL wow64 = FALSE;
  return sizeof(void*) == 8 && ::IsWow64Process(process, &wow64) && wow64;
}

}  // namespace

std::string narrow(const std::wstring& wide) {
  const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string text(bytes > 0 ? static_cast<size_t>(bytes - 1) : 0, '\0');
  if (!text.empty()) ::WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, &text[0], bytes, nullptr, nullptr);
  return text;
}

OstrelWindow::OstrelWindow(HANDLE process, DWORD processId, DWORD milliseconds)
    : process_(process), processId_(processId), thirtyTwoBitItems_(isThirtyTwoBitOnSixtyFour(process)) {
  bool ended = false;
  waitUntil([&] {
    main_ = findTopLevel(processId, nullptr, L"Ostrel");
    ended = ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    return main_ != nullptr || ended;
  }, milliseconds);
  if (main_ != nullptr) return;
  if (ended) throw std::runtime_error("Ostrel.exe ended before its window showed");
  throw std::runtime_error("no window captioned \"Ostrel\" appeared");
}

HWND OstrelWindow::list() const { return ::GetDlgItem(main_, IDC_RESULT_LIST); }
HWND OstrelWindow::statusBar() const { return ::GetDlgItem(main_, IDC_STATUS_BAR); }
HWND OstrelWindow::searchBox() const { return ::GetDlgItem(main_, IDC_SEARCH_EDIT); }

LRESULT OstrelWindow::send(UINT message, WPARAM wParam, LPARAM lParam) const {
  return send(main_, message, wParam, lParam);
}

LRESULT OstrelWindow::send(HWND target, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR answer = 0;
  if (!::SendMessageTimeoutA(target, message, wParam, lParam, SMTO_NORMAL, 10000, &answer)) {
    throw std::runtime_error("Ostrel did not answer message " + std::to_string(message) + ", error " +
                             std::to_string(::GetLastError()));
  }
  return static_cast<LRESULT>(answer);
}

void OstrelWindow::post(UINT message, WPARAM wParam, LPARAM lParam) const {
  ::PostMessageA(main_, message, wParam, lParam);
}

std::wstring OstrelWindow::caption() const {
  wchar_t text[256] = {};
  ::GetWindowTextW(main_, text, static_cast<int>(std::size(text)));
  return text;
}

std::wstring OstrelWindow::searchText() const {
  // The system copies WM_GETTEXT's text across processes itself.
  std::vector<wchar_t> text(kTextUnits + 1, L'\0');
  ::SendMessageTimeoutW(searchBox(), WM_GETTEXT, kTextUnits, reinterpret_cast<LPARAM>(text.data()), SMTO_NORMAL, 10000,
                        nullptr);
  return text.data();
}

std::wstring OstrelWindow::statusText(int part) const {
  // SB_GETTEXTW writes the whole text with no size limit, so the buffer is
  // the largest text the tool writes.
  RemoteBuffer buffer(process_, (kTextUnits + 1) * sizeof(wchar_t));
  buffer.writeValue(L'\0');
  send(statusBar(), SB_GETTEXTW, part, reinterpret_cast<LPARAM>(buffer.remote()));
  return buffer.readText(0, kTextUnits);
}

RECT OstrelWindow::statusPartRect(int part) const {
  RemoteBuffer buffer(process_, sizeof(RECT));
  buffer.writeValue(RECT{});
  if (send(statusBar(), SB_GETRECT, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(buffer.remote())) == FALSE) {
    return RECT{};
  }
  return buffer.readValue<RECT>();
}

std::wstring OstrelWindow::waitForStatusToSettle(DWORD timeoutMilliseconds, DWORD quietMilliseconds) const {
  std::wstring last = statusText(0);
  ULONGLONG lastChange = ::GetTickCount64();
  const bool settled = waitUntil([&] {
    const std::wstring now = statusText(0);
    if (now != last) {
      last = now;
      lastChange = ::GetTickCount64();
      return false;
    }
    return !now.empty() && now != kSearchingText && ::GetTickCount64() - lastChange >= quietMilliseconds;
  }, timeoutMilliseconds);
  if (!settled) throw std::runtime_error("status part 0 did not settle: \"" + narrow(last) + "\"");
  return last;
}

int OstrelWindow::rowCount() const { return static_cast<int>(send(list(), LVM_GETITEMCOUNT)); }

std::vector<Column> OstrelWindow::columns() const {
  HWND header = reinterpret_cast<HWND>(send(list(), LVM_GETHEADER));
  const int count = static_cast<int>(send(header, HDM_GETITEMCOUNT));
  std::vector<Column> result;
  RemoteBuffer buffer(process_, sizeof(LVCOLUMNW) + (kTextUnits + 1) * sizeof(wchar_t));
  for (int i = 0; i < count; ++i) {
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH;
    column.pszText = static_cast<wchar_t*>(buffer.remote(sizeof(LVCOLUMNW)));
    column.cchTextMax = kTextUnits;
    buffer.writeValue(column);
    buffer.writeValue(L'\0', sizeof(LVCOLUMNW));
    if (!send(list(), LVM_GETCOLUMNW, i, reinterpret_cast<LPARAM>(buffer.remote()))) {
      throw std::runtime_error("LVM_GETCOLUMNW failed");
    }
    column = buffer.readValue<LVCOLUMNW>();
    result.push_back({buffer.readText(sizeof(LVCOLUMNW), kTextUnits), column.fmt, column.cx});
  }
  return result;
}

std::vector<Row> OstrelWindow::rows() const {
  std::vector<Row> result;
  RemoteBuffer buffer(process_, sizeof(LVITEMW) + (kTextUnits + 1) * sizeof(wchar_t));
  const int count = rowCount();
  for (int i = 0; i < count; ++i) {
    Row row;
    for (int c = 0; c < 5; ++c) row.columns[c] = cell(buffer, i, c);
    if (thirtyTwoBitItems_) {
      ListItem32 item{};
      item.mask = LVIF_PARAM;
      item.iItem = i;
      buffer.writeValue(item);
      send(list(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(buffer.remote()));
      row.itemParameter = buffer.readValue<ListItem32>().lParam;
    } else {
      LVITEMA item{};
      item.mask = LVIF_PARAM;
      item.iItem = i;
      buffer.writeValue(item);
      send(list(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(buffer.remote()));
      row.itemParameter = buffer.readValue<LVITEMA>().lParam;
    }
    result.push_back(row);
  }
  return result;
}

std::wstring OstrelWindow::cell(int row, int column) const {
  RemoteBuffer buffer(process_, sizeof(LVITEMW) + (kTextUnits + 1) * sizeof(wchar_t));
  return cell(buffer, row, column);
}

std::wstring OstrelWindow::cell(RemoteBuffer& buffer, int row, int column) const {
  if (thirtyTwoBitItems_) {
    ListItem32 item{};
    item.iSubItem = column;
    // Memory of a 32-bit process lies below 4 GiB.
    item.pszText = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(buffer.remote(sizeof(LVITEMW))));
    item.cchTextMax = kTextUnits;
    buffer.writeValue(item);
  } else {
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = static_cast<wchar_t*>(buffer.remote(sizeof(LVITEMW)));
    item.cchTextMax = kTextUnits;
    buffer.writeValue(item);
  }
  buffer.writeValue(L'\0', sizeof(LVITEMW));
  const LRESULT length = send(list(), LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(buffer.remote()));
  return buffer.readText(sizeof(LVITEMW), static_cast<size_t>(length));
}

int OstrelWindow::rowOfProcess(DWORD processId) const {
  const std::wstring id = std::to_wstring(processId);
  RemoteBuffer buffer(process_, sizeof(LVITEMW) + (kTextUnits + 1) * sizeof(wchar_t));
  const int count = rowCount();
  for (int row = 0; row < count; ++row) {
    if (cell(buffer, row, kProcessIdColumn) == id) return row;
  }
  return -1;
}

int OstrelWindow::focusedRow() const {
  return static_cast<int>(send(list(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
}

void OstrelWindow::selectOnly(int row) const {
  RemoteBuffer buffer(process_, sizeof(LVITEMA));
  LVITEMA item{};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  buffer.writeValue(item);
  send(list(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(buffer.remote()));
  if (row < 0) return;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  buffer.writeValue(item);
  send(list(), LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(buffer.remote()));
}

int OstrelWindow::selectedCount() const { return static_cast<int>(send(list(), LVM_GETSELECTEDCOUNT)); }

int OstrelWindow::openRowMenu(int row, HWND& menuWindow) const {
  menuWindow = nullptr;
  if (!bringToFront(main_)) return -1;
  clickAt(rowCentre(row), true);
  return waitForPopupMenuItemCount(process_, processId_, menuWindow);
}

POINT OstrelWindow::rowCentre(int row) const {
  RemoteBuffer buffer(process_, sizeof(RECT));
  RECT rect{};
  rect.left = LVIR_LABEL;
  buffer.writeValue(rect);
  send(list(), LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(buffer.remote()));
  rect = buffer.readValue<RECT>();
  POINT centre{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
  ::ClientToScreen(list(), &centre);
  return centre;
}

int OstrelWindow::itemImage(int row) const {
  RemoteBuffer buffer(process_, sizeof(LVITEMA));
  LVITEMA item{};
  item.mask = LVIF_IMAGE;
  item.iItem = row;
  buffer.writeValue(item);
  if (!send(list(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(buffer.remote()))) return -1;
  return buffer.readValue<LVITEMA>().iImage;
}

void OstrelWindow::clickColumnHeader(int column, int offset) const {
  const HWND header = reinterpret_cast<HWND>(send(list(), LVM_GETHEADER));
  RemoteBuffer buffer(process_, sizeof(RECT));
  buffer.writeValue(RECT{});
  send(header, HDM_GETITEMRECT, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(buffer.remote()));
  const RECT rect = buffer.readValue<RECT>();
  POINT centre{(rect.left + rect.right) / 2 + offset, (rect.top + rect.bottom) / 2};
  ::ClientToScreen(header, &centre);
  settleInput();
  clickAt(centre, false);
}

int OstrelWindow::sortArrow(int column) const {
  const HWND header = reinterpret_cast<HWND>(send(list(), LVM_GETHEADER));
  RemoteBuffer buffer(process_, sizeof(HDITEMW));
  HDITEMW item{};
  item.mask = HDI_FORMAT;
  buffer.writeValue(item);
  if (!send(header, HDM_GETITEMW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(buffer.remote()))) return -1;
  return buffer.readValue<HDITEMW>().fmt & (HDF_SORTUP | HDF_SORTDOWN);
}

RECT OstrelWindow::clientRect() const {
  RECT rect{};
  ::GetClientRect(main_, &rect);
  return rect;
}

ControlState OstrelWindow::control(int id) const {
  ControlState state;
  HWND child = ::GetDlgItem(main_, id);
  if (child == nullptr) throw std::runtime_error("no control " + std::to_string(id));
  ::GetWindowRect(child, &state.rect);
  ::MapWindowPoints(nullptr, main_, reinterpret_cast<POINT*>(&state.rect), 2);
  state.visible = ::IsWindowVisible(child) != FALSE;
  return state;
}

int OstrelWindow::searchCaret() const {
  // With no pointers EM_GETSEL answers in its result: start low, end high.
  return HIWORD(static_cast<DWORD>(send(searchBox(), EM_GETSEL)));
}

HWND OstrelWindow::focus() const {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  ::GetGUIThreadInfo(::GetWindowThreadProcessId(main_, nullptr), &info);
  return info.hwndFocus;
}

void OstrelWindow::settleInput() const {
  if (!bringToFront(main_)) throw std::runtime_error("Ostrel's window did not come to the foreground");
  send(WM_NULL);
}

void OstrelWindow::pressKey(WORD virtualKey, std::initializer_list<WORD> modifiers) const {
  settleInput();
  std::vector<WORD> keys(modifiers);
  keys.push_back(virtualKey);
  pressKeys(keys);
}

void OstrelWindow::openSearchBox() const {
  pressKey('F', {VK_CONTROL});
  if (!waitUntil([this] { return ::IsWindowVisible(searchBox()) && focus() == searchBox(); })) {
    throw std::runtime_error("Ctrl+F did not show the search box with the focus");
  }
}

void OstrelWindow::typeIntoSearchBox(const std::wstring& text) const {
  settleInput();
  std::wstring shown = searchText();
  for (wchar_t ch : text) {
    typeCharacter(ch);
    shown += ch;
    if (!waitUntil([&] { return searchText() == shown; })) {
      throw std::runtime_error("the search box shows \"" + narrow(searchText()) + "\", not \"" + narrow(shown) + "\"");
    }
  }
}

}  // namespace e2e
