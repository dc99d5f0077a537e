#pragma once
// The one way a search for the holders of a target is made, for the window
// and the console alike: a scanner over every process's "File" handles; the
// target as the system names it (a held file is reported under the name the
// system gives its handle); with a target, the files it holds as loaded
// modules too; and the records that hold it, by one rule (equal ignoring
// letter case, or below a folder target). The scan itself runs between
// AimSearch and CollectHolders, on whichever thread the caller chooses.

#include <memory>
#include <vector>

#include "scan/HandleRecord.h"
#include "scan/HandleScanner.h"
#include "search/TargetPath.h"
#include "text/WideText.h"

// How the system names a target: IdentifyTarget on the real system, a
// stand-in in tests, so the recipe runs against a fake system too.
using TargetIdentifier = TargetIdentity (*)(const WideText& fullPath);

// A scanner for every process's "File" handles.
std::shared_ptr<HandleScanner> NewSearchScanner();

// Before the scan: the target's identity (asked of `identify`; an empty
// path is "every file" and asks nothing) and, with a target, which loaded
// modules the scan keeps. May wait on a slow network path: not for the
// window's thread.
TargetIdentity AimSearch(HandleScanner& scanner, const WideText& fullPath, TargetIdentifier identify);

// After the scan: appends, in the scanner's order, the records that hold
// the target (every record with a path when it was "every file"), then the
// holders a handle scan cannot read (OtherHolders). May wait on a file
// server (bounded): not for the window's thread.
void CollectHolders(const HandleRecords& records, const TargetIdentity& target, std::vector<HandleRecord>& holders);
