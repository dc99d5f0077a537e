#pragma once
// The holders a handle scan cannot see, found after it by asking the file
// and the file servers instead of the processes:
// - for a file or folder target, every process the file system says has
//   the target open (the folder itself, not its contents) and that has no
//   row yet: its handles could not be read (a protected process). One row
//   each (HolderKind::kUnreadable): the target's path, the process's ID,
//   name, image path and start, no handle value.
// - the files this computer's file server has open for users on other
//   computers, under the target (every one without a target); and, for a
//   target on a share ("\\server\share\..."), that server's opens under it,
//   named back through the share. One row each (HolderKind::kRemote).
// Each is one or two calls. A call that is missing or answers "not
// supported", "server not started", "access denied" or anything else adds
// no row and no error: the search's answer is what the scan found.
// A server that does not answer is waited on a limited time.

#include <vector>

#include "scan/HandleRecord.h"
#include "scan/CancelByte.h"
#include "text/WideText.h"

// Appends the rows above to `results` (the rows the search keeps from its
// scan). `matchPath` is the target as the system names it (empty: every
// open file), `folder` whether it is a folder, `isTarget` the search's rule
// for which paths are the target's (for a folder, anything in it; none:
// every path the server names).
void AppendOtherHolders(const WideText& matchPath, bool folder, const ModuleFilter& isTarget,
                        std::vector<HandleRecord>& results);
