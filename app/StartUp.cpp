// Static initialisation, in this order, before the entry point runs: the
// resource module, the creation-list lock, the OS version, the native
// binding. Kept in one file so the order is the order of the statements.

#include "scan/native/NativeApi.h"
#include "ui/framework/DialogWindow.h"
#include "ui/framework/PendingCreationList.h"

namespace {
struct StartUp {
  StartUp() {
    RecordResourceModule();
    PendingCreationList::InitialiseLock();
    ReadOsMajorVersion();
    BindNativeApi();
  }
};
// Linked into the exe by the reference from WinMain, so it cannot be dropped.
StartUp startUp;
}  // namespace

void EnsureStartUpLinked() {}
