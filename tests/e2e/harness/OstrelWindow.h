#pragma once
// The running Ostrel main window, read and driven from outside its process.
// Every text is read with the wide messages, exactly the UTF-16 text the
// controls hold, whatever the system's code page. Input is real input through
// the system's queue; what waits, waits for a state with a deadline.

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

class RemoteBuffer;

// `wide` in UTF-8, for messages of failed tests.
std::string narrow(const std::wstring& wide);

struct Row {
  std::wstring columns[5];  // file name, path, handle, process ID, process name
  LPARAM itemParameter = 0;
};

struct Column {
  std::wstring header;
  int format = 0;  // LVCFMT_LEFT, LVCFMT_RIGHT...
  int width = 0;
};

struct ControlState {
  RECT rect{};  // in the main window's client coordinates
  bool visible = false;
  int height() const { return rect.bottom - rect.top; }
  int width() const { return rect.right - rect.left; }
};

class OstrelWindow {
 public:
  // Waits up to `milliseconds` for the top-level window captioned "Ostrel" of
  // process `processId`; throws when it does not come.
  OstrelWindow(HANDLE process, DWORD processId, DWORD milliseconds = 30000);

  HWND hwnd() const { return main_; }
  HWND list() const;
  HWND statusBar() const;
  HWND searchBox() const;

  std::wstring caption() const;
  // The search box's text.
  std::wstring searchText() const;
  std::wstring statusText(int part) const;
  // Status part `part`'s rectangle in the bar's client coordinates
  // (SB_GETRECT); empty when the bar has no such part.
  RECT statusPartRect(int part) const;
  // Waits until status part 0 is neither empty nor "查找中..." and has not
  // changed for `quietMilliseconds`; returns it. Throws after `timeout`.
  std::wstring waitForStatusToSettle(DWORD timeoutMilliseconds = 120000, DWORD quietMilliseconds = 600) const;

  std::vector<Column> columns() const;
  std::vector<Row> rows() const;
  int rowCount() const;
  // One column's text of one row.
  std::wstring cell(int row, int column) const;
  // The first row whose process ID column shows `processId`; -1 when none.
  int rowOfProcess(DWORD processId) const;
  // The row that has the list's focus; -1 when none.
  int focusedRow() const;
  // Selects and focuses exactly `row`; -1 selects none.
  void selectOnly(int row) const;
  // The number of selected rows.
  int selectedCount() const;
  // Right-clicks the row with the mouse, the window brought to the front
  // first; the number of items of the menu that shows (-1: none showed).
  // `menuWindow` is the menu's window.
  int openRowMenu(int row, HWND& menuWindow) const;
  // The centre of the row's label, in screen coordinates (for real clicks).
  POINT rowCentre(int row) const;
  // The row's image index in the system small icon list, -1 when unreadable.
  int itemImage(int row) const;
  // Clicks column `column`'s header with the mouse, `offset` pixels right of
  // its centre, the window brought to the front first; the click is only
  // queued. Two clicks in a row at one point may be taken as a double
  // click: give the second another offset (the system's double-click area
  // is a few pixels wide).
  void clickColumnHeader(int column, int offset = 0) const;
  // The sort arrow column `column`'s header shows: HDF_SORTUP, HDF_SORTDOWN
  // or 0.
  int sortArrow(int column) const;

  RECT clientRect() const;
  // A control by its id (IDC_* of res/resource.h).
  ControlState control(int id) const;
  // The search box's caret (the end of its selection), in characters.
  int searchCaret() const;
  // The window with the keyboard focus in Ostrel's UI thread.
  HWND focus() const;
  LONG_PTR style() const { return ::GetWindowLongPtrA(main_, GWL_STYLE); }

  // Input through the system's queue, as the user would type it. The window
  // is brought to the foreground first (settleInput); the key is then only
  // queued: the caller waits for what it should cause. Modifiers are virtual
  // keys held down around the key (VK_CONTROL for Ctrl+F).
  void pressKey(WORD virtualKey, std::initializer_list<WORD> modifiers = {}) const;
  // Ctrl+F, then waits until the search box is shown with the focus; throws
  // when it is not.
  void openSearchBox() const;
  // Types each character into the focused search box and waits until the box
  // shows it after what it held (the caret is at the end); throws when it
  // does not. Letters, digits, punctuation.
  void typeIntoSearchBox(const std::wstring& text) const;
  // Sends a message and waits for the answer (SendMessageTimeout, 10 s).
  LRESULT send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
  // The same, to any window of Ostrel (a control).
  static LRESULT send(HWND target, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  void post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
  // Makes the main window the foreground window and waits until Ostrel's UI
  // thread has activated it with the focus in one of its controls and answers
  // a sent message: keys pressed now reach it. Throws when it does not.
  void settleInput() const;

 private:
  std::wstring cell(RemoteBuffer& buffer, int row, int column) const;

  HANDLE process_;
  DWORD processId_;
  // A 32-bit Ostrel read by a 64-bit driver: the rows' item structures are
  // written in the 32-bit layout (the other structures are not).
  bool thirtyTwoBitItems_;
  HWND main_ = nullptr;
};

}  // namespace e2e
