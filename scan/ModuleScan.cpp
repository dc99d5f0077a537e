#include "scan/ModuleScan.h"

#include <atomic>
#include <vector>

#include "os/ProcessTimes.h"
#include "os/UniqueHandle.h"
#include "scan/OwnerTable.h"
#include "scan/ScanLimits.h"
#include "scan/ResolutionThreads.h"

namespace {
constexpr DWORD kReadAccess = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;
// Module lists are asked with room for this many; a longer one is asked again.
constexpr DWORD kFirstModuleCount = 512;
// No process loads more; a larger answer is not believed.
constexpr DWORD kMostModules = 65536;

std::vector<HMODULE> modulesOf(HANDLE process) {
  std::vector<HMODULE> modules(kFirstModuleCount);
  for (int attempt = 0; attempt < 2; ++attempt) {
    DWORD needed = 0;
    const auto size = static_cast<DWORD>(modules.size() * sizeof(HMODULE));
    if (Sys().K32EnumProcessModulesEx(process, modules.data(), size, &needed, LIST_MODULES_ALL) == FALSE) return {};
    const std::size_t count = needed / sizeof(HMODULE);
    if (needed <= size) {
      modules.resize(count);
      return modules;
    }
    if (count > kMostModules) return {};
    modules.resize(count);
  }
  return {};
}

// True when the process runs under WOW64 (a 32-bit process on 64-bit
// Windows); false when it does not or the system cannot say.
bool underWow64(HANDLE process) {
  BOOL wow64 = FALSE;
  return Sys().IsWow64Process(process, &wow64) != FALSE && wow64 != FALSE;
}

// What the pass shares with its workers; lives until the last of them ends.
struct ModuleShare {
  ModuleFilter keep;
  // We are a 32-bit process on 64-bit Windows: the module lists of 64-bit
  // processes cannot be read cleanly from here (their 32-bit view is
  // partial), so only WOW64 processes are asked.
  bool onlyWow64Processes = false;
  std::vector<uint32_t> processIds;
  std::vector<SharedText> processNames;
  std::vector<std::vector<HandleRecord>> found;  // per process, delivered through the crew
  std::atomic<std::size_t> cursor{0};
  std::shared_ptr<ResolutionThreads> crew = std::make_shared<ResolutionThreads>();
};

std::vector<HandleRecord> modulesKept(const ModuleShare& share, std::size_t index) {
  std::vector<HandleRecord> kept;
  const uint32_t pid = share.processIds[index];
  const UniqueHandle process(Sys().OpenProcess(kReadAccess, FALSE, pid));
  if (!process) return kept;
  if (share.onlyWow64Processes && !underWow64(process.get())) return kept;
  for (const HMODULE module : modulesOf(process.get())) {
    const SharedText path = ModuleFileName(process.get(), module);
    if (path.IsEmpty() || !share.keep(path)) continue;
    HandleRecord record;
    record.ownerPid = pid;
    record.loadedModule = true;
    record.filePath = path;
    kept.push_back(record);
  }
  if (kept.empty()) return kept;
  const SharedText imagePath = ProcessImagePath(process.get());
  const uint64_t started = ProcessCreationTime(process.get());
  for (HandleRecord& record : kept) {
    record.processName = share.processNames[index];
    record.processPath = imagePath;
    record.ownerCreationTime = started;
  }
  return kept;
}
}  // namespace

bool AppendModuleRecords(const std::shared_ptr<HandleRecords>& records, const ModuleFilter& keep,
                         const ProcessList& processes, const CancelByte* cancel) {
  if (!keep) return true;
  auto share = std::make_shared<ModuleShare>();
  share->keep = keep;
  share->onlyWow64Processes = underWow64(Sys().GetCurrentProcess());
  const DWORD ownPid = Sys().GetCurrentProcessId();
  for (const uint32_t pid : processes.processIds()) {
    if (pid == 0 || pid == ownPid) continue;
    share->processIds.push_back(pid);
    share->processNames.push_back(processes.LookupProcessName(pid));
  }
  share->found.resize(share->processIds.size());
  const std::size_t wanted = std::min<std::size_t>(static_cast<std::size_t>(ScanLimitsInForce().workerCount()),
                                                   share->processIds.size());
  if (wanted == 0) return true;
  const std::size_t started = share->crew->start(wanted, [share] {
    while (!share->crew->stopping()) {
      const std::size_t index = share->cursor.fetch_add(1);
      if (index >= share->processIds.size()) break;
      std::vector<HandleRecord> kept = modulesKept(*share, index);
      share->crew->deliver([&] { share->found[index] = std::move(kept); });
    }
  });
  if (started == 0) return false;
  if (!share->crew->waitOrCancel(cancel)) return true;  // cancelled: the caller knows
  for (auto& kept : share->found) {
    for (HandleRecord& record : kept) records->push_back(std::move(record));
  }
  return true;
}
