#pragma once
// Every text the main window and its boxes show of their own, in one place:
// the menus, the About box's caption, the list's column headers, the row
// menu, the status texts, the boxes' captions and messages, the Explorer
// entry's name, and the maker's site. The resource script includes this
// file too and sees the macros only (menus, captions, the site), which it
// reads as UTF-8; the rest are UTF-16 literals (the sources are UTF-8), so
// they read the same whatever the system's code page. The console
// program's texts are its own (cli/ConsoleTexts.h).

// The maker's web site: the About box's link shows it and opens it.
#define OSTREL_MAKER_SITE "https://ostrel.example.org/"
// The About box: the program's name (the caption's), "版本 1.0.0" (this
// prefix, then the version of the file `version`), and its button.
#define OSTREL_ABOUT_VERSION_PREFIX "版本 "
#define OSTREL_ABOUT_OK "确定"
// The main window's caption, its menus, and the About box's caption. Each
// menu text carries its access key ("(&F)": Alt+F, or F while the menu is
// open) and, after a tab, the shortcut that does the same from the window.
#define OSTREL_MAIN_CAPTION "Ostrel"
#define OSTREL_MENU_FILE "文件(&F)"
#define OSTREL_MENU_ADD_TO_EXPLORER "添加到右键菜单(&A)"
#define OSTREL_MENU_REMOVE_FROM_EXPLORER "从右键菜单删除(&R)"
#define OSTREL_MENU_EXIT "退出(&X)\tAlt+F4"
#define OSTREL_MENU_HELP "帮助(&H)"
#define OSTREL_MENU_ABOUT "关于(&A)"
#define OSTREL_ABOUT_CAPTION "关于"
// The rename box: its caption and buttons.
#define OSTREL_RENAME_CAPTION "重命名"
#define OSTREL_RENAME_OK "确定"
#define OSTREL_RENAME_CANCEL "取消"

#ifndef RC_INVOKED
#include "text/WideText.h"

// The list's column headers, left to right.
constexpr WCHAR kFileNameHeader[] = WTEXT("文件名");
constexpr WCHAR kPathHeader[] = WTEXT("路径");
constexpr WCHAR kHandleHeader[] = WTEXT("句柄");
constexpr WCHAR kProcessIdHeader[] = WTEXT("进程ID");
constexpr WCHAR kProcessNameHeader[] = WTEXT("进程名");
// Column "句柄" of a file held as a loaded module, of a process that has the
// file open but whose handles could not be read, and of a user's open on
// another computer, whose 进程名 is "<user>(远程)": the user, then the suffix.
constexpr WCHAR kModuleHandleText[] = WTEXT("模块");
constexpr WCHAR kUnreadableHandleText[] = WTEXT("未知");
constexpr WCHAR kRemoteHandleText[] = WTEXT("远程");
constexpr WCHAR kRemoteUserSuffix[] = WTEXT("(远程)");

// The row menu's items.
constexpr WCHAR kViewFileLocationItem[] = WTEXT("查看文件位置");
constexpr WCHAR kCopyFileLocationItem[] = WTEXT("复制文件位置");
constexpr WCHAR kViewProcessLocationItem[] = WTEXT("查看进程位置");
constexpr WCHAR kEndProcessItem[] = WTEXT("结束进程");
constexpr WCHAR kCloseHandleItem[] = WTEXT("关闭句柄");
// With its key beside it, as Explorer shows it.
constexpr WCHAR kRefreshItem[] = WTEXT("刷新\tF5");

// Status part 0: before the first search, while one runs, and after it.
constexpr WCHAR kReadyText[] = WTEXT("准备就绪");
constexpr WCHAR kSearchingStatus[] = WTEXT("查找中...");
constexpr WCHAR kSearchFailedStatus[] = WTEXT("查找失败");
constexpr WCHAR kSearchCompleteStatus[] = WTEXT("查找完成");
constexpr WCHAR kSearchIncompleteStatus[] = WTEXT("查找不完整");
// "%s 被占用了" and "%s 没有被占用": the name, then these.
constexpr WCHAR kTargetHeldSuffix[] = WTEXT(" 被占用了");
constexpr WCHAR kTargetNotHeldSuffix[] = WTEXT(" 没有被占用");
// Status part 0 while handles are being closed: "正在关闭 37/120", the
// prefix, then done, "/", of all.
constexpr WCHAR kClosingProgressPrefix[] = WTEXT("正在关闭 ");
// Status part 1: "%d个文件", the number, then this.
constexpr WCHAR kRowCountSuffix[] = WTEXT("个文件");
// Status part 2 while the search box's text filters the rows: "筛选: xlsx",
// this, then the text.
constexpr WCHAR kFilterStatusPrefix[] = WTEXT("筛选: ");
// The search box's hint while it is empty.
constexpr WCHAR kSearchBoxHint[] = WTEXT("输入路径的一部分筛选");

// The caption of every message box that reports an outcome to the user.
constexpr WCHAR kPromptCaption[] = WTEXT("提示");
// A refresh asked for while a search runs, or while handles are being closed.
constexpr WCHAR kSearchRunningMessage[] = WTEXT("正在查找");
constexpr WCHAR kClosingRunningMessage[] = WTEXT("正在关闭");
// The row actions' outcomes.
constexpr WCHAR kCopiedMessage[] = WTEXT("复制成功");
constexpr WCHAR kCopyFailedMessage[] = WTEXT("复制失败");
constexpr WCHAR kEndedMessage[] = WTEXT("结束成功");
constexpr WCHAR kEndFailedMessage[] = WTEXT("结束失败");
constexpr WCHAR kEndCriticalMessage[] = WTEXT("结束失败\n这是系统关键进程");
// "确定要结束这%d个进程吗?": the number of programs between these.
constexpr WCHAR kEndSeveralQuestionStart[] = WTEXT("确定要结束这");
constexpr WCHAR kEndSeveralQuestionEnd[] = WTEXT("个进程吗?");
// "结束失败\n%d个进程中有%d个结束失败": the first line, then the counts
// between these.
constexpr WCHAR kEndSeveralFailedFirstLine[] = WTEXT("结束失败\n");
constexpr WCHAR kEndSeveralFailedOf[] = WTEXT("个进程中有");
constexpr WCHAR kEndSeveralFailedEnd[] = WTEXT("个结束失败");
constexpr WCHAR kCloseHandleQuestion[] = WTEXT("关闭句柄后,占用它的程序可能出错或丢失数据。确定要关闭吗?");
constexpr WCHAR kClosedMessage[] = WTEXT("关闭成功");
// "关闭失败\n%d个句柄中有%d个关闭失败": the first line, then the counts
// between these.
constexpr WCHAR kCloseFailedFirstLine[] = WTEXT("关闭失败\n");
constexpr WCHAR kCloseFailedOf[] = WTEXT("个句柄中有");
constexpr WCHAR kCloseFailedEnd[] = WTEXT("个关闭失败");
// Added to the failure text when some failed because the value named
// another object by then: "\n其中%d个句柄已变化".
constexpr WCHAR kHandlesChangedStart[] = WTEXT("\n其中");
constexpr WCHAR kHandlesChangedEnd[] = WTEXT("个句柄已变化");
// "\n其中%d个句柄未能确认是否已关闭": closings given up after they were set
// going (the holder did not let the closing finish within the limit).
constexpr WCHAR kHandlesUnconfirmedEnd[] = WTEXT("个句柄未能确认是否已关闭");
// "\n其中%d个句柄未尝试关闭,等待中的操作过多": closings not tried because
// too many earlier ones are still stuck in the system.
constexpr WCHAR kHandlesNotTriedEnd[] = WTEXT("个句柄未尝试关闭,等待中的操作过多");
// The line the question gains when a remote open (a user on another
// computer) is among the rows to close.
constexpr WCHAR kRemoteCloseWarning[] = WTEXT("另一台计算机上的用户未保存的更改将会丢失。");
// The Explorer registration's outcomes.
constexpr WCHAR kAddedMessage[] = WTEXT("添加成功");
constexpr WCHAR kAddFailedMessage[] = WTEXT("添加失败,请以管理员身份运行");
// The executable's path cannot be registered as it is (a '%' in it, or too long).
constexpr WCHAR kAddRefusedMessage[] = WTEXT("添加失败");
// Removing the Explorer entry: done (also when there was none), or not.
constexpr WCHAR kRemovedMessage[] = WTEXT("删除成功");
constexpr WCHAR kRemoveFailedMessage[] = WTEXT("删除失败,请以管理员身份运行");
// The run's answer when the main window cannot be created.
constexpr WCHAR kNoMainWindowMessage[] = WTEXT("无法创建主窗口");

// The Explorer entry's name, "用%s 查看": the window's title between these.
constexpr WCHAR kExplorerEntryFirst[] = WTEXT("用");
constexpr WCHAR kExplorerEntryLast[] = WTEXT(" 查看");
// The row menu's items that free the file and then act on it.
constexpr WCHAR kReleaseDeleteItem[] = WTEXT("解除占用并删除");
constexpr WCHAR kReleaseRenameItem[] = WTEXT("解除占用并重命名...");
constexpr WCHAR kReleaseMoveItem[] = WTEXT("解除占用并移动...");
constexpr WCHAR kDeleteAtNextStartItem[] = WTEXT("下次启动时删除");
// Their question: "将关闭%d个程序的%d个句柄,这些程序可能出错或丢失数据。
// 确定要继续吗?", the programs, then the handles, between these.
constexpr WCHAR kReleaseQuestionStart[] = WTEXT("将关闭");
constexpr WCHAR kReleaseQuestionPrograms[] = WTEXT("个程序的");
constexpr WCHAR kReleaseQuestionEnd[] = WTEXT("个句柄,这些程序可能出错或丢失数据。确定要继续吗?");
// The question when there is no handle to close.
constexpr WCHAR kReleaseNothingToCloseQuestion[] = WTEXT("确定要继续吗?");
// A line of the question: the programs that hold it as a module, by name.
constexpr WCHAR kReleaseModuleLine[] = WTEXT("以下程序将它作为模块加载,无法通过关闭句柄解除占用:");
// Between two programs' names.
constexpr WCHAR kNameSeparator[] = WTEXT("、");
// Delete at the next start: the question, and its line for a folder.
constexpr WCHAR kDeleteAtNextStartQuestion[] = WTEXT("确定要在下次启动时删除吗?");
constexpr WCHAR kNextStartFolderLine[] = WTEXT("文件夹只有在下次启动时为空才会被删除。");
// After a delete that failed: the offer of the next start instead.
constexpr WCHAR kNextStartInsteadQuestion[] = WTEXT("是否在下次启动时删除?");
// The outcomes; a failure's first line, then the reason on the next.
constexpr WCHAR kDeletedMessage[] = WTEXT("删除成功");
constexpr WCHAR kDeleteFailedMessage[] = WTEXT("删除失败");
constexpr WCHAR kRenamedMessage[] = WTEXT("重命名成功");
constexpr WCHAR kRenameFailedMessage[] = WTEXT("重命名失败");
constexpr WCHAR kMovedMessage[] = WTEXT("移动成功");
constexpr WCHAR kMoveFailedMessage[] = WTEXT("移动失败");
constexpr WCHAR kNextStartScheduledMessage[] = WTEXT("已安排在下次启动时删除");
constexpr WCHAR kNextStartFailedMessage[] = WTEXT("安排失败");
// Before one file's reason when several files were acted on: "<name>: ".
constexpr WCHAR kFileReasonSeparator[] = WTEXT(": ");
// The reasons.
constexpr WCHAR kReasonStillHeld[] = WTEXT("文件仍被占用");
// "\n占用它的程序:%s": the names after this.
constexpr WCHAR kReasonStillHeldBy[] = WTEXT("\n占用它的程序:");
constexpr WCHAR kReasonAccessDenied[] = WTEXT("拒绝访问");
constexpr WCHAR kReasonNameEmpty[] = WTEXT("名称不能为空");
constexpr WCHAR kReasonNameForbiddenCharacter[] = WTEXT("名称不能包含下列字符:\\ / : * ? \" < > |");
constexpr WCHAR kReasonNameReserved[] = WTEXT("该名称是系统保留的设备名");
constexpr WCHAR kReasonNameTrailingDotOrSpace[] = WTEXT("名称不能以点或空格结尾");
constexpr WCHAR kReasonNameTooLong[] = WTEXT("名称太长");
constexpr WCHAR kReasonNameExists[] = WTEXT("该位置已有同名的文件或文件夹");
constexpr WCHAR kReasonDestinationMissing[] = WTEXT("目标文件夹不存在");
constexpr WCHAR kReasonDestinationInside[] = WTEXT("不能将文件夹移动到它自身或其子文件夹中");
constexpr WCHAR kReasonFolderAcrossVolumes[] = WTEXT("不能将文件夹移动到另一个磁盘");
constexpr WCHAR kReasonGone[] = WTEXT("文件已不存在");
constexpr WCHAR kReasonCopiedOriginalKept[] = WTEXT("已复制到目标位置,但原文件无法删除,仍在原处");
// "错误代码 %u": the code after this.
constexpr WCHAR kReasonFailedCode[] = WTEXT("错误代码 ");
#endif
