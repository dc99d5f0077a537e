#pragma once
// A scriptable system behind the Sys() seam and the native binding: processes
// with handle tables, the system handle table and process list, object
// names and types, file paths (also ones whose query hangs), threads and
// waits, memory, versions and the token calls. Thread-safe. Sleep records
// what was asked and returns almost at once, so retry pauses and polling
// cost no real time.
//
// One FakeSystem at a time; it puts itself in force on construction (and
// binds NativeApi through its own GetProcAddress, with OsMajorVersion 10),
// and on destruction releases every hang, joins every thread it started and
// restores what was in force before.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "os/SystemCalls.h"
#include "text/WideText.h"
#include "scan/ScanLimits.h"
#include "scan/native/NativeApi.h"

class FakeSystem {
 public:
  struct Object {
    Object(std::u16string type = u"File", std::u16string name = u"", std::string path = "")  // NOLINT
        : typeName(std::move(type)), objectName(std::move(name)), finalPath(std::move(path)) {}
    std::u16string typeName;
    std::u16string objectName;
    std::string finalPath;  // what GetFinalPathNameByHandleW answers (narrow here: code page 936)
    bool pathQueryHangs = false;  // GetFinalPathNameByHandleW waits until releaseHangs()
    DWORD fileType = FILE_TYPE_DISK;  // what GetFileType answers
    bool fileTypeHangs = false;       // GetFileType waits until releaseHangs()
    // GetFileInformationByHandle answers the object's own identity (each
    // object is a file of its own) unless this is false.
    bool identityKnown = true;
    NTSTATUS typeStatus = 0;      // status of the type query into a big enough block
    NTSTATUS nameStatus = 0;
    uint32_t processId = 0;  // for process handles: the process it refers to
    uint32_t threadId = 0;   // for thread handles
  };
  struct Process {
    Process(std::u16string image = u"", std::string path = "", bool canOpen = true,  // NOLINT
            DWORD exit = STILL_ACTIVE)
        : imageName(std::move(image)), imagePath(std::move(path)), openable(canOpen), exitCode(exit) {}
    std::u16string imageName;
    std::string imagePath;
    bool openable;
    DWORD exitCode;
    uint64_t creationTime = 0;  // what GetProcessTimes answers
    std::vector<std::string> modules;  // loaded modules' paths (narrow), as the module calls answer
    bool critical = false;             // break on termination, as NtQueryInformationProcess answers
    bool underWow64 = false;           // what IsWow64Process answers (for kOwnPid: the own process)
    // A DuplicateHandle that closes a handle of this process waits until
    // releaseHangs() (a holder that does not run), then closes it.
    bool closingHangs = false;
  };
  struct TableEntry {
    uint32_t ownerPid;
    uint16_t typeNumber;
    uint32_t attributes;
    uint32_t handleValue;
    uint32_t grantedAccess;
    // The object's address as the extended table gives it; 0 there means
    // the address of whatever object the value names when the table is read
    // (see setObjectAddressesShown).
    uint64_t objectAddress = 0;
  };
  struct OpenProcessCall {
    DWORD access;
    BOOL inherit;
    DWORD pid;
  };
  struct ThreadCall {
    SIZE_T stackSize;
    DWORD flags;
  };
  // Answers a system information query instead of the model; return
  // nullopt-like `false` from `handled` to fall back to the model.
  using InformationScript = std::function<bool(ULONG informationClass, void* buffer, ULONG length,
                                               ULONG* returned, NTSTATUS& status)>;

  FakeSystem();
  ~FakeSystem();
  FakeSystem(const FakeSystem&) = delete;
  FakeSystem& operator=(const FakeSystem&) = delete;

  // --- scripting (call before the code under test runs, or under its feet: all locked)
  void addProcess(uint32_t pid, Process process);
  // A handle in `pid`'s table; `listed` also puts it into the system handle table.
  void addHandle(uint32_t pid, uint32_t handleValue, Object object, uint16_t typeNumber = 26, uint32_t attributes = 0,
                 uint32_t grantedAccess = 0x120089, bool listed = true);
  void addTableEntry(TableEntry entry);  // an entry with no object behind it
  void setProcessExitCode(uint32_t pid, DWORD exitCode);
  void setExtendedTableKnown(bool known);
  // Whether the extended table gives each handle's object address (as
  // Windows does; the default) or 0 everywhere (as Wine does).
  void setObjectAddressesShown(bool shown);
  void setInformationScript(InformationScript script);
  void setMissingNativeName(const std::string& name);  // takes effect at the next BindNativeApi()
  void failAllocation(int callNumber);                 // 1-based VirtualAlloc call number
  void failCreateThread(bool fail);
  void failThreadStart(int callNumber);  // 1-based CreateThread call number
  // Stretches the engine's path query limit by `scale` while the fake is in
  // force (default 20: sanitizers slow threads down).
  void setWaitScale(double scale);
  // Closes the gate: every exit-code query then waits at it until openGate().
  void closeGate();
  void openGate();
  void releaseHangs();
  // Called (outside the fake's lock) on every object type query.
  void setTypeQueryHook(std::function<void()> hook);
  // Called (outside the fake's lock) on every path query, before it answers.
  void setPathQueryHook(std::function<void()> hook);
  // Waits until no thread the fake started is running.
  void waitForThreads();

  // The target file and who has it open (NtQueryInformationFile class 47):
  // CreateFileW answers a handle unless refused; class 47 answers `ids` on
  // such a handle, or `status` when it is not 0 (STATUS_NOT_IMPLEMENTED
  // until scripted, as Wine answers), and "too small" to a block that
  // cannot hold them all.
  void setProcessesUsingFile(std::vector<ULONG_PTR> ids, NTSTATUS status = 0);
  void refuseCreateFile(bool refuse);
  // File servers: `server` "" is this computer's, else "\\name". Every
  // netapi32 call answers `failure` instead when it is not 0. NetFileGetInfo
  // answers an open by its ID. NetFileEnum
  // keeps the opens whose path starts with the base path, `page` at most
  // an answer (0: all), the rest after ERROR_MORE_DATA.
  struct ServerOpenScript {
    DWORD id;
    WideText path;
    WideText user;
  };
  void setServerOpens(const WideText& server, std::vector<ServerOpenScript> opens);
  void setShareFolder(const WideText& server, const WideText& share, const WideText& folder);
  void setNetFailure(DWORD failure);
  void setNetPage(DWORD page);

  // Versions and the token.
  void setVersion(DWORD major, std::set<DWORD> acceptedRecordSizes);
  void setTokenScript(bool openSucceeds, bool lookupSucceeds, bool adjustSucceeds, DWORD lastError);
  // What GetTokenInformation(TokenElevation) answers of the own token
  // (elevated by default); with `answers` false the query fails.
  void setTokenElevation(bool answers, bool elevated);

  // Files and folders (paths as the system takes them, "C:\\data\\a.txt";
  // compared ignoring ASCII case, as the file system does). A path's volume
  // is its first three units ("C:\\"). A move or a recycle of a path fails
  // with ERROR_SHARING_VIOLATION while a handle that locks it is still open
  // in its process, and with `error` while it is stuck (a module, say).
  void addPath(const std::u16string& path, bool folder = false);
  bool pathExists(const std::u16string& path) const;
  void lockPath(const std::u16string& path, uint32_t pid, uint32_t handleValue);
  void stickPath(const std::u16string& path, DWORD error);
  // The next recycle answers `code` and changes nothing (0: as the model says).
  void setRecycleCode(int code);
  // A move across volumes copies but leaves the original (its delete failed).
  void keepOriginalOnCopy(bool keep);
  // In the order they happened: "close <pid>:<value hex>" for every handle
  // closed in another process, "move <from> -> <to> <flags hex>",
  // "next-start <path>", "recycle <path> <flags hex>" for every file call
  // that succeeded, and "refused <call> <error>" for every one that did not.
  std::vector<std::string> fileEvents() const;

  // --- observations
  DWORD ownPid() const { return kOwnPid; }
  std::vector<ULONG> informationCalls() const;   // classes asked of NtQuerySystemInformation
  std::vector<DWORD> sleeps() const;             // every Sleep asked for
  std::vector<OpenProcessCall> openProcessCalls() const;
  std::vector<ThreadCall> threadCalls() const;   // CreateThread
  int maxRunningThreads() const;                 // most threads of the fake's running at once
  std::vector<DWORD> versionRecordSizes() const;
  int duplicateCalls() const;
  int duplicatesOf(uint32_t pid, uint32_t handleValue) const;  // DuplicateHandle calls that named this handle
  int pathQueries() const;           // GetFinalPathNameByHandleW calls
  int imagePathQueries() const;      // QueryFullProcessImageNameW calls
  DWORD exitCodeOf(uint32_t pid) const;
  bool holds(uint32_t pid, uint32_t handleValue) const;  // the handle is still open in that process  // as GetExitCodeProcess would say (TerminateProcess sets it)
  int badCloses() const;             // CloseHandle on a handle that is not open
  int openedHandles() const;         // handles the fake handed out that are still open
  int liveAllocations() const;
  int threadStarts() const;          // CreateThread calls that started a thread
  int waitingAtGate() const;
  int maxWaitingAtGate() const;
  int tokenCloses() const;
  bool tokenAdjusted() const;
  std::vector<std::string> lookedUpPrivileges() const;
  struct CreateFileCall {
    WideText path;
    DWORD access;
    DWORD share;
    DWORD flags;
  };
  std::vector<CreateFileCall> createFileCalls() const;
  std::vector<ULONG> fileProcessIdLengths() const;  // block lengths class 47 was asked with
  struct NetCall {
    WideText server;
    WideText path;  // NetFileEnum: the base path; NetShareGetInfo: the share
    DWORD id;             // NetFileClose: the open's ID
  };
  std::vector<NetCall> netFileEnumCalls() const;
  std::vector<NetCall> netShareCalls() const;
  std::vector<NetCall> netFileCloses() const;
  int liveNetBlocks() const;  // answer blocks not yet freed

  static constexpr DWORD kOwnPid = 100;

  struct Impl;  // the fake's state, reached by its system calls

 private:
  std::unique_ptr<Impl> impl_;
  std::unique_ptr<ScopedSystemCalls> scoped_;
  NativeApiTable savedApi_;
  DWORD savedVersion_;
  ScanLimits savedLimits_;
};
