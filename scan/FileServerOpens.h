#pragma once
// What a file server says of the files users on other computers have open
// through it, and the closing of one such open, through the system seam.
// The server is this computer's (an empty name) or another one's
// ("\\server"); its answers name its own local paths ("D:\Shares\x.txt").
// Every failure (no such call, server not started, access denied, not
// supported, no answer) reads as "nothing", never as an error.

#include <vector>

#include "os/Win32.h"
#include "text/WideText.h"

struct ServerOpen {
  DWORD id = 0;      // the server's ID of the open
  SharedText path;   // the server's local path
  SharedText user;   // who has it open
};

// The opens of `server` whose path starts with `basePath` (empty: every
// one), appended to `opens`, page after page. False, with whatever came
// before the failure kept, when the server does not answer.
bool ListServerOpens(const WideText& server, const WideText& basePath, std::vector<ServerOpen>& opens);

// The opens under `sharePath` ("\\\\server\\share\\rest") of its server,
// asked under the share's folder there ("D:\\Shares\\Team\\rest"), each
// named back through the share ("\\\\server\\share\\rest\\a.txt"),
// appended to `opens`. False when the server does not say where the share
// is or does not answer.
bool ListShareOpens(WideView sharePath, std::vector<ServerOpen>& opens);

// Closes open `id` of the server `rowPath` was opened on (ServerOfPath),
// only while the server still has that ID open on the row's file (IDs
// are used again): its user's unsaved changes are lost. True when the
// server closed it.
bool CloseServerOpen(WideView rowPath, DWORD id);

// "\\server\share\rest": its three parts, `rest` empty or starting with a
// backslash. False for any other path (also "\\?\" and "\\.\" ones).
bool SplitSharePath(WideView path, WideView& server, WideView& share, WideView& rest);

// The server a path was opened on: "\\server" for "\\server\share\...",
// empty (this computer) for any other path.
WideText ServerOfPath(WideView path);
