// The menu commands and accelerators of a real Ostrel.exe: the search box's
// keys, F5, the Explorer entries for files and folders in the registry and
// what Explorer would start with them, their removal, and the About box with
// its link.

#include <gtest/gtest.h>

#include <windows.h>
#include <shlwapi.h>

#include <fstream>
#include <iterator>
#include <string>

#include "Dialogs.h"
#include "FileHolderProcess.h"
#include "Input.h"
#include "OstrelSession.h"
#include "ScratchFiles.h"
#include "TopLevelWindow.h"
#include "Wait.h"
#include "res/resource.h"

namespace {

using e2e::OstrelSession;
using e2e::OstrelWindow;
using e2e::waitUntil;

// The Explorer entry's two keys: for every file and for every folder.
struct ExplorerEntryKeys {
  const wchar_t* entry;
  const wchar_t* command;
};
const ExplorerEntryKeys kFileEntry{L"*\\shell\\用Ostrel 查看", L"*\\shell\\用Ostrel 查看\\command"};
const ExplorerEntryKeys kFolderEntry{L"Directory\\shell\\用Ostrel 查看", L"Directory\\shell\\用Ostrel 查看\\command"};
const wchar_t kUrlCommandKey[] = L"https\\shell\\open\\command";
const wchar_t kSite[] = L"https://ostrel.example.org/";

class Commands : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(holder_.holding());
    window().waitForStatusToSettle();
  }

  const OstrelWindow& window() const { return ostrel_.window(); }
  RECT listRect() const { return window().control(IDC_RESULT_LIST).rect; }
  bool listAt(const RECT& expected) const {
    const RECT now = listRect();
    return ::EqualRect(&now, &expected) != FALSE;
  }

  const std::wstring file_ = e2e::scratchFile(L"commands e2e, held.txt");
  FileHolderProcess holder_{std::vector<std::wstring>{file_}};
  OstrelSession ostrel_{L"\"" + file_ + L"\""};
};

TEST_F(Commands, CtrlFShowsTheSearchBoxWithTheFocusAndEscHidesItKeepingTextAndRows) {
  const HWND edit = window().searchBox();
  const HWND list = window().list();
  ASSERT_FALSE(::IsWindowVisible(edit));
  ASSERT_GE(window().rowCount(), 1);
  const RECT fullList = listRect();
  window().settleInput();
  ASSERT_EQ(list, window().focus());

  // Esc with the box hidden: it stays hidden, the list keeps the focus. End,
  // pressed next, focuses the last row; once it has, Esc was handled.
  window().selectOnly(-1);
  window().pressKey(VK_ESCAPE);
  window().pressKey(VK_END);
  ASSERT_TRUE(waitUntil([&] { return window().focusedRow() == window().rowCount() - 1; }));
  EXPECT_FALSE(::IsWindowVisible(edit));
  EXPECT_EQ(list, window().focus());
  EXPECT_TRUE(listAt(fullList));

  window().pressKey('F', {VK_CONTROL});
  ASSERT_TRUE(waitUntil([&] {
    return ::IsWindowVisible(edit) && window().focus() == edit && listRect().bottom < fullList.bottom;
  }));
  const RECT shortList = listRect();

  // Again: nothing changes. A letter typed next lands in the box.
  window().pressKey('F', {VK_CONTROL});
  window().typeIntoSearchBox(L"z");
  EXPECT_TRUE(::IsWindowVisible(edit));
  EXPECT_EQ(edit, window().focus());
  EXPECT_TRUE(listAt(shortList));

  // A filter that matches no path empties the list.
  window().typeIntoSearchBox(L"q");
  ASSERT_TRUE(waitUntil([&] { return window().rowCount() == 0; }));

  window().pressKey(VK_ESCAPE);
  ASSERT_TRUE(waitUntil([&] { return !::IsWindowVisible(edit) && window().focus() == list && listAt(fullList); }));
  EXPECT_EQ(L"zq", window().searchText());
  EXPECT_EQ(0, window().rowCount());
}

// The registry as the Explorer entry left it.
struct RegisteredEntry {
  bool present = false;
  std::wstring command;
  DWORD type = 0;
  DWORD commandValues = 0;
  DWORD entryValues = 0;
  DWORD entrySubkeys = 0;
};

RegisteredEntry readEntry(const ExplorerEntryKeys& keys) {
  RegisteredEntry entry;
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, keys.command, 0, KEY_READ, &key) != ERROR_SUCCESS) return entry;
  wchar_t data[2048] = {};
  DWORD size = sizeof data - sizeof(wchar_t);
  entry.present = ::RegQueryValueExW(key, nullptr, nullptr, &entry.type, reinterpret_cast<BYTE*>(data), &size) ==
                  ERROR_SUCCESS;
  entry.command = data;
  ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &entry.commandValues, nullptr,
                     nullptr, nullptr, nullptr);
  ::RegCloseKey(key);
  if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, keys.entry, 0, KEY_READ, &key) == ERROR_SUCCESS) {
    ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &entry.entrySubkeys, nullptr, nullptr, &entry.entryValues,
                       nullptr, nullptr, nullptr, nullptr);
    ::RegCloseKey(key);
  }
  return entry;
}

void registerAndExpectAdded(OstrelSession& ostrel) {
  ostrel.window().post(WM_COMMAND, ID_FILE_ADD_TO_EXPLORER);
  const e2e::MessageBoxSeen box = e2e::waitForMessageBox(ostrel.process().id());
  ASSERT_NE(nullptr, box.window);
  EXPECT_EQ(L"添加成功", box.text);
  EXPECT_EQ(L"提示", box.caption);
  EXPECT_FALSE(box.hasIcon);
  EXPECT_TRUE(e2e::pressOk(box.window));
}

void deleteExplorerEntries() {
  for (const ExplorerEntryKeys& keys : {kFileEntry, kFolderEntry}) ::RegDeleteTreeW(HKEY_CLASSES_ROOT, keys.entry);
}

TEST_F(Commands, ExplorerEntriesForFilesAndFoldersAreOneValueEachTwiceOverAndStartOstrelOnTheClickedItem) {
  deleteExplorerEntries();
  const std::wstring expected = L"\"" + e2e::OstrelExecutablePath() + L"\" \"%1\"";
  std::wstring folder = e2e::tempDirectory();
  folder.pop_back();  // the clicked folder, as Explorer names it: no trailing backslash
  struct Entry {
    const ExplorerEntryKeys& keys;
    std::wstring clicked;  // a file or folder the helper's file is in
  };
  const Entry entries[] = {{kFileEntry, file_}, {kFolderEntry, folder}};

  for (int round = 0; round < 2; ++round) {
    registerAndExpectAdded(ostrel_);
    for (const Entry& expectedEntry : entries) {
      SCOPED_TRACE(e2e::narrow(expectedEntry.keys.command));
      const RegisteredEntry entry = readEntry(expectedEntry.keys);
      ASSERT_TRUE(entry.present);
      EXPECT_EQ(expected, entry.command);
      EXPECT_EQ(static_cast<DWORD>(REG_SZ), entry.type);
      EXPECT_EQ(1u, entry.commandValues);
      EXPECT_EQ(0u, entry.entryValues);
      EXPECT_EQ(1u, entry.entrySubkeys);
    }
  }

  // What Explorer runs for the clicked item: Ostrel on it, which finds the
  // helper holding the file.
  for (const Entry& clicked : entries) {
    SCOPED_TRACE(e2e::narrow(clicked.clicked));
    std::wstring command = readEntry(clicked.keys).command;
    command.replace(command.find(L"%1"), 2, clicked.clicked);
    OstrelSession fromExplorer(e2e::CommandLine{command});
    fromExplorer.window().waitForStatusToSettle();
    EXPECT_GE(fromExplorer.window().rowOfProcess(holder_.pid()), 0);
  }
  deleteExplorerEntries();
}

bool keyExists(const wchar_t* path) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  ::RegCloseKey(key);
  return true;
}

TEST_F(Commands, RemovingTheExplorerEntryDeletesBothKeysOnlyAndSaysSoAlsoWhenThereIsNone) {
  deleteExplorerEntries();
  registerAndExpectAdded(ostrel_);
  ASSERT_TRUE(readEntry(kFileEntry).present);
  ASSERT_TRUE(readEntry(kFolderEntry).present);
  // Another program's verb beside ours stays.
  const wchar_t kNeighbour[] = L"*\\shell\\Ostrel e2e neighbour";
  ASSERT_EQ(ERROR_SUCCESS, ::SHSetValueW(HKEY_CLASSES_ROOT, kNeighbour, nullptr, REG_SZ, L"x", 2 * sizeof(wchar_t)));

  // First with the entry there, then with none: both times the state asked for.
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    window().post(WM_COMMAND, ID_FILE_REMOVE_FROM_EXPLORER);
    const e2e::MessageBoxSeen box = e2e::waitForMessageBox(ostrel_.process().id());
    ASSERT_NE(nullptr, box.window);
    EXPECT_EQ(L"删除成功", box.text);
    EXPECT_EQ(L"提示", box.caption);
    EXPECT_FALSE(box.hasIcon);
    EXPECT_TRUE(e2e::pressOk(box.window));
    EXPECT_FALSE(keyExists(kFileEntry.entry));
    EXPECT_FALSE(keyExists(kFolderEntry.entry));
    EXPECT_TRUE(keyExists(kNeighbour));
  }
  ::RegDeleteTreeW(HKEY_CLASSES_ROOT, kNeighbour);
}

TEST_F(Commands, F5SearchesAgain) {
  // After the holder is gone a new search no longer finds it.
  const DWORD holderId = holder_.pid();
  ASSERT_GE(window().rowOfProcess(holderId), 0);
  holder_.kill();
  window().pressKey(VK_F5);
  EXPECT_TRUE(waitUntil([&] { return window().rowOfProcess(holderId) < 0; }, 60000));
  EXPECT_EQ(L"commands e2e, held.txt 没有被占用", window().waitForStatusToSettle());
}

// Points the system's https opener at this driver, which notes how it was
// started; puts the previous opener back when dropped.
class RecordingUrlOpener {
 public:
  RecordingUrlOpener() {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    record_ = std::wstring(temp) + L"ostrel-e2e-opened-url.txt";
    ::DeleteFileW(record_.c_str());
    wchar_t previous[2048] = {};
    DWORD size = sizeof previous - sizeof(wchar_t);
    hadPrevious_ = ::RegGetValueW(HKEY_CLASSES_ROOT, kUrlCommandKey, nullptr, RRF_RT_REG_SZ, nullptr, previous,
                                  &size) == ERROR_SUCCESS;
    previous_ = previous;
    setCommand(L"\"" + e2e::DriverPath() + L"\" --record \"" + record_ + L"\" \"%1\"");
  }
  ~RecordingUrlOpener() {
    if (hadPrevious_) setCommand(previous_);
    ::DeleteFileW(record_.c_str());
  }
  // The command line the opener was started with; empty until it was.
  std::wstring opened() const {
    std::ifstream in(record_.c_str(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
  }
  void forget() const { ::DeleteFileW(record_.c_str()); }

 private:
  static void setCommand(const std::wstring& command) {
    ::SHSetValueW(HKEY_CLASSES_ROOT, kUrlCommandKey, nullptr, REG_SZ, command.c_str(),
                  static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
  }
  std::wstring record_;
  std::wstring previous_;
  bool hadPrevious_ = false;
};

TEST_F(Commands, AboutOpensFromTheMenuItsLinkOpensTheSiteAndAltF4ClosesIt) {
  RecordingUrlOpener opener;
  window().post(WM_COMMAND, ID_HELP_ABOUT);
  HWND about = nullptr;
  ASSERT_TRUE(waitUntil([&] { return (about = e2e::findTopLevel(ostrel_.process().id(), L"#32770", L"关于")) != nullptr; }));
  EXPECT_EQ(window().hwnd(), ::GetWindow(about, GW_OWNER));
  EXPECT_FALSE(::IsWindowEnabled(window().hwnd()));
  const HWND link = ::GetDlgItem(about, IDC_ABOUT_LINK);
  ASSERT_NE(nullptr, link);
  EXPECT_EQ(0, ::lstrcmpiW(L"SysLink", e2e::className(link).c_str()));

  // Each click opens the site again; the box stays open. The opener may take
  // the foreground: the box is brought back before each input.
  for (int click = 0; click < 2; ++click) {
    opener.forget();
    ASSERT_TRUE(e2e::bringToFront(about));
    e2e::leftClickCentre(link);
    ASSERT_TRUE(waitUntil([&] { return opener.opened().find(kSite) != std::wstring::npos; }));
    EXPECT_TRUE(::IsWindowVisible(about));
  }

  ASSERT_TRUE(e2e::bringToFront(about));
  e2e::pressKeys({VK_MENU, VK_F4});
  EXPECT_TRUE(waitUntil([&] { return !::IsWindow(about); }, 10000));
  EXPECT_TRUE(::IsWindowEnabled(window().hwnd()));
  EXPECT_TRUE(::IsWindowVisible(window().hwnd()));

  // Again: the name and version above the link, and OK closes the box.
  window().post(WM_COMMAND, ID_HELP_ABOUT);
  ASSERT_TRUE(waitUntil([&] { return (about = e2e::findTopLevel(ostrel_.process().id(), L"#32770", L"关于")) != nullptr; }));
  EXPECT_EQ(L"Ostrel", e2e::windowText(::GetDlgItem(about, IDC_ABOUT_NAME)));
  EXPECT_EQ(std::wstring(L"版本 ") + OSTREL_EXPECTED_VERSION, e2e::windowText(::GetDlgItem(about, IDC_ABOUT_VERSION)));
  const HWND ok = ::GetDlgItem(about, IDOK);
  ASSERT_NE(nullptr, ok);
  ASSERT_TRUE(e2e::bringToFront(about));
  e2e::leftClickCentre(ok);
  EXPECT_TRUE(waitUntil([&] { return !::IsWindow(about); }, 10000));
  EXPECT_TRUE(::IsWindowEnabled(window().hwnd()));
}

}  // namespace
