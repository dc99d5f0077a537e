#include "scan/OwnerTable.h"

#include <cctype>

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

bool equalsIgnoringCase(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b))) return false;
  }
  return *a == *b;
}

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
        OsMajorVersion == kServicesRuleVersion && equalsIgnoringCase(owner->imageName, kServicesImage);
    if (!owner->process) continue;
    DWORD exitCode = 0;
    owner->running = Sys().GetExitCodeProcess(owner->process.get(), &exitCode) != FALSE && exitCode == STILL_ACTIVE;
    owner->creationTime = ProcessCreationTime(owner->process.get());
    owner->imagePath = ModuleFileName(owner->process.get(), nullptr);
  }
}

AnsiString ModuleFileName(HANDLE process, HMODULE module) {
  constexpr int kPathSpace = 4104;
  constexpr DWORD kPathLength = 4096;
  char space[kPathSpace];
  space[0] = '\0';
  space[kPathLength] = '\0';
  // A failed call writes nothing: the text stays empty. Copied out, so the
  // text holds only what it needs.
  Sys().K32GetModuleFileNameExA(process, module, space, kPathLength);
  return AnsiString(space);
}
