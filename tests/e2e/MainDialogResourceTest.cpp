// The main dialog's resources as shipped in Ostrel.exe: template 101, menu 103
// and accelerator table 105, read from the file itself.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "OstrelProcess.h"

namespace {

class OstrelResources : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = ::LoadLibraryExW(e2e::OstrelExecutablePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module_, nullptr);
  }
  void TearDown() override {
    if (module_ != nullptr) ::FreeLibrary(module_);
  }
  const unsigned char* resource(int id, const char* type, DWORD* size) {
    HRSRC found = ::FindResourceExA(module_, type, MAKEINTRESOURCEA(id), MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED));
    if (found == nullptr) return nullptr;
    *size = ::SizeofResource(module_, found);
    return static_cast<const unsigned char*>(::LockResource(::LoadResource(module_, found)));
  }
  HMODULE module_ = nullptr;
};

// Reads a DLGTEMPLATEEX field by field.
class TemplateReader {
 public:
  explicit TemplateReader(const unsigned char* data) : data_(data) {}
  WORD word() {
    WORD value;
    memcpy(&value, data_ + at_, 2);
    at_ += 2;
    return value;
  }
  DWORD dword() {
    DWORD value;
    memcpy(&value, data_ + at_, 4);
    at_ += 4;
    return value;
  }
  // A string or an ordinal (written "#n"); empty for none.
  std::wstring nameOrOrdinal() {
    WORD first = word();
    if (first == 0) return L"";
    if (first == 0xFFFF) return L"#" + std::to_wstring(word());
    std::wstring text(1, static_cast<wchar_t>(first));
    for (WORD c = word(); c != 0; c = word()) text += static_cast<wchar_t>(c);
    return text;
  }
  void alignToDword() { at_ = (at_ + 3) & ~size_t{3}; }

 private:
  const unsigned char* data_;
  size_t at_ = 0;
};

struct Item {
  DWORD style, exStyle, id;
  short x, y, cx, cy;
  std::wstring windowClass;
};

TEST_F(OstrelResources, MainDialogTemplateIsAsDesigned) {
  DWORD size = 0;
  const unsigned char* data = resource(101, MAKEINTRESOURCEA(5) /* RT_DIALOG */, &size);
  ASSERT_NE(data, nullptr);
  TemplateReader reader(data);
  EXPECT_EQ(reader.word(), 1);       // version
  EXPECT_EQ(reader.word(), 0xFFFF);  // DIALOGEX
  reader.dword();                    // help id
  EXPECT_EQ(reader.dword(), static_cast<DWORD>(WS_EX_APPWINDOW));
  EXPECT_EQ(reader.dword(), 0x86CB08C8u);
  const WORD items = reader.word();
  EXPECT_EQ(static_cast<short>(reader.word()), 0);
  EXPECT_EQ(static_cast<short>(reader.word()), 0);
  EXPECT_EQ(static_cast<short>(reader.word()), 722);
  EXPECT_EQ(static_cast<short>(reader.word()), 300);
  EXPECT_EQ(reader.nameOrOrdinal(), L"#103");  // menu
  EXPECT_EQ(reader.nameOrOrdinal(), L"");      // class
  EXPECT_EQ(reader.nameOrOrdinal(), L"Ostrel");
  EXPECT_EQ(reader.word(), 8);  // points
  reader.word();                // weight
  reader.word();                // italic, character set
  EXPECT_EQ(reader.nameOrOrdinal(), L"MS Shell Dlg");
  ASSERT_EQ(items, 3);

  std::vector<Item> controls;
  for (int i = 0; i < items; ++i) {
    reader.alignToDword();
    Item item{};
    reader.dword();  // help id
    item.exStyle = reader.dword();
    item.style = reader.dword();
    item.x = static_cast<short>(reader.word());
    item.y = static_cast<short>(reader.word());
    item.cx = static_cast<short>(reader.word());
    item.cy = static_cast<short>(reader.word());
    item.id = reader.dword();
    item.windowClass = reader.nameOrOrdinal();
    reader.nameOrOrdinal();  // title
    WORD extra = reader.word();
    for (WORD b = 0; b < extra; b += 2) reader.word();
    controls.push_back(item);
  }
  EXPECT_EQ(controls[0].id, 1001u);
  // Class names are not case-sensitive; the resource compiler may upper-case them.
  EXPECT_EQ(::lstrcmpiW(controls[0].windowClass.c_str(), L"SysListView32"), 0);
  EXPECT_EQ(controls[0].style, 0x50810809u);
  EXPECT_EQ((std::vector<short>{controls[0].x, controls[0].y, controls[0].cx, controls[0].cy}),
            (std::vector<short>{7, 27, 708, 237}));
  EXPECT_EQ(controls[1].id, 1002u);
  EXPECT_EQ(::lstrcmpiW(controls[1].windowClass.c_str(), L"msctls_statusbar32"), 0);
  EXPECT_EQ(controls[1].style, 0x50010000u);
  EXPECT_EQ((std::vector<short>{controls[1].x, controls[1].y, controls[1].cx, controls[1].cy}),
            (std::vector<short>{7, 279, 708, 14}));
  EXPECT_EQ(controls[2].id, 1005u);
  EXPECT_TRUE(::lstrcmpiW(controls[2].windowClass.c_str(), L"EDIT") == 0 || controls[2].windowClass == L"#129");
  EXPECT_EQ(controls[2].style, 0x40810080u);
  EXPECT_EQ((std::vector<short>{controls[2].x, controls[2].y, controls[2].cx, controls[2].cy}),
            (std::vector<short>{14, 266, 685, 14}));
  for (const Item& item : controls) EXPECT_EQ(item.exStyle, 0u);
}

std::wstring MenuText(HMENU menu, UINT position) {
  wchar_t text[64] = {};
  ::GetMenuStringW(menu, position, text, 64, MF_BYPOSITION);
  return text;
}

TEST_F(OstrelResources, MenuHasTheTwoPopupsAndTheirCommands) {
  HMENU menu = ::LoadMenuA(module_, MAKEINTRESOURCEA(103));
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(::GetMenuItemCount(menu), 2);
  EXPECT_EQ(MenuText(menu, 0), L"文件");
  EXPECT_EQ(MenuText(menu, 1), L"帮助");
  HMENU file = ::GetSubMenu(menu, 0);
  HMENU help = ::GetSubMenu(menu, 1);
  ASSERT_EQ(::GetMenuItemCount(file), 2);
  EXPECT_EQ(::GetMenuItemID(file, 0), 40010u);
  EXPECT_EQ(MenuText(file, 0), L"添加到右键菜单");
  EXPECT_EQ(::GetMenuItemID(file, 1), 40003u);
  EXPECT_EQ(MenuText(file, 1), L"退出");
  ASSERT_EQ(::GetMenuItemCount(help), 1);
  EXPECT_EQ(::GetMenuItemID(help, 0), 40004u);
  EXPECT_EQ(MenuText(help, 0), L"关于");
  ::DestroyMenu(menu);
}

TEST_F(OstrelResources, AcceleratorsAreCtrlFEscapeAndF5) {
  DWORD size = 0;
  const unsigned char* data = resource(105, MAKEINTRESOURCEA(9) /* RT_ACCELERATOR */, &size);
  ASSERT_NE(data, nullptr);
  // The resource's own entries: fVirt, key, command, padding (8 bytes each).
  struct Entry {
    WORD flags, key, command, padding;
  };
  const Entry expected[] = {{FVIRTKEY | FNOINVERT | FCONTROL, 'F', 40005, 0},
                            {FVIRTKEY | FNOINVERT, VK_ESCAPE, 40007, 0},
                            {FVIRTKEY | FNOINVERT, VK_F5, 40011, 0}};
  ASSERT_EQ(size, sizeof expected);
  Entry entries[3];
  memcpy(entries, data, sizeof entries);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(entries[i].key, expected[i].key) << i;
    EXPECT_EQ(entries[i].command, expected[i].command) << i;
    EXPECT_EQ(entries[i].flags & 0x7F, expected[i].flags) << i;
  }
  EXPECT_NE(entries[2].flags & 0x80, 0);  // the last entry
}

}  // namespace
