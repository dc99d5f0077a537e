#include "act/FileRelease.h"

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <utility>

#include "os/SystemCalls.h"
#include "text/FileNameRules.h"

namespace {
// As Explorer's delete: to the Recycle Bin, undoable, without the shell's
// own question (the caller has asked), progress window or error box.
constexpr FILEOP_FLAGS kRecycleFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
// The shell's own codes for "access denied at the source" and "no such file".
constexpr int kShellAccessDenied = 0x78;
constexpr int kShellNoSuchFile = 0x7C;
constexpr WCHAR kSeparator = '\\';

bool pathExists(const WideText& path) { return Sys().GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool isFolder(const WideText& path) {
  const DWORD attributes = Sys().GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

WideView nameOf(WideView path) { return path.substr(path.find_last_of(kSeparator) + 1); }

WideText parentOf(WideView path) {
  const std::size_t cut = path.find_last_of(kSeparator);
  return cut == WideView::npos ? WideText() : WideText(path.substr(0, cut));
}

WideText joined(WideText folder, WideView name) {
  if (folder.empty() || folder.back() != kSeparator) folder += kSeparator;
  folder.append(name.data(), name.size());
  return folder;
}

// The volume's root a path lies on ("C:\"), empty when the system cannot tell.
WideText volumeOf(const WideText& path) {
  std::vector<WCHAR> volume(path.size() + 2);
  if (Sys().GetVolumePathNameW(path.c_str(), volume.data(), static_cast<DWORD>(volume.size())) == FALSE) {
    return WideText();
  }
  return WideText(volume.data());
}

std::optional<ReleaseOutcome> nameRefusal(NameFault fault) {
  switch (fault) {
    case NameFault::kNone:
      return std::nullopt;
    case NameFault::kEmpty:
      return ReleaseOutcome::kNameEmpty;
    case NameFault::kForbiddenCharacter:
      return ReleaseOutcome::kNameForbiddenCharacter;
    case NameFault::kReservedName:
      return ReleaseOutcome::kNameReserved;
    case NameFault::kTrailingDotOrSpace:
      return ReleaseOutcome::kNameTrailingDotOrSpace;
    case NameFault::kTooLong:
      return ReleaseOutcome::kNameTooLong;
  }
  return ReleaseOutcome::kFailed;
}

// What a failed file call's error says.
ReleaseOutcome outcomeOfError(DWORD error) {
  switch (error) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return ReleaseOutcome::kStillHeld;
    case ERROR_ACCESS_DENIED:
      return ReleaseOutcome::kAccessDenied;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return ReleaseOutcome::kNameExists;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return ReleaseOutcome::kGone;
    case ERROR_NOT_SAME_DEVICE:
      return ReleaseOutcome::kFolderAcrossVolumes;
    default:
      return ReleaseOutcome::kFailed;
  }
}

ReleaseOutcome outcomeOfShellCode(int code) {
  if (code == kShellAccessDenied) return ReleaseOutcome::kAccessDenied;
  if (code == kShellNoSuchFile) return ReleaseOutcome::kGone;
  return outcomeOfError(static_cast<DWORD>(code));
}

void recycle(const ReleasePlan& plan, ReleaseResult& result) {
  // The shell takes a list of paths, each ending in a zero, the list in a second.
  WideText from = plan.path;
  from.push_back(0);
  SHFILEOPSTRUCTW operation{};
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  operation.fFlags = kRecycleFlags;
  const int code = Sys().SHFileOperationW(&operation);
  if (code != 0) {
    result.outcome = outcomeOfShellCode(code);
    result.systemError = static_cast<DWORD>(code);
  } else if (operation.fAnyOperationsAborted != FALSE || pathExists(plan.path)) {
    // Said to be done, yet still there: not reported as gone.
    result.outcome = ReleaseOutcome::kFailed;
  } else {
    result.outcome = ReleaseOutcome::kDone;
  }
}

// MoveFileExW without MOVEFILE_REPLACE_EXISTING: an existing name is never
// overwritten. `copied`: to another volume, where the system copies.
void move(const WideText& from, const WideText& to, DWORD flags, ReleaseResult& result, bool copied = false) {
  if (Sys().MoveFileExW(from.c_str(), to.empty() ? nullptr : to.c_str(), flags) == FALSE) {
    result.systemError = Sys().GetLastError();
    result.outcome = outcomeOfError(result.systemError);
    return;
  }
  result.outcome = ReleaseOutcome::kDone;
  result.newPath = to;
  // Across volumes the system copies and then deletes; when the delete
  // fails it reports success and leaves the original where it was.
  if (copied && pathExists(from)) {
    result.outcome = ReleaseOutcome::kCopiedOriginalKept;
  }
}

// One chain of per-program batches; lives until the last reports.
struct ClosingChain {
  std::vector<HeldHandle> handles;
  PathMatch namesRowFile = nullptr;
  DWORD limitMs = 0;
  std::function<void(int, int)> progress;
  std::function<void(const ClosingReport&)> finished;
  ClosingReport report;
  std::size_t next = 0;  // the program whose batch comes next
  int done = 0;          // handles of the batches before

  // Starts the next program's batch, or reports the whole. False when its
  // batch could not start.
  static bool step(const std::shared_ptr<ClosingChain>& chain) {
    auto& programs = chain->report.programs;
    while (chain->next < programs.size() && programs[chain->next].handles == 0) ++chain->next;
    if (chain->next == programs.size()) {
      chain->finished(chain->report);
      return true;
    }
    const std::size_t current = chain->next++;
    const HoldingProgram& program = programs[current];
    std::vector<HeldHandle> batch;
    for (const HeldHandle& handle : chain->handles) {
      if (handle.processId == program.processId && handle.processCreationTime == program.creationTime) {
        batch.push_back(handle);
      }
    }
    const int total = static_cast<int>(chain->handles.size());
    const int before = chain->done;
    return StartClosingHandles(
        std::move(batch), chain->namesRowFile,
        [chain, before, total](int batchDone, int) { chain->progress(before + batchDone, total); },
        [chain, current](const CloseTally& tally) {
          chain->record(current, tally);
          if (!step(chain)) chain->giveUpFrom(chain->next - 1);
        },
        chain->limitMs);
  }

  void record(std::size_t program, const CloseTally& tally) {
    report.programs[program].notClosed = tally.failed;
    report.tally.tried += tally.tried;
    report.tally.failed += tally.failed;
    report.tally.changed += tally.changed;
    done += tally.tried;
  }

  // No thread for the batch of `program`: it and every later one count as not closed.
  void giveUpFrom(std::size_t program) {
    for (std::size_t i = program; i < report.programs.size(); ++i) {
      HoldingProgram& left = report.programs[i];
      if (left.handles == 0) continue;
      left.notClosed = left.handles;
      report.tally.tried += left.handles;
      report.tally.failed += left.handles;
    }
    finished(report);
  }
};
}  // namespace

int ReleasePlan::ClosingProgramCount() const {
  int count = 0;
  for (const HoldingProgram& program : programs) count += program.handles > 0 ? 1 : 0;
  return count;
}

namespace {
// The names of the programs with `flag` set, each once, in the plan's order.
std::vector<SharedText> namesOfHolders(const std::vector<HoldingProgram>& programs, bool HoldingProgram::*flag) {
  std::vector<SharedText> names;
  for (const HoldingProgram& program : programs) {
    if (!(program.*flag)) continue;
    bool known = false;
    for (const SharedText& name : names) known = known || name == program.name;
    if (!known) names.push_back(program.name);
  }
  return names;
}
}  // namespace

std::vector<SharedText> ReleasePlan::ModuleHolders() const { return namesOfHolders(programs, &HoldingProgram::module); }

std::vector<SharedText> ReleasePlan::UnreadableHolders() const {
  return namesOfHolders(programs, &HoldingProgram::unreadable);
}

ReleasePlan PlanRelease(const std::vector<HandleRecord>& rows, WideView path, const RowCovers& covers) {
  ReleasePlan plan;
  plan.path = WideText(path);
  const DWORD attributes = Sys().GetFileAttributesW(plan.path.c_str());
  plan.exists = attributes != INVALID_FILE_ATTRIBUTES;
  plan.folder = plan.exists && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  // A folder's or a drive's rows run into the tens of thousands: looked up, not searched.
  using Owner = std::pair<DWORD, uint64_t>;
  std::map<Owner, std::size_t> programIndex;
  // Remote users have no process: each user is one holder, known by name.
  std::map<WideText, std::size_t> userIndex;
  std::set<std::pair<Owner, uint32_t>> listed;
  for (const HandleRecord& row : rows) {
    if (!covers(row)) continue;
    const HolderKind kind = KindOf(row);
    const Owner owner(row.ownerPid, row.ownerCreationTime);
    const std::size_t index =
        kind == HolderKind::kRemote ? userIndex.emplace(WideText(row.processName.View()), plan.programs.size()).first->second
                                    : programIndex.emplace(owner, plan.programs.size()).first->second;
    if (index == plan.programs.size()) {
      plan.programs.push_back(HoldingProgram{row.ownerPid, row.ownerCreationTime, row.processName});
    }
    HoldingProgram& holder = plan.programs[index];
    switch (kind) {
      case HolderKind::kModule:
        holder.module = true;
        break;
      case HolderKind::kUnreadable:
        holder.unreadable = true;
        break;
      case HolderKind::kRemote:
        holder.remote = true;
        // A server's open-file IDs are its own: one ID, one open.
        if (listed.emplace(Owner(0, 0), row.handleValue).second) {
          plan.handles.push_back(HeldHandleOf(row));
          ++holder.handles;
        }
        break;
      case HolderKind::kHandle:
        if (listed.emplace(owner, row.handleValue).second) {
          plan.handles.push_back(HeldHandleOf(row));
          ++holder.handles;
        }
        break;
    }
  }
  return plan;
}

bool StartReleaseClosings(const ReleasePlan& plan, PathMatch namesRowFile, std::function<void(int, int)> progress,
                          std::function<void(const ClosingReport&)> finished, DWORD limitMs) {
  auto chain = std::make_shared<ClosingChain>();
  chain->handles = plan.handles;
  chain->namesRowFile = namesRowFile;
  chain->limitMs = limitMs;
  chain->progress = std::move(progress);
  chain->finished = std::move(finished);
  chain->report.programs = plan.programs;
  return ClosingChain::step(chain);
}

ClosingReport CloseReleaseHandles(const ReleasePlan& plan, PathMatch namesRowFile, DWORD limitMs) {
  struct Wait {
    std::mutex lock;
    std::condition_variable changed;
    std::optional<ClosingReport> report;
  };
  auto wait = std::make_shared<Wait>();
  const bool started = StartReleaseClosings(
      plan, namesRowFile, [](int, int) {},
      [wait](const ClosingReport& report) {
        const std::lock_guard<std::mutex> guard(wait->lock);
        wait->report = report;
        wait->changed.notify_all();
      },
      limitMs);
  if (!started) {
    ClosingReport none;
    none.programs = plan.programs;
    for (HoldingProgram& program : none.programs) program.notClosed = program.handles;
    none.tally = CloseTally{plan.HandleCount(), plan.HandleCount(), 0};
    return none;
  }
  std::unique_lock<std::mutex> guard(wait->lock);
  wait->changed.wait(guard, [&] { return wait->report.has_value(); });
  return *wait->report;
}

WideText FileActionTarget(const ReleasePlan& plan, const FileActionRequest& request) {
  switch (request.action) {
    case FileAction::kRename:
      return joined(parentOf(plan.path), request.newName);
    case FileAction::kMove:
      return joined(request.destinationFolder, nameOf(plan.path));
    default:
      return WideText();
  }
}

std::optional<ReleaseOutcome> CheckFileAction(const ReleasePlan& plan, const FileActionRequest& request,
                                              const PathRules& rules) {
  if (request.action == FileAction::kRename) {
    if (const auto refusal = nameRefusal(CheckFileName(request.newName))) return refusal;
  }
  if (!pathExists(plan.path)) return ReleaseOutcome::kGone;
  const WideText target = FileActionTarget(plan, request);
  if (request.action == FileAction::kRename) {
    // Another letter case of its own name is a rename, not a taken name.
    const bool caseOnly = target != plan.path && rules.same(target, plan.path);
    if (!caseOnly && pathExists(target)) return ReleaseOutcome::kNameExists;
  }
  if (request.action == FileAction::kMove) {
    if (!isFolder(request.destinationFolder)) return ReleaseOutcome::kDestinationMissing;
    const bool folder = isFolder(plan.path);
    if (folder && rules.inFolder(request.destinationFolder, plan.path)) return ReleaseOutcome::kDestinationInside;
    if (pathExists(target)) return ReleaseOutcome::kNameExists;
    if (folder) {
      const WideText from = volumeOf(plan.path);
      const WideText to = volumeOf(request.destinationFolder);
      if (!from.empty() && !to.empty() && !rules.same(from, to)) return ReleaseOutcome::kFolderAcrossVolumes;
    }
  }
  return std::nullopt;
}

ReleaseResult ApplyFileAction(const ReleasePlan& plan, const FileActionRequest& request,
                              const ClosingReport& closings, const PathRules& rules) {
  ReleaseResult result;
  result.closings = closings.tally;
  if (const auto refusal = CheckFileAction(plan, request, rules)) {
    result.outcome = *refusal;
  } else {
    switch (request.action) {
      case FileAction::kRecycle:
        recycle(plan, result);
        break;
      case FileAction::kRename:
        move(plan.path, FileActionTarget(plan, request), 0, result);
        break;
      case FileAction::kMove: {
        // A folder moves only within its volume (checked above).
        const WideText from = volumeOf(plan.path);
        const WideText to = volumeOf(request.destinationFolder);
        move(plan.path, FileActionTarget(plan, request),
             isFolder(plan.path) ? 0 : MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH, result,
             !from.empty() && !to.empty() && !rules.same(from, to));
        break;
      }
      case FileAction::kDeleteAtNextStart:
        move(plan.path, WideText(), MOVEFILE_DELAY_UNTIL_REBOOT, result);
        result.newPath.clear();
        break;
    }
  }
  if (result.outcome == ReleaseOutcome::kDone) return result;
  const auto& programs = closings.programs.empty() ? plan.programs : closings.programs;
  bool heldAsModule = false;
  for (const HoldingProgram& program : programs) {
    // Neither a loaded module nor a handle that could not be read is closed.
    const bool unclosable = program.module || program.unreadable;
    heldAsModule = heldAsModule || unclosable;
    if (!unclosable && program.notClosed == 0) continue;
    bool named = false;
    for (const SharedText& name : result.stillHeldBy) named = named || name == program.name;
    if (!named) result.stillHeldBy.push_back(program.name);
  }
  result.offerNextStart = request.action != FileAction::kDeleteAtNextStart &&
                          result.outcome != ReleaseOutcome::kGone && pathExists(plan.path) &&
                          (request.action == FileAction::kRecycle || heldAsModule);
  return result;
}

ReleaseResult ReleaseFile(const ReleasePlan& plan, const FileActionRequest& request, const PathRules& rules,
                          DWORD limitMs) {
  if (const auto refusal = CheckFileAction(plan, request, rules)) {
    ReleaseResult result;
    result.outcome = *refusal;
    return result;
  }
  ClosingReport closings;
  if (request.action != FileAction::kDeleteAtNextStart) closings = CloseReleaseHandles(plan, rules.same, limitMs);
  return ApplyFileAction(plan, request, closings, rules);
}

std::vector<EndedProgram> EndHoldingPrograms(const ReleasePlan& plan) {
  std::vector<EndedProgram> ended;
  for (const HoldingProgram& program : plan.programs) {
    if (program.remote) continue;  // no process here: its open is closed, not ended
    ended.push_back(EndedProgram{program.processId, program.name,
                                 EndHolderProcess(program.processId, program.creationTime)});
  }
  return ended;
}
