#pragma once
// The fixed texts the main window shows of its own, held in one place: the
// caption and the messages of its boxes, its first status, and the maker's
// site. Narrow texts are code page 936. The resource script includes this
// file too, and sees only the site's address.

// The maker's web site: the About box's link shows it and opens it.
#define OSTREL_MAKER_SITE "https://ostrel.example.org/"

#ifndef RC_INVOKED
// The caption of every message box that reports an outcome to the user.
constexpr char kPromptCaption[] = "提示";
// Status part 0 before the first search.
constexpr char kReadyText[] = "准备就绪";
// A refresh asked for while a search runs.
constexpr char kSearchRunningMessage[] = "正在查找";
// The row actions' outcomes.
constexpr char kCopiedMessage[] = "复制成功";
constexpr char kCopyFailedMessage[] = "复制失败";
constexpr char kEndedMessage[] = "结束成功";
constexpr char kEndFailedMessage[] = "结束失败";
constexpr char kEndCriticalMessage[] = "结束失败\n这是系统关键进程";
constexpr char kCloseHandleQuestion[] = "关闭句柄后,占用它的程序可能出错或丢失数据。确定要关闭吗?";
constexpr char kClosedMessage[] = "关闭成功";
constexpr char kCloseFailedFormat[] = "关闭失败\n%d个句柄中有%d个关闭失败";
// Status part 0 while handles are being closed: done, of all.
constexpr char kClosingProgressFormat[] = "正在关闭 %d/%d";
// Appended to the failure text when some failed because the value named another object by then.
constexpr char kHandlesChangedFormat[] = "\n其中%d个句柄已变化";
// The Explorer registration's outcomes.
constexpr char kAddedMessage[] = "添加成功";
constexpr char kAddFailedMessage[] = "添加失败,请以管理员身份运行";
// The run's answer when the main window cannot be created.
constexpr char kNoMainWindowMessage[] = "无法创建主窗口";
#endif
