// The holders found after the scan, through the fake system: processes the
// file system names as having the target open but whose handles could not
// be read, and users' opens at file servers; and the closing of such a row.
// Every failure of the system adds no row and leaves nothing open.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "fakes/FakeSystem.h"
#include "support/WideLiteral.h"
#include "act/HolderControl.h"
#include "scan/OtherHolders.h"
#include "scan/native/NativeApi.h"

namespace {

constexpr uint32_t kGuard = 700;   // a protected process: no handle of its can be read
constexpr uint32_t kEditor = 800;  // a holder the scan found
constexpr uint32_t kSystem = 4;    // refuses even the least right: named by the process list
const NTSTATUS kAccessDenied = static_cast<NTSTATUS>(0xC0000022u);
const NTSTATUS kInvalidParameter = static_cast<NTSTATUS>(0xC000000Du);

WideText wide(const WCHAR* text) { return WideText(text); }

// The search's rule, as plainly as the tests need it: the path itself, or
// for a folder anything in it.
ModuleFilter ruleFor(const WideText& target, bool folder) {
  return [target, folder](const SharedText& path) {
    const WideView named = path.View();
    if (named == target) return true;
    return folder && named.size() > target.size() && named.substr(0, target.size()) == target &&
           named[target.size()] == '\\';
  };
}

HandleRecord handleRow(uint32_t pid, const WideText& path) {
  HandleRecord row;
  row.ownerPid = pid;
  row.handleValue = 0x44;
  row.filePath = SharedText(path);
  return row;
}

struct UnreadableCase {
  const char* name;
  std::vector<ULONG_PTR> ids;  // what the file system answers
  NTSTATUS status;             // or this
  bool refuseOpen;
  bool folder;
  std::vector<uint32_t> found;  // pids of rows the scan already has
  bool foundAsModule;           // ... as a loaded module
  std::vector<uint32_t> added;  // pids of the rows expected, in order
  std::size_t asks;             // class 47 calls
};

TEST(OtherHolders, ProcessesTheFileSystemNamesWithoutARowGetOneUnknownRow) {
  std::vector<ULONG_PTR> many;
  for (ULONG_PTR id = 2000; id < 2070; ++id) many.push_back(id);  // room for 32, then 64, then 128
  const std::vector<uint32_t> manyAdded(many.begin(), many.end());
  const UnreadableCase cases[] = {
      {"a protected holder", {kGuard}, 0, false, false, {}, false, {kGuard}, 1},
      {"a process that cannot be opened", {kSystem}, 0, false, false, {}, false, {kSystem}, 1},
      {"a holder already found, the own process, a repeat", {kEditor, FakeSystem::kOwnPid, kGuard, kGuard},
       0, false, false, {kEditor}, false, {kGuard}, 1},
      {"a module row counts as found", {kEditor}, 0, false, false, {kEditor}, true, {}, 1},
      {"a folder", {kGuard}, 0, false, true, {}, false, {kGuard}, 1},
      {"the block grown twice", many, 0, false, false, {}, false, manyAdded, 3},
      {"not implemented (Wine)", {kGuard}, kStatusNotImplemented, false, false, {}, false, {}, 1},
      {"no such class", {kGuard}, kStatusInvalidInfoClass, false, false, {}, false, {}, 1},
      {"access denied", {kGuard}, kAccessDenied, false, false, {}, false, {}, 1},
      {"a file system without the list", {kGuard}, kInvalidParameter, false, false, {}, false, {}, 1},
      {"never big enough: bounded", {kGuard}, kStatusInfoLengthMismatch, false, false, {}, false, {}, 9},
      {"the target cannot be opened", {kGuard}, 0, true, false, {}, false, {}, 0},
  };
  for (const UnreadableCase& c : cases) {
    SCOPED_TRACE(c.name);
    FakeSystem system;
    FakeSystem::Process guard{u"guard.exe", "C:\\Security\\guard.exe"};
    guard.creationTime = 1234;
    system.addProcess(kGuard, guard);
    system.addProcess(kEditor, FakeSystem::Process{u"editor.exe", "C:\\Tools\\editor.exe"});
    system.addProcess(kSystem, FakeSystem::Process{u"System", "", false});
    system.setProcessesUsingFile(c.ids, c.status);
    system.refuseCreateFile(c.refuseOpen);
    const WideText target = wide(c.folder ? WTEXT("C:\\data") : WTEXT("C:\\data\\a.txt"));
    std::vector<HandleRecord> results;
    for (const uint32_t pid : c.found) results.push_back(handleRow(pid, target));
    if (c.foundAsModule) results.back().loadedModule = true;

    AppendOtherHolders(target, c.folder, ruleFor(target, c.folder), results);

    ASSERT_EQ(c.found.size() + c.added.size(), results.size());
    for (std::size_t i = 0; i < c.added.size(); ++i) {
      const HandleRecord& row = results[c.found.size() + i];
      EXPECT_EQ(c.added[i], row.ownerPid);
      EXPECT_EQ(HolderKind::kUnreadable, KindOf(row));
      EXPECT_EQ(target, row.filePath.ToWide());
      EXPECT_EQ(0u, row.handleValue);
    }
    if (!c.added.empty() && c.added[0] == kGuard) {
      const HandleRecord& row = results[c.found.size()];
      EXPECT_EQ(wide(WTEXT("guard.exe")), row.processName.ToWide());
      EXPECT_EQ(wide(WTEXT("C:\\Security\\guard.exe")), row.processPath.ToWide());
      EXPECT_EQ(1234u, row.ownerCreationTime);
    }
    if (!c.added.empty() && c.added[0] == kSystem) {
      const HandleRecord& row = results[c.found.size()];
      EXPECT_EQ(wide(WTEXT("System")), row.processName.ToWide());
      EXPECT_TRUE(row.processPath.IsEmpty());
      EXPECT_EQ(0u, row.ownerCreationTime);
    }
    EXPECT_EQ(c.asks, system.fileProcessIdLengths().size());
    const auto lengths = system.fileProcessIdLengths();
    for (std::size_t i = 1; i < lengths.size(); ++i) EXPECT_GT(lengths[i], lengths[i - 1]);
    const auto opens = system.createFileCalls();
    ASSERT_EQ(1u, opens.size());
    EXPECT_EQ(target, WideText(opens[0].path));
    EXPECT_EQ(static_cast<DWORD>(FILE_READ_ATTRIBUTES), opens[0].access);
    EXPECT_EQ(static_cast<DWORD>(FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE), opens[0].share);
    EXPECT_EQ(c.folder ? static_cast<DWORD>(FILE_FLAG_BACKUP_SEMANTICS) : 0u, opens[0].flags);
    // Only the limited right is asked of a holder: a protected process allows no more.
    for (const auto& call : system.openProcessCalls()) {
      EXPECT_EQ(static_cast<DWORD>(PROCESS_QUERY_LIMITED_INFORMATION), call.access);
    }
    EXPECT_EQ(0, system.openedHandles());
    EXPECT_EQ(0, system.badCloses());
  }
}

TEST(OtherHolders, WithoutATargetTheFileIsNotAsked) {
  FakeSystem system;
  system.setProcessesUsingFile({kGuard});
  std::vector<HandleRecord> results;
  AppendOtherHolders(WideText(), false, ModuleFilter(), results);
  EXPECT_TRUE(results.empty());
  EXPECT_TRUE(system.createFileCalls().empty());
}

struct RemoteCase {
  const char* name;
  const WCHAR* target;  // empty: every open file
  bool folder;
  DWORD page;
  DWORD failure;
  std::vector<std::pair<DWORD, WideText>> rows;  // ID and path, in order
  std::size_t asks;  // NetFileEnum calls, each of this server and base path
  WideText askedServer;
  WideText askedBase;
};

TEST(OtherHolders, EveryOpenOfAFileServerUnderTheTargetIsOneRowWithItsUser) {
  const RemoteCase cases[] = {
      {"a file", WTEXT("C:\\data\\a.txt"), false, 0, 0, {{7, WTEXT("C:\\data\\a.txt")}}, 1, WTEXT(""), WTEXT("C:\\data\\a.txt")},
      {"a folder", WTEXT("C:\\data"), true, 0, 0, {{7, WTEXT("C:\\data\\a.txt")}, {8, WTEXT("C:\\data\\a.txt.bak")}, {10, WTEXT("C:\\data\\sub\\b.txt")}}, 1, WTEXT(""),
       WTEXT("C:\\data")},
      {"every open file, no pipes", WTEXT(""), false, 0, 0,
       {{7, WTEXT("C:\\data\\a.txt")}, {8, WTEXT("C:\\data\\a.txt.bak")}, {10, WTEXT("C:\\data\\sub\\b.txt")},
        {11, WTEXT("C:\\database\\x.db")}},
       1, WTEXT(""), WTEXT("")},
      {"page by page", WTEXT("C:\\data"), true, 1, 0, {{7, WTEXT("C:\\data\\a.txt")}, {8, WTEXT("C:\\data\\a.txt.bak")}, {10, WTEXT("C:\\data\\sub\\b.txt")}}, 4,
       WTEXT(""), WTEXT("C:\\data")},
      {"a file on a share, named through it", WTEXT("\\\\srv\\team\\docs\\a.txt"), false, 0, 0,
       {{21, WTEXT("\\\\srv\\team\\docs\\a.txt")}}, 1, WTEXT("\\\\srv"), WTEXT("D:\\Shares\\Team\\docs\\a.txt")},
      {"a share's folder", WTEXT("\\\\srv\\team"), true, 0, 0,
       {{21, WTEXT("\\\\srv\\team\\docs\\a.txt")}, {23, WTEXT("\\\\srv\\team\\c.txt")}}, 1, WTEXT("\\\\srv"),
       WTEXT("D:\\Shares\\Team")},
      {"access denied", WTEXT("C:\\data"), true, 0, ERROR_ACCESS_DENIED, {}, 1, WTEXT(""), WTEXT("C:\\data")},
      {"not supported (Wine)", WTEXT("C:\\data"), true, 0, ERROR_NOT_SUPPORTED, {}, 1, WTEXT(""), WTEXT("C:\\data")},
      {"server not started", WTEXT(""), false, 0, 2114, {}, 1, WTEXT(""), WTEXT("")},
      {"a share's server refuses", WTEXT("\\\\srv\\team"), true, 0, ERROR_ACCESS_DENIED, {}, 0, WTEXT(""), WTEXT("")},
  };
  for (const RemoteCase& c : cases) {
    SCOPED_TRACE(c.name);
    FakeSystem system;
    system.setServerOpens(WTEXT(""), {{7, WTEXT("C:\\data\\a.txt"), WTEXT("alice")},
                                {8, WTEXT("C:\\data\\a.txt.bak"), WTEXT("bob")},
                                {9, WTEXT("\\PIPE\\srvsvc"), WTEXT("carol")},
                                {10, WTEXT("C:\\data\\sub\\b.txt"), WTEXT("dave")},
                                {11, WTEXT("C:\\database\\x.db"), WTEXT("erin")}});
    system.setShareFolder(WTEXT("\\\\srv"), WTEXT("team"), WTEXT("D:\\Shares\\Team\\"));
    system.setServerOpens(WTEXT("\\\\srv"), {{21, WTEXT("D:\\Shares\\Team\\docs\\a.txt"), WTEXT("frank")},
                                       {22, WTEXT("D:\\Shares\\Other\\a.txt"), WTEXT("grace")},
                                       {23, WTEXT("D:\\Shares\\Team\\c.txt"), WTEXT("heidi")}});
    system.setNetPage(c.page);
    system.setNetFailure(c.failure);
    const WideText target(c.target);
    std::vector<HandleRecord> results;

    AppendOtherHolders(target, c.folder, ruleFor(target, c.folder), results);

    ASSERT_EQ(c.rows.size(), results.size());
    const std::map<DWORD, WideText> users{{7, WTEXT("alice")}, {8, WTEXT("bob")},    {10, WTEXT("dave")}, {11, WTEXT("erin")},
                                                {21, WTEXT("frank")}, {23, WTEXT("heidi")}};
    for (std::size_t i = 0; i < c.rows.size(); ++i) {
      const HandleRecord& row = results[i];
      EXPECT_EQ(HolderKind::kRemote, KindOf(row));
      EXPECT_EQ(c.rows[i].first, row.handleValue);
      EXPECT_EQ(WideText(c.rows[i].second), row.filePath.ToWide());
      EXPECT_EQ(WideText(users.at(c.rows[i].first)), row.processName.ToWide());
      EXPECT_EQ(0u, row.ownerPid);
      EXPECT_TRUE(row.processPath.IsEmpty());
    }
    const auto asked = system.netFileEnumCalls();
    EXPECT_EQ(c.asks, asked.size());
    for (const auto& call : asked) {
      EXPECT_EQ(c.askedServer, call.server);
      EXPECT_EQ(c.askedBase, call.path);
    }
    EXPECT_EQ(0, system.liveNetBlocks());
    EXPECT_EQ(0, system.openedHandles());
  }
}

TEST(CloseHolderRow, ClosesARemoteOpenAtItsServerByItsId) {
  FakeSystem system;
  system.setServerOpens(WTEXT(""), {{7, WTEXT("C:\\data\\a.txt"), WTEXT("alice")}});
  system.setShareFolder(WTEXT("\\\\srv"), WTEXT("team"), WTEXT("D:\\Shares\\Team"));
  system.setServerOpens(WTEXT("\\\\srv"), {{21, WTEXT("D:\\Shares\\Team\\a.txt"), WTEXT("frank")}});
  std::vector<HandleRecord> rows;
  AppendOtherHolders(wide(WTEXT("C:\\data\\a.txt")), false, ruleFor(wide(WTEXT("C:\\data\\a.txt")), false), rows);
  AppendOtherHolders(wide(WTEXT("\\\\srv\\team\\a.txt")), false, ruleFor(wide(WTEXT("\\\\srv\\team\\a.txt")), false), rows);
  ASSERT_EQ(2u, rows.size());
  const PathMatch never = [](WideView, WideView) { return false; };

  EXPECT_EQ(CloseResult::kClosed, CloseHolderRow(rows[0], never));
  EXPECT_EQ(CloseResult::kClosed, CloseHolderRow(rows[1], never));
  const auto closes = system.netFileCloses();
  ASSERT_EQ(2u, closes.size());
  EXPECT_EQ(WideText(), closes[0].server);
  EXPECT_EQ(7u, closes[0].id);
  EXPECT_EQ(WideText(WTEXT("\\\\srv")), closes[1].server);
  EXPECT_EQ(21u, closes[1].id);
  // Closed already: the server no longer knows the ID, nothing is closed.
  EXPECT_EQ(CloseResult::kFailed, CloseHolderRow(rows[0], never));
  // The ID now names another file: left open.
  system.setServerOpens(WTEXT(""), {{7, WTEXT("C:\\other\\b.txt"), WTEXT("zoe")}});
  EXPECT_EQ(CloseResult::kFailed, CloseHolderRow(rows[0], never));
  // Refused (no administrator there): not closed, and said so.
  system.setServerOpens(WTEXT(""), {{7, WTEXT("C:\\data\\a.txt"), WTEXT("alice")}});
  system.setNetFailure(ERROR_ACCESS_DENIED);
  EXPECT_EQ(CloseResult::kFailed, CloseHolderRow(rows[0], never));
  EXPECT_EQ(2u, system.netFileCloses().size());

  // A row with no handle closes nothing and asks no server.
  HandleRecord unreadable = handleRow(kGuard, wide(WTEXT("C:\\data\\a.txt")));
  unreadable.kind = HolderKind::kUnreadable;
  unreadable.ownerCreationTime = 1234;
  HandleRecord module = handleRow(kGuard, wide(WTEXT("C:\\data\\a.txt")));
  module.loadedModule = true;
  system.setNetFailure(0);
  EXPECT_EQ(CloseResult::kFailed, CloseHolderRow(unreadable, never));
  EXPECT_EQ(CloseResult::kFailed, CloseHolderRow(module, never));
  EXPECT_EQ(2u, system.netFileCloses().size());
  EXPECT_EQ(0, system.duplicateCalls());
  EXPECT_EQ(0, system.liveNetBlocks());
}

}  // namespace
