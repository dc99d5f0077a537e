#pragma once
// The holders of one held file, C:\data\held.txt, as the tests of freeing it
// use them: an editor holding it twice, a backup once, a player that has it
// loaded as a module (when a test adds its row), all started at one moment.

#include <cstdint>

#include "fakes/FakeSystem.h"
#include "scan/HandleRecord.h"
#include "text/WideText.h"

namespace held_file {

constexpr uint32_t kEditor = 700;   // two handles on the file
constexpr uint32_t kBackup = 701;   // one handle on the file
constexpr uint32_t kPlayer = 702;   // has the file loaded as a module
constexpr uint64_t kStarted = 1234;
inline const WCHAR* const kHeld = WTEXT("C:\\data\\held.txt");

// A row of the search, as the search would have kept it.
inline HandleRecord Row(uint32_t pid, uint32_t value, const WCHAR* path, const WCHAR* process, bool module = false) {
  HandleRecord record;
  record.ownerPid = pid;
  record.handleValue = value;
  record.ownerCreationTime = kStarted;
  record.filePath = SharedText(WideText(path));
  record.processName = SharedText(WideText(process));
  record.loadedModule = module;
  return record;
}

// The three programs in `system`, and the editor's and the backup's handles.
inline void AddHolders(FakeSystem& system) {
  for (const uint32_t pid : {kEditor, kBackup, kPlayer}) {
    FakeSystem::Process process{u"p.exe", "C:\\p.exe"};
    process.creationTime = kStarted;
    system.addProcess(pid, process);
  }
  const FakeSystem::Object file{u"File", u"", "\\\\?\\C:\\data\\held.txt"};
  system.addHandle(kEditor, 0x44, file);
  system.addHandle(kEditor, 0x48, file);
  system.addHandle(kBackup, 0x10, file);
}

}  // namespace held_file
