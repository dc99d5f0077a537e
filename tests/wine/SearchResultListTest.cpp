#include <gtest/gtest.h>

#include <cstdio>
#include <future>
#include <memory>
#include <string>

#include "SearchWindowsTestSupport.h"
#include "holder/FileHolderProcess.h"
#include "scan/native/DebugPrivilege.h"
#include "search/SearchSession.h"
#include "support/RecordedSessionEvents.h"
#include "ui/main/ResultList.h"

namespace {

HandleRecord result(uint32_t pid, uint32_t handle, const std::wstring& path, const wchar_t* process) {
  HandleRecord r;
  r.ownerPid = pid;
  r.handleValue = handle;
  r.filePath = SharedText(path);
  r.processName = SharedText(std::wstring(process));
  return r;
}

class SearchResultList : public ::testing::Test {
 protected:
  // One real scan of the system, so that the status logic sees a scanner
  // that produced records.
  static void SetUpTestSuite() {
    BindNativeLayerForScans();
    wchar_t directory[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, directory);
    FileHolderProcess holder({std::wstring(directory) + L"OstrelListHeld.txt"});
    ASSERT_TRUE(holder.holding());
    // As in the tool, the debug privilege is asked for before the scan.
    EnableDebugPrivilege();
    SearchThread worker;
    // A join raises the stop flag: it must wait for the scan to finish.
    std::promise<void> scanned;
    worker.start([&] { scanned.set_value(); });
    scanned.get_future().wait();
    worker.join();
    scannedSystem_ = new std::shared_ptr<HandleScanner>(worker.scanner);
  }
  static void TearDownTestSuite() {
    delete scannedSystem_;
    scannedSystem_ = nullptr;
  }

  void SetUp() override {
    ASSERT_FALSE((*scannedSystem_)->records().empty()) << "the scan found no handle at all";
    wchar_t directory[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, directory);
    existingFile_ = std::wstring(directory) + L"OstrelListIcon.txt";
    FILE* file = _wfopen(existingFile_.c_str(), L"w");
    ASSERT_NE(nullptr, file);
    std::fclose(file);

    windows_.onNotify = [this](const NMHDR* header, LRESULT& answer) {
      return list_ != nullptr && list_->answerNotification(header, answer);
    };
    showSearchOf(L"C:\\Data\\Report.txt", {result(4, 420, L"C:\\Data\\Report.txt", L"one.exe"),
                                           result(1234, 0x20, existingFile_, L"two.exe"),
                                           result(99, 0xfffc, L"c:\\data\\REPORT.txt", L"three.exe")});
  }
  void TearDown() override {
    windows_.onNotify = nullptr;
    list_.reset();
    session_.reset();
    _wremove(existingFile_.c_str());
  }

  // A session for `target` that found `results` by the real scan; the list
  // shows it in the test's windows.
  void showSearchOf(const WideText& target, std::vector<HandleRecord> results) {
    list_.reset();
    session_ = std::make_unique<SearchSession>(target, false, events_, &IdentifyTarget);
    session_->adoptResults(*scannedSystem_, std::move(results));
    list_ = std::make_unique<ResultList>(*session_, windows_.listView(), windows_.statusBar());
  }
  std::vector<HandleRecord> results() const { return session_->results(); }
  ResultList& list() { return *list_; }

  static std::shared_ptr<HandleScanner>* scannedSystem_;
  ListAndStatusWindows windows_;
  std::shared_ptr<RecordedSessionEvents> events_ = std::make_shared<RecordedSessionEvents>();
  std::unique_ptr<SearchSession> session_;
  std::unique_ptr<ResultList> list_;
  std::wstring existingFile_;
};

std::shared_ptr<HandleScanner>* SearchResultList::scannedSystem_ = nullptr;

TEST_F(SearchResultList, EmptyFilterAppendsEveryResultInOrderWithItsIndexTextsAndIcon) {
  list().fill(WideView());
  ASSERT_EQ(3, windows_.rowCount());
  EXPECT_EQ(L"Report.txt", windows_.cell(0, 0));
  EXPECT_EQ(L"C:\\Data\\Report.txt", windows_.cell(0, 1));
  EXPECT_EQ(L"0x1a4", windows_.cell(0, 2));
  EXPECT_EQ(L"4", windows_.cell(0, 3));
  EXPECT_EQ(L"one.exe", windows_.cell(0, 4));
  EXPECT_EQ(L"OstrelListIcon.txt", windows_.cell(1, 0));
  EXPECT_EQ(L"0x20", windows_.cell(1, 2));
  EXPECT_EQ(L"1234", windows_.cell(1, 3));
  EXPECT_EQ(L"REPORT.txt", windows_.cell(2, 0));
  EXPECT_EQ(L"0xfffc", windows_.cell(2, 2));
  for (int row = 0; row < 3; ++row) EXPECT_EQ(row, windows_.rowParam(row));
  EXPECT_EQ(L"Report.txt 被占用了", windows_.status(0));
  EXPECT_EQ(L"3个文件", windows_.status(1));
}

// A name no code page holds, and a Chinese process name, read exactly from
// outside through the wide messages.
TEST_F(SearchResultList, NamesShowExactlyInUtf16) {
  const std::wstring path = L"C:\\d\\\uD55C\uAD6D\uC5B4 \u5831\u544A \U0001F601.txt";
  showSearchOf(path, {result(7, 0x28, path, L"占用者.exe")});
  list().fill(WideView());
  ASSERT_EQ(1, windows_.rowCount());
  EXPECT_EQ(path.substr(5), windows_.cell(0, 0));
  EXPECT_EQ(path, windows_.cell(0, 1));
  EXPECT_EQ(L"占用者.exe", windows_.cell(0, 4));
  EXPECT_EQ(path.substr(5) + L" 被占用了", windows_.status(0));
}

// Icons are asked for when a row is drawn, through the list's display
// notification, by the name's extension alone: a file that does not exist
// gets the same icon as one that does, rows of one extension (in any case)
// share one answer, and a folder has the folder's icon.
TEST_F(SearchResultList, IconsAreAnsweredWhenDrawnByExtensionWithoutTheFile) {
  std::vector<HandleRecord> more = results();
  more.push_back(result(5, 0x24, L"\\\\nowhere\\gone\\file.txt", L"four.exe"));
  more.push_back(result(6, 0x28, L"D:\\", L"five.exe"));
  showSearchOf(L"C:\\Data\\Report.txt", more);
  list().fill(WideView());
  const auto iconOf = [&](int row, UINT code) {
    NMLVDISPINFOA info{};
    info.hdr.hwndFrom = windows_.listView();
    info.hdr.code = code;
    info.item.mask = LVIF_IMAGE;
    info.item.iItem = row;
    info.item.iImage = I_IMAGECALLBACK;
    info.item.lParam = windows_.rowParam(row);
    LRESULT answer = 1;
    EXPECT_TRUE(list().answerNotification(&info.hdr, answer));
    return info.item.iImage;
  };
  const int icon = iconOf(1, LVN_GETDISPINFOA);
  EXPECT_GE(icon, 0) << "a text file has a system icon";
  EXPECT_EQ(1u, list().cachedIcons()) << "no row but the drawn ones was asked about";
  for (int row : {0, 2, 3}) EXPECT_EQ(icon, iconOf(row, LVN_GETDISPINFOW)) << "row " << row;
  EXPECT_EQ(1u, list().cachedIcons()) << "one extension, one answer";
  const int folder = iconOf(4, LVN_GETDISPINFOW);
  EXPECT_GE(folder, 0);
  EXPECT_NE(icon, folder);
  EXPECT_EQ(2u, list().cachedIcons());
  NMHDR click{windows_.listView(), 0, static_cast<UINT>(NM_RCLICK)};
  LRESULT answer = 7;
  EXPECT_FALSE(list().answerNotification(&click, answer));
  EXPECT_EQ(7, answer);
}

TEST_F(SearchResultList, FilterKeepsPathsContainingItInAnyCaseAndRowsKeepTheirResultIndex) {
  list().fill(WideView());
  list().fill(L"data\\rep");
  ASSERT_EQ(2, windows_.rowCount());
  EXPECT_EQ(0, windows_.rowParam(0));
  EXPECT_EQ(2, windows_.rowParam(1));
  EXPECT_EQ(L"c:\\data\\REPORT.txt", windows_.cell(1, 1));
  EXPECT_EQ(L"2个文件", windows_.status(1));

  // The outcome follows every result, not the rows that passed the filter.
  list().fill(L"nothing-like-this");
  EXPECT_EQ(0, windows_.rowCount());
  EXPECT_EQ(L"Report.txt 被占用了", windows_.status(0));
  EXPECT_EQ(L"0个文件", windows_.status(1));

  // The file name is not all the filter sees.
  list().fill(L"C:\\DATA");
  EXPECT_EQ(2, windows_.rowCount());
}

TEST_F(SearchResultList, OutcomeTextsForEveryFileForNoHolderAndForNoRecords) {
  showSearchOf(WideText(), results());
  list().fill(WideView());
  EXPECT_EQ(L"查找完成", windows_.status(0));

  showSearchOf(L"D:\\目录\\空闲 文件.txt", {});
  list().fill(WideView());
  EXPECT_EQ(0, windows_.rowCount()) << "the previous rows are cleared";
  EXPECT_EQ(L"空闲 文件.txt 没有被占用", windows_.status(0));
  EXPECT_EQ(L"0个文件", windows_.status(1));

  session_->adoptResults(nullptr, {});
  list().fill(WideView());
  EXPECT_EQ(L"查找失败", windows_.status(0));
  EXPECT_EQ(L"0个文件", windows_.status(1));
}

// A fill asked for from a message the fill itself causes (the list's
// LVN_DELETEALLITEMS to its parent) is dropped; the outer one ends as asked.
TEST_F(SearchResultList, AFillThatMeetsARunningOneChangesNothing) {
  list().fill(WideView());
  int nested = 0;
  windows_.onNotify = [&](const NMHDR* header, LRESULT& answer) {
    if (header->code == LVN_DELETEALLITEMS && nested++ == 0) list().fill(L"nothing-like-this");
    return list().answerNotification(header, answer);
  };
  list().fill(L"report");
  EXPECT_EQ(1, nested);
  EXPECT_EQ(2, windows_.rowCount()) << "the outer fill's filter holds, the nested one was dropped";
  EXPECT_EQ(L"report", session_->filter());
  list().fill(L"nothing-like-this");
  EXPECT_EQ(0, windows_.rowCount()) << "the guard is lowered after the fill";
}

TEST_F(SearchResultList, SearchBoxFillsWithItsTextButLeavesTheRowsAloneWhileBusy) {
  list().fill(WideView());
  ::SetWindowTextW(windows_.searchBox(), L"one-of-none");
  windows_.setStatus(0, L"查找中...");

  const std::shared_ptr<HandleScanner> scanner = session_->scanner();
  const std::vector<HandleRecord> found = results();
  {
    // A search whose thread never runs stays busy until it is finished.
    ScopedThreadLauncher idle([](std::function<void()>) { return std::make_shared<std::thread>(); });
    ASSERT_EQ(SearchSession::Start::kStarted, session_->startSearch());
  }
  list().fillFromSearchBox(windows_.searchBox());
  EXPECT_EQ(3, windows_.rowCount());
  EXPECT_EQ(L"查找中...", windows_.status(0));

  session_->finishSearch();
  session_->adoptResults(scanner, found);
  ::SetWindowTextW(windows_.searchBox(), L"DATA\\report");
  list().fillFromSearchBox(windows_.searchBox());
  EXPECT_EQ(2, windows_.rowCount());
  EXPECT_EQ(L"2个文件", windows_.status(1));
}

TEST_F(SearchResultList, SearchBoxTextIsReadUpTo4095Units) {
  ::SendMessageW(windows_.searchBox(), EM_LIMITTEXT, 0, 0);
  ::SetWindowTextW(windows_.searchBox(), std::wstring(5000, L'x').c_str());
  EXPECT_EQ(4095u, SearchBoxText(windows_.searchBox()).size());
  const std::wstring typed = L"数据 \U0001F600";
  ::SetWindowTextW(windows_.searchBox(), typed.c_str());
  EXPECT_EQ(typed, SearchBoxText(windows_.searchBox()));
  EXPECT_EQ(L"", SearchBoxText(nullptr));
}

}  // namespace
