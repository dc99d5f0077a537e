#pragma once
// The fixed texts the main window shows of its own, held in one place: the
// caption and the messages of its boxes, its first status, and the maker's
// site. The texts are UTF-16 literals (the sources are UTF-8), so they read
// the same whatever the system's code page. The resource script includes
// this file too, and sees only the site's address.

// The maker's web site: the About box's link shows it and opens it.
#define OSTREL_MAKER_SITE "https://ostrel.example.org/"

#ifndef RC_INVOKED
// The caption of every message box that reports an outcome to the user.
constexpr wchar_t kPromptCaption[] = L"提示";
// Status part 0 before the first search.
constexpr wchar_t kReadyText[] = L"准备就绪";
// A refresh asked for while a search runs.
constexpr wchar_t kSearchRunningMessage[] = L"正在查找";
// The row actions' outcomes.
constexpr wchar_t kCopiedMessage[] = L"复制成功";
constexpr wchar_t kCopyFailedMessage[] = L"复制失败";
constexpr wchar_t kEndedMessage[] = L"结束成功";
constexpr wchar_t kEndFailedMessage[] = L"结束失败";
constexpr wchar_t kEndCriticalMessage[] = L"结束失败\n这是系统关键进程";
// "确定要结束这%d个进程吗?": the number of programs between these.
constexpr wchar_t kEndSeveralQuestionStart[] = L"确定要结束这";
constexpr wchar_t kEndSeveralQuestionEnd[] = L"个进程吗?";
// "结束失败\n%d个进程中有%d个结束失败": the first line, then the counts
// between these.
constexpr wchar_t kEndSeveralFailedFirstLine[] = L"结束失败\n";
constexpr wchar_t kEndSeveralFailedOf[] = L"个进程中有";
constexpr wchar_t kEndSeveralFailedEnd[] = L"个结束失败";
constexpr wchar_t kCloseHandleQuestion[] = L"关闭句柄后,占用它的程序可能出错或丢失数据。确定要关闭吗?";
// The line the question gains when a remote open (a user on another
// computer) is among the rows to close.
constexpr wchar_t kRemoteCloseWarning[] = L"另一台计算机上的用户未保存的更改将会丢失。";
constexpr wchar_t kClosedMessage[] = L"关闭成功";
// "关闭失败\n%d个句柄中有%d个关闭失败": the first line, then the counts
// between these.
constexpr wchar_t kCloseFailedFirstLine[] = L"关闭失败\n";
constexpr wchar_t kCloseFailedOf[] = L"个句柄中有";
constexpr wchar_t kCloseFailedEnd[] = L"个关闭失败";
// Status part 0 while handles are being closed: "正在关闭 37/120", the
// prefix, then done, "/", of all.
constexpr wchar_t kClosingProgressPrefix[] = L"正在关闭 ";
// Added to the failure text when some failed because the value named
// another object by then: "\n其中%d个句柄已变化".
constexpr wchar_t kHandlesChangedStart[] = L"\n其中";
constexpr wchar_t kHandlesChangedEnd[] = L"个句柄已变化";
// "\n其中%d个句柄未能确认是否已关闭": closings given up after they were set going.
constexpr wchar_t kHandlesUnconfirmedEnd[] = L"个句柄未能确认是否已关闭";
// The Explorer registration's outcomes.
constexpr wchar_t kAddedMessage[] = L"添加成功";
constexpr wchar_t kAddFailedMessage[] = L"添加失败,请以管理员身份运行";
// The executable's path cannot be registered as it is (a '%' in it, or too long).
constexpr wchar_t kAddRefusedMessage[] = L"添加失败";
// Removing the Explorer entry: done (also when there was none), or not.
constexpr wchar_t kRemovedMessage[] = L"删除成功";
constexpr wchar_t kRemoveFailedMessage[] = L"删除失败,请以管理员身份运行";
// The run's answer when the main window cannot be created.
constexpr wchar_t kNoMainWindowMessage[] = L"无法创建主窗口";
#endif
