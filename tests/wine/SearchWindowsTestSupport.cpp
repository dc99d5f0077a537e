#include "SearchWindowsTestSupport.h"

#include "scan/native/NativeApi.h"

namespace {
constexpr int kColumnCount = 5;
constexpr int kCellChars = 1024;
constexpr int kStatusParts[] = {200, 400, -1};

CaughtMessageBox g_caught;

LRESULT CALLBACK catchMessageBox(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) {
    const HWND box = reinterpret_cast<HWND>(wParam);
    char className[32] = {};
    ::GetClassNameA(box, className, sizeof(className));
    // A message box: a dialog with the box's text control (a dialog window
    // of the tool's own has none).
    if (std::string(className) == "#32770" && ::GetDlgItem(box, 0xFFFF) != nullptr) {
      wchar_t text[512] = {};
      ::GetDlgItemTextW(box, 0xFFFF, text, static_cast<int>(std::size(text)));
      wchar_t caption[256] = {};
      ::GetWindowTextW(box, caption, static_cast<int>(std::size(caption)));
      ++g_caught.count;
      g_caught.text = text;
      g_caught.caption = caption;
      g_caught.owner = ::GetWindow(box, GW_OWNER);
      // The box's icon control carries the shared system icon it shows.
      const HICON error = ::LoadIconA(nullptr, IDI_HAND);
      g_caught.errorIcon = false;
      for (HWND child = ::GetWindow(box, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (reinterpret_cast<HICON>(::SendMessageA(child, STM_GETICON, 0, 0)) == error) g_caught.errorIcon = true;
      }
      ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}
}  // namespace

ListAndStatusWindows::ListAndStatusWindows() {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&controls);
  parent_ = ::CreateWindowExA(0, "STATIC", "search test", WS_OVERLAPPEDWINDOW, 0, 0, 800, 400, nullptr, nullptr,
                              nullptr, nullptr);
  ::SetWindowLongPtrA(parent_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  parentDefault_ = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrA(parent_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ListAndStatusWindows::parentProcedure)));
  listView_ = ::CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 780, 300, parent_,
                                nullptr, nullptr, nullptr);
  ::SendMessageW(listView_, LVM_SETUNICODEFORMAT, TRUE, 0);
  for (int i = 0; i < kColumnCount; ++i) {
    LVCOLUMNA column{};
    column.mask = LVCF_WIDTH | LVCF_TEXT;
    column.cx = 100;
    column.pszText = const_cast<char*>("c");
    ::SendMessageA(listView_, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
  }
  statusBar_ = ::CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent_, nullptr,
                                 nullptr, nullptr);
  ::SendMessageA(statusBar_, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(kStatusParts));
  searchBox_ = ::CreateWindowExA(0, "EDIT", "", WS_CHILD | ES_AUTOHSCROLL, 0, 300, 780, 22, parent_, nullptr,
                                 nullptr, nullptr);
}

ListAndStatusWindows::~ListAndStatusWindows() { ::DestroyWindow(parent_); }

LRESULT CALLBACK ListAndStatusWindows::parentProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<ListAndStatusWindows*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  LRESULT answer = 0;
  if (message == WM_NOTIFY && self->onNotify && self->onNotify(reinterpret_cast<const NMHDR*>(lParam), answer)) {
    return answer;
  }
  return ::CallWindowProcA(self->parentDefault_, hwnd, message, wParam, lParam);
}

int ListAndStatusWindows::rowCount() const {
  return static_cast<int>(::SendMessageA(listView_, LVM_GETITEMCOUNT, 0, 0));
}

std::wstring ListAndStatusWindows::cell(int row, int column) const {
  wchar_t text[kCellChars] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = kCellChars;
  ::SendMessageW(listView_, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  return text;
}

LPARAM ListAndStatusWindows::rowParam(int row) const {
  LVITEMA item{};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  item.lParam = -1;
  ::SendMessageA(listView_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  return item.lParam;
}

int ListAndStatusWindows::rowImage(int row) const {
  LVITEMA item{};
  item.mask = LVIF_IMAGE;
  item.iItem = row;
  ::SendMessageA(listView_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  return item.iImage;
}

std::wstring ListAndStatusWindows::status(int part) const {
  wchar_t text[kCellChars] = {};
  ::SendMessageW(statusBar_, SB_GETTEXTW, part, reinterpret_cast<LPARAM>(text));
  return text;
}

void ListAndStatusWindows::setStatus(int part, const wchar_t* text) const {
  ::SendMessageW(statusBar_, SB_SETTEXTW, part, reinterpret_cast<LPARAM>(text));
}

MessageBoxCatcher::MessageBoxCatcher()
    : hook_(::SetWindowsHookExA(WH_CBT, &catchMessageBox, nullptr, ::GetCurrentThreadId())) {
  g_caught = CaughtMessageBox();
}

MessageBoxCatcher::~MessageBoxCatcher() { ::UnhookWindowsHookEx(hook_); }

const CaughtMessageBox& MessageBoxCatcher::caught() const { return g_caught; }

void BindNativeLayerForScans() {
  ReadOsMajorVersion();
  BindNativeApi();
}
