#include "scan/native/LocalHandleCopy.h"

namespace {
constexpr BOOL kInheritOwnerHandle = TRUE;
}  // namespace

LocalHandleCopy::LocalHandleCopy(HANDLE handle, DWORD ownerPid, DWORD ownPid, bool duplicateOwn) {
  HANDLE source = nullptr;
  if (ownerPid != ownPid) {
    owner_.reset(Sys().OpenProcess(PROCESS_DUP_HANDLE, kInheritOwnerHandle, ownerPid));
    if (!owner_) {
      ownerOpened_ = false;
      return;
    }
    source = owner_.get();
  } else if (duplicateOwn) {
    source = Sys().GetCurrentProcess();
  } else {
    handle_ = handle;
    return;
  }
  HANDLE duplicate = nullptr;
  if (Sys().DuplicateHandle(source, handle, Sys().GetCurrentProcess(), &duplicate, 0, FALSE,
                            DUPLICATE_SAME_ACCESS) != FALSE) {
    duplicate_.reset(duplicate);
  }
  handle_ = duplicate_.get();
}
