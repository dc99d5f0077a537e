#pragma once
// Every text the console program writes besides the holders themselves.
// Messages go to standard error, each ending its line; only the usage
// (asked for) goes to standard output.

#include <windows.h>

inline constexpr const wchar_t* kUsageText =
    L"Usage: ostrel-cli [--json] [--close | --end] [--yes] [--wait SECONDS] [--] [PATH]\r\n"
    L"\r\n"
    L"Lists the processes that hold PATH open: a file, or a folder and everything\r\n"
    L"below it; files loaded as modules (programs, DLLs) count too. Without PATH,\r\n"
    L"lists every open file of the system.\r\n"
    L"\r\n"
    L"Output, one line a holder, tab-separated:\r\n"
    L"  process ID, process name, handle value (0x...) or \"module\", path\r\n"
    L"\r\n"
    L"  --json    one JSON array of objects instead: pid, process, processPath,\r\n"
    L"            handle (a number, null for a module), module (true/false), path\r\n"
    L"  --close   after the search, close every handle it listed, so that PATH\r\n"
    L"            can be used while the programs keep running (a program whose\r\n"
    L"            handle is closed under it may misbehave or lose data); a file\r\n"
    L"            loaded as a module cannot be closed and is reported\r\n"
    L"  --end     after the search, end every program that holds PATH (a critical\r\n"
    L"            system process is left alone)\r\n"
    L"  --yes     act without asking; otherwise the question is put on the\r\n"
    L"            console, and nothing is done when standard input is no console\r\n"
    L"  --wait SECONDS\r\n"
    L"            then wait until nothing holds PATH, searching again about twice\r\n"
    L"            a second, at most SECONDS\r\n"
    L"  --        ends the options: a PATH that starts with '-' comes after it\r\n"
    L"  --help    this text (also -h, /?)\r\n"
    L"  --version the version of ostrel-cli\r\n"
    L"\r\n"
    L"With an action or --wait, the output and the exit code tell the state at the\r\n"
    L"end, after a new search; each action's outcome is a line on standard error.\r\n"
    L"\r\n"
    L"Exit codes: 0 held (or, without PATH, listed), 1 not held, 2 error (also an\r\n"
    L"action not agreed to, or a PATH that does not exist), 3 incomplete answer.\r\n"
    L"Without administrator rights fewer processes are seen.\r\n"
    L"\r\n"
    L"The window (Ostrel.exe) asks the same engine. Its row menu's 结束进程\r\n"
    L"(end the program) and 关闭句柄 (close just the handle) are --end and --close\r\n"
    L"here; 刷新 (search again) is running ostrel-cli again.\r\n";

inline constexpr const wchar_t* kMessagePrefix = L"ostrel-cli: ";
inline constexpr const wchar_t* kUnknownOptionMessage = L"unknown option: ";
inline constexpr const wchar_t* kSecondPathMessage = L"only one path may be given; also got: ";
inline constexpr const wchar_t* kEmptyPathMessage = L"the path is empty";
inline constexpr const wchar_t* kTryHelpMessage = L"Try 'ostrel-cli --help'.\r\n";
inline constexpr const wchar_t* kUnusablePathMessage = L"cannot be made a full path: ";
inline constexpr const wchar_t* kScanFailedMessage = L"the scan of open handles failed";
inline constexpr const wchar_t* kOutputFailedMessage = L"the output could not be written";
inline constexpr const wchar_t* kBadWaitSecondsMessage =
    L"--wait needs a whole number of seconds, 0 to 86400; got: ";
inline constexpr const wchar_t* kActionWithoutPathMessage = L"a PATH is needed for ";
inline constexpr const wchar_t* kCloseAndEndMessage = L"--close and --end cannot be given together";
inline constexpr const wchar_t* kSearchBrokeMessage = L"the search failed: no memory or thread left";
inline constexpr const wchar_t* kLineEnd = L"\r\n";
// A target the system says does not exist is an error, never "not held":
// a typo in a script must not read as "free".
inline constexpr const wchar_t* kNoSuchTargetMessage = L"no such file or folder: ";
// Said once, before the search, when the token is not elevated.
inline constexpr const wchar_t* kNotElevatedMessage =
    L"not running as administrator: processes of other users were not searched";
#ifdef OSTREL_CLI_VERSION
// `--version`: the program's name and the version of the file `version`
// (the build defines OSTREL_CLI_VERSION from it).
inline constexpr const wchar_t* kVersionText = L"ostrel-cli " OSTREL_CLI_VERSION L"\r\n";
#endif
