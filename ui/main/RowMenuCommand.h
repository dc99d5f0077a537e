#pragma once
// The items of a result row's context menu. TrackPopupMenu hands the chosen
// id back directly; these ids never travel as WM_COMMAND.

enum class RowMenuCommand : unsigned {
  Dismissed = 0,
  ViewFileLocation = 1,
  CopyFileLocation = 2,
  ViewProcessLocation = 3,
  EndProcess = 4,
  Refresh = 5,
};
