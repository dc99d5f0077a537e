// The start-up facilities of the engine against the fake system: the native
// binding, the version read and the debug privilege.
#include <gtest/gtest.h>

#include "fakes/FakeSystem.h"
#include "scan/HandleScanner.h"
#include "scan/native/DebugPrivilege.h"
#include "scan/native/NativeApi.h"

namespace {

class NativeBinding : public ::testing::TestWithParam<const char*> {};

TEST(NativeBindingAll, AllFiveNamesPresentBindEveryEntryPoint) {
  FakeSystem system;
  BindNativeApi();
  EXPECT_EQ(NativeApi.allPresent, 1);
  EXPECT_NE(NativeApi.NtQuerySystemInformation, nullptr);
  EXPECT_NE(NativeApi.NtQueryInformationFile, nullptr);
}

TEST_P(NativeBinding, AnyMissingNameLeavesAllPresentZeroAndScansFail) {
  FakeSystem system;
  system.addProcess(200, {u"a.exe", "C:\\a.exe"});
  system.addHandle(200, 0x40, {u"File", u"", "\\\\?\\C:\\a.txt"});
  system.setMissingNativeName(GetParam());
  BindNativeApi();
  EXPECT_EQ(NativeApi.allPresent, 0);
  HandleScanner scanner(-1, "File");
  CancelByte cancel{0};
  EXPECT_EQ(scanner.Run(&cancel), 0);
  EXPECT_TRUE(scanner.records().empty());
  EXPECT_TRUE(system.informationCalls().empty());
}

INSTANTIATE_TEST_SUITE_P(EachName, NativeBinding,
                         ::testing::Values("NtQuerySystemInformation", "NtQueryObject", "NtQueryInformationThread",
                                           "NtQueryInformationFile", "NtQueryInformationProcess"));

TEST(OsVersion, ExtendedRecordFirstThenBasicThenZero) {
  FakeSystem system;
  system.setVersion(6, {sizeof(OSVERSIONINFOEXA)});
  ReadOsMajorVersion();
  EXPECT_EQ(OsMajorVersion, 6u);
  EXPECT_EQ(system.versionRecordSizes(), (std::vector<DWORD>{156}));

  system.setVersion(5, {sizeof(OSVERSIONINFOA)});
  ReadOsMajorVersion();
  EXPECT_EQ(OsMajorVersion, 5u);
  EXPECT_EQ(system.versionRecordSizes(), (std::vector<DWORD>{156, 156, 148}));

  system.setVersion(5, {});
  ReadOsMajorVersion();
  EXPECT_EQ(OsMajorVersion, 0u);
  EXPECT_EQ(system.versionRecordSizes().size(), 5u);
}

struct PrivilegeCase {
  bool opens, looksUp, adjusts;
  const char* output;
  int tokenCloses;
};

class DebugPrivilege : public ::testing::TestWithParam<PrivilegeCase> {};

TEST_P(DebugPrivilege, ReportsTheFailingStepAndClosesAnOpenedToken) {
  const PrivilegeCase& c = GetParam();
  FakeSystem system;
  system.setTokenScript(c.opens, c.looksUp, c.adjusts, 1300);
  ::testing::internal::CaptureStdout();
  EnableDebugPrivilege();
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), c.output);
  EXPECT_EQ(system.tokenCloses(), c.tokenCloses);
  EXPECT_EQ(system.openedHandles(), 0);
  EXPECT_EQ(system.badCloses(), 0);
  // The lookup is not attempted without a token.
  EXPECT_EQ(system.lookedUpPrivileges().size(), c.opens ? 1u : 0u);
  if (c.opens) {
    EXPECT_EQ(system.lookedUpPrivileges()[0], "SeDebugPrivilege");
  }
  EXPECT_EQ(system.tokenAdjusted(), c.opens && c.looksUp && c.adjusts);
}

TEST_P(DebugPrivilege, TheQuietTryTellsTheFailingStepAndWritesNothing) {
  const PrivilegeCase& c = GetParam();
  FakeSystem system;
  system.setTokenScript(c.opens, c.looksUp, c.adjusts, 1300);
  ::testing::internal::CaptureStdout();
  const DebugPrivilegeOutcome outcome = SwitchOnDebugPrivilege();
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
  const std::string report = c.output;
  EXPECT_EQ(outcome.failedCall == nullptr, report.empty());
  if (outcome.failedCall != nullptr) {
    EXPECT_EQ(report.rfind(std::string(outcome.failedCall) + " failed", 0), 0u) << report;
    EXPECT_EQ(outcome.error, 1300u);
  }
  EXPECT_EQ(system.tokenCloses(), c.tokenCloses);
  EXPECT_EQ(system.tokenAdjusted(), c.opens && c.looksUp && c.adjusts);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, DebugPrivilege,
    ::testing::Values(PrivilegeCase{true, true, true, "", 1},
                      PrivilegeCase{false, true, true,
                                    "OpenProcessToken() failed, Error = 1300 SeDebugPrivilege is not available.\n", 0},
                      PrivilegeCase{true, false, true,
                                    "LookupPrivilegeValue() failed, Error = 1300 SeDebugPrivilege is not available.\n",
                                    1},
                      PrivilegeCase{true, true, false,
                                    "AdjustTokenPrivileges() failed, Error = 1300 SeDebugPrivilege is not available.\n",
                                    1}));

}  // namespace
