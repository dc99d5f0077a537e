#pragma once
// The operations the tool does on a report list view and its header, by
// name, on a control it does not own (a handle; copying it copies the
// handle). Every message to a list view goes through here. A null handle
// does nothing and answers "none".

#include <windows.h>
#include <commctrl.h>

#include <cstddef>
#include <optional>
#include <vector>

class ListView {
 public:
  explicit ListView(HWND control = nullptr) : control_(control) {}

  HWND hwnd() const { return control_; }

  // Set-up.
  void addExtendedStyle(DWORD style) const;
  // The list asks for its rows' texts in UTF-16 (LVN_GETDISPINFOW).
  void askTextsInUtf16() const;
  void setSmallImageList(HIMAGELIST images) const;
  // The font the list draws with now.
  HFONT font() const;
  // Appends a column after the last one.
  void insertColumn(const wchar_t* header, int width, int format) const;

  int rowCount() const;
  // The selected rows, top to bottom.
  std::vector<int> selectedRows() const;
  // The focused row when it is selected, else the top-most selected one; -1
  // when none is selected.
  int focusedOrFirstSelectedRow() const;
  // The item parameter of row `row`; none for a row that is not there.
  std::optional<LPARAM> itemData(int row) const;

  // Empties the list, then appends one row per item parameter, whose texts
  // and icon the list asks of its parent when it shows them. Returns how
  // many rows went in.
  int replaceWithCallbackRows(const std::vector<LPARAM>& itemData) const;
  void deleteAllRows() const;
  void selectAll() const;
  void ensureVisible(int row) const;
  // The row's label in client coordinates; none for a row that is not there.
  std::optional<RECT> labelRect(int row) const;
  // The header's sort arrow on `column` only (up, or down when
  // `descending`); -1 clears every arrow.
  void showSortArrow(int column, bool descending) const;
  // While off, changes are not drawn; switching it on repaints the list.
  void setRedraw(bool on) const;

 private:
  HWND header() const;

  HWND control_;
};
