#include "scan/OtherHolders.h"

#include <optional>
#include <unordered_set>

#include "os/DeadlineCall.h"
#include "os/ProcessTimes.h"
#include "os/SystemCalls.h"
#include "os/UniqueHandle.h"
#include "scan/FileServerOpens.h"
#include "scan/OwnerTable.h"
#include "scan/native/ProcessList.h"
#include "scan/native/ProcessesUsingFile.h"

namespace {
// How long another computer's file server is waited on before its opens
// are given up (they then add no row).
constexpr DWORD kOtherServerMs = 2000;

bool isDriveLetterPath(WideView path) {
  return path.size() >= 3 && path[1] == ':' && path[2] == '\\' &&
         ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

WideView fileNamePart(WideView path) {
  const std::size_t separator = path.find_last_of('\\');
  return separator == WideView::npos ? path : path.substr(separator + 1);
}

void appendUnreadable(const WideText& matchPath, bool folder, std::vector<HandleRecord>& results) {
  std::vector<uint32_t> ids;
  if (!QueryProcessesUsingFile(matchPath, folder, ids)) return;
  std::unordered_set<uint32_t> seen;
  // The own process has the target open to ask; the rows' processes have theirs read.
  seen.insert(Sys().GetCurrentProcessId());
  for (const HandleRecord& row : results) {
    if (KindOf(row) != HolderKind::kRemote) seen.insert(row.ownerPid);
  }
  const SharedText path(matchPath);
  std::optional<ProcessList> names;
  for (const uint32_t id : ids) {
    if (!seen.insert(id).second) continue;
    HandleRecord row;
    row.ownerPid = id;
    row.kind = HolderKind::kUnreadable;
    row.filePath = path;
    // The least right there is: a protected process allows it.
    const UniqueHandle process(Sys().OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
    if (process) {
      row.processPath = ProcessImagePath(process.get());
      row.ownerCreationTime = ProcessCreationTime(process.get());
    }
    if (!row.processPath.IsEmpty()) {
      const WideView name = fileNamePart(row.processPath.View());
      row.processName = SharedText(name.data(), name.size());
    } else {
      // No image path (the System process, one that refuses even this
      // much): the name the process list gives, read once.
      if (!names) {
        names.emplace();
        names->Fill();
      }
      row.processName = names->LookupProcessName(id);
    }
    results.push_back(std::move(row));
  }
}

HandleRecord remoteRow(const ServerOpen& open) {
  HandleRecord row;
  row.kind = HolderKind::kRemote;
  row.handleValue = open.id;
  row.processName = open.user;
  row.filePath = open.path;
  return row;
}

// This computer's server: its paths are this computer's own.
void appendLocalOpens(const WideText& matchPath, const ModuleFilter& isTarget, std::vector<HandleRecord>& results) {
  std::vector<ServerOpen> opens;
  ListServerOpens(WideText(), matchPath, opens);
  for (const ServerOpen& open : opens) {
    // Named pipes and other resources a server lends are no files.
    if (!isDriveLetterPath(open.path.View())) continue;
    if (!matchPath.empty() && isTarget && !isTarget(open.path)) continue;
    results.push_back(remoteRow(open));
  }
}

// The opens of the server a share target lives on, named back through the share.
void appendShareOpens(const WideText& matchPath, const ModuleFilter& isTarget, std::vector<HandleRecord>& results) {
  // A computer that does not answer would keep the search waiting.
  const std::optional<std::vector<ServerOpen>> opens = CallWithDeadline<std::vector<ServerOpen>>(
      kOtherServerMs, [matchPath](DeadlineTicket&) {
        std::vector<ServerOpen> found;
        ListShareOpens(matchPath, found);
        return found;
      });
  if (!opens) return;
  for (const ServerOpen& open : *opens) {
    if (isTarget && !isTarget(open.path)) continue;
    results.push_back(remoteRow(open));
  }
}
}  // namespace

void AppendOtherHolders(const WideText& matchPath, bool folder, const ModuleFilter& isTarget,
                        std::vector<HandleRecord>& results) {
  if (!matchPath.empty()) appendUnreadable(matchPath, folder, results);
  // A share's path is no path of this computer's server.
  WideView server;
  WideView share;
  WideView rest;
  if (!SplitSharePath(matchPath, server, share, rest)) {
    appendLocalOpens(matchPath, isTarget, results);
  } else {
    appendShareOpens(matchPath, isTarget, results);
  }
}
