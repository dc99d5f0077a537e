#pragma once
// The least work that gives the scan's answer for "File" handles, as a
// yardstick for the scan's time on the same machine in the same run: it
// finds every "File" handle of the other processes with one handle-table
// snapshot, one open of each owner process (kept to the end, its image path
// asked once), one type-name query per type number, and per handle one
// duplicate and one path query. It keeps no records, only counts them.
//
// Sequential, no threads, no timeouts: a handle on which the system blocks
// its path query blocks the floor too. Needs BindNativeApi to have run.

struct FloorCounts {
  bool tableRead = false;  // false: the system gave no handle table
  int records = 0;         // "File" handles held by other processes
  int withPath = 0;        // those whose path came back non-empty
};

FloorCounts RunScanFloor();
