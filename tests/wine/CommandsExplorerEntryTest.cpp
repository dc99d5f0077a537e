// The Explorer entry's texts, and what Explorer's command line made from them
// gives the tool as its target.

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "search/TargetPath.h"
#include "ui/main/ExplorerRegistration.h"

namespace {

const wchar_t kExeWithSpaces[] = L"C:\\Program Files (x86)\\Ostrel 工具 한국어\\Ostrel.exe";

ExplorerCommandText commandText(const wchar_t* title, const wchar_t* exePath) {
  const std::optional<ExplorerCommandText> text = MakeExplorerCommandText(title, exePath);
  EXPECT_TRUE(text.has_value());
  return text.value_or(ExplorerCommandText{});
}

// What Explorer does with the value: %1 becomes the clicked file's path.
std::wstring expandForFile(const std::wstring& valueData, const std::wstring& file) {
  std::wstring command(valueData);
  const size_t at = command.find(L"%1");
  if (at != std::wstring::npos) command.replace(at, 2, file);
  return command;
}

TEST(ExplorerCommandText, NamesTheEntryAfterTheTitleAndTheKeyAfterTheEntry) {
  const ExplorerCommandText text = commandText(L"Ostrel", kExeWithSpaces);
  EXPECT_EQ(L"用Ostrel 查看", text.entryName);
  EXPECT_EQ(L"*\\shell\\用Ostrel 查看\\command", text.keyPath);
  EXPECT_EQ(L"Directory\\shell\\用Ostrel 查看\\command", text.folderKeyPath);
}

TEST(ExplorerCommandText, ValueQuotesAnExePathWithSpacesUnchangedAndThePlaceholder) {
  const ExplorerCommandText text = commandText(L"Ostrel", kExeWithSpaces);
  EXPECT_EQ(std::wstring(L"\"") + kExeWithSpaces + L"\" \"%1\"", text.valueData);
}

TEST(ExplorerCommandText, APercentSignInTheExePathIsRefusedAndInTheTitleTakenLiterally) {
  EXPECT_FALSE(MakeExplorerCommandText(L"Ostrel", L"C:\\50%d\\Ostrel.exe").has_value());
  EXPECT_FALSE(MakeExplorerCommandText(L"Ostrel", L"C:\\%USERPROFILE%\\Ostrel.exe").has_value());
  EXPECT_EQ(L"用100%s 查看", commandText(L"100%s", L"C:\\Ostrel.exe").entryName);
}

TEST(ExplorerCommandText, ExplorersCommandLineGivesTheClickedFileAsTheTarget) {
  const ExplorerCommandText text = commandText(L"Ostrel", kExeWithSpaces);
  const std::wstring file = L"D:\\共享 文档\\report, final 😀.txt";
  EXPECT_EQ(file, TargetPathFromCommandLine(expandForFile(text.valueData, file).c_str()));
}

}  // namespace
