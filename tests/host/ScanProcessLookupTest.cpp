// Owner process names from the process list, image paths, creation times
// and liveness, asked once per owner.
#include <gtest/gtest.h>

#include "text/WideText.h"

#include <cstring>

#include "fakes/FakeSystem.h"
#include "scan/HandleScanner.h"
#include "scan/native/NativeLayouts.h"
#include "scan/native/ProcessList.h"

namespace {

class ProcessLookup : public ::testing::Test {
 protected:
  FakeSystem system;
  void SetUp() override {
    system.addProcess(0, {u"", ""});
    system.addProcess(700, {u"explorer.exe", "C:\\Windows\\explorer.exe"});
    system.addProcess(701, {u"locked.exe", "C:\\locked.exe", false});
    system.addProcess(702, {u"gone.exe", "C:\\gone.exe", true, 0});
    system.addProcess(703, {std::u16string{u'\x00E9', u't', u'\x00E9', u'.', u'e', u'x', u'e'}, "C:\\x.exe"});
  }
};

TEST_F(ProcessLookup, NamesComeFromTheListInUtf16AsTheyAre) {
  ProcessList cache;
  EXPECT_EQ(cache.LookupProcessName(700), WTEXT(""));  // not filled yet
  EXPECT_EQ(cache.Fill(), 1);
  EXPECT_EQ(cache.LookupProcessName(700), WTEXT("explorer.exe"));
  EXPECT_EQ(cache.LookupProcessName(701), WTEXT("locked.exe"));
  EXPECT_EQ(cache.LookupProcessName(0), WTEXT(""));    // the idle process has no name
  EXPECT_EQ(cache.LookupProcessName(999), WTEXT(""));  // not in the list
  EXPECT_EQ(cache.LookupProcessName(703), WTEXT("\u00E9t\u00E9.exe"));
  EXPECT_EQ(system.informationCalls(), std::vector<ULONG>{kSystemProcessInformation});
}

TEST_F(ProcessLookup, PathsCreationTimesAndLivenessPerOwner) {
  system.addProcess(704, {u"late.exe", "C:\\late.exe"});
  FakeSystem::Process started{u"timed.exe", "C:\\timed.exe"};
  started.creationTime = 0x01D9000012345678ull;
  system.addProcess(705, started);
  // Owner 701 cannot be opened: unfiltered, its handle is still listed.
  for (const uint32_t pid : {700u, 701u, 702u, 705u}) system.addHandle(pid, 0x10, {u"File", u"", "C:\\f.txt"});
  HandleScanner scanner(-1, nullptr);
  CancelByte cancel{0};
  ASSERT_EQ(scanner.Run(&cancel), 1);
  ASSERT_EQ(scanner.records().size(), 4u);
  const HandleRecords& records = scanner.records();
  EXPECT_EQ(records[0].processPath, WTEXT("C:\\Windows\\explorer.exe"));
  EXPECT_EQ(records[0].filePath, WTEXT("C:\\f.txt"));
  EXPECT_EQ(records[1].processName, WTEXT("locked.exe"));
  EXPECT_EQ(records[1].processPath, WTEXT(""));  // could not be opened
  EXPECT_EQ(records[1].filePath, WTEXT(""));
  EXPECT_EQ(records[2].processPath, WTEXT("C:\\gone.exe"));  // has ended: named, not resolved
  EXPECT_EQ(records[2].filePath, WTEXT(""));
  EXPECT_EQ(records[3].ownerCreationTime, 0x01D9000012345678ull);
  // Processes holding nothing are not opened at all.
  for (const auto& call : system.openProcessCalls()) EXPECT_NE(call.pid, 704u);
  system.waitForThreads();
  EXPECT_EQ(system.openedHandles(), 0);
  EXPECT_EQ(system.badCloses(), 0);
}

TEST_F(ProcessLookup, ListLargerThanTheFirstBlockGrowsAndKeepsEveryName) {
  for (uint32_t pid = 1000; pid < 3000; ++pid) {
    system.addProcess(pid, {std::u16string(300, u'n'), "C:\\many.exe"});
  }
  system.addHandle(1000, 0x10, {u"File", u"", "C:\\a.txt"});
  ProcessList cache;
  EXPECT_EQ(cache.Fill(), 1);
  EXPECT_EQ(cache.LookupProcessName(700), WTEXT("explorer.exe"));

  HandleScanner scanner(-1, "File");
  CancelByte cancel{0};
  EXPECT_EQ(scanner.Run(&cancel), 1);
  ASSERT_EQ(scanner.records().size(), 1u);
  EXPECT_EQ(scanner.records()[0].processName, WideText(300, 'n'));
  EXPECT_EQ(scanner.records()[0].processPath, WTEXT("C:\\many.exe"));
  EXPECT_EQ(scanner.records()[0].filePath, WTEXT("C:\\a.txt"));
}

// A process list written by hand: one good entry, then whatever the case asks.
template <typename Spoil>
void scriptList(FakeSystem& system, Spoil spoil) {
  system.setInformationScript([spoil](ULONG informationClass, void* buffer, ULONG length, ULONG*, NTSTATUS& status) {
    if (informationClass != kSystemProcessInformation) return false;
    std::memset(buffer, 0, length);
    auto* base = static_cast<unsigned char*>(buffer);
    auto* first = reinterpret_cast<ProcessListEntry*>(base);
    auto* name = reinterpret_cast<WCHAR*>(base + sizeof(ProcessListEntry));
    const char16_t text[] = u"good.exe";
    std::copy(text, text + 8, name);
    first->imageName = {16, 18, name};
    first->processId = 800;
    spoil(base, length, first);
    status = kStatusSuccess;
    return true;
  });
}

TEST_F(ProcessLookup, ChainOffsetOutOfTheBlockEndsTheWalk) {
  scriptList(system, [](unsigned char*, ULONG length, ProcessListEntry* first) {
    first->nextEntryOffset = length - 8;  // the next entry would run past the block
  });
  ProcessList cache;
  EXPECT_EQ(cache.Fill(), 1);
  EXPECT_EQ(cache.LookupProcessName(800), WTEXT("good.exe"));
}

TEST_F(ProcessLookup, ChainOffsetThatWrapsAroundEndsTheWalk) {
  scriptList(system, [](unsigned char*, ULONG, ProcessListEntry* first) { first->nextEntryOffset = 0xFFFFFFF8u; });
  ProcessList cache;
  EXPECT_EQ(cache.Fill(), 1);
  EXPECT_EQ(cache.LookupProcessName(800), WTEXT("good.exe"));
}

TEST_F(ProcessLookup, NamesOutsideTheBlockOrPastTheirLengthAreNotRead) {
  static const char16_t outside[] = u"outside.exe";
  scriptList(system, [](unsigned char* base, ULONG length, ProcessListEntry* first) {
    first->nextEntryOffset = 256;
    auto* second = reinterpret_cast<ProcessListEntry*>(base + 256);
    second->processId = 801;
    second->imageName = {22, 24, reinterpret_cast<const WCHAR*>(outside)};
    second->nextEntryOffset = 256;
    // The last entry's name has no terminator and claims to run past the block.
    auto* third = reinterpret_cast<ProcessListEntry*>(base + 512);
    third->processId = 802;
    auto* tail = reinterpret_cast<WCHAR*>(base + length - 6);
    tail[0] = u'a';
    tail[1] = u'b';
    tail[2] = u'c';
    third->imageName = {0xFFF0, 0xFFF0, tail};
  });
  ProcessList cache;
  EXPECT_EQ(cache.Fill(), 1);
  EXPECT_EQ(cache.LookupProcessName(800), WTEXT("good.exe"));
  EXPECT_EQ(cache.LookupProcessName(801), WTEXT(""));
  EXPECT_EQ(cache.LookupProcessName(802), WTEXT("abc"));
}

TEST_F(ProcessLookup, EntriesAlignedOnlyToFourBytesAreStillWalked) {
  scriptList(system, [](unsigned char* base, ULONG, ProcessListEntry* first) {
    constexpr std::size_t kSecond = 260;  // four-byte aligned only
    first->nextEntryOffset = kSecond;
    auto* chars = reinterpret_cast<WCHAR*>(base + kSecond + sizeof(ProcessListEntry));
    const char16_t text[] = u"next.exe";
    std::copy(text, text + 8, chars);
    ProcessListEntry second{};
    second.processId = 803;
    second.imageName = {16, 18, chars};
    std::memcpy(base + kSecond, &second, sizeof second);
  });
  ProcessList cache;
  EXPECT_EQ(cache.Fill(), 1);
  EXPECT_EQ(cache.LookupProcessName(800), WTEXT("good.exe"));
  EXPECT_EQ(cache.LookupProcessName(803), WTEXT("next.exe"));
}

TEST_F(ProcessLookup, NoNativeLayerLeavesTheCacheEmpty) {
  NativeApi.allPresent = 0;
  ProcessList cache;
  EXPECT_EQ(cache.Fill(), 0);
  EXPECT_EQ(cache.LookupProcessName(700), WTEXT(""));
  EXPECT_TRUE(system.informationCalls().empty());
}

}  // namespace
