#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <new>
#include <system_error>

#include "SearchWindowsTestSupport.h"
#include "holder/FileHolderProcess.h"
#include "search/PathComparison.h"
#include "app/Application.h"
#include "fakes/FakeSystem.h"

namespace {

HandleRecord heldFile(const wchar_t* path) {
  HandleRecord r;
  r.ownerPid = 8;
  r.handleValue = 0x44;
  r.filePath = SharedText(std::wstring(path));
  return r;
}

std::shared_ptr<std::thread> refuseThread(std::function<void()>) {
  throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
}
std::shared_ptr<std::thread> refuseMemory(std::function<void()>) { throw std::bad_alloc(); }

// Waits for a search to clear `busy`, taking its end as the tool's message
// loop does.
bool waitUntilIdle(Application& app) {
  for (int i = 0; i < 60000 && app.busy.load() != 0; ++i) {
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (!app.routeThreadMessage(message)) ::DispatchMessageA(&message);
    }
    ::Sleep(1);
  }
  return app.busy.load() == 0;
}

TEST(SearchController, RefreshWhileBusyShowsTheErrorBoxAndChangesNothing) {
  Application app;
  app.results = {heldFile(L"C:\\a.txt"), heldFile(L"C:\\b.txt")};
  auto scanner = std::make_shared<HandleScanner>(-1, "File");
  app.worker.scanner = scanner;
  app.busy.exchange(1);

  MessageBoxCatcher catcher;
  app.restartSearch();

  EXPECT_EQ(1, catcher.caught().count);
  EXPECT_EQ(L"正在查找", catcher.caught().text);
  EXPECT_EQ(L"提示", catcher.caught().caption);
  EXPECT_TRUE(catcher.caught().errorIcon);
  EXPECT_EQ(app.mainWindow(), catcher.caught().owner);
  EXPECT_EQ(2u, app.results.size());
  EXPECT_EQ(scanner, app.worker.scanner);
  EXPECT_EQ(nullptr, app.worker.thread);
  EXPECT_EQ(1, app.busy.load());
  app.busy.exchange(0);
}

TEST(SearchController, RefreshFindsEveryHandleOfTheHoldersAndEachSearchUsesANewScanner) {
  BindNativeLayerForScans();
  char directory[MAX_PATH] = {};
  ::GetTempPathA(MAX_PATH, directory);
  const std::string target = std::string(directory) + "OstrelControllerHeld.txt";
  const std::wstring wideTarget(target.begin(), target.end());
  // One process with two handles on the target, another with one.
  FileHolderProcess first({wideTarget, wideTarget});
  FileHolderProcess second({wideTarget});
  ASSERT_TRUE(first.holding());
  ASSERT_TRUE(second.holding());

  Application app;
  app.targetPath = wideTarget;
  app.results = {heldFile(L"C:\\left over.txt")};
  MessageBoxCatcher catcher;

  app.restartSearch();
  ASSERT_TRUE(waitUntilIdle(app));
  ASSERT_EQ(3u, app.results.size());
  int fromFirst = 0;
  int fromSecond = 0;
  for (const HandleRecord& r : app.results) {
    EXPECT_TRUE(PathsEqualIgnoringCase(wideTarget, r.filePath));
    EXPECT_NE(std::wstring::npos, r.processPath.View().find(L"file_holder.exe"));
    fromFirst += r.ownerPid == first.pid() ? 1 : 0;
    fromSecond += r.ownerPid == second.pid() ? 1 : 0;
  }
  EXPECT_EQ(2, fromFirst);
  EXPECT_EQ(1, fromSecond);
  ASSERT_NE(nullptr, app.worker.scanner);
  std::weak_ptr<HandleScanner> firstScanner = app.worker.scanner;

  app.restartSearch();
  ASSERT_TRUE(waitUntilIdle(app));
  EXPECT_TRUE(firstScanner.expired());
  EXPECT_NE(nullptr, app.worker.scanner);
  EXPECT_EQ(3u, app.results.size()) << "the previous results were emptied first";
  EXPECT_EQ(0, catcher.caught().count);
}

TEST(SearchController, ASearchThreadThatCannotStartLeavesTheControllerIdleAndALaterRefreshWorks) {
  BindNativeLayerForScans();
  char directory[MAX_PATH] = {};
  ::GetTempPathA(MAX_PATH, directory);
  const std::string held = std::string(directory) + "OstrelRetryHeld.txt";
  FileHolderProcess holder({std::wstring(held.begin(), held.end())});
  ASSERT_TRUE(holder.holding());
  Application app;
  app.targetPath.clear();
  // No thread, or no memory for it: either way nothing stays reserved.
  for (const auto refusal : {&refuseThread, &refuseMemory}) {
    app.results = {heldFile(L"C:\\a.txt")};
    app.worker.scanner = std::make_shared<HandleScanner>(-1, "File");
    {
      ScopedThreadLauncher refuse(refusal);
      app.restartSearch();
    }
    EXPECT_EQ(0, app.busy.load());
    EXPECT_EQ(0, app.filling.load());
    EXPECT_EQ(nullptr, app.worker.thread);
    EXPECT_EQ(nullptr, app.worker.scanner) << "no scanner stands for the emptied results";
    EXPECT_TRUE(app.results.empty());
  }

  MessageBoxCatcher catcher;
  app.restartSearch();
  ASSERT_TRUE(waitUntilIdle(app));
  EXPECT_EQ(0, catcher.caught().count);
  ASSERT_NE(nullptr, app.worker.scanner);
  EXPECT_FALSE(app.worker.scanner->records().empty());
  EXPECT_FALSE(app.results.empty()) << "with no target every resolved file is a result";
}

// The window side's own faults: a search must never outlive the object it
// serves, never run for a target that is no path, and never end the
// process by a throw.
std::atomic<int> searchesEnded{0};
std::shared_ptr<std::thread> countingThread(std::function<void()> body) {
  return std::make_shared<std::thread>([body = std::move(body)] {
    body();
    ++searchesEnded;
  });
}

TEST(SearchController, DestructionStopsAndJoinsARunningSearch) {
  BindNativeLayerForScans();
  ScopedThreadLauncher counting(&countingThread);
  searchesEnded = 0;
  {
    Application app;
    app.targetPath = L"C:\\nothing-holds-this.txt";
    app.restartSearch();
    ASSERT_NE(nullptr, app.worker.thread);
  }
  EXPECT_EQ(1, searchesEnded.load()) << "the search ended within the destruction";
}

TEST(SearchController, ATargetThatIsNoPathStartsNoSearchAndFails) {
  Application app;
  app.targetPathFailed = true;
  app.results = {heldFile(L"C:\\a.txt")};
  app.restartSearch();
  EXPECT_EQ(nullptr, app.worker.thread);
  EXPECT_EQ(nullptr, app.worker.scanner) << "no scanner: the list says 查找失败";
  EXPECT_TRUE(app.results.empty());
  EXPECT_EQ(0, app.busy.load());
}

TEST(SearchController, ASearchThatThrowsEndsAsFailedWithBusyCleared) {
  FakeSystem system;
  system.setInformationScript([](ULONG, void*, ULONG, ULONG*, NTSTATUS&) -> bool { throw std::bad_alloc(); });
  Application app;
  app.restartSearch();
  ASSERT_TRUE(waitUntilIdle(app));
  EXPECT_EQ(nullptr, app.worker.scanner);
  EXPECT_TRUE(app.results.empty());
}

}  // namespace
