// Prints one table that sets the scan for "File" handles beside its floor
// (bench/ScanFloor.h) while helper processes hold N file handles in all: for
// each N, both times, their ratio, the records and paths each found, how many
// of the helpers' handles the scan resolved, and the peak working set. Says
// which build it measures.
//
// Every N runs in a process of its own (the program starts itself with
// "--row N"), so one N's peak working set holds nothing of another's. In that
// process the engine runs twice and then the floor twice, on the same held
// handles; each side reports its faster run, with that run's counts. The peak
// working set is read after the engine's runs, before the floor's.
//
// Usage: scan_benchmark.exe [N ...]        (default: 1000 5000 20000)
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "FileHolderProcess.h"
#include "bench/ScanFloor.h"
#include "scan/HandleScanner.h"
#include "scan/ModuleScan.h"
#include "scan/OtherHolders.h"
#include "scan/native/ProcessList.h"
#include "search/PathComparison.h"
#include "scan/native/DebugPrivilege.h"
#include "scan/native/NativeApi.h"

namespace {
constexpr int kFilesPerHelper = 10;
constexpr int kHandlesPerHelper = 5000;
constexpr int kRuns = 2;
constexpr const char* kRowSwitch = "--row";

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct EngineRun {
  double ms = 0;
  int result = 0;
  int records = 0;
  int withPath = 0;
  int heldResolved = 0;
};

struct FloorRun {
  double ms = 0;
  FloorCounts counts;
};

EngineRun RunEngine(const std::set<std::pair<DWORD, uint32_t>>& held) {
  EngineRun run;
  CancelByte cancel{0};
  HandleScanner scanner(-1, nullptr);
  scanner.SetTypeFilter("File");
  LARGE_INTEGER start;
  LARGE_INTEGER end;
  QueryPerformanceCounter(&start);
  run.result = scanner.Run(&cancel);
  QueryPerformanceCounter(&end);
  run.ms = Milliseconds(start, end);
  for (const HandleRecord& record : scanner.records()) {
    ++run.records;
    if (record.filePath.IsEmpty()) continue;
    ++run.withPath;
    if (held.count({record.ownerPid, record.handleValue}) != 0) ++run.heldResolved;
  }
  return run;
}

struct ModuleRun {
  double ms = 0;
  int rows = 0;
};

// The module pass alone, as a search for the helpers' own program runs it:
// every process's modules asked, those named file_holder.exe kept.
ModuleRun RunModulePass() {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring holderPath(self);
  holderPath = holderPath.substr(0, holderPath.find_last_of(L'\\') + 1) + L"file_holder.exe";
  ModuleRun run;
  CancelByte cancel{0};
  auto records = std::make_shared<HandleRecords>();
  ProcessList processes;
  LARGE_INTEGER start;
  LARGE_INTEGER end;
  QueryPerformanceCounter(&start);
  processes.Fill();  // as the scan's owner table reads it
  AppendModuleRecords(records, [&](const SharedText& path) { return PathsEqualIgnoringCase(path, holderPath); },
                      processes, &cancel);
  QueryPerformanceCounter(&end);
  run.ms = Milliseconds(start, end);
  run.rows = static_cast<int>(records->size());
  return run;
}

// The step after the scan alone, as a search for one held file runs it:
// the file system's list of the processes using it, and this computer's
// file server asked for its opens.
double RunOtherHolders(const std::string& file) {
  const int units = MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, nullptr, 0);
  WideText target(static_cast<std::size_t>(units > 0 ? units - 1 : 0), 0);
  if (units > 1) MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, target.data(), units);
  std::vector<HandleRecord> results;
  LARGE_INTEGER start;
  LARGE_INTEGER end;
  QueryPerformanceCounter(&start);
  AppendOtherHolders(target, false, [&](const SharedText& path) { return PathsEqualIgnoringCase(path, target); },
                     results);
  QueryPerformanceCounter(&end);
  return Milliseconds(start, end);
}

FloorRun RunFloor() {
  FloorRun run;
  LARGE_INTEGER start;
  LARGE_INTEGER end;
  QueryPerformanceCounter(&start);
  run.counts = RunScanFloor();
  QueryPerformanceCounter(&end);
  run.ms = Milliseconds(start, end);
  return run;
}

// One row of the table, for N held handles; 0 when both sides read the table.
int PrintRow(int wanted) {
  ReadOsMajorVersion();
  BindNativeApi();
  EnableDebugPrivilege();
  if (NativeApi.allPresent == 0) {
    std::printf("%7d  native layer missing\n", wanted);
    return 1;
  }

  std::vector<std::string> files;
  for (int i = 0; i < kFilesPerHelper; ++i) files.push_back(MakeTempFile("osb"));
  const int helpers = wanted > kHandlesPerHelper ? (wanted + kHandlesPerHelper - 1) / kHandlesPerHelper : 1;
  const int copies = wanted / (helpers * kFilesPerHelper) > 0 ? wanted / (helpers * kFilesPerHelper) : 1;
  std::vector<std::unique_ptr<FileHolderProcess>> holders;
  std::set<std::pair<DWORD, uint32_t>> held;
  for (int i = 0; i < helpers; ++i) {
    holders.push_back(std::make_unique<FileHolderProcess>(files, copies));
    if (!holders.back()->holding()) {
      std::printf("%7d  helper %d did not start\n", wanted, i);
      return 1;
    }
    for (const auto& handle : holders.back()->handles()) held.insert({holders.back()->pid(), handle.value});
  }

  EngineRun engine;
  for (int i = 0; i < kRuns; ++i) {
    const EngineRun run = RunEngine(held);
    if (i == 0 || run.ms < engine.ms) engine = run;
  }
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
  ModuleRun modules;
  for (int i = 0; i < kRuns; ++i) {
    const ModuleRun run = RunModulePass();
    if (i == 0 || run.ms < modules.ms) modules = run;
  }
  double others = 0;
  for (int i = 0; i < kRuns; ++i) {
    const double ms = RunOtherHolders(files[0]);
    if (i == 0 || ms < others) others = ms;
  }
  FloorRun floor;
  for (int i = 0; i < kRuns; ++i) {
    const FloorRun run = RunFloor();
    if (i == 0 || run.ms < floor.ms) floor = run;
  }

  const std::string records = std::to_string(floor.counts.records) + "/" + std::to_string(engine.records);
  const std::string paths = std::to_string(floor.counts.withPath) + "/" + std::to_string(engine.withPath);
  std::printf("%7d %6zu %9.0f %10.0f %13.1f %13s %13s %13d %9.1f %11.0f %11d %10.1f\n", wanted, held.size(),
              floor.ms, engine.ms, floor.ms > 0 ? engine.ms / floor.ms : 0.0, records.c_str(), paths.c_str(),
              engine.heldResolved, static_cast<double>(memory.PeakWorkingSetSize) / 1048576.0, modules.ms,
              modules.rows, others);
  std::fflush(stdout);

  holders.clear();
  for (const std::string& file : files) DeleteFileA(file.c_str());
  return engine.result == 1 && floor.counts.tableRead ? 0 : 1;
}

// Runs "--row N" in a new process that writes to our standard output.
int RunRowProcess(int wanted) {
  char program[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, program, MAX_PATH);
  std::string commandLine = std::string("\"") + program + "\" " + kRowSwitch + " " + std::to_string(wanted);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  for (HANDLE standard : {startup.hStdInput, startup.hStdOutput, startup.hStdError}) {
    SetHandleInformation(standard, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
  }
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(program, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) {
    std::printf("%7d  could not start: error %lu\n", wanted, GetLastError());
    return 1;
  }
  WaitForSingleObject(info.hProcess, INFINITE);
  DWORD exitCode = 1;
  GetExitCodeProcess(info.hProcess, &exitCode);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return exitCode == 0 ? 0 : 1;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], kRowSwitch) == 0) return PrintRow(std::atoi(argv[2]));

  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {1000, 5000, 20000};
  std::printf("build: %s\n", sizeof(void*) == 4 ? "win32 (the shipped 32-bit build)" : "win64 (the 64-bit build)");
  std::printf("times: the faster of %d runs each, engine runs first, then the floor, on the same held handles\n"
              "peak working set: of the benchmark process, read after the engine's runs, before the floor's\n"
              "records, with path: floor/engine; held resolved: of the helpers' handles, those the engine found a path for\n"
              "modules: the module pass alone (every process's modules asked), as a search for file_holder.exe runs it\n"
              "others: the step after the scan alone (scan/OtherHolders.h), as a search for one held file runs it\n\n",
              kRuns);
  std::printf("%7s %6s %9s %10s %13s %13s %13s %13s %9s %11s %11s %10s\n", "N", "held", "floor ms", "engine ms",
              "engine/floor", "records", "with path", "held resolved", "peak MiB", "modules ms", "module rows",
              "others ms");
  std::fflush(stdout);
  int failures = 0;
  for (int wanted : sizes) failures += RunRowProcess(wanted);
  return failures == 0 ? 0 : 1;
}
