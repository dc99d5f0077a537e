#pragma once
// The row context menu's items as the user sees them, by position among the
// items that can be chosen (the keyboard passes over separators):
// 查看文件位置, 复制文件位置, 查看进程位置 | 结束进程 | 关闭句柄 on a row with a
// handle (not on a loaded module's row) | 解除占用并删除, 解除占用并重命名...,
// 解除占用并移动..., 下次启动时删除 | 刷新 always, last; 刷新 alone without a
// row. The menu is read from outside Ostrel by its item count, separators
// included, and an item is chosen by its position (e2e::chooseMenuItem).

#include <cstddef>

namespace e2e {
namespace row_menu {

constexpr size_t kViewFileLocation = 0;
constexpr size_t kCopyFileLocation = 1;
constexpr size_t kViewProcessLocation = 2;
constexpr size_t kEndProcess = 3;
constexpr size_t kCloseHandle = 4;  // a handle's row only
constexpr size_t kReleaseAndDelete = 5;  // on a handle's row
constexpr size_t kReleaseAndRename = 6;
constexpr size_t kReleaseAndMove = 7;
constexpr size_t kDeleteAtNextStart = 8;

constexpr int kHandleRowItems = 14;  // 10 items, 4 separators; 刷新 last
constexpr int kModuleRowItems = 12;  // no 关闭句柄 nor the separator after it
constexpr int kNoRowItems = 1;       // 刷新 alone
constexpr size_t kRefreshOnHandleRow = 9;

}  // namespace row_menu
}  // namespace e2e
