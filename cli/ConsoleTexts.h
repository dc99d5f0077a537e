#pragma once
// Every text the console program writes besides the holders themselves.
// Messages go to standard error, each ending its line; only the usage
// (asked for) goes to standard output.

#include <windows.h>

inline constexpr const wchar_t* kUsageText =
    L"Usage: ostrel-cli [--json] [--] [PATH]\r\n"
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
    L"  --        ends the options: a PATH that starts with '-' comes after it\r\n"
    L"  --help    this text (also -h, /?)\r\n"
    L"\r\n"
    L"Exit codes: 0 held (or, without PATH, listed), 1 not held, 2 error,\r\n"
    L"3 incomplete answer. Without administrator rights fewer processes are seen.\r\n";

inline constexpr const wchar_t* kMessagePrefix = L"ostrel-cli: ";
inline constexpr const wchar_t* kUnknownOptionMessage = L"unknown option: ";
inline constexpr const wchar_t* kSecondPathMessage = L"only one path may be given; also got: ";
inline constexpr const wchar_t* kEmptyPathMessage = L"the path is empty";
inline constexpr const wchar_t* kTryHelpMessage = L"Try 'ostrel-cli --help'.\r\n";
inline constexpr const wchar_t* kUnusablePathMessage = L"cannot be made a full path: ";
inline constexpr const wchar_t* kScanFailedMessage = L"the scan of open handles failed";
inline constexpr const wchar_t* kOutputFailedMessage = L"the output could not be written";
inline constexpr const wchar_t* kSearchBrokeMessage = L"the search failed: no memory or thread left";
inline constexpr const wchar_t* kLineEnd = L"\r\n";
