// The main window's menu and shortcuts as shipped in Ostrel.exe, read from the
// file itself: the texts the user sees, the keys, and the command numbers
// they carry. Those numbers are part of the tool's interface (other programs
// send them as WM_COMMAND) and stay as documented.

#include <windows.h>

#include <gtest/gtest.h>

#include <cwctype>
#include <string>
#include <vector>

#include "OstrelProcess.h"
#include "OstrelWindow.h"
#include "res/resource.h"

namespace {

class OstrelResources : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = ::LoadLibraryExW(e2e::OstrelExecutablePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module_, nullptr);
    menu_ = ::LoadMenuW(module_, MAKEINTRESOURCEW(IDR_MAIN_MENU));
    ASSERT_NE(menu_, nullptr);
    HACCEL table = ::LoadAcceleratorsW(module_, MAKEINTRESOURCEW(IDR_ACCELERATORS));
    ASSERT_NE(table, nullptr);
    accelerators_.resize(static_cast<size_t>(::CopyAcceleratorTableW(table, nullptr, 0)));
    ::CopyAcceleratorTableW(table, accelerators_.data(), static_cast<int>(accelerators_.size()));
    ::DestroyAcceleratorTable(table);
  }
  void TearDown() override {
    if (menu_ != nullptr) ::DestroyMenu(menu_);
    if (module_ != nullptr) ::FreeLibrary(module_);
  }

  // An item's whole text: its words, "(&F)", and after a tab its shortcut.
  static std::wstring rawText(HMENU menu, UINT position) {
    wchar_t text[64] = {};
    ::GetMenuStringW(menu, position, text, 64, MF_BYPOSITION);
    return text;
  }

  // An item's words, as the user reads them and as these cases name items:
  // the access key "(&F)" and the shortcut after the tab left out.
  static std::wstring text(HMENU menu, UINT position) {
    std::wstring words = rawText(menu, position);
    words = words.substr(0, words.find(L'\t'));
    const size_t key = words.rfind(L"(&");
    if (key != std::wstring::npos && words.size() == key + 4 && words.back() == L')') words.resize(key);
    return words;
  }

  // The access key of an item: the letter after '&' in upper case; 0 when
  // it has none.
  static wchar_t accessKey(HMENU menu, UINT position) {
    const std::wstring whole = rawText(menu, position);
    const size_t mark = whole.find(L'&');
    return mark == std::wstring::npos || mark + 1 >= whole.size() ? 0 : static_cast<wchar_t>(::towupper(whole[mark + 1]));
  }

  // The command of the item `item` in the popup `popup`; 0 when there is none.
  UINT menuCommand(const std::wstring& popup, const std::wstring& item) const {
    for (int p = 0; p < ::GetMenuItemCount(menu_); ++p) {
      if (text(menu_, p) != popup) continue;
      HMENU sub = ::GetSubMenu(menu_, p);
      for (int i = 0; i < ::GetMenuItemCount(sub); ++i) {
        if (text(sub, i) == item) return ::GetMenuItemID(sub, i);
      }
    }
    return 0;
  }

  // The command of the virtual key `key` with exactly `modifiers` held; 0
  // when no shortcut has it.
  UINT shortcutCommand(BYTE modifiers, WORD key) const {
    for (const ACCEL& entry : accelerators_) {
      if ((entry.fVirt & (FVIRTKEY | FCONTROL | FALT | FSHIFT)) == (FVIRTKEY | modifiers) && entry.key == key) {
        return entry.cmd;
      }
    }
    return 0;
  }

  HMODULE module_ = nullptr;
  HMENU menu_ = nullptr;
  std::vector<ACCEL> accelerators_;
};

TEST_F(OstrelResources, MenuHasTheTwoPopupsAndTheirItems) {
  struct Popup {
    const wchar_t* text;
    std::vector<std::wstring> items;
  };
  const Popup expected[] = {{L"文件", {L"添加到右键菜单", L"从右键菜单删除", L"退出"}}, {L"帮助", {L"关于"}}};
  ASSERT_EQ(::GetMenuItemCount(menu_), 2);
  for (UINT p = 0; p < 2; ++p) {
    EXPECT_EQ(text(menu_, p), expected[p].text);
    HMENU sub = ::GetSubMenu(menu_, static_cast<int>(p));
    ASSERT_NE(sub, nullptr);
    ASSERT_EQ(::GetMenuItemCount(sub), static_cast<int>(expected[p].items.size()));
    for (UINT i = 0; i < expected[p].items.size(); ++i) EXPECT_EQ(text(sub, i), expected[p].items[i]);
  }
}

// Every popup and item opens by its own letter: no two in one menu share it.
TEST_F(OstrelResources, EveryMenuItemHasItsOwnAccessKey) {
  const auto distinctKeys = [](HMENU menu) {
    std::wstring seen;
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
      const wchar_t key = accessKey(menu, static_cast<UINT>(i));
      EXPECT_NE(key, 0) << e2e::narrow(rawText(menu, static_cast<UINT>(i)));
      EXPECT_EQ(seen.find(key), std::wstring::npos) << e2e::narrow(rawText(menu, static_cast<UINT>(i)));
      seen += key;
    }
  };
  distinctKeys(menu_);
  for (int p = 0; p < ::GetMenuItemCount(menu_); ++p) distinctKeys(::GetSubMenu(menu_, p));
  EXPECT_EQ(accessKey(menu_, 0), L'F');
  EXPECT_EQ(accessKey(menu_, 1), L'H');
}

TEST_F(OstrelResources, CommandsCarryTheirDocumentedNumbers) {
  const struct {
    const char* what;
    UINT command;
    UINT documented;
  } commands[] = {
      {"文件 > 添加到右键菜单", menuCommand(L"文件", L"添加到右键菜单"), 40010},
      {"文件 > 从右键菜单删除", menuCommand(L"文件", L"从右键菜单删除"), ID_FILE_REMOVE_FROM_EXPLORER},
      {"文件 > 退出", menuCommand(L"文件", L"退出"), 40003},
      {"帮助 > 关于", menuCommand(L"帮助", L"关于"), 40004},
      {"Ctrl+F", shortcutCommand(FCONTROL, 'F'), 40005},
      {"Esc", shortcutCommand(0, VK_ESCAPE), 40007},
      {"F5", shortcutCommand(0, VK_F5), ID_REFRESH},
  };
  for (const auto& command : commands) EXPECT_EQ(command.command, command.documented) << command.what;
  // Ctrl+F, Esc and F5 are the only shortcuts.
  EXPECT_EQ(accelerators_.size(), 3u);
}

}  // namespace
