// Creating windows: the pending-creation list across threads and nested
// creations, the thunks' memory and their reuse over many windows, and the
// out-of-memory path.

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "TestDialogs.h"
#include "ui/framework/ListViewControl.h"

namespace {

// Creates and destroys dialogs on its own thread; counts windows bound to the
// wrong object or created on the wrong thread.
void CreateManyOnThisThread(int count, std::atomic<int>& mismatches, std::atomic<int>& created) {
  for (int i = 0; i < count; ++i) {
    RecordingDialog dialog;
    HWND seenAtInit = nullptr;
    dialog.onInitDialog = [&](DialogWindow& self) -> BOOL {
      seenAtInit = self.hwnd();
      return TRUE;
    };
    dialog.createModeless(nullptr, 0);
    HWND hwnd = dialog.hwnd();
    if (hwnd == nullptr || hwnd != seenAtInit || ::GetWindowThreadProcessId(hwnd, nullptr) != ::GetCurrentThreadId()) {
      ++mismatches;
    } else {
      ++created;
    }
    if (hwnd != nullptr) ::DestroyWindow(hwnd);
  }
}

TEST(Creation, TwoThreadsCreatingAtOnceBindTheirOwnWindows) {
  std::atomic<int> mismatches{0}, created{0};
  constexpr int kEach = 150;
  std::thread other([&] { CreateManyOnThisThread(kEach, mismatches, created); });
  CreateManyOnThisThread(kEach, mismatches, created);
  other.join();
  EXPECT_EQ(mismatches.load(), 0);
  EXPECT_EQ(created.load(), 2 * kEach);
}

TEST(Creation, ARecordOfAnotherThreadIsNotTaken) {
  // Another thread's creation is under way (its record waits in the list)
  // while this thread creates a window of its own.
  RecordingDialog foreign;
  CreationRecord foreignRecord;
  foreignRecord.object = &foreign;
  std::atomic<DWORD> otherThreadId{0};
  HANDLE release = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  CreationRecord* takenByOther = nullptr;
  std::thread other([&] {
    otherThreadId = ::GetCurrentThreadId();
    ::WaitForSingleObject(release, INFINITE);
    takenByOther = PendingCreationList::takeForCurrentThread();
  });
  while (otherThreadId.load() == 0) ::Sleep(1);
  foreignRecord.threadId = otherThreadId.load();
  PendingCreationList::push(&foreignRecord);

  RecordingDialog mine;
  mine.createModeless(nullptr, 0);
  ASSERT_NE(mine.hwnd(), nullptr);
  EXPECT_EQ(foreign.hwnd(), nullptr);
  ::DestroyWindow(mine.hwnd());

  ::SetEvent(release);
  other.join();
  ::CloseHandle(release);
  EXPECT_EQ(takenByOther, &foreignRecord);
}

TEST(Creation, NestedCreationOnOneThreadBindsTheNewestFirst) {
  RecordingDialog outer, inner;
  HWND innerAtOuterInit = nullptr;
  outer.onInitDialog = [&](DialogWindow& self) -> BOOL {
    inner.createModeless(self.hwnd(), 0);
    innerAtOuterInit = inner.hwnd();
    return TRUE;
  };
  outer.createModeless(nullptr, 0);
  ASSERT_NE(outer.hwnd(), nullptr);
  ASSERT_NE(inner.hwnd(), nullptr);
  EXPECT_NE(outer.hwnd(), inner.hwnd());
  EXPECT_EQ(innerAtOuterInit, inner.hwnd());
  EXPECT_EQ(::GetParent(inner.hwnd()), outer.hwnd());
  ::DestroyWindow(outer.hwnd());
  EXPECT_EQ(inner.hwnd(), nullptr);
  EXPECT_EQ(outer.hwnd(), nullptr);
}

TEST(Creation, FailedCreationLeavesNoRecordBehind) {
  RecordingDialog missing(9999, 0);  // no such template
  missing.createModeless(nullptr, 0);
  EXPECT_EQ(missing.hwnd(), nullptr);
  EXPECT_EQ(PendingCreationList::takeForCurrentThread(), nullptr);
  RecordingDialog next;
  ScopedModeless window(next);
  EXPECT_NE(next.hwnd(), nullptr);
  EXPECT_EQ(missing.hwnd(), nullptr);
}

TEST(Creation, NoThunkMeansNoWindowAndOutOfMemory) {
  RecordingDialog dialog;
  WindowThunk::failNextAllocations(1);
  ::SetLastError(0);
  dialog.createModeless(nullptr, 0);
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_OUTOFMEMORY));
  EXPECT_EQ(dialog.hwnd(), nullptr);
  EXPECT_TRUE(dialog.processed.empty());
  EXPECT_EQ(PendingCreationList::takeForCurrentThread(), nullptr);

  WindowThunk::failNextAllocations(1);
  ::SetLastError(0);
  DialogWindow modal(IDD_TEST_MODAL, 0);
  EXPECT_EQ(modal.runModal(nullptr, 0), -1);
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_OUTOFMEMORY));
}

TEST(Thunks, LiveWindowsRunFromPagesThatAreNotWritable) {
  RecordingDialog dialog;
  ScopedModeless window(dialog);
  ASSERT_NE(dialog.hwnd(), nullptr);
  HWND edit = ::GetDlgItem(dialog.hwnd(), IDC_TEST_EDIT);
  { RecordingControl released; released.attach(edit); }  // its slot is the next one handed out
  RecordingControl control;
  control.attach(edit);
  ASSERT_EQ(control.hwnd(), edit);
  for (LONG_PTR entry : {::GetWindowLongPtrW(dialog.hwnd(), DWLP_DLGPROC), ::GetWindowLongPtrW(edit, GWLP_WNDPROC)}) {
    MEMORY_BASIC_INFORMATION info{};
    ASSERT_NE(::VirtualQuery(reinterpret_cast<void*>(entry), &info, sizeof info), 0u);
    EXPECT_EQ(info.Protect, static_cast<DWORD>(PAGE_EXECUTE_READ));
    EXPECT_EQ(info.Type, static_cast<DWORD>(MEM_PRIVATE));
  }
  constexpr UINT kProbe = WM_APP + 1;
  ::SendMessageW(dialog.hwnd(), kProbe, 0, 0);
  ::SendMessageW(edit, kProbe, 0, 0);
  EXPECT_TRUE(dialog.saw(kProbe));
  EXPECT_TRUE(control.saw(kProbe));
}

LRESULT CALLBACK EchoObject(HWND object, UINT message, WPARAM wParam, LPARAM lParam) {
  return reinterpret_cast<LRESULT>(object) + message + wParam + lParam;
}

TEST(Thunks, CallReplacesTheWindowHandleByTheObject) {
  WindowThunkPtr thunk = AllocateWindowThunk();
  ASSERT_TRUE(thunk);
  int object = 0;
  thunk->bind(&object, &EchoObject);
  LRESULT answer = thunk->entryPoint()(reinterpret_cast<HWND>(0x1234), 1, 2, 3);
  EXPECT_EQ(answer, reinterpret_cast<LRESULT>(&object) + 6);
  // Rebinding points the same entry at another object.
  int other = 0;
  thunk->bind(&other, &EchoObject);
  EXPECT_EQ(thunk->entryPoint()(nullptr, 0, 0, 0), reinterpret_cast<LRESULT>(&other));
}

TEST(Thunks, ThousandsOfWindowsLeakNoThunks) {
  // Warm up so the pool has its first page.
  { RecordingDialog warm; ScopedModeless window(warm); }
  const size_t liveBefore = WindowThunk::liveCount();
  const size_t reservedBefore = WindowThunk::reservedBytes();
  for (int i = 0; i < 500; ++i) {
    auto dialog = std::make_shared<DialogWindow>(IDD_TEST_DIALOG, 0);
    dialog->createModeless(nullptr, 0);
    ASSERT_NE(dialog->hwnd(), nullptr) << "cycle " << i;
    auto list = std::make_shared<ListViewControl>();
    list->attach(::GetDlgItem(dialog->hwnd(), IDC_TEST_LIST));
    ASSERT_NE(list->hwnd(), nullptr);
    if (i % 2 == 0) ::DestroyWindow(dialog->hwnd());  // the other half goes with the object
  }
  // Controls come and go more often than dialogs: thousands on one window.
  RecordingDialog host;
  ScopedModeless window(host);
  HWND edit = ::GetDlgItem(host.hwnd(), IDC_TEST_EDIT);
  for (int i = 0; i < 5000; ++i) {
    auto control = std::make_shared<SubclassedControl>();
    control->attach(edit);
    ASSERT_EQ(control->hwnd(), edit) << "cycle " << i;
  }
  EXPECT_EQ(WindowThunk::liveCount(), liveBefore + 1);  // the host dialog's own
  EXPECT_EQ(WindowThunk::reservedBytes(), reservedBefore);
}

}  // namespace
