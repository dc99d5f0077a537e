// Object type naming: the fixed table, the low-byte narrowing, the type
// query and what a scan learns of the table's type numbers.
#include <gtest/gtest.h>

#include "text/WideText.h"

#include "fakes/FakeSystem.h"
#include "scan/ObjectTypes.h"
#include "scan/native/NativeText.h"

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

TEST(CountedText, StaysInsideItsLengthAndItsBlock) {
  char16_t block[8] = {u'a', u'b', u'c', u'd', u'e', u'f', u'g', u'h'};  // no terminator anywhere
  const auto* chars = reinterpret_cast<const WCHAR*>(block);
  EXPECT_EQ(CountedText({6, 8, chars}, block, block + 8), WTEXT("abc"));
  EXPECT_EQ(CountedText({0, 0, chars}, block, block + 8), WTEXT(""));
  // A length that runs past the block stops at the block's end.
  EXPECT_EQ(CountedText({200, 200, chars + 5}, block, block + 8), WTEXT("fgh"));
  // Characters outside the block are not read at all.
  char16_t elsewhere[2] = {u'x', 0};
  EXPECT_EQ(CountedText({2, 4, reinterpret_cast<const WCHAR*>(elsewhere)}, block, block + 8), WTEXT(""));
}

TEST(TypeNameMap, FirstAnswerIsTrustedSecondConfirmsOrMakesTheNumberPerHandle) {
  TypeNameMap types;
  EXPECT_EQ(types.SettledName(26), nullptr);
  types.Learn(26, "File");
  ASSERT_NE(types.LearnedName(26), nullptr);
  EXPECT_EQ(*types.LearnedName(26), "File");
  EXPECT_EQ(types.SettledName(26), nullptr);  // one answer is not yet a confirmation
  types.Learn(26, "File");
  ASSERT_NE(types.SettledName(26), nullptr);
  EXPECT_EQ(*types.SettledName(26), "File");

  types.Learn(300, "Event");
  types.Learn(300, "File");
  EXPECT_EQ(types.SettledName(300), nullptr);
  EXPECT_EQ(types.LearnedName(300), nullptr);
  types.Learn(300, "Event");  // never settles again
  EXPECT_EQ(types.SettledName(300), nullptr);
  EXPECT_EQ(types.SettledName(65535), nullptr);
}

class TypeQuery : public ::testing::Test {
 protected:
  FakeSystem system;
  NativeBlock scratch{16};  // smaller than any answer: grown on demand
  static HANDLE own(uintptr_t value) { return reinterpret_cast<HANDLE>(value); }
};

TEST_F(TypeQuery, NamesAreNarrowedByLowBytesAndFailuresLeaveTheOutputAlone) {
  system.addHandle(FakeSystem::kOwnPid, 0x44, {u"File"});
  system.addHandle(FakeSystem::kOwnPid, 0x48, {std::u16string{u'F', 0x0169, u'l', u'e'}});
  system.addHandle(FakeSystem::kOwnPid, 0x4C, {u"Key"});
  FakeSystem::Object refused;
  refused.typeStatus = static_cast<NTSTATUS>(0xC0000022u);
  system.addHandle(FakeSystem::kOwnPid, 0x50, refused);
  AnsiString name;
  EXPECT_EQ(QueryTypeName(own(0x44), name, scratch), 1);
  EXPECT_EQ(name, "File");
  EXPECT_EQ(QueryTypeName(own(0x48), name, scratch), 1);
  EXPECT_EQ(name, "File");
  // A shorter answer in a block that held a longer one reads only its own.
  EXPECT_EQ(QueryTypeName(own(0x4C), name, scratch), 1);
  EXPECT_EQ(name, "Key");
  name = "kept";
  EXPECT_EQ(QueryTypeName(own(0x50), name, scratch), 0);
  EXPECT_EQ(QueryTypeName(own(0x999), name, scratch), 0);
  EXPECT_EQ(QueryTypeName(nullptr, name, scratch), 0);
  NativeApi.allPresent = 0;
  EXPECT_EQ(QueryTypeName(own(0x44), name, scratch), 0);
  EXPECT_EQ(name, "kept");
}

}  // namespace
