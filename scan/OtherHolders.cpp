#include "scan/OtherHolders.h"

#include <algorithm>
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

WCHAR upperAscii(WCHAR unit) { return unit >= 'a' && unit <= 'z' ? static_cast<WCHAR>(unit - 0x20) : unit; }

// Whether `path` lies in `folder` (or is it), by the server's names: the
// server builds an open's path from its share's folder as it was defined.
bool startsWithFolder(WideView path, WideView folder) {
  while (!folder.empty() && folder.back() == '\\') folder.remove_suffix(1);
  if (path.size() < folder.size()) return false;
  for (std::size_t i = 0; i < folder.size(); ++i) {
    if (upperAscii(path[i]) != upperAscii(folder[i])) return false;
  }
  return path.size() == folder.size() || path[folder.size()] == '\\';
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
    if (!names) {
      names.emplace();
      names->Fill();
    }
    row.processName = names->LookupProcessName(id);
    if (row.processName.IsEmpty() && !row.processPath.IsEmpty()) {
      const WideView name = fileNamePart(row.processPath.View());
      row.processName = SharedText(name.data(), name.size());
    }
    results.push_back(std::move(row));
  }
}

HandleRecord remoteRow(const ServerOpen& open, SharedText path) {
  HandleRecord row;
  row.kind = HolderKind::kRemote;
  row.handleValue = open.id;
  row.processName = open.user;
  row.filePath = std::move(path);
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
    results.push_back(remoteRow(open, open.path));
  }
}

// The opens of the server a share target lives on, named back through the share.
void appendShareOpens(const WideText& matchPath, const ModuleFilter& isTarget, std::vector<HandleRecord>& results) {
  WideView serverName;
  WideView shareName;
  WideView rest;
  if (!SplitSharePath(matchPath, serverName, shareName, rest)) return;
  const WideText server = WTEXT("\\\\") + WideText(serverName);
  const WideText share(shareName);
  const WideText restText(rest);
  struct ShareOpens {
    WideText folder;
    std::vector<ServerOpen> opens;
  };
  // A computer that does not answer would keep the search waiting.
  const std::optional<ShareOpens> answer =
      CallWithDeadline<ShareOpens>(kOtherServerMs, [server, share, restText](DeadlineTicket&) {
        ShareOpens found;
        found.folder = ShareFolder(server, share);
        if (found.folder.empty()) return found;
        WideText local = found.folder;
        while (!local.empty() && local.back() == '\\') local.pop_back();
        ListServerOpens(server, local + restText, found.opens);
        return found;
      });
  if (!answer || answer->folder.empty()) return;
  WideView folder = answer->folder;
  while (!folder.empty() && folder.back() == '\\') folder.remove_suffix(1);
  const WideText shareRoot = server + WTEXT("\\") + share;
  for (const ServerOpen& open : answer->opens) {
    const WideView local = open.path.View();
    if (!startsWithFolder(local, folder)) continue;
    const SharedText named(shareRoot + WideText(local.substr(folder.size())));
    if (isTarget && !isTarget(named)) continue;
    results.push_back(remoteRow(open, named));
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
