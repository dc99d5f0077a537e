// The Explorer entry's texts, and what Explorer's command line made from them
// gives the tool as its target.

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "app/TargetPath.h"
#include "text/CodePageConversion.h"
#include "ui/main/ExplorerRegistration.h"

namespace {

const char kExeWithSpaces[] = "C:\\Program Files (x86)\\Ostrel 工具\\Ostrel.exe";

// What Explorer does with the value: %1 becomes the clicked file's path.
std::string expandForFile(const AnsiString& valueData, const std::string& file) {
  std::string command(valueData.GetString());
  const size_t at = command.find("%1");
  if (at != std::string::npos) command.replace(at, 2, file);
  return command;
}

TEST(ExplorerCommandText, NamesTheEntryAfterTheTitleAndTheKeyAfterTheEntry) {
  const ExplorerCommandText text = MakeExplorerCommandText("Ostrel", kExeWithSpaces);
  EXPECT_STREQ("用Ostrel 查看", text.entryName.GetString());
  EXPECT_STREQ("*\\shell\\用Ostrel 查看\\command", text.keyPath.GetString());
  EXPECT_STREQ("Directory\\shell\\用Ostrel 查看\\command", text.folderKeyPath.GetString());
  // Code page 936 bytes, the form the narrow registry call is given.
  EXPECT_EQ(std::string("\xD3\xC3" "Ostrel \xB2\xE9\xBF\xB4"), std::string(text.entryName.GetString()));
}

TEST(ExplorerCommandText, ValueQuotesAnExePathWithSpacesUnchangedAndThePlaceholder) {
  const ExplorerCommandText text = MakeExplorerCommandText("Ostrel", kExeWithSpaces);
  EXPECT_EQ(std::string("\"") + kExeWithSpaces + "\" \"%1\"", std::string(text.valueData.GetString()));
}

TEST(ExplorerCommandText, PercentSignsInTitleOrPathAreTakenLiterally) {
  const ExplorerCommandText text = MakeExplorerCommandText("100%s", "C:\\50%d\\Ostrel.exe");
  EXPECT_STREQ("用100%s 查看", text.entryName.GetString());
  EXPECT_STREQ("\"C:\\50%d\\Ostrel.exe\" \"%1\"", text.valueData.GetString());
}

TEST(ExplorerCommandText, ExplorersCommandLineGivesTheClickedFileAsTheTarget) {
  const ExplorerCommandText text = MakeExplorerCommandText("Ostrel", kExeWithSpaces);
  const std::string file = "D:\\共享 文档\\report, final.txt";
  const std::string command = expandForFile(text.valueData, file);
  const WideFromAnsi wideCommand(command.c_str());
  EXPECT_STREQ(file.c_str(), TargetPathFromCommandLine(wideCommand).GetString());
}

}  // namespace
