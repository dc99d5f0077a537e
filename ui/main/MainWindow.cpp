// The main window. Its handlers are registered in the constructor, all of
// them; the controls are set up once at initialisation and laid out
// whenever the window changes size or the search box is shown or hidden.
// The session's ends arrive as posted messages. A search shows "查找中..."
// from its start; its end fills the list in one go.

#include "ui/main/MainWindow.h"

#include <windows.h>
#include <commctrl.h>

#include "res/resource.h"
#include "os/PopupMenu.h"
#include "ui/framework/ListView.h"
#include "ui/framework/ListViewControl.h"
#include "ui/framework/StatusBar.h"
#include "ui/framework/StatusBarControl.h"
#include "ui/framework/SearchEditControl.h"
#include "ui/framework/SubclassedControl.h"
#include "ui/framework/ThreadMessagePoster.h"
#include "ui/main/AboutDialog.h"
#include "ui/main/ExplorerRegistration.h"
#include "ui/main/ResultList.h"
#include "ui/main/RowActions.h"
#include "text/WindowTexts.h"

namespace {

const WCHAR kNoText[] = WTEXT("");
constexpr int kOutcomePart = 0;
constexpr int kCountPart = 1;

constexpr int kListFontHeight = 20;
// The visible search box's row above the status bar, fixed in pixels.
constexpr int kSearchBoxHeight = 22;

// The status parts' widths in pixels: part 0 (the outcome) at least this,
// wider when its text needs it; part 1 (the rows shown); part 2 (the
// filter) takes the rest.
constexpr int kOutcomePartMinimumWidth = 200;
constexpr int kCountPartWidth = 200;

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

HFONT listFont(const ListView& list) {
  LOGFONTW font{};
  ::GetObjectW(list.font(), sizeof font, &font);
  font.lfHeight = kListFontHeight;
  return ::CreateFontIndirectW(&font);
}

// The system's status bar font, set on the bar explicitly: the bar's parts
// are sized by measuring texts with the font WM_GETFONT names, and a bar
// left without one may draw with a default of its own that it does not name.
HFONT statusFont() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0) == FALSE) return nullptr;
  return ::CreateFontIndirectW(&metrics.lfStatusFont);
}

// The session's ends, told on its threads, as messages to the window's.
class PostedEnds : public SearchSessionEvents {
 public:
  explicit PostedEnds(std::shared_ptr<ThreadMessagePoster> poster) : poster_(std::move(poster)) {}
  void searchEnded() override { poster_->post(MainWindow::kSearchDoneMessage, 0, 0); }
  void closingProgressed(int done, int total) override {
    poster_->post(MainWindow::kClosingProgressMessage, static_cast<WPARAM>(done), static_cast<LPARAM>(total));
  }
  void closingEnded() override { poster_->post(MainWindow::kClosingDoneMessage, 0, 0); }

 private:
  std::shared_ptr<ThreadMessagePoster> poster_;
};

}  // namespace

MainWindow::MainWindow(WideText targetPath, bool targetUnusable)
    : DialogWindow(IDD_MAIN, IDI_OSTREL),
      poster_(std::make_shared<ThreadMessagePoster>()),
      session_(std::make_unique<SearchSession>(std::move(targetPath), targetUnusable,
                                               std::make_shared<PostedEnds>(poster_), &IdentifyTarget)) {
  onInitDialog = [this](DialogWindow&) -> BOOL {
    poster_->setWindow(hwnd());
    setUpControls();
    restartSearch();
    layoutControls();
    return TRUE;
  };
  onSize = [this] { layoutControls(); };
  onClose = [] { ::ExitProcess(0); };
  addMessageHandler(WM_COMMAND, OneArgumentCallback([this](WPARAM wParam) { return onCommand(LOWORD(wParam)); }));
  addMessageHandler(kSearchDoneMessage, OneArgumentCallback([this](WPARAM) {
                      onSearchDone();
                      return true;
                    }));
  addMessageHandler(kClosingProgressMessage, TwoArgumentCallback([this](WPARAM done, LPARAM total) {
                      onClosingProgress(static_cast<int>(done), static_cast<int>(total));
                      return true;
                    }));
  addMessageHandler(kClosingDoneMessage, OneArgumentCallback([this](WPARAM) {
                      onClosingDone();
                      return true;
                    }));
  addMessageHandler(WM_TIMER, MessageHandler([this](DialogWindow&, HWND, UINT, WPARAM timer, LPARAM, BOOL& handled) {
                      handled = timer == kClosingWatchTimer || timer == kSearchWatchTimer ? TRUE : FALSE;
                      if (timer == kClosingWatchTimer) onClosingDone();
                      if (timer == kSearchWatchTimer) onSearchDone();
                      return LRESULT{0};
                    }));
  // Shift+F10 and the menu key: the list's default processing sends the
  // menu request on to the dialog, with no point (-1). A right click never
  // comes this way: the list's own NM_RCLICK has taken it.
  addMessageHandler(WM_CONTEXTMENU,
                    MessageHandler([this](DialogWindow&, HWND, UINT, WPARAM wParam, LPARAM lParam, BOOL& handled) {
                      const bool fromList = list_.hwnd() != nullptr && reinterpret_cast<HWND>(wParam) == list_.hwnd();
                      handled = fromList && lParam == -1 ? TRUE : FALSE;
                      if (handled) showRowMenuFromKeyboard();
                      return LRESULT{0};
                    }));
  // Rows get their texts and icons when they are drawn; every other
  // notification goes on to the list's own object.
  addMessageHandler(WM_NOTIFY, MessageHandler([this](DialogWindow&, HWND, UINT, WPARAM, LPARAM lParam, BOOL& handled) {
                      LRESULT answer = 0;
                      handled = resultList_ != nullptr &&
                                        resultList_->answerNotification(reinterpret_cast<const NMHDR*>(lParam), answer)
                                    ? TRUE
                                    : FALSE;
                      return answer;
                    }));
}

// The search thread is joined (by the session) before the controls go.
MainWindow::~MainWindow() = default;

bool MainWindow::open() {
  createModeless(nullptr, 0);
  if (hwnd() == nullptr) return false;
  ::ShowWindow(hwnd(), SW_SHOW);
  return true;
}

bool MainWindow::routeThreadMessage(const MSG& message) {
  if (message.hwnd != nullptr) return false;
  switch (message.message) {
    case kSearchDoneMessage:
      onSearchDone();
      return true;
    case kClosingProgressMessage:
      onClosingProgress(static_cast<int>(message.wParam), static_cast<int>(message.lParam));
      return true;
    case kClosingDoneMessage:
      onClosingDone();
      return true;
    default:
      return false;
  }
}

void MainWindow::setUpControls() {
  const HWND dialog = hwnd();
  const LONG style = ::GetWindowLongW(dialog, GWL_STYLE);
  if ((style & WS_THICKFRAME) == 0) ::SetWindowLongW(dialog, GWL_STYLE, style | WS_THICKFRAME);

  listView_ = std::make_shared<ListViewControl>();
  // The controls the template made, looked up once.
  list_ = ListView(::GetDlgItem(dialog, IDC_RESULT_LIST));
  status_ = StatusBar(::GetDlgItem(dialog, IDC_STATUS_BAR));
  searchEdit_ = ::GetDlgItem(dialog, IDC_SEARCH_EDIT);
  const ListView& list = list_;
  listView_->attach(list.hwnd());
  // The label tip shows a cell cut by its column whole, under the pointer.
  for (DWORD extended : {LVS_EX_FULLROWSELECT, LVS_EX_GRIDLINES, LVS_EX_SUBITEMIMAGES, LVS_EX_LABELTIP}) {
    list.addExtendedStyle(extended);
  }
  listView_->useFont(listFont(list));
  listView_->onRightClick = [this](ListViewControl&, NMHDR*) {
    const std::vector<int> selected = list_.selectedRows();
    POINT pointer{};
    ::GetCursorPos(&pointer);
    showRowMenu(selected.empty() ? -1 : selected.front(), pointer);
  };
  // The list asks for its rows' texts in UTF-16 (LVN_GETDISPINFOW), so a
  // name shows exactly whatever the system's code page.
  list.askTextsInUtf16();
  InsertResultColumns(list.hwnd());
  list.setSmallImageList(systemSmallIcons());

  statusBar_ = std::make_shared<StatusBarControl>();
  const StatusBar& status = status_;
  statusBar_->attach(status.hwnd());
  statusBar_->useFont(statusFont());
  statusBar_->setPartWidths(kOutcomePartMinimumWidth, kCountPartWidth);
  status.setText(kOutcomePart, kReadyText);

  resultList_ = std::make_unique<ResultList>(*session_, list.hwnd(), status.hwnd());

  searchBox_ = std::make_shared<SearchEditControl>();
  searchBox_->onChar = [this](WPARAM) { filterFromSearchBox(); };
  searchBox_->onKeyUp = [this](WPARAM key, LPARAM) {
    // Keys that change the text without a character; caret moves do not refilter.
    if (key == VK_BACK || key == VK_RETURN || key == VK_DELETE) filterFromSearchBox();
  };
  searchBox_->attach(searchEdit_);
  searchBox_->useFont(listFont(list));
  searchBox_->showHint(kSearchBoxHint);
}

void MainWindow::layoutControls() {
  const HWND dialog = hwnd();
  const HWND status = status_.hwnd();
  const HWND search = searchEdit_;
  const HWND list = list_.hwnd();

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

bool MainWindow::onCommand(WORD id) {
  switch (id) {
    case ID_FILE_EXIT:
      // No confirmation; a running search ends with the process.
      ::ExitProcess(0);
    case ID_HELP_ABOUT:
      AboutDialog::show(hwnd());
      return true;
    case ID_SHOW_SEARCH:
      setSearchBoxShown(true);
      return true;
    case ID_HIDE_SEARCH:
      // The box's text and the rows it filtered stay as they are.
      setSearchBoxShown(false);
      return true;
    case ID_FILE_ADD_TO_EXPLORER:
      RegisterExplorerEntry(hwnd());
      return true;
    case ID_FILE_REMOVE_FROM_EXPLORER:
      RemoveExplorerEntry(hwnd());
      return true;
    case ID_REFRESH:
      // As the row menu's "刷新": "正在查找" while a search runs, "正在关闭"
      // while handles are being closed.
      restartSearch();
      return true;
    default:
      // Among others the search box's own notifications.
      return false;
  }
}

void MainWindow::setSearchBoxShown(bool shown) {
  ::ShowWindow(searchEdit_, shown ? SW_SHOW : SW_HIDE);
  ::SetFocus(shown ? searchEdit_ : list_.hwnd());
  layoutControls();
}

void MainWindow::filterFromSearchBox() {
  if (resultList_ != nullptr) resultList_->fillFromSearchBox(searchEdit_);
}

void MainWindow::restartSearch() {
  switch (session_->startSearch()) {
    case SearchSession::Start::kSearchRunning:
      ::MessageBoxW(hwnd(), kSearchRunningMessage, kPromptCaption, MB_ICONERROR);
      return;
    case SearchSession::Start::kClosingRunning:
      ::MessageBoxW(hwnd(), kClosingRunningMessage, kPromptCaption, MB_ICONERROR);
      return;
    case SearchSession::Start::kStarted:
      // A thread timer (no window) could never be told apart: none then.
      if (hwnd() != nullptr) ::SetTimer(hwnd(), kSearchWatchTimer, kClosingWatchMs, nullptr);
      status_.setText(kOutcomePart, kSearchingStatus);
      status_.setText(kCountPart, kNoText);
      return;
    case SearchSession::Start::kFailed:
      // A target that names no file, or no thread: the fill clears the rows
      // and reports "查找失败".
      filterFromSearchBox();
      return;
  }
}

void MainWindow::onSearchDone() {
  // The message and the timer both lead here: the first takes the end; a
  // late message of an earlier search finds this one still running.
  if (!session_->busy() || !session_->searchHasEnded()) return;
  ::KillTimer(hwnd(), kSearchWatchTimer);
  session_->finishSearch();
  // The box's text, shown or hidden, filters the new rows as it did the old.
  try {
    filterFromSearchBox();
  } catch (...) {
    // Out of memory, say: the rows stay as they were.
  }
}

void MainWindow::showRowMenu(int row, POINT at) {
  const PopupMenu menu(::CreatePopupMenu());
  if (!menu || resultList_ == nullptr) return;
  // The given row first, then every other selected one.
  std::vector<RowTarget> selected;
  if (const std::optional<RowTarget> top = RowTargetFor(*session_, *resultList_, row)) {
    selected.push_back(*top);
    for (const int next : list_.selectedRows()) {
      if (next == row) continue;
      if (const std::optional<RowTarget> other = RowTargetFor(*session_, *resultList_, next)) selected.push_back(*other);
    }
  }
  for (const RowMenuItem& item : RowMenuItems(selected.empty() ? nullptr : &selected.front())) {
    if (item.text == nullptr) {
      ::AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
    } else {
      ::AppendMenuW(menu.get(), MF_STRING, static_cast<UINT_PTR>(item.command), item.text);
    }
  }
  ::SetForegroundWindow(hwnd());
  const auto chosen =
      static_cast<RowMenuCommand>(::TrackPopupMenu(menu.get(), TPM_RETURNCMD, at.x, at.y, 0, hwnd(), nullptr));
  SystemRowEffects effects(hwnd(), *session_, [this] { restartSearch(); }, &release_);
  PerformRowAction(chosen, selected, effects);
  if (session_->closing()) ::SetTimer(hwnd(), kClosingWatchTimer, kClosingWatchMs, nullptr);
}

void MainWindow::showRowMenuFromKeyboard() {
  const ListView& list = list_;
  const int row = list.focusedOrFirstSelectedRow();
  POINT at{0, 0};
  if (row >= 0) {
    // Under the row's label, scrolled into view first.
    list.ensureVisible(row);
    if (const std::optional<RECT> label = list.labelRect(row)) at = POINT{label->left, label->bottom};
  }
  ::ClientToScreen(list.hwnd(), &at);
  showRowMenu(row, at);
}

void MainWindow::onClosingProgress(int done, int total) {
  if (!session_->closing()) return;
  const WideText text = kClosingProgressPrefix + DecimalText(done) + L"/" + DecimalText(total);
  status_.setText(kOutcomePart, text.c_str());
}

void MainWindow::onClosingDone() {
  // The message and the timer both lead here: the first takes the end.
  if (std::optional<ClosingReport> report = session_->takeReleaseEnd()) {
    ::KillTimer(hwnd(), kClosingWatchTimer);
    // Taken before the boxes: their message loops may bring the next end.
    std::optional<ReleaseJob> job;
    job.swap(release_);
    if (!job) return;
    SystemRowEffects effects(hwnd(), *session_, [this] { restartSearch(); }, &release_);
    FinishRelease(*job, *report, effects);
    return;
  }
  const std::optional<CloseTally> tally = session_->takeClosingEnd();
  if (!tally) return;
  ::KillTimer(hwnd(), kClosingWatchTimer);
  SystemRowEffects effects(hwnd(), *session_, [this] { restartSearch(); });
  ReportClosing(*tally, effects);
}
