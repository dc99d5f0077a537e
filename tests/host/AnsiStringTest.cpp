#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "text/AnsiString.h"

namespace {

HRESULT codeOf(void (*action)()) {
  try {
    action();
  } catch (const HResultException& e) {
    return e.code();
  }
  return S_OK;
}

TEST(AnsiString, EmptyStringsShareOneStaticBuffer) {
  AnsiString a;
  AnsiString b("");
  AnsiString c(nullptr);
  EXPECT_EQ(a.GetString(), b.GetString());
  EXPECT_EQ(a.GetString(), c.GetString());
  EXPECT_EQ(0, a.GetLength());
  EXPECT_STREQ("", a.GetString());
}

TEST(AnsiString, CopiesShareUntilOneIsWritten) {
  AnsiString a("report.txt");
  AnsiString b(a);
  EXPECT_EQ(a.GetString(), b.GetString());
  b += ".bak";
  EXPECT_NE(a.GetString(), b.GetString());
  EXPECT_STREQ("report.txt", a.GetString());
  EXPECT_STREQ("report.txt.bak", b.GetString());
  // A write through the last owner, with room, reuses its buffer.
  AnsiString c("x");
  c.Preallocate(2);
  const char* before = c.GetString();
  c += "y";
  EXPECT_EQ(before, c.GetString());
}

TEST(AnsiString, PreallocatedRoomIsFilledWithoutMovingTheBuffer) {
  for (int request : {0, 1, 7, 8, 100}) {
    AnsiString a;
    a.Preallocate(request);
    EXPECT_GE(a.GetCapacity(), request);
    const char* buffer = a.GetString();
    for (int i = 0; i < request; ++i) a += 'x';
    EXPECT_EQ(buffer, a.GetString()) << request;
    EXPECT_EQ(request, a.GetLength());
  }
}

TEST(AnsiString, AppendingManyTimesKeepsTheContentAndGrowsRarely) {
  AnsiString a;
  std::string expected;
  int growths = 0;
  int capacity = a.GetCapacity();
  for (int i = 0; i < 100000; ++i) {
    const char piece[] = {static_cast<char>('a' + i % 26), '\0'};
    a += piece;
    expected += piece;
    ASSERT_GE(a.GetCapacity(), a.GetLength());
    if (a.GetCapacity() != capacity) {
      ++growths;
      capacity = a.GetCapacity();
    }
  }
  EXPECT_EQ(expected, a.GetString());
  // The buffer grows in proportion to its size, not by a fixed step.
  EXPECT_LT(growths, 64);
  // One append far larger than the string gets all the room it needs.
  AnsiString b("ab");
  b.Append(std::string(5000, 'y').c_str());
  EXPECT_EQ(5002, b.GetLength());
  EXPECT_GE(b.GetCapacity(), 5002);
  EXPECT_EQ("ab" + std::string(5000, 'y'), b.GetString());
}

TEST(AnsiString, LockedBufferIsNeverShared) {
  AnsiString a("abc");
  char* p = a.GetBuffer(10);
  std::strcpy(p, "abcdef");
  AnsiString copy(a);  // copying a locked buffer copies the text
  EXPECT_NE(copy.GetString(), a.GetString());
  a.ReleaseBuffer();
  EXPECT_EQ(6, a.GetLength());
  EXPECT_STREQ("abcdef", a.GetString());
  AnsiString shared(a);  // unlocked again: shared
  EXPECT_EQ(shared.GetString(), a.GetString());
}

TEST(AnsiString, DirectWritingTakesTheReportedLengthOrTheFirstZero) {
  AnsiString a;
  char* p = a.GetBuffer(4096);
  std::memcpy(p, "C:\\a.txt\0junk", 13);
  a.ReleaseBuffer();
  EXPECT_EQ(8, a.GetLength());
  char* q = a.GetBuffer(20);
  std::memcpy(q, "hello", 5);
  a.ReleaseBufferSetLength(3);
  EXPECT_STREQ("hel", a.GetString());
  // Writing into a shared buffer copies it first.
  AnsiString b(a);
  char* r = b.GetBuffer(3);
  r[0] = 'J';
  b.ReleaseBuffer();
  EXPECT_STREQ("hel", a.GetString());
  EXPECT_STREQ("Jel", b.GetString());
}

TEST(AnsiString, BadLengthsRaiseInvalidArg) {
  EXPECT_EQ(E_INVALIDARG, codeOf([] {
              AnsiString a;
              a.GetBuffer(8);
              a.ReleaseBufferSetLength(-2);
            }));
  // A length up to the capacity is taken, one beyond it is not.
  EXPECT_EQ(E_INVALIDARG, codeOf([] {
              AnsiString a;
              a.GetBuffer(8);
              a.ReleaseBufferSetLength(a.GetCapacity() + 1);
            }));
  EXPECT_EQ(E_INVALIDARG, codeOf([] { AnsiString a; a.GetBuffer(-1); }));
  EXPECT_EQ(E_INVALIDARG, codeOf([] { AnsiString a("x", -1); }));
  EXPECT_EQ(S_OK, codeOf([] {
              AnsiString a;
              a.GetBuffer(8);
              a.ReleaseBufferSetLength(a.GetCapacity());
            }));
}

TEST(AnsiString, FormatReplacesAndAppendFormatAdds) {
  AnsiString a("old");
  a.Format("PID: 0x%X", 1234u);
  EXPECT_STREQ("PID: 0x4D2", a.GetString());
  a.AppendFormat(" %d个文件", 2);
  EXPECT_STREQ("PID: 0x4D2 2\xb8\xf6\xce\xc4\xbc\xfe", a.GetString());  // code page 936 bytes
  // An argument may be the string itself.
  a = "ab";
  a.Format("%s-%s", a.GetString(), a.GetString());
  EXPECT_STREQ("ab-ab", a.GetString());
  a.AppendFormat("%s", a.GetString());
  EXPECT_STREQ("ab-abab-ab", a.GetString());
  a.Format("%s", "");
  EXPECT_TRUE(a.IsEmpty());
}

TEST(AnsiString, AppendOfItselfAndOfItsOwnTail) {
  AnsiString a("abc");
  a += a;
  EXPECT_STREQ("abcabc", a.GetString());
  a.Append(a.GetString() + 3);
  EXPECT_STREQ("abcabcabc", a.GetString());
  a = a.GetString() + 6;
  EXPECT_STREQ("abc", a.GetString());
}

TEST(AnsiString, MidFindAndCompare) {
  AnsiString a("\\\\?\\C:\\a.txt");
  int p = a.Find('?');
  ASSERT_EQ(2, p);
  EXPECT_STREQ("C:\\a.txt", a.Mid(p + 2).GetString());
  EXPECT_TRUE(a.Mid(100).IsEmpty());
  EXPECT_EQ(-1, a.Find('#'));
  EXPECT_TRUE(AnsiString("File") == "File");
  EXPECT_FALSE(AnsiString("File") == "file");
}

TEST(AnsiString, EmptyReleasesButKeepsALockedBuffer) {
  AnsiString a("abc");
  AnsiString b(a);
  a.Empty();
  EXPECT_TRUE(a.IsEmpty());
  EXPECT_STREQ("abc", b.GetString());
  AnsiString c;
  char* p = c.GetBuffer(10);
  c.Empty();
  EXPECT_EQ(p, c.GetString());
  c.ReleaseBuffer();
}

TEST(AnsiString, CopiesSharedAcrossThreads) {
  AnsiString source("C:\\Windows\\System32\\kernel32.dll");
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&source, t] {
      for (int i = 0; i < 2000; ++i) {
        AnsiString copy(source);
        AnsiString other = copy;
        if (i % 3 == 0) other.AppendFormat("#%d", t);  // copy-on-write while others share
        EXPECT_EQ(0, std::strncmp(other.GetString(), "C:\\Windows", 10));
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_STREQ("C:\\Windows\\System32\\kernel32.dll", source.GetString());
}

}  // namespace
