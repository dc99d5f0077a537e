#pragma once
// The row context menu's items as the user sees them, by position: 查看文件位置,
// 复制文件位置, 查看进程位置, 结束进程, then 关闭句柄 on a row with a handle
// (not on a loaded module's row), and 刷新 always, last; 刷新 alone without a
// row. The menu is read from outside Ostrel by its item count, and an item
// is chosen by its position (e2e::chooseMenuItem).

#include <cstddef>

namespace e2e {
namespace row_menu {

constexpr size_t kViewFileLocation = 0;
constexpr size_t kCopyFileLocation = 1;
constexpr size_t kViewProcessLocation = 2;
constexpr size_t kEndProcess = 3;
constexpr size_t kCloseHandle = 4;  // a handle's row only

constexpr int kHandleRowItems = 6;  // 刷新 at 5
constexpr int kModuleRowItems = 5;  // 刷新 at 4
constexpr int kNoRowItems = 1;      // 刷新 alone
constexpr size_t kRefreshOnHandleRow = kHandleRowItems - 1;

}  // namespace row_menu
}  // namespace e2e
