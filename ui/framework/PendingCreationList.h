#pragma once
// The windows whose creation is under way, newest first, so that a window's
// first message finds the object that asked for it. One list for the whole
// process, guarded by a critical section.

#include <windows.h>

struct CreationRecord {
  void* object = nullptr;
  DWORD threadId = 0;
  CreationRecord* next = nullptr;
};

class PendingCreationList {
 public:
  // Called once during static initialisation, before any window exists.
  static void InitialiseLock();

  static void push(CreationRecord* record);
  // Unlinks and returns the newest record of the calling thread, or null.
  static CreationRecord* takeForCurrentThread();
  // Unlinks `record` if it is still listed: a creation that failed before its
  // first message must not leave a record for a later window to take.
  static void remove(CreationRecord* record);

 private:
  static CRITICAL_SECTION lock_;
  static CreationRecord* head_;
};
