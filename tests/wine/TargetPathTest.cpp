#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "app/TargetPath.h"
#include "text/CodePageConversion.h"

namespace {

std::string currentDirectory() {
  char buffer[MAX_PATH];
  DWORD n = ::GetCurrentDirectoryA(MAX_PATH, buffer);
  std::string dir(buffer, n);
  if (!dir.empty() && dir.back() != '\\') dir += '\\';
  return dir;
}

TEST(WindowsCodePage, WineRunsWithCodePage936) { EXPECT_EQ(936u, ::GetACP()); }

TEST(WindowsCodePage, RealConversionRoundTrip) {
  WideFromAnsi wide("查找中...");
  EXPECT_EQ(std::wstring(L"查找中..."), std::wstring(wide.get()));
  AnsiFromWide narrow(L"添加失败,请以管理员身份运行");
  EXPECT_STREQ("添加失败,请以管理员身份运行", narrow.get());
}

TEST(TargetPath, NoArgumentGivesEmpty) {
  EXPECT_TRUE(TargetPathFromCommandLine(L"C:\\Tools\\Ostrel.exe").IsEmpty());
  EXPECT_TRUE(TargetPathFromCommandLine(L"\"C:\\Tools\\Ostrel.exe\" ").IsEmpty());
  EXPECT_TRUE(TargetPathFromCommandLine(nullptr).IsEmpty());
}

TEST(TargetPath, RelativeNameIsJoinedToTheCurrentDirectory) {
  AnsiString path = TargetPathFromCommandLine(L"Ostrel.exe report.txt");
  EXPECT_EQ(currentDirectory() + "report.txt", std::string(path.GetString()));
}

TEST(TargetPath, QuotedPathWithSpacesAndChinese) {
  AnsiString path = TargetPathFromCommandLine(L"\"C:\\Program Files\\Ostrel.exe\" \"C:\\my data\\报告 1.txt\"");
  EXPECT_STREQ("C:\\my data\\报告 1.txt", path.GetString());
}

TEST(TargetPath, OnlyArgumentOneCounts) {
  EXPECT_STREQ("C:\\a.txt", TargetPathFromCommandLine(L"x.exe C:\\a.txt C:\\b.txt C:\\c.txt").GetString());
}

TEST(TargetPath, EmptyQuotesGiveEmpty) {
  EXPECT_TRUE(TargetPathFromCommandLine(L"Ostrel.exe \"\" C:\\b.txt").IsEmpty());
}

TEST(TargetPath, TabDoesNotSeparate) {
  EXPECT_TRUE(TargetPathFromCommandLine(L"Ostrel.exe\tC:\\a.txt").IsEmpty());
}

TEST(TargetPath, UnterminatedQuote) {
  EXPECT_STREQ("C:\\my file.txt", TargetPathFromCommandLine(L"Ostrel.exe \"C:\\my file.txt").GetString());
}

TEST(TargetPath, DotSegmentsAreResolved) {
  EXPECT_STREQ("C:\\b\\c.txt", TargetPathFromCommandLine(L"Ostrel.exe C:\\a\\..\\b\\.\\c.txt").GetString());
}

TEST(TargetPath, APathThatCannotBeMadeFullIsNoTargetAndSaysSo) {
  bool unusable = false;
  const std::wstring longName = L"ostrel.exe " + std::wstring(5000, L'x');
  EXPECT_EQ(AnsiString(), TargetPathFromCommandLine(longName.c_str(), &unusable));
  EXPECT_TRUE(unusable);
  EXPECT_EQ(AnsiString(), TargetPathFromCommandLine(L"ostrel.exe", &unusable));
  EXPECT_FALSE(unusable) << "no argument: every file";
}

}  // namespace
