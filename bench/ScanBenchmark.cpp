// The scan end to end on a system where helper processes hold N file handles
// in all. Prints, for the one N it is given: wall time of each phase, the
// records found, handles per second and the peak working set.
//
// Usage: scan_benchmark.exe N
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <utility>
#include <string>
#include <vector>

#include "FileHolderProcess.h"
#include "scan/HandleScanner.h"
#include "scan/native/DebugPrivilege.h"
#include "scan/native/NativeApi.h"

namespace {
constexpr int kFilesPerHelper = 10;
constexpr int kHandlesPerHelper = 5000;

NtQuerySystemInformationFn realQuery = nullptr;
LARGE_INTEGER secondPhaseStart{};

// The second phase begins with the process-list query.
NTSTATUS WINAPI markSecondPhase(ULONG informationClass, void* buffer, ULONG length, ULONG* returned) {
  if (informationClass == kSystemProcessInformation) QueryPerformanceCounter(&secondPhaseStart);
  return realQuery(informationClass, buffer, length, returned);
}

double milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}
}  // namespace

int main(int argc, char** argv) {
  const int wanted = argc > 1 ? std::atoi(argv[1]) : 1000;
  ReadOsMajorVersion();
  BindNativeApi();
  EnableDebugPrivilege();
  if (NativeApi.allPresent == 0) {
    std::printf("native layer missing\n");
    return 1;
  }

  std::vector<std::string> files;
  for (int i = 0; i < kFilesPerHelper; ++i) files.push_back(MakeTempFile("osb"));
  const int helpers = wanted > kHandlesPerHelper ? (wanted + kHandlesPerHelper - 1) / kHandlesPerHelper : 1;
  const int copies = wanted / (helpers * kFilesPerHelper) > 0 ? wanted / (helpers * kFilesPerHelper) : 1;
  std::vector<std::unique_ptr<FileHolderProcess>> holders;
  int held = 0;
  for (int i = 0; i < helpers; ++i) {
    holders.push_back(std::make_unique<FileHolderProcess>(files, copies));
    if (!holders.back()->holding()) {
      std::printf("helper %d did not start\n", i);
      return 1;
    }
    held += static_cast<int>(holders.back()->handles().size());
  }

  realQuery = NativeApi.NtQuerySystemInformation;
  NativeApi.NtQuerySystemInformation = markSecondPhase;
  CancelByte cancel{0};
  HandleScanner scanner(-1, nullptr);
  scanner.SetTypeFilter("File");
  LARGE_INTEGER start;
  LARGE_INTEGER end;
  QueryPerformanceCounter(&start);
  const int result = scanner.Run(&cancel);
  QueryPerformanceCounter(&end);
  NativeApi.NtQuerySystemInformation = realQuery;

  std::set<std::pair<DWORD, uint32_t>> heldHandles;
  for (const auto& holder : holders) {
    for (const auto& handle : holder->handles()) heldHandles.insert({holder->pid(), handle.value});
  }
  int resolvedHeld = 0;
  for (const HandleRecord& record : scanner.records()) {
    if (heldHandles.count({record.ownerPid, record.handleValue}) != 0 && !record.filePath.IsEmpty()) ++resolvedHeld;
  }
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);

  const double phase1 = milliseconds(start, secondPhaseStart);
  const double phase2 = milliseconds(secondPhaseStart, end);
  const double total = milliseconds(start, end);
  const auto records = static_cast<double>(scanner.records().size());
  std::printf("N=%d held=%d helpers=%d result=%d phase1=%.0f ms phase2=%.0f ms records=%.0f resolved-held=%d "
              "handles/s=%.0f peak-working-set=%.1f MiB\n",
              wanted, held, helpers, result, phase1, phase2, records, resolvedHeld,
              total > 0 ? records * 1000.0 / total : 0.0, static_cast<double>(memory.PeakWorkingSetSize) / 1048576.0);
  std::fflush(stdout);

  holders.clear();
  for (const std::string& file : files) DeleteFileA(file.c_str());
  return result == 1 ? 0 : 1;
}
