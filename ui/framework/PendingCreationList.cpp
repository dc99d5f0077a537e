#include "ui/framework/PendingCreationList.h"

CRITICAL_SECTION PendingCreationList::lock_;
CreationRecord* PendingCreationList::head_ = nullptr;

void PendingCreationList::InitialiseLock() { ::InitializeCriticalSection(&lock_); }

void PendingCreationList::push(CreationRecord* record) {
  ::EnterCriticalSection(&lock_);
  record->next = head_;
  head_ = record;
  ::LeaveCriticalSection(&lock_);
}

CreationRecord* PendingCreationList::takeForCurrentThread() {
  DWORD self = ::GetCurrentThreadId();
  ::EnterCriticalSection(&lock_);
  CreationRecord* found = nullptr;
  for (CreationRecord** link = &head_; *link != nullptr; link = &(*link)->next) {
    if ((*link)->threadId == self) {
      found = *link;
      *link = found->next;
      found->next = nullptr;
      break;
    }
  }
  ::LeaveCriticalSection(&lock_);
  return found;
}

void PendingCreationList::remove(CreationRecord* record) {
  ::EnterCriticalSection(&lock_);
  for (CreationRecord** link = &head_; *link != nullptr; link = &(*link)->next) {
    if (*link == record) {
      *link = record->next;
      record->next = nullptr;
      break;
    }
  }
  ::LeaveCriticalSection(&lock_);
}
