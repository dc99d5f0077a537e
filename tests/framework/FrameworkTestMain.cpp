// The framework tests' entry: what static initialisation does for the tool
// (the resource module, the creation-list lock), then the common controls.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "ui/framework/DialogWindow.h"
#include "ui/framework/PendingCreationList.h"

int main(int argc, char** argv) {
  RecordResourceModule();
  PendingCreationList::InitialiseLock();
  INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&classes);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
