// The scanner against the real system (run under Wine): a helper process
// holds files open, and a scan for "File" handles must find each of them
// with the right owner, handle value, path and owner image, and none of the
// scanner's own.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <set>

#include "FileHolderProcess.h"
#include "text/CodePageConversion.h"
#include "scan/HandleScanner.h"
#include "scan/native/ProcessList.h"
#include "scan/native/NativeApi.h"

namespace {

bool sameText(const wchar_t* a, const wchar_t* b) { return lstrcmpiW(a, b) == 0; }

const wchar_t* baseName(const std::wstring& path) { return path.c_str() + path.find_last_of(L'\\') + 1; }

class RealScan : public ::testing::Test {
 protected:
  void SetUp() override {
    ReadOsMajorVersion();
    BindNativeApi();
    ASSERT_EQ(NativeApi.allPresent, 1);
    for (int i = 0; i < 3; ++i) files.push_back(MakeTempFile("osh"));
  }
  void TearDown() override {
    for (const std::string& file : files) DeleteFileA(file.c_str());
  }
  const HandleRecord* find(const HandleScanner& scanner, DWORD pid, uint32_t value) {
    for (const HandleRecord& record : scanner.records()) {
      if (record.ownerPid == pid && record.handleValue == value) return &record;
    }
    return nullptr;
  }

  std::vector<std::string> files;
  CancelByte cancel{0};
};

TEST_F(RealScan, FindsEachHeldFileWithItsOwnerAndNoneOfItsOwn) {
  FileHolderProcess holder(files);
  ASSERT_TRUE(holder.holding());
  ASSERT_EQ(holder.handles().size(), files.size());
  // A file of the scanner's own process, which must never be listed.
  HANDLE own = CreateFileA(files[0].c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(own, INVALID_HANDLE_VALUE);

  HandleScanner scanner(-1, nullptr);
  scanner.SetTypeFilter("File");
  EXPECT_EQ(scanner.Run(&cancel), 1);
  CloseHandle(own);

  for (const auto& held : holder.handles()) {
    const HandleRecord* record = find(scanner, holder.pid(), held.value);
    ASSERT_NE(record, nullptr) << held.path;
    EXPECT_TRUE(sameText(record->filePath.GetString(), WideFromAnsi(held.path.c_str()))) << held.path;
    EXPECT_TRUE(sameText(record->processName.GetString(), L"file_holder.exe"));
    EXPECT_TRUE(sameText(baseName(record->processPath.ToWide()), L"file_holder.exe"));
    EXPECT_EQ(record->attributes, 0);
    EXPECT_NE(record->filePath.GetString()[0], L'\\');  // drive-letter form, prefix taken off
  }
  for (const HandleRecord& record : scanner.records()) {
    EXPECT_NE(record.ownerPid, GetCurrentProcessId());
  }
}

TEST_F(RealScan, ProcessListNamesTheOwnProcess) {
  ProcessList cache;
  EXPECT_EQ(cache.Fill(), 1);
  EXPECT_TRUE(sameText(cache.LookupProcessName(GetCurrentProcessId()).GetString(), L"scan_integration_tests.exe"));
}

// Ends the holder just as the second phase begins (its first act is the
// process-list query), so its records were queued but their owner is gone.
HANDLE holderToEnd = nullptr;
NtQuerySystemInformationFn realQuery = nullptr;

NTSTATUS WINAPI endHolderBeforeProcessList(ULONG informationClass, void* buffer, ULONG length, ULONG* returned) {
  if (informationClass == kSystemProcessInformation && holderToEnd != nullptr) {
    TerminateProcess(holderToEnd, 0);
    WaitForSingleObject(holderToEnd, INFINITE);
    holderToEnd = nullptr;
  }
  return realQuery(informationClass, buffer, length, returned);
}

TEST_F(RealScan, HolderEndedBeforeTheSecondPhaseLeavesItsPathsEmpty) {
  FileHolderProcess holder(files);
  ASSERT_TRUE(holder.holding());
  realQuery = NativeApi.NtQuerySystemInformation;
  holderToEnd = holder.process();
  NativeApi.NtQuerySystemInformation = endHolderBeforeProcessList;
  HandleScanner scanner(-1, "File");
  const int result = scanner.Run(&cancel);
  NativeApi.NtQuerySystemInformation = realQuery;
  EXPECT_EQ(result, 1);
  EXPECT_EQ(holderToEnd, nullptr);
  for (const auto& held : holder.handles()) {
    const HandleRecord* record = find(scanner, holder.pid(), held.value);
    ASSERT_NE(record, nullptr) << held.path;
    EXPECT_TRUE(record->filePath.IsEmpty());
  }
}

TEST_F(RealScan, CancelledScanReturnsAndTheScannerCanGo) {
  FileHolderProcess holder(files);
  ASSERT_TRUE(holder.holding());
  auto scanner = std::make_unique<HandleScanner>(-1, "File");
  cancel = 1;
  EXPECT_EQ(scanner->Run(&cancel), 1);
  EXPECT_TRUE(scanner->records().empty());
  scanner.reset();
}

}  // namespace
