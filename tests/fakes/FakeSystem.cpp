#include "fakes/FakeSystem.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "scan/native/NativeLayouts.h"
#include "text/CodePageConversion.h"

namespace {
constexpr NTSTATUS kStatusObjectTypeMismatch = static_cast<NTSTATUS>(0xC0000024u);
constexpr NTSTATUS kStatusInvalidHandle = static_cast<NTSTATUS>(0xC0000008u);
const HANDLE kPseudoProcess = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1));
const HMODULE kNtdll = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x7000));

struct ThreadState {
  std::mutex lock;
  std::condition_variable changed;
  bool done = false;
};

struct Handle {
  std::shared_ptr<FakeSystem::Object> object;
  std::shared_ptr<ThreadState> thread;
  bool isProcess = false;
  uint32_t processPid = 0;
  bool handedOut = false;
  bool isToken = false;
};

std::size_t roundUp(std::size_t value, std::size_t unit) { return (value + unit - 1) / unit * unit; }
}  // namespace

struct FakeSystem::Impl {
  mutable std::mutex lock;
  std::condition_variable changed;  // hangs, the gate, thread ends

  std::map<uint32_t, Process> processes;
  std::map<uint32_t, std::map<uintptr_t, Handle>> handles;
  std::vector<TableEntry> table;
  bool extendedKnown = true;
  bool addressesShown = true;
  InformationScript script;
  std::function<void()> typeQueryHook;
  std::function<void()> pathQueryHook;
  int pathQueries = 0;
  std::set<std::string> missing;

  std::set<int> failedAllocations;
  int allocationCalls = 0;
  std::map<void*, std::unique_ptr<unsigned char[]>> allocations;
  bool failCreate = false;
  std::set<int> failedStarts;
  int startCalls = 0;
  int started = 0;
  int maxRunning = 0;
  bool gateClosed = false;
  int waiting = 0;
  int maxWaiting = 0;
  bool hangsReleased = false;
  std::vector<std::thread> threads;
  int running = 0;
  uintptr_t nextHandle = 0x100000;
  int handedOut = 0;

  DWORD major = 10;
  std::set<DWORD> acceptedSizes{sizeof(OSVERSIONINFOEXA), sizeof(OSVERSIONINFOA)};
  bool tokenOpens = true;
  bool lookupSucceeds = true;
  bool adjustSucceeds = true;
  DWORD lastError = 0;
  int tokenCloses = 0;
  bool adjusted = false;
  std::vector<std::string> privileges;

  std::vector<ULONG> informationCalls;
  std::vector<DWORD> sleeps;
  std::vector<OpenProcessCall> openCalls;
  std::vector<ThreadCall> threadCalls;
  std::vector<DWORD> versionSizes;
  int duplicateCalls = 0;
  int imagePathQueries = 0;
  int badCloses = 0;

  HANDLE newHandle(Handle handle) {
    handle.handedOut = true;
    const uintptr_t value = nextHandle;
    nextHandle += 4;
    handles[FakeSystem::kOwnPid][value] = std::move(handle);
    ++handedOut;
    return reinterpret_cast<HANDLE>(value);
  }
  Handle* find(HANDLE handle) {
    auto& own = handles[FakeSystem::kOwnPid];
    const auto found = own.find(reinterpret_cast<uintptr_t>(handle));
    return found == own.end() ? nullptr : &found->second;
  }
  // Runs body on a thread of the fake's own, joined at the end.
  void spawn(std::function<void()> body) {
    ++running;
    maxRunning = std::max(maxRunning, running);
    threads.emplace_back([this, body = std::move(body)] {
      body();
      const std::lock_guard<std::mutex> guard(lock);
      --running;
      changed.notify_all();
    });
  }
};

namespace {
FakeSystem::Impl* fake = nullptr;

// --- native layer
NTSTATUS WINAPI FakeNtQuerySystemInformation(ULONG informationClass, void* buffer, ULONG length, ULONG* returned);
NTSTATUS WINAPI FakeNtQueryObject(HANDLE handle, ULONG informationClass, void* buffer, ULONG length,
                                  ULONG* returned);

// What the extended table gives as the object's address (called under the lock).
uint64_t tableObjectAddress(const FakeSystem::TableEntry& entry) {
  if (!fake->addressesShown) return 0;
  if (entry.objectAddress != 0) return entry.objectAddress;
  const auto process = fake->handles.find(entry.ownerPid);
  if (process == fake->handles.end()) return 0;
  const auto handle = process->second.find(entry.handleValue);
  if (handle == process->second.end()) return 0;
  return reinterpret_cast<uintptr_t>(handle->second.object.get());
}

template <typename Table, typename Fill>
NTSTATUS writeTable(const std::vector<FakeSystem::TableEntry>& entries, void* buffer, ULONG length, ULONG* returned,
                    Fill fill) {
  using Entry = std::remove_reference_t<decltype(Table::entries[0])>;
  const std::size_t needed = offsetof(Table, entries) + entries.size() * sizeof(Entry);
  if (returned != nullptr) *returned = static_cast<ULONG>(needed);
  if (length < needed) return kStatusInfoLengthMismatch;
  std::memset(buffer, 0, needed);
  static_cast<Table*>(buffer)->count = static_cast<decltype(Table::count)>(entries.size());
  auto* first = reinterpret_cast<Entry*>(static_cast<unsigned char*>(buffer) + offsetof(Table, entries));
  for (std::size_t i = 0; i < entries.size(); ++i) fill(first[i], entries[i]);
  return kStatusSuccess;
}

NTSTATUS writeProcessList(const std::map<uint32_t, FakeSystem::Process>& processes, void* buffer, ULONG length,
                          ULONG* returned) {
  std::size_t needed = 0;
  for (const auto& entry : processes) {
    needed += roundUp(sizeof(ProcessListEntry) + (entry.second.imageName.size() + 1) * sizeof(WCHAR), 8);
  }
  if (returned != nullptr) *returned = static_cast<ULONG>(needed);
  if (length < needed) return kStatusInfoLengthMismatch;
  std::memset(buffer, 0, needed);
  auto* base = static_cast<unsigned char*>(buffer);
  std::size_t offset = 0;
  std::size_t left = processes.size();
  for (const auto& [pid, process] : processes) {
    const std::size_t size = roundUp(sizeof(ProcessListEntry) + (process.imageName.size() + 1) * sizeof(WCHAR), 8);
    auto* entry = reinterpret_cast<ProcessListEntry*>(base + offset);
    auto* chars = reinterpret_cast<WCHAR*>(base + offset + sizeof(ProcessListEntry));
    std::copy(process.imageName.begin(), process.imageName.end(), chars);
    entry->nextEntryOffset = --left == 0 ? 0 : static_cast<ULONG>(size);
    if (!process.imageName.empty()) {
      entry->imageName.Length = static_cast<USHORT>(process.imageName.size() * sizeof(WCHAR));
      entry->imageName.MaximumLength = static_cast<USHORT>(entry->imageName.Length + sizeof(WCHAR));
      entry->imageName.Buffer = chars;
    }
    entry->processId = pid;
    offset += size;
  }
  return kStatusSuccess;
}

NTSTATUS WINAPI FakeNtQuerySystemInformation(ULONG informationClass, void* buffer, ULONG length, ULONG* returned) {
  std::unique_lock<std::mutex> guard(fake->lock);
  fake->informationCalls.push_back(informationClass);
  if (fake->script) {
    NTSTATUS status = kStatusSuccess;
    const auto script = fake->script;
    guard.unlock();
    if (script(informationClass, buffer, length, returned, status)) return status;
    guard.lock();
  }
  switch (informationClass) {
    case kSystemExtendedHandleInformation:
      if (!fake->extendedKnown) return kStatusInvalidInfoClass;
      return writeTable<ExtendedHandleTable>(fake->table, buffer, length, returned,
                                             [](ExtendedHandleTableEntry& out, const FakeSystem::TableEntry& in) {
                                               out.ownerPid = in.ownerPid;
                                               out.handleValue = in.handleValue;
                                               out.typeNumber = in.typeNumber;
                                               out.attributes = in.attributes;
                                               out.grantedAccess = in.grantedAccess;
                                               out.object = reinterpret_cast<void*>(
                                                   static_cast<uintptr_t>(tableObjectAddress(in)));
                                             });
    case kSystemHandleInformation:
      // The basic table has room for 16 bits of process ID and handle value.
      return writeTable<HandleTable>(fake->table, buffer, length, returned,
                                     [](HandleTableEntry& out, const FakeSystem::TableEntry& in) {
                                       out.ownerPid = in.ownerPid & 0xFFFF;
                                       out.handleValue = static_cast<USHORT>(in.handleValue);
                                       out.typeNumber = static_cast<UCHAR>(in.typeNumber);
                                       out.attributes = static_cast<UCHAR>(in.attributes);
                                       out.grantedAccess = in.grantedAccess;
                                       out.object = reinterpret_cast<void*>(
                                           static_cast<uintptr_t>(tableObjectAddress(in)));
                                     });
    case kSystemProcessInformation:
      return writeProcessList(fake->processes, buffer, length, returned);
    default:
      return kStatusInvalidInfoClass;
  }
}

NTSTATUS writeCounted(const std::u16string& text, std::size_t header, void* buffer, ULONG length, ULONG* returned) {
  const std::size_t needed = header + (text.size() + 1) * sizeof(WCHAR);
  if (returned != nullptr) *returned = static_cast<ULONG>(needed);
  if (buffer == nullptr || length < needed) return kStatusInfoLengthMismatch;
  std::memset(buffer, 0, needed);
  auto* chars = reinterpret_cast<WCHAR*>(static_cast<unsigned char*>(buffer) + header);
  std::copy(text.begin(), text.end(), chars);
  auto* counted = static_cast<CountedString*>(buffer);
  counted->Length = static_cast<USHORT>(text.size() * sizeof(WCHAR));
  counted->MaximumLength = static_cast<USHORT>(counted->Length + sizeof(WCHAR));
  counted->Buffer = chars;
  return kStatusSuccess;
}

NTSTATUS WINAPI FakeNtQueryObject(HANDLE handle, ULONG informationClass, void* buffer, ULONG length,
                                  ULONG* returned) {
  std::shared_ptr<FakeSystem::Object> object;
  std::function<void()> hook;
  {
    const std::lock_guard<std::mutex> guard(fake->lock);
    Handle* found = fake->find(handle);
    if (found == nullptr || !found->object) return kStatusInvalidHandle;
    object = found->object;
    hook = fake->typeQueryHook;
  }
  if (informationClass == kObjectTypeInformation) {
    if (hook && buffer != nullptr) hook();
    const NTSTATUS status = writeCounted(object->typeName, sizeof(ObjectTypeRecord), buffer, length, returned);
    return status == kStatusSuccess ? object->typeStatus : status;
  }
  if (informationClass == kObjectNameInformation) {
    const NTSTATUS status = writeCounted(object->objectName, sizeof(ObjectNameRecord), buffer, length, returned);
    return status == kStatusSuccess ? object->nameStatus : status;
  }
  return kStatusInvalidInfoClass;
}

NTSTATUS WINAPI FakeNtQueryInformationThread(HANDLE thread, ULONG informationClass, void* buffer, ULONG length,
                                             ULONG*) {
  const std::lock_guard<std::mutex> guard(fake->lock);
  Handle* found = fake->find(thread);
  if (found == nullptr || !found->object) return kStatusInvalidHandle;
  if (informationClass != kThreadBasicInformation || length < sizeof(ThreadBasicRecord) ||
      found->object->threadId == 0) {
    return kStatusObjectTypeMismatch;
  }
  auto* info = static_cast<ThreadBasicRecord*>(buffer);
  info->clientThreadId = reinterpret_cast<void*>(static_cast<uintptr_t>(found->object->threadId));
  return kStatusSuccess;
}

NTSTATUS WINAPI FakeNtQueryInformationProcess(HANDLE process, ULONG informationClass, void* buffer, ULONG length,
                                              ULONG*) {
  const std::lock_guard<std::mutex> guard(fake->lock);
  Handle* found = fake->find(process);
  if (found == nullptr || !found->object) return kStatusInvalidHandle;
  if (informationClass == kProcessBreakOnTermination && found->isProcess) {
    if (length != sizeof(ULONG)) return kStatusInfoLengthMismatch;
    *static_cast<ULONG*>(buffer) = fake->processes[found->processPid].critical ? 1 : 0;
    return kStatusSuccess;
  }
  if (informationClass != kProcessBasicInformation || length < sizeof(ProcessBasicRecord) ||
      found->object->processId == 0) {
    return kStatusObjectTypeMismatch;
  }
  static_cast<ProcessBasicRecord*>(buffer)->processId = found->object->processId;
  return kStatusSuccess;
}

NTSTATUS WINAPI FakeNtQueryInformationFile(HANDLE, void*, void*, ULONG, ULONG) { return kStatusInvalidInfoClass; }

// --- kernel32 and advapi32
HMODULE WINAPI FakeGetModuleHandleA(LPCSTR name) {
  return name != nullptr && std::string(name) == "ntdll.dll" ? kNtdll : nullptr;
}

FARPROC WINAPI FakeGetProcAddress(HMODULE module, LPCSTR name) {
  const std::lock_guard<std::mutex> guard(fake->lock);
  if (module != kNtdll || fake->missing.count(name) != 0) return nullptr;
  const std::string wanted(name);
  void* entry = nullptr;
  if (wanted == "NtQuerySystemInformation") entry = reinterpret_cast<void*>(FakeNtQuerySystemInformation);
  if (wanted == "NtQueryObject") entry = reinterpret_cast<void*>(FakeNtQueryObject);
  if (wanted == "NtQueryInformationThread") entry = reinterpret_cast<void*>(FakeNtQueryInformationThread);
  if (wanted == "NtQueryInformationFile") entry = reinterpret_cast<void*>(FakeNtQueryInformationFile);
  if (wanted == "NtQueryInformationProcess") entry = reinterpret_cast<void*>(FakeNtQueryInformationProcess);
  return reinterpret_cast<FARPROC>(entry);
}

BOOL WINAPI FakeGetVersionExA(OSVERSIONINFOA* record) {
  const std::lock_guard<std::mutex> guard(fake->lock);
  fake->versionSizes.push_back(record->dwOSVersionInfoSize);
  if (fake->acceptedSizes.count(record->dwOSVersionInfoSize) == 0) return FALSE;
  record->dwMajorVersion = fake->major;
  return TRUE;
}

HANDLE WINAPI FakeGetCurrentProcess() { return kPseudoProcess; }
DWORD WINAPI FakeGetCurrentProcessId() { return FakeSystem::kOwnPid; }
DWORD WINAPI FakeGetLastError() {
  const std::lock_guard<std::mutex> guard(fake->lock);
  return fake->lastError;
}

BOOL WINAPI FakeOpenProcessToken(HANDLE, DWORD, HANDLE* token) {
  const std::lock_guard<std::mutex> guard(fake->lock);
  if (!fake->tokenOpens) return FALSE;
  Handle handle;
  handle.isToken = true;
  *token = fake->newHandle(handle);
  return TRUE;
}

BOOL WINAPI FakeLookupPrivilegeValueA(LPCSTR, LPCSTR name, LUID* luid) {
  const std::lock_guard<std::mutex> guard(fake->lock);
  fake->privileges.emplace_back(name);
  if (!fake->lookupSucceeds) return FALSE;
  luid->LowPart = 20;
  luid->HighPart = 0;
  return TRUE;
}

BOOL WINAPI FakeAdjustTokenPrivileges(HANDLE token, BOOL disableAll, TOKEN_PRIVILEGES* state, DWORD length,
                                      TOKEN_PRIVILEGES*, DWORD*) {
  const std::lock_guard<std::mutex> guard(fake->lock);
  Handle* found = fake->find(token);
  if (found == nullptr || !found->isToken || disableAll != FALSE || length != sizeof(TOKEN_PRIVILEGES) ||
      state->PrivilegeCount != 1 || state->Privileges[0].Luid.LowPart != 20 ||
      state->Privileges[0].Attributes != SE_PRIVILEGE_ENABLED) {
    return FALSE;
  }
  if (!fake->adjustSucceeds) return FALSE;
  fake->adjusted = true;
  return TRUE;
}

BOOL WINAPI FakeCloseHandle(HANDLE handle) {
  const std::lock_guard<std::mutex> guard(fake->lock);
  auto& own = fake->handles[FakeSystem::kOwnPid];
  const auto found = own.find(reinterpret_cast<uintptr_t>(handle));
  if (found == own.end()) {
    ++fake->badCloses;
    return FALSE;
  }
  if (found->second.handedOut) --fake->handedOut;
  if (found->second.isToken) ++fake->tokenCloses;
  own.erase(found);
  return TRUE;
}

HANDLE WINAPI FakeOpenProcess(DWORD access, BOOL inherit, DWORD pid) {
  const std::lock_guard<std::mutex> guard(fake->lock);
  fake->openCalls.push_back({access, inherit, pid});
  const auto process = fake->processes.find(pid);
  if (process == fake->processes.end() || !process->second.openable) return nullptr;
  Handle handle;
  handle.isProcess = true;
  handle.processPid = pid;
  handle.object = std::make_shared<FakeSystem::Object>();
  handle.object->typeName = u"Process";
  handle.object->processId = pid;
  return fake->newHandle(handle);
}

BOOL WINAPI FakeDuplicateHandle(HANDLE sourceProcess, HANDLE source, HANDLE targetProcess, HANDLE* target, DWORD,
                                BOOL, DWORD options) {
  std::unique_lock<std::mutex> guard(fake->lock);
  ++fake->duplicateCalls;
  uint32_t pid = FakeSystem::kOwnPid;
  if (sourceProcess != kPseudoProcess) {
    Handle* process = fake->find(sourceProcess);
    if (process == nullptr || !process->isProcess) return FALSE;
    pid = process->processPid;
  }
  if (targetProcess != kPseudoProcess || (options & ~DUPLICATE_CLOSE_SOURCE) != DUPLICATE_SAME_ACCESS) return FALSE;
  if ((options & DUPLICATE_CLOSE_SOURCE) != 0 && fake->processes[pid].closingHangs) {
    fake->changed.wait(guard, [] { return fake->hangsReleased; });
  }
  auto& table = fake->handles[pid];
  const auto found = table.find(reinterpret_cast<uintptr_t>(source));
  if (found == table.end()) return FALSE;
  Handle copy = found->second;
  copy.handedOut = false;
  if ((options & DUPLICATE_CLOSE_SOURCE) != 0) {
    if (found->second.handedOut) --fake->handedOut;
    table.erase(found);
  }
  *target = fake->newHandle(copy);
  return TRUE;
}

void waitAtGate(std::unique_lock<std::mutex>& guard) {
  if (!fake->gateClosed) return;
  ++fake->waiting;
  fake->maxWaiting = std::max(fake->maxWaiting, fake->waiting);
  fake->changed.notify_all();
  fake->changed.wait(guard, [] { return !fake->gateClosed; });
  --fake->waiting;
}

BOOL WINAPI FakeGetExitCodeProcess(HANDLE process, DWORD* exitCode) {
  std::unique_lock<std::mutex> guard(fake->lock);
  waitAtGate(guard);
  Handle* found = fake->find(process);
  if (found == nullptr || !found->isProcess) return FALSE;
  *exitCode = fake->processes[found->processPid].exitCode;
  return TRUE;
}

BOOL WINAPI FakeTerminateProcess(HANDLE process, UINT exitCode) {
  const std::lock_guard<std::mutex> guard(fake->lock);
  Handle* found = fake->find(process);
  if (found == nullptr || !found->isProcess) return FALSE;
  fake->processes[found->processPid].exitCode = exitCode;
  return TRUE;
}

BOOL WINAPI FakeGetProcessTimes(HANDLE process, FILETIME* creation, FILETIME* exit, FILETIME* kernel,
                                FILETIME* user) {
  const std::lock_guard<std::mutex> guard(fake->lock);
  Handle* found = fake->find(process);
  if (found == nullptr || !found->isProcess) return FALSE;
  const uint64_t time = fake->processes[found->processPid].creationTime;
  creation->dwLowDateTime = static_cast<DWORD>(time);
  creation->dwHighDateTime = static_cast<DWORD>(time >> 32);
  *exit = FILETIME{};
  *kernel = FILETIME{};
  *user = FILETIME{};
  return TRUE;
}

// Module handles are their index in the process's list, plus one, in the high half.
HMODULE moduleHandle(std::size_t index) { return reinterpret_cast<HMODULE>(static_cast<uintptr_t>(index + 1) << 16); }

BOOL WINAPI FakeK32EnumProcessModulesEx(HANDLE process, HMODULE* modules, DWORD size, DWORD* needed, DWORD) {
  const std::lock_guard<std::mutex> guard(fake->lock);
  Handle* found = fake->find(process);
  if (found == nullptr || !found->isProcess) return FALSE;
  const auto& paths = fake->processes[found->processPid].modules;
  *needed = static_cast<DWORD>(paths.size() * sizeof(HMODULE));
  for (std::size_t i = 0; i < paths.size() && (i + 1) * sizeof(HMODULE) <= size; ++i) modules[i] = moduleHandle(i);
  return TRUE;
}

// The model's paths are narrow (code page 936); the system answers in UTF-16.
DWORD widenInto(const std::string& path, LPWSTR buffer, DWORD size) {
  if (path.empty() || size == 0) return 0;
  const int units = AnsiToWideUnits(path.c_str(), static_cast<int>(path.size()), nullptr, 0);
  if (units <= 0) return 0;
  // Cut off to fit, terminated, as the module call does.
  std::vector<WCHAR> wide(static_cast<std::size_t>(units));
  AnsiToWideUnits(path.c_str(), static_cast<int>(path.size()), wide.data(), units);
  const std::size_t length = std::min<std::size_t>(wide.size(), size - 1);
  std::copy(wide.begin(), wide.begin() + static_cast<std::ptrdiff_t>(length), buffer);
  buffer[length] = 0;
  return static_cast<DWORD>(length);
}

DWORD WINAPI FakeK32GetModuleFileNameExW(HANDLE process, HMODULE module, LPWSTR buffer, DWORD size) {
  const std::lock_guard<std::mutex> guard(fake->lock);
  Handle* found = fake->find(process);
  if (found == nullptr || !found->isProcess || size == 0) return 0;
  const FakeSystem::Process& owner = fake->processes[found->processPid];
  const std::size_t index = (reinterpret_cast<uintptr_t>(module) >> 16);
  if (module == nullptr) return widenInto(owner.imagePath, buffer, size);
  if (index == 0 || index > owner.modules.size()) return 0;
  return widenInto(owner.modules[index - 1], buffer, size);
}

BOOL WINAPI FakeQueryFullProcessImageNameW(HANDLE process, DWORD, LPWSTR buffer, DWORD* size) {
  const std::lock_guard<std::mutex> guard(fake->lock);
  Handle* found = fake->find(process);
  if (found == nullptr || !found->isProcess || size == nullptr || *size == 0) return FALSE;
  ++fake->imagePathQueries;
  const FakeSystem::Process& owner = fake->processes[found->processPid];
  const DWORD length = widenInto(owner.imagePath, buffer, *size);
  if (length == 0 || length + 1 >= *size) return FALSE;
  *size = length;
  return TRUE;
}

BOOL WINAPI FakeIsWow64Process(HANDLE process, BOOL* underWow64) {
  const std::lock_guard<std::mutex> guard(fake->lock);
  uint32_t pid = FakeSystem::kOwnPid;
  if (process != kPseudoProcess) {
    Handle* found = fake->find(process);
    if (found == nullptr || !found->isProcess) return FALSE;
    pid = found->processPid;
  }
  *underWow64 = fake->processes[pid].underWow64 ? TRUE : FALSE;
  return TRUE;
}

DWORD WINAPI FakeGetFinalPathNameByHandleW(HANDLE file, LPWSTR buffer, DWORD size, DWORD) {
  std::function<void()> hook;
  {
    const std::lock_guard<std::mutex> guard(fake->lock);
    ++fake->pathQueries;
    hook = fake->pathQueryHook;
  }
  if (hook) hook();
  std::unique_lock<std::mutex> guard(fake->lock);
  Handle* found = fake->find(file);
  if (found == nullptr || !found->object) return 0;
  const auto object = found->object;
  if (object->pathQueryHangs) fake->changed.wait(guard, [] { return fake->hangsReleased; });
  const std::string& path = object->finalPath;
  if (path.empty()) return 0;
  // The model's paths are narrow (code page 936); the system answers in UTF-16.
  const int units = AnsiToWideUnits(path.c_str(), static_cast<int>(path.size()), nullptr, 0);
  if (units <= 0) return 0;
  if (static_cast<DWORD>(units) + 1 > size) return static_cast<DWORD>(units + 1);
  AnsiToWideUnits(path.c_str(), static_cast<int>(path.size()), buffer, units);
  buffer[units] = 0;
  return static_cast<DWORD>(units);
}

DWORD WINAPI FakeGetFileType(HANDLE file) {
  std::unique_lock<std::mutex> guard(fake->lock);
  Handle* found = fake->find(file);
  if (found == nullptr || !found->object) return FILE_TYPE_UNKNOWN;
  const auto object = found->object;
  if (object->fileTypeHangs) fake->changed.wait(guard, [] { return fake->hangsReleased; });
  return object->fileType;
}

BOOL WINAPI FakeGetFileInformationByHandle(HANDLE file, BY_HANDLE_FILE_INFORMATION* information) {
  const std::lock_guard<std::mutex> guard(fake->lock);
  Handle* found = fake->find(file);
  if (found == nullptr || !found->object || !found->object->identityKnown) return FALSE;
  *information = BY_HANDLE_FILE_INFORMATION{};
  const auto identity = reinterpret_cast<uint64_t>(found->object.get());
  information->dwVolumeSerialNumber = 0x5EED;
  information->nFileIndexHigh = static_cast<DWORD>(identity >> 32);
  information->nFileIndexLow = static_cast<DWORD>(identity);
  return TRUE;
}

HANDLE WINAPI FakeCreateThread(SECURITY_ATTRIBUTES*, SIZE_T stackSize, LPTHREAD_START_ROUTINE start,
                               LPVOID parameter, DWORD flags, DWORD*) {
  const std::lock_guard<std::mutex> guard(fake->lock);
  fake->threadCalls.push_back({stackSize, flags});
  if (fake->failCreate || fake->failedStarts.count(++fake->startCalls) != 0) return nullptr;
  ++fake->started;
  auto state = std::make_shared<ThreadState>();
  Handle handle;
  handle.thread = state;
  handle.object = std::make_shared<FakeSystem::Object>();
  handle.object->typeName = u"Thread";
  HANDLE result = fake->newHandle(handle);
  fake->spawn([state, start, parameter] {
    start(parameter);
    const std::lock_guard<std::mutex> threadGuard(state->lock);
    state->done = true;
    state->changed.notify_all();
  });
  return result;
}

LPVOID WINAPI FakeVirtualAlloc(LPVOID, SIZE_T size, DWORD, DWORD) {
  const std::lock_guard<std::mutex> guard(fake->lock);
  if (fake->failedAllocations.count(++fake->allocationCalls) != 0) return nullptr;
  auto block = std::make_unique<unsigned char[]>(size);
  void* address = block.get();
  fake->allocations[address] = std::move(block);
  return address;
}

BOOL WINAPI FakeVirtualFree(LPVOID address, SIZE_T size, DWORD type) {
  const std::lock_guard<std::mutex> guard(fake->lock);
  if (size != 0 || type != MEM_RELEASE) return FALSE;
  return fake->allocations.erase(address) == 1 ? TRUE : FALSE;
}

void WINAPI FakeSleep(DWORD milliseconds) {
  {
    const std::lock_guard<std::mutex> guard(fake->lock);
    fake->sleeps.push_back(milliseconds);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

SystemCalls fakeCalls() {
  SystemCalls calls = RealSystemCalls();
  calls.GetModuleHandleA = FakeGetModuleHandleA;
  calls.GetProcAddress = FakeGetProcAddress;
  calls.GetVersionExA = FakeGetVersionExA;
  calls.GetCurrentProcess = FakeGetCurrentProcess;
  calls.GetCurrentProcessId = FakeGetCurrentProcessId;
  calls.GetLastError = FakeGetLastError;
  calls.OpenProcessToken = FakeOpenProcessToken;
  calls.LookupPrivilegeValueA = FakeLookupPrivilegeValueA;
  calls.AdjustTokenPrivileges = FakeAdjustTokenPrivileges;
  calls.CloseHandle = FakeCloseHandle;
  calls.OpenProcess = FakeOpenProcess;
  calls.DuplicateHandle = FakeDuplicateHandle;
  calls.GetExitCodeProcess = FakeGetExitCodeProcess;
  calls.TerminateProcess = FakeTerminateProcess;
  calls.GetProcessTimes = FakeGetProcessTimes;
  calls.K32EnumProcessModulesEx = FakeK32EnumProcessModulesEx;
  calls.K32GetModuleFileNameExW = FakeK32GetModuleFileNameExW;
  calls.QueryFullProcessImageNameW = FakeQueryFullProcessImageNameW;
  calls.GetFinalPathNameByHandleW = FakeGetFinalPathNameByHandleW;
  calls.GetFileType = FakeGetFileType;
  calls.GetFileInformationByHandle = FakeGetFileInformationByHandle;
  calls.IsWow64Process = FakeIsWow64Process;
  calls.CreateThread = FakeCreateThread;
  calls.VirtualAlloc = FakeVirtualAlloc;
  calls.VirtualFree = FakeVirtualFree;
  calls.Sleep = FakeSleep;
  return calls;
}
}  // namespace

FakeSystem::FakeSystem()
    : impl_(std::make_unique<Impl>()),
      savedApi_(NativeApi),
      savedVersion_(OsMajorVersion),
      savedLimits_(ScanLimitsInForce()) {
  fake = impl_.get();
  impl_->processes[kOwnPid] = Process{u"ostrel.exe", "C:\\Tools\\ostrel.exe", true, STILL_ACTIVE};
  scoped_ = std::make_unique<ScopedSystemCalls>(fakeCalls());
  BindNativeApi();
  OsMajorVersion = 10;
  setWaitScale(20);  // generous by default: sanitizers slow threads down
}

FakeSystem::~FakeSystem() {
  releaseHangs();
  openGate();
  for (;;) {
    std::vector<std::thread> threads;
    {
      const std::lock_guard<std::mutex> guard(impl_->lock);
      threads.swap(impl_->threads);
    }
    if (threads.empty()) break;
    for (auto& thread : threads) thread.join();
  }
  NativeApi = savedApi_;
  OsMajorVersion = savedVersion_;
  ScanLimitsInForce() = savedLimits_;
  scoped_.reset();
  fake = nullptr;
}

void FakeSystem::addProcess(uint32_t pid, Process process) {
  const std::lock_guard<std::mutex> guard(impl_->lock);
  impl_->processes[pid] = std::move(process);
}

void FakeSystem::addHandle(uint32_t pid, uint32_t handleValue, Object object, uint16_t typeNumber,
                           uint32_t attributes, uint32_t grantedAccess, bool listed) {
  const std::lock_guard<std::mutex> guard(impl_->lock);
  Handle handle;
  handle.object = std::make_shared<Object>(std::move(object));
  impl_->handles[pid][handleValue] = handle;
  if (listed) impl_->table.push_back({pid, typeNumber, attributes, handleValue, grantedAccess});
}

void FakeSystem::addTableEntry(TableEntry entry) {
  const std::lock_guard<std::mutex> guard(impl_->lock);
  impl_->table.push_back(entry);
}

void FakeSystem::setProcessExitCode(uint32_t pid, DWORD exitCode) {
  const std::lock_guard<std::mutex> guard(impl_->lock);
  impl_->processes[pid].exitCode = exitCode;
}

void FakeSystem::setExtendedTableKnown(bool known) {
  const std::lock_guard<std::mutex> guard(impl_->lock);
  impl_->extendedKnown = known;
}

void FakeSystem::setObjectAddressesShown(bool shown) {
  const std::lock_guard<std::mutex> guard(impl_->lock);
  impl_->addressesShown = shown;
}

void FakeSystem::setInformationScript(InformationScript script) {
  const std::lock_guard<std::mutex> guard(impl_->lock);
  impl_->script = std::move(script);
}

void FakeSystem::setMissingNativeName(const std::string& name) {
  const std::lock_guard<std::mutex> guard(impl_->lock);
  impl_->missing.insert(name);
}

void FakeSystem::failAllocation(int callNumber) {
  const std::lock_guard<std::mutex> guard(impl_->lock);
  impl_->failedAllocations.insert(callNumber);
}

void FakeSystem::failCreateThread(bool fail) {
  const std::lock_guard<std::mutex> guard(impl_->lock);
  impl_->failCreate = fail;
}

void FakeSystem::failThreadStart(int callNumber) {
  const std::lock_guard<std::mutex> guard(impl_->lock);
  impl_->failedStarts.insert(callNumber);
}

void FakeSystem::setWaitScale(double scale) {
  ScanLimitsInForce().pathQueryMs = static_cast<DWORD>(savedLimits_.pathQueryMs * scale);
}

void FakeSystem::closeGate() {
  const std::lock_guard<std::mutex> guard(impl_->lock);
  impl_->gateClosed = true;
}

void FakeSystem::openGate() {
  const std::lock_guard<std::mutex> guard(impl_->lock);
  impl_->gateClosed = false;
  impl_->changed.notify_all();
}

void FakeSystem::releaseHangs() {
  const std::lock_guard<std::mutex> guard(impl_->lock);
  impl_->hangsReleased = true;
  impl_->changed.notify_all();
}

void FakeSystem::setTypeQueryHook(std::function<void()> hook) {
  const std::lock_guard<std::mutex> guard(impl_->lock);
  impl_->typeQueryHook = std::move(hook);
}

void FakeSystem::setPathQueryHook(std::function<void()> hook) {
  const std::lock_guard<std::mutex> guard(impl_->lock);
  impl_->pathQueryHook = std::move(hook);
}

void FakeSystem::waitForThreads() {
  std::unique_lock<std::mutex> guard(impl_->lock);
  impl_->changed.wait(guard, [this] { return impl_->running == 0; });
}

void FakeSystem::setVersion(DWORD major, std::set<DWORD> acceptedRecordSizes) {
  const std::lock_guard<std::mutex> guard(impl_->lock);
  impl_->major = major;
  impl_->acceptedSizes = std::move(acceptedRecordSizes);
}

void FakeSystem::setTokenScript(bool openSucceeds, bool lookupSucceeds, bool adjustSucceeds, DWORD lastError) {
  const std::lock_guard<std::mutex> guard(impl_->lock);
  impl_->tokenOpens = openSucceeds;
  impl_->lookupSucceeds = lookupSucceeds;
  impl_->adjustSucceeds = adjustSucceeds;
  impl_->lastError = lastError;
}

#define FAKE_OBSERVE(type, name, expression)                 \
  type FakeSystem::name() const {                            \
    const std::lock_guard<std::mutex> guard(impl_->lock);    \
    return expression;                                       \
  }
FAKE_OBSERVE(std::vector<ULONG>, informationCalls, impl_->informationCalls)
FAKE_OBSERVE(std::vector<DWORD>, sleeps, impl_->sleeps)
FAKE_OBSERVE(std::vector<FakeSystem::OpenProcessCall>, openProcessCalls, impl_->openCalls)
FAKE_OBSERVE(std::vector<FakeSystem::ThreadCall>, threadCalls, impl_->threadCalls)
FAKE_OBSERVE(std::vector<DWORD>, versionRecordSizes, impl_->versionSizes)
FAKE_OBSERVE(int, duplicateCalls, impl_->duplicateCalls)
FAKE_OBSERVE(int, pathQueries, impl_->pathQueries)
FAKE_OBSERVE(int, imagePathQueries, impl_->imagePathQueries)
FAKE_OBSERVE(int, badCloses, impl_->badCloses)
FAKE_OBSERVE(int, openedHandles, impl_->handedOut)
FAKE_OBSERVE(int, liveAllocations, static_cast<int>(impl_->allocations.size()))
FAKE_OBSERVE(int, threadStarts, impl_->started)
FAKE_OBSERVE(int, maxRunningThreads, impl_->maxRunning)
FAKE_OBSERVE(int, waitingAtGate, impl_->waiting)
FAKE_OBSERVE(int, maxWaitingAtGate, impl_->maxWaiting)
FAKE_OBSERVE(int, tokenCloses, impl_->tokenCloses)
FAKE_OBSERVE(bool, tokenAdjusted, impl_->adjusted)
FAKE_OBSERVE(std::vector<std::string>, lookedUpPrivileges, impl_->privileges)
#undef FAKE_OBSERVE

DWORD FakeSystem::exitCodeOf(uint32_t pid) const {
  const std::lock_guard<std::mutex> guard(impl_->lock);
  const auto found = impl_->processes.find(pid);
  return found != impl_->processes.end() ? found->second.exitCode : 0;
}

bool FakeSystem::holds(uint32_t pid, uint32_t handleValue) const {
  const std::lock_guard<std::mutex> guard(impl_->lock);
  const auto table = impl_->handles.find(pid);
  return table != impl_->handles.end() && table->second.count(handleValue) != 0;
}
