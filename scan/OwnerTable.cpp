#include "scan/OwnerTable.h"

#include <vector>

#include "os/ProcessTimes.h"
#include "scan/native/NativeApi.h"

namespace {
// Duplicating handles, the exit code and times, the image path.
constexpr DWORD kFullAccess = PROCESS_DUP_HANDLE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;
// What is tried when the full rights are refused, most useful first.
constexpr DWORD kFallbackAccess[] = {PROCESS_DUP_HANDLE | PROCESS_QUERY_INFORMATION, PROCESS_DUP_HANDLE,
                                     PROCESS_QUERY_INFORMATION | PROCESS_VM_READ};
// On NT 4, handles held by the service control manager are left alone.
constexpr DWORD kServicesRuleVersion = 4;
const char* const kServicesImage = "services.exe";

// ASCII letters without regard to case; every other unit as it is.
bool equalsIgnoringAsciiCase(const WCHAR* a, const char* b) {
  const auto fold = [](unsigned value) { return value >= 'A' && value <= 'Z' ? value - 'A' + 'a' : value; };
  for (; *a != 0 && *b != '\0'; ++a, ++b) {
    if (fold(*a) != fold(static_cast<unsigned char>(*b))) return false;
  }
  return *a == 0 && *b == '\0';
}

// The most units an image path is given: the longest path the system names.
constexpr DWORD kPathUnits = 32768;

}  // namespace

Owner& OwnerTable::Open(uint32_t pid) {
  std::unique_ptr<Owner>& slot = owners_[pid];
  if (slot) return *slot;
  slot = std::make_unique<Owner>();
  slot->pid = pid;
  slot->process.reset(Sys().OpenProcess(kFullAccess, FALSE, pid));
  DWORD granted = kFullAccess;
  for (const DWORD access : kFallbackAccess) {
    if (slot->process) break;
    slot->process.reset(Sys().OpenProcess(access, FALSE, pid));
    granted = access;
  }
  slot->canDuplicate = slot->process && (granted & PROCESS_DUP_HANDLE) != 0;
  return *slot;
}

void OwnerTable::Describe(const CancelByte* cancel) {
  if (described_) return;
  described_ = true;
  processes_.Fill();
  for (auto& [pid, owner] : owners_) {
    if (IsRaised(cancel)) return;
    if (!owner->holdsRecords) continue;
    owner->imageName = processes_.LookupProcessName(pid);
    owner->leftAlone =
        OsMajorVersion == kServicesRuleVersion && equalsIgnoringAsciiCase(owner->imageName.GetString(), kServicesImage);
    if (!owner->process) continue;
    DWORD exitCode = 0;
    owner->running = Sys().GetExitCodeProcess(owner->process.get(), &exitCode) != FALSE && exitCode == STILL_ACTIVE;
    owner->creationTime = ProcessCreationTime(owner->process.get());
    owner->imagePath = ProcessImagePath(owner->process.get());
  }
}

SharedText ModuleFileName(HANDLE process, HMODULE module) {
  // Asked for every module of every process: the space is on the stack.
  // The call cuts longer paths off to fit; a cut-off path names no file.
  constexpr DWORD kModulePathUnits = 4096;
  WCHAR space[kModulePathUnits];
  const DWORD length = Sys().K32GetModuleFileNameExW(process, module, space, kModulePathUnits);
  if (length == 0 || length >= kModulePathUnits - 1) return SharedText();
  return SharedText(space, length);
}

SharedText ProcessImagePath(HANDLE process) {
  std::vector<WCHAR> space(kPathUnits);
  DWORD length = kPathUnits;
  if (Sys().QueryFullProcessImageNameW(process, 0, space.data(), &length) == FALSE) return SharedText();
  if (length == 0 || length >= kPathUnits) return SharedText();
  return SharedText(space.data(), length);
}
