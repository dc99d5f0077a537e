#include "fakes/FakeSystem.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "scan/native/NativeLayouts.h"
#include "scan/native/OpenFileLayouts.h"
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
  bool isTargetFile = false;  // opened by CreateFileW
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
  bool elevationAnswers = true;
  std::map<std::pair<uint32_t, uintptr_t>, int> duplicatesBySource;
  bool elevated = true;
  bool adjusted = false;
  std::vector<std::string> privileges;

  std::vector<ULONG_PTR> usingIds;
  NTSTATUS usingStatus = kStatusNotImplemented;
  bool refuseCreate = false;
  std::vector<FakeSystem::CreateFileCall> createCalls;
  std::vector<ULONG> usingLengths;
  std::map<WideText, std::vector<FakeSystem::ServerOpenScript>> serverOpens;
  std::map<std::pair<WideText, WideText>, WideText> shares;
  DWORD netFailure = 0;
  DWORD netPage = 0;
  std::vector<FakeSystem::NetCall> enumCalls;
  std::vector<FakeSystem::NetCall> shareCalls;
  std::vector<FakeSystem::NetCall> closeCalls;
  std::map<void*, std::unique_ptr<ULONG_PTR[]>> netBlocks;

  // A block of the server's, freed by NetApiBufferFree.
  BYTE* netBlock(std::size_t bytes) {
    auto block = std::make_unique<ULONG_PTR[]>((bytes + sizeof(ULONG_PTR) - 1) / sizeof(ULONG_PTR) + 1);
    auto* address = reinterpret_cast<BYTE*>(block.get());
    netBlocks[address] = std::move(block);
    return address;
  }

  std::vector<ULONG> informationCalls;
  std::vector<DWORD> sleeps;
  std::vector<OpenProcessCall> openCalls;
  std::vector<ThreadCall> threadCalls;
  std::vector<DWORD> versionSizes;
  int duplicateCalls = 0;
  int imagePathQueries = 0;
  int badCloses = 0;

  struct FileEntry {
    std::u16string path;
    bool folder = false;
    std::vector<std::pair<uint32_t, uint32_t>> lockedBy;  // (pid, handle value)
    DWORD stuckError = 0;
  };
  std::map<std::u16string, FileEntry> files;  // by upper-cased path
  int recycleCode = 0;
  bool keepOriginal = false;
  std::vector<std::string> fileEvents;

  static std::u16string key(std::u16string path) {
    for (char16_t& unit : path) {
      if (unit >= u'a' && unit <= u'z') unit = static_cast<char16_t>(unit - u'a' + u'A');
    }
    return path;
  }
  // The reason a path cannot be moved or deleted now, or 0.
  DWORD blocked(const FileEntry& entry) {
    if (entry.stuckError != 0) return entry.stuckError;
    for (const auto& [pid, value] : entry.lockedBy) {
      const auto table = handles.find(pid);
      if (table != handles.end() && table->second.count(value) != 0) return ERROR_SHARING_VIOLATION;
    }
    return 0;
  }

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

NTSTATUS WINAPI FakeNtQueryInformationFile(HANDLE file, void*, void* buffer, ULONG length, ULONG informationClass) {
  const std::lock_guard<std::mutex> guard(fake->lock);
  if (informationClass != kFileProcessIdsUsingFileInformation) return kStatusInvalidInfoClass;
  Handle* found = fake->find(file);
  if (found == nullptr || !found->isTargetFile) return kStatusInvalidHandle;
  fake->usingLengths.push_back(length);
  if (fake->usingStatus != kStatusSuccess) return fake->usingStatus;
  const std::size_t needed = offsetof(ProcessIdsUsingFile, ids) + fake->usingIds.size() * sizeof(ULONG_PTR);
  if (length < needed) return kStatusInfoLengthMismatch;
  static_cast<ProcessIdsUsingFile*>(buffer)->count = static_cast<ULONG>(fake->usingIds.size());
  auto* ids = reinterpret_cast<ULONG_PTR*>(static_cast<unsigned char*>(buffer) + offsetof(ProcessIdsUsingFile, ids));
  std::copy(fake->usingIds.begin(), fake->usingIds.end(), ids);
  return kStatusSuccess;
}

HANDLE WINAPI FakeCreateFileW(LPCWSTR name, DWORD access, DWORD share, SECURITY_ATTRIBUTES*, DWORD, DWORD flags,
                              HANDLE) {
  const std::lock_guard<std::mutex> guard(fake->lock);
  fake->createCalls.push_back({name != nullptr ? WideText(name) : WideText(), access, share, flags});
  if (fake->refuseCreate || name == nullptr) return INVALID_HANDLE_VALUE;
  Handle handle;
  handle.object = std::make_shared<FakeSystem::Object>();
  handle.isTargetFile = true;
  return fake->newHandle(handle);
}

// --- netapi32
WideText textOr(const WCHAR* text) { return text != nullptr ? WideText(text) : WideText(); }

WCHAR* copyText(const WideText& text, WCHAR*& cursor) {
  WCHAR* start = cursor;
  std::copy(text.begin(), text.end(), cursor);
  cursor += text.size();
  *cursor++ = 0;
  return start;
}

DWORD WINAPI FakeNetFileEnum(LPWSTR server, LPWSTR basePath, LPWSTR, DWORD level, BYTE** buffer, DWORD,
                             DWORD* entriesRead, DWORD* totalEntries, DWORD_PTR* resume) {
  const std::lock_guard<std::mutex> guard(fake->lock);
  const WideText base = textOr(basePath);
  fake->enumCalls.push_back({textOr(server), base, 0});
  *buffer = nullptr;
  *entriesRead = 0;
  *totalEntries = 0;
  if (fake->netFailure != 0) return fake->netFailure;
  if (level != 3) return ERROR_INVALID_PARAMETER;
  std::vector<FakeSystem::ServerOpenScript> kept;
  for (const auto& open : fake->serverOpens[textOr(server)]) {
    if (open.path.compare(0, base.size(), base) == 0) kept.push_back(open);
  }
  const std::size_t first = resume != nullptr ? *resume : 0;
  if (first > kept.size()) return ERROR_INVALID_PARAMETER;
  std::size_t count = kept.size() - first;
  if (fake->netPage != 0) count = std::min<std::size_t>(count, fake->netPage);
  std::size_t bytes = count * sizeof(FileServerOpen);
  for (std::size_t i = first; i < first + count; ++i) {
    bytes += (kept[i].path.size() + kept[i].user.size() + 2) * sizeof(WCHAR);
  }
  BYTE* block = fake->netBlock(bytes);
  auto* entries = reinterpret_cast<FileServerOpen*>(block);
  auto* cursor = reinterpret_cast<WCHAR*>(block + count * sizeof(FileServerOpen));
  for (std::size_t i = 0; i < count; ++i) {
    const auto& open = kept[first + i];
    entries[i] = FileServerOpen{open.id, 0, 0, copyText(open.path, cursor), copyText(open.user, cursor)};
  }
  *buffer = block;
  *entriesRead = static_cast<DWORD>(count);
  *totalEntries = static_cast<DWORD>(kept.size());
  if (resume != nullptr) *resume = first + count;
  return first + count < kept.size() ? kNetMoreData : kNetSuccess;
}

DWORD WINAPI FakeNetShareGetInfo(LPWSTR server, LPWSTR shareName, DWORD level, BYTE** buffer) {
  const std::lock_guard<std::mutex> guard(fake->lock);
  fake->shareCalls.push_back({textOr(server), textOr(shareName), 0});
  *buffer = nullptr;
  if (fake->netFailure != 0) return fake->netFailure;
  const auto found = fake->shares.find({textOr(server), textOr(shareName)});
  if (level != 2 || found == fake->shares.end()) return 2310;  // NERR_NetNameNotFound
  BYTE* block = fake->netBlock(sizeof(ShareDetails) + (found->second.size() + 1) * sizeof(WCHAR));
  auto* cursor = reinterpret_cast<WCHAR*>(block + sizeof(ShareDetails));
  auto* details = reinterpret_cast<ShareDetails*>(block);
  *details = ShareDetails{};
  details->path = copyText(found->second, cursor);
  *buffer = block;
  return kNetSuccess;
}

DWORD WINAPI FakeNetFileClose(LPWSTR server, DWORD id) {
  const std::lock_guard<std::mutex> guard(fake->lock);
  fake->closeCalls.push_back({textOr(server), WideText(), id});
  if (fake->netFailure != 0) return fake->netFailure;
  auto& opens = fake->serverOpens[textOr(server)];
  const auto found = std::find_if(opens.begin(), opens.end(), [id](const auto& open) { return open.id == id; });
  if (found == opens.end()) return 2314;  // NERR_FileIdNotFound
  opens.erase(found);
  return kNetSuccess;
}

DWORD WINAPI FakeNetFileGetInfo(LPWSTR server, DWORD id, DWORD level, BYTE** buffer) {
  const std::lock_guard<std::mutex> guard(fake->lock);
  *buffer = nullptr;
  if (fake->netFailure != 0) return fake->netFailure;
  const auto& opens = fake->serverOpens[textOr(server)];
  const auto found = std::find_if(opens.begin(), opens.end(), [id](const auto& open) { return open.id == id; });
  if (level != 3 || found == opens.end()) return 2314;  // NERR_FileIdNotFound
  BYTE* block = fake->netBlock(sizeof(FileServerOpen) + (found->path.size() + found->user.size() + 2) * sizeof(WCHAR));
  auto* cursor = reinterpret_cast<WCHAR*>(block + sizeof(FileServerOpen));
  *reinterpret_cast<FileServerOpen*>(block) =
      FileServerOpen{found->id, 0, 0, copyText(found->path, cursor), copyText(found->user, cursor)};
  *buffer = block;
  return kNetSuccess;
}

DWORD WINAPI FakeNetApiBufferFree(LPVOID buffer) {
  const std::lock_guard<std::mutex> guard(fake->lock);
  return fake->netBlocks.erase(buffer) == 1 ? kNetSuccess : ERROR_INVALID_PARAMETER;
}

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

BOOL WINAPI FakeGetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS informationClass, LPVOID information,
                                    DWORD length, DWORD* returned) {
  const std::lock_guard<std::mutex> guard(fake->lock);
  Handle* found = fake->find(token);
  if (found == nullptr || !found->isToken || informationClass != TokenElevation || !fake->elevationAnswers ||
      length < sizeof(TOKEN_ELEVATION)) {
    return FALSE;
  }
  static_cast<TOKEN_ELEVATION*>(information)->TokenIsElevated = fake->elevated ? 1 : 0;
  *returned = sizeof(TOKEN_ELEVATION);
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
  ++fake->duplicatesBySource[{pid, reinterpret_cast<uintptr_t>(source)}];
  const auto found = table.find(reinterpret_cast<uintptr_t>(source));
  if (found == table.end()) return FALSE;
  Handle copy = found->second;
  copy.handedOut = false;
  if ((options & DUPLICATE_CLOSE_SOURCE) != 0 && pid != FakeSystem::kOwnPid) {
    char event[48];
    std::snprintf(event, sizeof event, "close %u:%llx", static_cast<unsigned>(pid),
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(source)));
    fake->fileEvents.emplace_back(event);
  }
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

// --- files
// The system's UTF-16 (wchar_t on Windows) as the model's.
std::u16string units(LPCWSTR text) {
  std::u16string copy;
  for (; *text != 0; ++text) copy.push_back(static_cast<char16_t>(*text));
  return copy;
}

std::string narrow(const std::u16string& text) {
  std::string out;
  for (const char16_t unit : text) out.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
  return out;
}

std::string hex(unsigned value) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%x", value);
  return digits;
}

BOOL refuse(const std::string& call, DWORD error) {
  fake->fileEvents.push_back("refused " + call + " " + std::to_string(error));
  fake->lastError = error;
  return FALSE;
}

// Every entry at or below `path`, by key.
std::vector<std::u16string> entriesUnder(const std::u16string& path) {
  const std::u16string top = FakeSystem::Impl::key(path);
  std::vector<std::u16string> keys;
  for (const auto& entry : fake->files) {
    if (entry.first == top || entry.first.compare(0, top.size() + 1, top + u"\\") == 0) keys.push_back(entry.first);
  }
  return keys;
}

// The reason nothing at or below `path` may be moved or deleted now, or 0.
DWORD blockedUnder(const std::u16string& path) {
  for (const auto& key : entriesUnder(path)) {
    if (const DWORD error = fake->blocked(fake->files[key])) return error;
  }
  return 0;
}

DWORD WINAPI FakeGetFileAttributesW(LPCWSTR path) {
  const std::lock_guard<std::mutex> guard(fake->lock);
  const auto found = fake->files.find(FakeSystem::Impl::key(units(path)));
  if (found == fake->files.end()) return INVALID_FILE_ATTRIBUTES;
  return found->second.folder ? FILE_ATTRIBUTE_DIRECTORY : 0x80u;
}

BOOL WINAPI FakeGetVolumePathNameW(LPCWSTR path, LPWSTR volume, DWORD size) {
  const std::u16string whole = units(path);
  if (whole.size() < 3 || size < 4) return FALSE;
  for (int i = 0; i < 3; ++i) volume[i] = static_cast<WCHAR>(whole[i]);
  volume[3] = 0;
  return TRUE;
}

BOOL WINAPI FakeMoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags) {
  const std::lock_guard<std::mutex> guard(fake->lock);
  const std::u16string source = units(from);
  const auto found = fake->files.find(FakeSystem::Impl::key(source));
  if (to == nullptr) {
    if ((flags & MOVEFILE_DELAY_UNTIL_REBOOT) == 0) return refuse("move", ERROR_INVALID_PARAMETER);
    if (found == fake->files.end()) return refuse("next-start", ERROR_FILE_NOT_FOUND);
    fake->fileEvents.push_back("next-start " + narrow(source));
    return TRUE;
  }
  const std::u16string target = units(to);
  if (found == fake->files.end()) return refuse("move", ERROR_FILE_NOT_FOUND);
  const bool caseOnly = FakeSystem::Impl::key(target) == found->first;
  if (!caseOnly && fake->files.count(FakeSystem::Impl::key(target)) != 0 && (flags & MOVEFILE_REPLACE_EXISTING) == 0) {
    return refuse("move", ERROR_ALREADY_EXISTS);
  }
  const bool acrossVolumes = FakeSystem::Impl::key(source.substr(0, 3)) != FakeSystem::Impl::key(target.substr(0, 3));
  if (acrossVolumes && (found->second.folder || (flags & MOVEFILE_COPY_ALLOWED) == 0)) {
    return refuse("move", ERROR_NOT_SAME_DEVICE);
  }
  const bool keep = acrossVolumes && fake->keepOriginal;
  if (const DWORD error = blockedUnder(source); error != 0 && !keep) return refuse("move", error);
  for (const auto& key : entriesUnder(source)) {
    FakeSystem::Impl::FileEntry entry = fake->files[key];
    entry.path = target + entry.path.substr(source.size());
    entry.lockedBy.clear();
    if (!keep) fake->files.erase(key);
    fake->files[FakeSystem::Impl::key(entry.path)] = entry;
  }
  fake->fileEvents.push_back("move " + narrow(source) + " -> " + narrow(target) + " " + hex(flags));
  return TRUE;
}

int WINAPI FakeSHFileOperationW(SHFILEOPSTRUCTW* operation) {
  const std::lock_guard<std::mutex> guard(fake->lock);
  const std::u16string path = units(operation->pFrom);
  // The list ends with a second zero.
  if (operation->wFunc != FO_DELETE || operation->pFrom[path.size() + 1] != 0) {
    refuse("recycle", ERROR_INVALID_PARAMETER);
    return ERROR_INVALID_PARAMETER;
  }
  if (fake->recycleCode != 0) {
    refuse("recycle", static_cast<DWORD>(fake->recycleCode));
    return fake->recycleCode;
  }
  if (fake->files.count(FakeSystem::Impl::key(path)) == 0) {
    refuse("recycle", ERROR_FILE_NOT_FOUND);
    return ERROR_FILE_NOT_FOUND;
  }
  if (const DWORD error = blockedUnder(path)) {
    refuse("recycle", error);
    return static_cast<int>(error);
  }
  for (const auto& key : entriesUnder(path)) fake->files.erase(key);
  fake->fileEvents.push_back("recycle " + narrow(path) + " " + hex(operation->fFlags));
  return 0;
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
  calls.GetTokenInformation = FakeGetTokenInformation;
  calls.GetFileAttributesW = FakeGetFileAttributesW;
  calls.GetVolumePathNameW = FakeGetVolumePathNameW;
  calls.MoveFileExW = FakeMoveFileExW;
  calls.SHFileOperationW = FakeSHFileOperationW;
  calls.CreateFileW = FakeCreateFileW;
  calls.NetFileEnum = FakeNetFileEnum;
  calls.NetFileClose = FakeNetFileClose;
  calls.NetFileGetInfo = FakeNetFileGetInfo;
  calls.NetShareGetInfo = FakeNetShareGetInfo;
  calls.NetApiBufferFree = FakeNetApiBufferFree;
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

void FakeSystem::setProcessesUsingFile(std::vector<ULONG_PTR> ids, NTSTATUS status) {
  const std::lock_guard<std::mutex> guard(impl_->lock);
  impl_->usingIds = std::move(ids);
  impl_->usingStatus = status;
}

void FakeSystem::refuseCreateFile(bool refuse) {
  const std::lock_guard<std::mutex> guard(impl_->lock);
  impl_->refuseCreate = refuse;
}

void FakeSystem::setServerOpens(const WideText& server, std::vector<ServerOpenScript> opens) {
  const std::lock_guard<std::mutex> guard(impl_->lock);
  impl_->serverOpens[server] = std::move(opens);
}

void FakeSystem::setShareFolder(const WideText& server, const WideText& share, const WideText& folder) {
  const std::lock_guard<std::mutex> guard(impl_->lock);
  impl_->shares[{server, share}] = folder;
}

void FakeSystem::setNetFailure(DWORD failure) {
  const std::lock_guard<std::mutex> guard(impl_->lock);
  impl_->netFailure = failure;
}

void FakeSystem::setNetPage(DWORD page) {
  const std::lock_guard<std::mutex> guard(impl_->lock);
  impl_->netPage = page;
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

int FakeSystem::duplicatesOf(uint32_t pid, uint32_t handleValue) const {
  const std::lock_guard<std::mutex> guard(impl_->lock);
  const auto found = impl_->duplicatesBySource.find({pid, handleValue});
  return found == impl_->duplicatesBySource.end() ? 0 : found->second;
}

void FakeSystem::setTokenElevation(bool answers, bool elevated) {
  const std::lock_guard<std::mutex> guard(impl_->lock);
  impl_->elevationAnswers = answers;
  impl_->elevated = elevated;
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
FAKE_OBSERVE(std::vector<FakeSystem::CreateFileCall>, createFileCalls, impl_->createCalls)
FAKE_OBSERVE(std::vector<ULONG>, fileProcessIdLengths, impl_->usingLengths)
FAKE_OBSERVE(std::vector<FakeSystem::NetCall>, netFileEnumCalls, impl_->enumCalls)
FAKE_OBSERVE(std::vector<FakeSystem::NetCall>, netShareCalls, impl_->shareCalls)
FAKE_OBSERVE(std::vector<FakeSystem::NetCall>, netFileCloses, impl_->closeCalls)
FAKE_OBSERVE(int, liveNetBlocks, static_cast<int>(impl_->netBlocks.size()))
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

void FakeSystem::addPath(const std::u16string& path, bool folder) {
  const std::lock_guard<std::mutex> guard(impl_->lock);
  Impl::FileEntry& entry = impl_->files[Impl::key(path)];
  entry.path = path;
  entry.folder = folder;
}

bool FakeSystem::pathExists(const std::u16string& path) const {
  const std::lock_guard<std::mutex> guard(impl_->lock);
  return impl_->files.count(Impl::key(path)) != 0;
}

void FakeSystem::lockPath(const std::u16string& path, uint32_t pid, uint32_t handleValue) {
  const std::lock_guard<std::mutex> guard(impl_->lock);
  impl_->files[Impl::key(path)].lockedBy.emplace_back(pid, handleValue);
}

void FakeSystem::stickPath(const std::u16string& path, DWORD error) {
  const std::lock_guard<std::mutex> guard(impl_->lock);
  impl_->files[Impl::key(path)].stuckError = error;
}

void FakeSystem::setRecycleCode(int code) {
  const std::lock_guard<std::mutex> guard(impl_->lock);
  impl_->recycleCode = code;
}

void FakeSystem::keepOriginalOnCopy(bool keep) {
  const std::lock_guard<std::mutex> guard(impl_->lock);
  impl_->keepOriginal = keep;
}

std::vector<std::string> FakeSystem::fileEvents() const {
  const std::lock_guard<std::mutex> guard(impl_->lock);
  return impl_->fileEvents;
}
