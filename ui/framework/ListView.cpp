#include "ui/framework/ListView.h"

namespace {
constexpr WPARAM kFromTheTop = static_cast<WPARAM>(-1);
constexpr WPARAM kEveryRow = static_cast<WPARAM>(-1);
}  // namespace

void ListView::addExtendedStyle(DWORD style) const {
  ::SendMessageW(control_, LVM_SETEXTENDEDLISTVIEWSTYLE, style, style);
}

void ListView::askTextsInUtf16() const { ::SendMessageW(control_, LVM_SETUNICODEFORMAT, TRUE, 0); }

void ListView::setSmallImageList(HIMAGELIST images) const {
  ::SendMessageW(control_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));
}

HFONT ListView::font() const { return reinterpret_cast<HFONT>(::SendMessageW(control_, WM_GETFONT, 0, 0)); }

HWND ListView::header() const { return reinterpret_cast<HWND>(::SendMessageW(control_, LVM_GETHEADER, 0, 0)); }

void ListView::insertColumn(const wchar_t* header, int width, int format) const {
  LVCOLUMNW column{};
  column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
  column.fmt = format;
  column.cx = width;
  column.pszText = const_cast<wchar_t*>(header);
  const auto at = static_cast<WPARAM>(::SendMessageW(this->header(), HDM_GETITEMCOUNT, 0, 0));
  ::SendMessageW(control_, LVM_INSERTCOLUMNW, at, reinterpret_cast<LPARAM>(&column));
}

int ListView::rowCount() const { return static_cast<int>(::SendMessageW(control_, LVM_GETITEMCOUNT, 0, 0)); }

std::vector<int> ListView::selectedRows() const {
  std::vector<int> rows;
  if (control_ == nullptr) return rows;
  for (int row = static_cast<int>(::SendMessageW(control_, LVM_GETNEXTITEM, kFromTheTop, LVNI_SELECTED)); row >= 0;
       row = static_cast<int>(::SendMessageW(control_, LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED))) {
    rows.push_back(row);
  }
  return rows;
}

int ListView::focusedOrFirstSelectedRow() const {
  if (control_ == nullptr) return -1;
  const int focused =
      static_cast<int>(::SendMessageW(control_, LVM_GETNEXTITEM, kFromTheTop, LVNI_FOCUSED | LVNI_SELECTED));
  if (focused >= 0) return focused;
  return static_cast<int>(::SendMessageW(control_, LVM_GETNEXTITEM, kFromTheTop, LVNI_SELECTED));
}

std::optional<LPARAM> ListView::itemData(int row) const {
  if (control_ == nullptr || row < 0) return std::nullopt;
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  if (::SendMessageW(control_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) == FALSE) return std::nullopt;
  return item.lParam;
}

int ListView::replaceWithCallbackRows(const std::vector<LPARAM>& itemData) const {
  deleteAllRows();
  ::SendMessageW(control_, LVM_SETITEMCOUNT, static_cast<WPARAM>(itemData.size()), 0);
  int rows = 0;
  for (const LPARAM data : itemData) {
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = rows;  // appended: the list view does no sorting
    item.pszText = LPSTR_TEXTCALLBACKW;
    item.iImage = I_IMAGECALLBACK;
    item.lParam = data;
    // A row that could not be inserted is left out.
    if (::SendMessageW(control_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)) >= 0) ++rows;
  }
  return rows;
}

void ListView::deleteAllRows() const { ::SendMessageW(control_, LVM_DELETEALLITEMS, 0, 0); }

void ListView::selectAll() const {
  LVITEMW state{};
  state.stateMask = LVIS_SELECTED;
  state.state = LVIS_SELECTED;
  ::SendMessageW(control_, LVM_SETITEMSTATE, kEveryRow, reinterpret_cast<LPARAM>(&state));
}

void ListView::ensureVisible(int row) const {
  ::SendMessageW(control_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
}

std::optional<RECT> ListView::labelRect(int row) const {
  RECT label{};
  label.left = LVIR_LABEL;
  if (control_ == nullptr ||
      ::SendMessageW(control_, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&label)) == FALSE) {
    return std::nullopt;
  }
  return label;
}

void ListView::showSortArrow(int column, bool descending) const {
  const HWND columns = header();
  const int count = static_cast<int>(::SendMessageW(columns, HDM_GETITEMCOUNT, 0, 0));
  for (int at = 0; at < count; ++at) {
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    if (::SendMessageW(columns, HDM_GETITEMW, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&item)) == FALSE) {
      continue;
    }
    item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
    if (at == column) item.fmt |= descending ? HDF_SORTDOWN : HDF_SORTUP;
    ::SendMessageW(columns, HDM_SETITEMW, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&item));
  }
}

void ListView::setRedraw(bool on) const {
  ::SendMessageW(control_, WM_SETREDRAW, on ? TRUE : FALSE, 0);
  if (on) ::InvalidateRect(control_, nullptr, TRUE);
}
