#pragma once
// Reads a running Ostrel window from outside its process without waiting
// longer than a short answer time: a window whose thread is busy gives "no
// answer yet" (an empty optional), which the benchmark's waits take as "not
// there yet" and weigh against their own deadlines. It throws only when
// Ostrel's memory can no longer be read or written (the process has gone).
//
// The one buffer in Ostrel's memory lives as long as the probe, so an answer
// that arrives after the probe stopped waiting for it still lands in memory
// Ostrel owns. The probe and Ostrel.exe must have the same bitness (the list
// view's structures are copied as this process lays them out).

#include <windows.h>

#include <optional>
#include <string>

#include "RemoteBuffer.h"

class OstrelProbe {
 public:
  OstrelProbe(HANDLE process, HWND mainWindow);
  OstrelProbe(const OstrelProbe&) = delete;
  OstrelProbe& operator=(const OstrelProbe&) = delete;

  // The status bar part's text, read in UTF-16 and given in code page 936.
  std::optional<std::string> statusText(int part);
  // The list view's row count (LVM_GETITEMCOUNT).
  std::optional<int> rowCount();
  // The search box's text.
  std::optional<std::string> searchText();
  // One column's text of one row.
  std::optional<std::string> cell(int row, int column);

 private:
  std::optional<LRESULT> send(HWND target, UINT message, WPARAM wParam, LPARAM lParam);

  HWND list_;
  HWND statusBar_;
  HWND searchBox_;
  e2e::RemoteBuffer buffer_;
};

// "<rows>个文件", the row count as status part 1 shows it.
std::string RowCountStatus(int rows);
