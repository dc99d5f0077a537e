// Object type naming: the fixed table, the low-byte narrowing and the type
// query through a duplicate.
#include <gtest/gtest.h>

#include "fakes/FakeSystem.h"
#include "scan/NarrowLowBytes.h"
#include "scan/QueryTypeName.h"
#include "scan/TypeNumberFromName.h"
#include "scan/native/CountedString.h"

namespace {

TEST(TypeNumberFromName, FindsTableNamesExactlyAndNothingElse) {
  uint16_t number = 99;
  EXPECT_TRUE(TypeNumberFromName("File", number));
  EXPECT_EQ(number, 26);
  EXPECT_TRUE(TypeNumberFromName("Process", number));
  EXPECT_EQ(number, 5);
  EXPECT_TRUE(TypeNumberFromName("Thread", number));
  EXPECT_EQ(number, 6);
  EXPECT_TRUE(TypeNumberFromName("Desktop", number));
  EXPECT_EQ(number, 16);
  EXPECT_TRUE(TypeNumberFromName("", number));
  EXPECT_EQ(number, 1);
  for (const char* absent : {"file", "FILE", "process", "ALPC Port", "Files"}) {
    number = 99;
    EXPECT_FALSE(TypeNumberFromName(absent, number)) << absent;
    EXPECT_EQ(number, 0) << absent;
  }
}

TEST(NarrowLowBytes, KeepsLowBytesAndEndsAtALowZeroByte) {
  EXPECT_EQ(NarrowLowBytes(nullptr), "");
  EXPECT_EQ(NarrowLowBytes(reinterpret_cast<const WCHAR*>(u"\\Device\\HarddiskVolume1\\a.txt")),
            "\\Device\\HarddiskVolume1\\a.txt");
  // U+00E9 keeps its byte; U+0441 becomes 0x41; U+4E00 ends the text.
  const char16_t mixed[] = {u'a', 0x00E9, 0x0441, u'b', 0x4E00, u'c', 0};
  const AnsiString narrowed = NarrowLowBytes(reinterpret_cast<const WCHAR*>(mixed));
  ASSERT_EQ(narrowed.GetLength(), 4);
  EXPECT_EQ(static_cast<unsigned char>(narrowed.GetAt(1)), 0xE9);
  EXPECT_EQ(narrowed.GetAt(2), 'A');
  EXPECT_EQ(narrowed.GetAt(3), 'b');
}

TEST(CountedStringNarrowing, StaysInsideItsLengthAndItsBlock) {
  char16_t block[8] = {u'a', u'b', u'c', u'd', u'e', u'f', u'g', u'h'};  // no terminator anywhere
  const auto* chars = reinterpret_cast<const WCHAR*>(block);
  EXPECT_EQ(NarrowCountedString({6, 8, chars}, block, block + 8), "abc");
  EXPECT_EQ(NarrowCountedString({0, 0, chars}, block, block + 8), "");
  // A length that runs past the block stops at the block's end.
  EXPECT_EQ(NarrowCountedString({200, 200, chars + 5}, block, block + 8), "fgh");
  // Characters outside the block are not read at all.
  char16_t elsewhere[2] = {u'x', 0};
  EXPECT_EQ(NarrowCountedString({2, 4, reinterpret_cast<const WCHAR*>(elsewhere)}, block, block + 8), "");
}

class TypeQuery : public ::testing::Test {
 protected:
  FakeSystem system;
  void SetUp() override {
    system.addProcess(300, {u"holder.exe", "C:\\holder.exe"});
    system.addHandle(300, 0x44, {u"File"});
    system.addHandle(FakeSystem::kOwnPid, 0x48, {u"Key"});
  }
};

TEST_F(TypeQuery, ForeignHandleIsAskedThroughADuplicateThatIsClosedAgain) {
  AnsiString name = "before";
  EXPECT_EQ(QueryTypeName(0x44, name, 300), 1);
  EXPECT_EQ(name, "File");
  EXPECT_EQ(system.duplicateCalls(), 1);
  ASSERT_EQ(system.openProcessCalls().size(), 1u);
  EXPECT_EQ(system.openProcessCalls()[0].access, static_cast<DWORD>(PROCESS_DUP_HANDLE));
  EXPECT_EQ(system.openedHandles(), 0);
  EXPECT_EQ(system.badCloses(), 0);
}

TEST_F(TypeQuery, OwnHandleIsAskedDirectlyAndStaysOpen) {
  AnsiString name;
  EXPECT_EQ(QueryTypeName(0x48, name, FakeSystem::kOwnPid), 1);
  EXPECT_EQ(name, "Key");
  EXPECT_EQ(system.duplicateCalls(), 0);
  EXPECT_TRUE(system.openProcessCalls().empty());
  EXPECT_EQ(system.badCloses(), 0);
  // Still open: a second query finds it.
  EXPECT_EQ(QueryTypeName(0x48, name, FakeSystem::kOwnPid), 1);
}

TEST_F(TypeQuery, FailuresLeaveTheOutputAlone) {
  system.addProcess(301, {u"locked.exe", "", false});
  system.addHandle(302, 0x10, {u"File"});  // a process the fake does not list: cannot be opened
  FakeSystem::Object refused;
  refused.typeStatus = static_cast<NTSTATUS>(0xC0000022u);
  system.addHandle(300, 0x50, refused);
  AnsiString name = "kept";
  EXPECT_EQ(QueryTypeName(0x10, name, 301), 0);
  EXPECT_EQ(QueryTypeName(0x999, name, 300), 0);  // no such handle: duplication fails
  EXPECT_EQ(QueryTypeName(0x50, name, 300), 0);
  EXPECT_EQ(name, "kept");
  EXPECT_EQ(system.openedHandles(), 0);
  NativeApi.allPresent = 0;
  EXPECT_EQ(QueryTypeName(0x44, name, 300), 0);
  EXPECT_EQ(name, "kept");
}

TEST_F(TypeQuery, NonAsciiTypeNameIsNarrowedByLowBytes) {
  system.addHandle(300, 0x60, {std::u16string{u'F', 0x0169, u'l', u'e'}});
  AnsiString name;
  EXPECT_EQ(QueryTypeName(0x60, name, 300), 1);
  EXPECT_EQ(name, "File");
}

}  // namespace
