#pragma once
// The texts of the console program's actions (`--close`, `--end`): the
// question put on the console and the outcome lines, each written to
// standard error as one line after "ostrel-cli: ". UTF-16 literals, so that
// they build on the host as well, where the actions are tested.

#include "text/WideText.h"

// "Close 3 handles in 2 processes? [y/N] ", "End 2 processes? [y/N] "
inline constexpr const WCHAR* kCloseQuestionStart = WTEXT("Close ");
inline constexpr const WCHAR* kEndQuestionStart = WTEXT("End ");
inline constexpr const WCHAR* kQuestionEnd = WTEXT("? [y/N] ");
inline constexpr const WCHAR* kOneHandle = WTEXT(" handle");
inline constexpr const WCHAR* kHandles = WTEXT(" handles");
inline constexpr const WCHAR* kInWord = WTEXT(" in ");
inline constexpr const WCHAR* kOneProcess = WTEXT(" process");
inline constexpr const WCHAR* kProcesses = WTEXT(" processes");

inline constexpr const WCHAR* kNotAskedMessage =
    WTEXT("standard input is not a console, so nothing was asked and nothing done; add --yes to act without asking");
inline constexpr const WCHAR* kDeclinedMessage = WTEXT("nothing done");

// "<what> in <program>", "<program>" being "editor.exe (PID 700)".
inline constexpr const WCHAR* kClosedStart = WTEXT("closed ");
inline constexpr const WCHAR* kNotClosedStart = WTEXT("could not close ");
inline constexpr const WCHAR* kOfWord = WTEXT(" of ");
inline constexpr const WCHAR* kModuleEnd = WTEXT(" has it loaded as a module, which cannot be closed");
inline constexpr const WCHAR* kUnreadableEnd =
    WTEXT(" has it open, but its handles cannot be read (a protected process), so none can be closed");
inline constexpr const WCHAR* kEndedStart = WTEXT("ended ");
inline constexpr const WCHAR* kNotEndedStart = WTEXT("could not end ");
inline constexpr const WCHAR* kNotEndedEnd = WTEXT(": it has ended, was refused, or its ID now names another process");
inline constexpr const WCHAR* kCriticalStart = WTEXT("left ");
inline constexpr const WCHAR* kCriticalEnd = WTEXT(" running: a critical system process");
inline constexpr const WCHAR* kPidStart = WTEXT("PID ");
