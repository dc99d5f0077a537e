// Freeing a file on the real system: file_holder.exe holds it without
// delete sharing, so that no program may rename, move or delete it; the
// engine closes the holder's handle and then renames, moves or recycles
// it while the holder keeps running. A refused name leaves the handle
// open and the file where it was.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "FileHolderProcess.h"
#include "SearchWindowsTestSupport.h"
#include "os/ProcessTimes.h"
#include "act/FileRelease.h"
#include "scan/HandleNaming.h"
#include "search/PathComparison.h"

namespace {

const PathRules kRules{PathsEqualIgnoringCase, PathIsInFolder};

bool exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class HeldFile : public ::testing::Test {
 protected:
  std::wstring folder;
  std::wstring path;
  std::unique_ptr<FileHolderProcess> holder;
  std::vector<HandleRecord> rows;

  void SetUp() override {
    BindNativeLayerForScans();
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    folder = std::wstring(temp) + L"ostrel-release-" + std::to_wstring(::GetCurrentProcessId());
    ::CreateDirectoryW(folder.c_str(), nullptr);
    ::CreateDirectoryW((folder + L"\\moved").c_str(), nullptr);
    path = folder + L"\\held.txt";
    FileHolderProcess::Options options;
    options.deleteSharing = false;
    holder = std::make_unique<FileHolderProcess>(std::vector<std::wstring>{path}, options);
    ASSERT_TRUE(holder->holding());
    ASSERT_EQ(1u, holder->handles().size());
    // The row as a search gives it: the file under the name the system gives it.
    const HANDLE look = ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, look);
    HandleRecord row;
    row.filePath = QueryFinalPath(look);
    ::CloseHandle(look);
    ASSERT_FALSE(row.filePath.IsEmpty());
    row.ownerPid = holder->pid();
    row.ownerCreationTime = ProcessCreationTime(holder->process());
    row.handleValue = holder->handles()[0].value;
    row.processName = SharedText(WideText(L"file_holder.exe"));
    rows.push_back(row);
    // Held: no program may rename it.
    ASSERT_FALSE(::MoveFileExW(path.c_str(), (folder + L"\\probe.txt").c_str(), 0));
  }
  void TearDown() override {
    holder.reset();
    for (const wchar_t* name : {L"\\held.txt", L"\\renamed.txt", L"\\moved\\held.txt"}) {
      ::DeleteFileW((folder + name).c_str());
    }
    ::RemoveDirectoryW((folder + L"\\moved").c_str());
    ::RemoveDirectoryW(folder.c_str());
  }
  ReleasePlan plan() const {
    return PlanRelease(rows, path, [](const HandleRecord&) { return true; });
  }
};

TEST_F(HeldFile, ARefusedNameLeavesItHeldAndInPlace) {
  const struct {
    const wchar_t* name;
    ReleaseOutcome refusal;
  } cases[] = {{L"CON.txt", ReleaseOutcome::kNameReserved},
               {L"a:b.txt", ReleaseOutcome::kNameForbiddenCharacter},
               {L"renamed.txt.", ReleaseOutcome::kNameTrailingDotOrSpace}};
  for (const auto& c : cases) {
    const ReleaseResult result = ReleaseFile(plan(), {FileAction::kRename, c.name, L""}, kRules);
    EXPECT_EQ(c.refusal, result.outcome) << c.name;
    EXPECT_EQ(0, result.closings.tried);
  }
  EXPECT_TRUE(exists(path));
  EXPECT_FALSE(::MoveFileExW(path.c_str(), (folder + L"\\probe.txt").c_str(), 0)) << "still held";
}

TEST_F(HeldFile, RenamedWhileTheHolderRuns) {
  const ReleaseResult result = ReleaseFile(plan(), {FileAction::kRename, L"renamed.txt", L""}, kRules);
  EXPECT_EQ(ReleaseOutcome::kDone, result.outcome) << result.systemError;
  EXPECT_EQ(1, result.closings.tried);
  EXPECT_EQ(0, result.closings.failed);
  EXPECT_EQ(folder + L"\\renamed.txt", result.newPath);
  EXPECT_FALSE(exists(path));
  EXPECT_TRUE(exists(folder + L"\\renamed.txt"));
  EXPECT_TRUE(holder->running());
}

TEST_F(HeldFile, MovedWhileTheHolderRuns) {
  const ReleaseResult result = ReleaseFile(plan(), {FileAction::kMove, L"", folder + L"\\moved"}, kRules);
  EXPECT_EQ(ReleaseOutcome::kDone, result.outcome) << result.systemError;
  EXPECT_FALSE(exists(path));
  EXPECT_TRUE(exists(folder + L"\\moved\\held.txt"));
  EXPECT_TRUE(holder->running());
}

TEST_F(HeldFile, RecycledWhileTheHolderRuns) {
  const ReleaseResult result = ReleaseFile(plan(), {FileAction::kRecycle, L"", L""}, kRules);
  EXPECT_EQ(ReleaseOutcome::kDone, result.outcome) << result.systemError;
  EXPECT_FALSE(exists(path));
  EXPECT_TRUE(holder->running());
}

}  // namespace
