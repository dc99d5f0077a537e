#pragma once
// The holders as one JSON array (RFC 8259), one object a holder, in the
// records' order:
//   {"kind": "handle", "pid": 1234, "process": "a.exe", "processPath": "C:\\...\\a.exe",
//    "handle": 420, "module": false, "path": "C:\\...\\b.txt"}
// "kind" is "handle", "module", "unreadable" (a process whose handles could
// not be read) or "remote" (a user's open on another computer: "pid" null,
// "process" and "processPath" empty, and "user" after "process"). "handle"
// is the handle value as a number, null for every other kind. No holders
// give "[]". The text is the records' UTF-16 and becomes UTF-8 on
// its way out (text/Utf8.h): names keep every character, non-ASCII ones as
// themselves; quotes and backslashes are escaped, control characters as
// \u00XX. A lone surrogate (a name the system allows but no UTF-8 can
// carry) is written as its \uXXXX escape, so the JSON stays valid UTF-8 and
// still names the unit exactly. Lines end with CR LF.

#include <vector>

#include "scan/HandleRecord.h"
#include "text/WideText.h"

// `text` as one JSON string, quotes included.
WideText JsonString(WideView text);
WideText HoldersAsJson(const std::vector<HandleRecord>& holders);
