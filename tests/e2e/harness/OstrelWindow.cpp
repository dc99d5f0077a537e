#include "OstrelWindow.h"

#include <commctrl.h>

#include <stdexcept>
#include <vector>

#include "RemoteBuffer.h"
#include "TopLevelWindow.h"

namespace e2e {

namespace {

constexpr int kResultListId = 1001;
constexpr int kStatusBarId = 1002;
constexpr int kSearchBoxId = 1005;
constexpr size_t kTextBytes = 4096;
constexpr DWORD kPollMilliseconds = 50;
const char kSearchingText[] = "查找中...";

}  // namespace

OstrelWindow::OstrelWindow(HANDLE process, DWORD processId, DWORD milliseconds)
    : process_(process), processId_(processId) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    main_ = findTopLevel(processId, nullptr, L"Ostrel");
    if (main_ != nullptr) return;
    if (::WaitForSingleObject(process, 0) == WAIT_OBJECT_0) throw std::runtime_error("Ostrel.exe ended before its window showed");
    if (::GetTickCount() - start > milliseconds) throw std::runtime_error("no window captioned \"Ostrel\" appeared");
    ::Sleep(kPollMilliseconds);
  }
}

HWND OstrelWindow::list() const { return ::GetDlgItem(main_, kResultListId); }
HWND OstrelWindow::statusBar() const { return ::GetDlgItem(main_, kStatusBarId); }
HWND OstrelWindow::searchBox() const { return ::GetDlgItem(main_, kSearchBoxId); }

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

std::string OstrelWindow::caption() const {
  char text[256] = {};
  ::GetWindowTextA(main_, text, sizeof text);
  return text;
}

std::string OstrelWindow::searchText() const {
  // The system copies WM_GETTEXT's text across processes itself.
  std::vector<char> text(kTextBytes + 1, '\0');
  send(searchBox(), WM_GETTEXT, kTextBytes, reinterpret_cast<LPARAM>(text.data()));
  return text.data();
}

std::string OstrelWindow::statusText(int part) const {
  // SB_GETTEXTA writes the whole text with no size limit, so the buffer is
  // the largest text the tool writes; SB_GETTEXTLENGTHA is not used because
  // some systems count characters there, not bytes.
  RemoteBuffer buffer(process_, kTextBytes + 1);
  buffer.writeValue('\0');
  send(statusBar(), SB_GETTEXTA, part, reinterpret_cast<LPARAM>(buffer.remote()));
  return buffer.readText(0, kTextBytes);
}

std::string OstrelWindow::waitForStatusToSettle(DWORD timeoutMilliseconds, DWORD quietMilliseconds) const {
  const DWORD start = ::GetTickCount();
  std::string last = statusText(0);
  DWORD lastChange = ::GetTickCount();
  for (;;) {
    ::Sleep(kPollMilliseconds);
    std::string now = statusText(0);
    if (now != last) {
      last = now;
      lastChange = ::GetTickCount();
    } else if (!now.empty() && now != kSearchingText && ::GetTickCount() - lastChange >= quietMilliseconds) {
      return now;
    }
    if (::GetTickCount() - start > timeoutMilliseconds) {
      throw std::runtime_error("status part 0 did not settle: \"" + now + "\"");
    }
  }
}

int OstrelWindow::rowCount() const { return static_cast<int>(send(list(), LVM_GETITEMCOUNT)); }

std::vector<Column> OstrelWindow::columns() const {
  HWND header = reinterpret_cast<HWND>(send(list(), LVM_GETHEADER));
  const int count = static_cast<int>(send(header, HDM_GETITEMCOUNT));
  std::vector<Column> result;
  RemoteBuffer buffer(process_, sizeof(LVCOLUMNA) + kTextBytes + 1);
  for (int i = 0; i < count; ++i) {
    LVCOLUMNA column{};
    column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH;
    column.pszText = static_cast<char*>(buffer.remote(sizeof(LVCOLUMNA)));
    column.cchTextMax = kTextBytes;
    buffer.writeValue(column);
    buffer.writeValue('\0', sizeof(LVCOLUMNA));
    if (!send(list(), LVM_GETCOLUMNA, i, reinterpret_cast<LPARAM>(buffer.remote()))) {
      throw std::runtime_error("LVM_GETCOLUMNA failed");
    }
    column = buffer.readValue<LVCOLUMNA>();
    result.push_back({buffer.readText(sizeof(LVCOLUMNA), kTextBytes), column.fmt, column.cx});
  }
  return result;
}

std::vector<Row> OstrelWindow::rows() const {
  std::vector<Row> result;
  RemoteBuffer buffer(process_, sizeof(LVITEMA) + kTextBytes + 1);
  const int count = rowCount();
  for (int i = 0; i < count; ++i) {
    Row row;
    for (int c = 0; c < 5; ++c) row.columns[c] = cell(buffer, i, c);
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = i;
    buffer.writeValue(item);
    send(list(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(buffer.remote()));
    row.itemParameter = buffer.readValue<LVITEMA>().lParam;
    result.push_back(row);
  }
  return result;
}

std::string OstrelWindow::cell(int row, int column) const {
  RemoteBuffer buffer(process_, sizeof(LVITEMA) + kTextBytes + 1);
  return cell(buffer, row, column);
}

std::string OstrelWindow::cell(RemoteBuffer& buffer, int row, int column) const {
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = static_cast<char*>(buffer.remote(sizeof(LVITEMA)));
  item.cchTextMax = kTextBytes;
  buffer.writeValue(item);
  buffer.writeValue('\0', sizeof(LVITEMA));
  const LRESULT length = send(list(), LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(buffer.remote()));
  return buffer.readText(sizeof(LVITEMA), static_cast<size_t>(length));
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

HWND OstrelWindow::focus() const {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  ::GetGUIThreadInfo(::GetWindowThreadProcessId(main_, nullptr), &info);
  return info.hwndFocus;
}

void OstrelWindow::settleInput() const {
  // A sent message is served only after everything queued before it.
  for (int i = 0; i < 3; ++i) {
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutA(main_, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored);
    ::Sleep(kPollMilliseconds);
  }
}

namespace {

INPUT KeyInput(WORD virtualKey, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = virtualKey;
  input.ki.wScan = static_cast<WORD>(::MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

}  // namespace

void OstrelWindow::pressKey(WORD virtualKey, std::initializer_list<WORD> modifiers) const {
  ::SetForegroundWindow(main_);
  settleInput();
  std::vector<INPUT> inputs;
  for (WORD modifier : modifiers) inputs.push_back(KeyInput(modifier, false));
  inputs.push_back(KeyInput(virtualKey, false));
  inputs.push_back(KeyInput(virtualKey, true));
  for (auto it = modifiers.end(); it != modifiers.begin();) inputs.push_back(KeyInput(*--it, true));
  ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  settleInput();
}

void OstrelWindow::typeText(const std::string& text) const {
  ::SetForegroundWindow(main_);
  settleInput();
  // Each character as the keyboard would deliver it, whatever the layout:
  // a key down and up that the UI thread's TranslateMessage turns into WM_CHAR.
  for (char ch : text) {
    INPUT inputs[2] = {};
    for (int i = 0; i < 2; ++i) {
      inputs[i].type = INPUT_KEYBOARD;
      inputs[i].ki.wScan = static_cast<unsigned char>(ch);
      inputs[i].ki.dwFlags = KEYEVENTF_UNICODE | (i == 1 ? KEYEVENTF_KEYUP : 0);
    }
    ::SendInput(2, inputs, sizeof(INPUT));
    settleInput();
  }
}

}  // namespace e2e
