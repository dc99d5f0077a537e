#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/WideLiteral.h"
#include "text/CodePageConversion.h"

namespace {

using Wide = std::basic_string<WCHAR>;

TEST(CodePageConversion, ChineseTextRoundTripsThroughCodePage936) {
  // The literal below is compiled to code page 936 bytes.
  const char* narrow = "查找中...";
  ASSERT_STREQ("\xb2\xe9\xd5\xd2\xd6\xd0...", narrow);
  WideFromAnsi wide(narrow);
  ASSERT_NE(nullptr, wide.get());
  EXPECT_EQ(Wide(WTEXT("查找中...")), Wide(wide.get()));
  AnsiFromWide back(wide.get());
  EXPECT_STREQ(narrow, back.get());
}

TEST(CodePageConversion, NullGivesNull) {
  EXPECT_EQ(nullptr, WideFromAnsi(nullptr).get());
  EXPECT_EQ(nullptr, AnsiFromWide(nullptr).get());
}

TEST(CodePageConversion, EmptyTextGivesEmptyText) {
  WideFromAnsi wide("");
  ASSERT_NE(nullptr, wide.get());
  EXPECT_EQ(0, wide.get()[0]);
  AnsiFromWide narrow(WTEXT(""));
  ASSERT_NE(nullptr, narrow.get());
  EXPECT_STREQ("", narrow.get());
}

TEST(CodePageConversion, TextsBeyondTheInlineBufferUseTheHeap) {
  std::string longNarrow;
  Wide longWide;
  for (int i = 0; i < 300; ++i) {
    longNarrow += "文a";
    longWide += WTEXT("文a");
  }
  WideFromAnsi wide(longNarrow.c_str());
  EXPECT_EQ(longWide, Wide(wide.get()));
  AnsiFromWide narrow(longWide.c_str());
  EXPECT_EQ(longNarrow, std::string(narrow.get()));
  // Exactly at the edge of the inline buffer: 127 units plus the terminator.
  std::string edge(127, 'x');
  EXPECT_EQ(127u, Wide(WideFromAnsi(edge.c_str()).get()).size());
  std::string over(128, 'y');
  EXPECT_EQ(128u, Wide(WideFromAnsi(over.c_str()).get()).size());
}

TEST(CodePageConversion, InvalidSequencesAreReplacedNotFatal) {
  // A lone lead byte at the end and a byte that is no character in 936.
  const char broken[] = {'a', static_cast<char>(0xFF), 'b', static_cast<char>(0xB2), 0};
  WideFromAnsi wide(broken);
  ASSERT_NE(nullptr, wide.get());
  Wide text(wide.get());
  ASSERT_GE(text.size(), 2u);
  EXPECT_EQ(WCHAR('a'), text[0]);
  EXPECT_NE(Wide::npos, text.find(WCHAR('b')));
  // A character that code page 936 lacks becomes its default character.
  const WCHAR missing[] = {WCHAR('x'), WCHAR(0x0E01), WCHAR('y'), 0};  // THAI CHARACTER KO KAI
  AnsiFromWide narrow(missing);
  ASSERT_NE(nullptr, narrow.get());
  EXPECT_EQ('x', narrow.get()[0]);
  EXPECT_EQ('y', narrow.get()[std::strlen(narrow.get()) - 1]);
  EXPECT_EQ(std::string::npos, std::string(narrow.get()).find('\x01'));
}

}  // namespace
