#include <gtest/gtest.h>

#include <cstdio>
#include <future>
#include <memory>
#include <string>

#include "SearchWindowsTestSupport.h"
#include "holder/FileHolderProcess.h"
#include "app/Application.h"
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
    Application tool;
    ScanWorker worker;
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

    app_ = std::make_unique<Application>();
    windows_.onNotify = [this](const NMHDR* header, LRESULT& answer) {
      return list().answerNotification(header, answer);
    };
    app_->worker.scanner = *scannedSystem_;
    app_->targetPath = L"C:\\Data\\Report.txt";
    app_->results = {result(4, 420, L"C:\\Data\\Report.txt", L"one.exe"),
                     result(1234, 0x20, existingFile_, L"two.exe"),
                     result(99, 0xfffc, L"c:\\data\\REPORT.txt", L"three.exe")};
  }
  void TearDown() override {
    windows_.onNotify = nullptr;
    if (app_ != nullptr) app_->worker.scanner.reset();
    _wremove(existingFile_.c_str());
  }

  ResultList list() { return ResultList(*app_, windows_.listView(), windows_.statusBar()); }

  static std::shared_ptr<HandleScanner>* scannedSystem_;
  ListAndStatusWindows windows_;
  std::unique_ptr<Application> app_;
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
  EXPECT_EQ(0, app_->filling.load());
}

// A name no code page holds, and a Chinese process name, read exactly from
// outside through the wide messages.
TEST_F(SearchResultList, NamesShowExactlyInUtf16) {
  const std::wstring path = L"C:\\d\\\uD55C\uAD6D\uC5B4 \u5831\u544A \U0001F601.txt";
  app_->targetPath = path;
  app_->results = {result(7, 0x28, path, L"占用者.exe")};
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
  app_->results.push_back(result(5, 0x24, L"\\\\nowhere\\gone\\file.txt", L"four.exe"));
  app_->results.push_back(result(6, 0x28, L"D:\\", L"five.exe"));
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
  EXPECT_EQ(1u, app_->resultIcons.size()) << "no row but the drawn ones was asked about";
  for (int row : {0, 2, 3}) EXPECT_EQ(icon, iconOf(row, LVN_GETDISPINFOW)) << "row " << row;
  EXPECT_EQ(1u, app_->resultIcons.size()) << "one extension, one answer";
  const int folder = iconOf(4, LVN_GETDISPINFOW);
  EXPECT_GE(folder, 0);
  EXPECT_NE(icon, folder);
  EXPECT_EQ(2u, app_->resultIcons.size());
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
  app_->targetPath.clear();
  list().fill(WideView());
  EXPECT_EQ(L"查找完成", windows_.status(0));

  app_->targetPath = L"D:\\目录\\空闲 文件.txt";
  app_->results.clear();
  list().fill(WideView());
  EXPECT_EQ(0, windows_.rowCount()) << "the previous rows are cleared";
  EXPECT_EQ(L"空闲 文件.txt 没有被占用", windows_.status(0));
  EXPECT_EQ(L"0个文件", windows_.status(1));

  app_->worker.scanner.reset();
  list().fill(WideView());
  EXPECT_EQ(L"查找失败", windows_.status(0));
  EXPECT_EQ(L"0个文件", windows_.status(1));
}

TEST_F(SearchResultList, AFillThatMeetsARunningOneChangesNothing) {
  list().fill(WideView());
  windows_.setStatus(0, L"before");
  app_->filling.exchange(1);
  app_->results.pop_back();
  list().fill(L"report");
  EXPECT_EQ(3, windows_.rowCount());
  EXPECT_EQ(L"before", windows_.status(0));
  EXPECT_EQ(1, app_->filling.load()) << "the guard stays with its owner";
  app_->filling.exchange(0);
}

TEST_F(SearchResultList, SearchBoxFillsWithItsTextButLeavesTheRowsAloneWhileBusy) {
  list().fill(WideView());
  ::SetWindowTextW(windows_.searchBox(), L"one-of-none");
  windows_.setStatus(0, L"查找中...");

  app_->busy.exchange(1);
  list().fillFromSearchBox(windows_.searchBox());
  EXPECT_EQ(3, windows_.rowCount());
  EXPECT_EQ(L"查找中...", windows_.status(0));

  app_->busy.exchange(0);
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
