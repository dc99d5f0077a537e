#include "ui/main/RowActions.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shobjidl.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "os/PopupMenu.h"
#include "search/FileNamePart.h"
#include "search/PathComparison.h"
#include "search/SearchSession.h"
#include "ui/framework/Clipboard.h"
#include "ui/main/RenameDialog.h"
#include "ui/main/ResultList.h"
#include "text/WindowTexts.h"

namespace {
constexpr RowMenuItem kViewFileRowItem{RowMenuCommand::ViewFileLocation, kViewFileLocationItem};
constexpr RowMenuItem kCopyFileRowItem{RowMenuCommand::CopyFileLocation, kCopyFileLocationItem};
constexpr RowMenuItem kViewProcessRowItem{RowMenuCommand::ViewProcessLocation, kViewProcessLocationItem};
constexpr RowMenuItem kEndProcessRowItem{RowMenuCommand::EndProcess, kEndProcessItem};
constexpr RowMenuItem kCloseHandleRowItem{RowMenuCommand::CloseHandle, kCloseHandleItem};
constexpr RowMenuItem kReleaseItems[] = {
    {RowMenuCommand::ReleaseAndDelete, kReleaseDeleteItem},
    {RowMenuCommand::ReleaseAndRename, kReleaseRenameItem},
    {RowMenuCommand::ReleaseAndMove, kReleaseMoveItem},
};
constexpr RowMenuItem kDeleteAtNextStartRowItem{RowMenuCommand::DeleteAtNextStart, kDeleteAtNextStartItem};
constexpr RowMenuItem kRefreshRowItem{RowMenuCommand::Refresh, kRefreshItem};
constexpr RowMenuItem kSeparator{RowMenuCommand::Dismissed, nullptr};
// The search's rules of comparing paths, for the engine.
constexpr PathRules kPathRules{PathsEqualIgnoringCase, PathIsInFolder};

constexpr wchar_t kExplorer[] = L"explorer.exe";
constexpr wchar_t kSelectSwitch[] = L"/select,\"";
constexpr wchar_t kClosingQuote[] = L"\"";
// ShellExecuteW reports failure as a value of at most 32, not as null.
constexpr INT_PTR kLastShellExecuteError = 32;


}  // namespace

SystemRowEffects::SystemRowEffects(HWND owner, SearchSession& session, std::function<void()> refresh,
                                   std::optional<ReleaseJob>* pendingRelease)
    : owner_(owner), session_(session), refresh_(std::move(refresh)), pendingRelease_(pendingRelease) {}

void SystemRowEffects::selectInExplorer(const SharedText& path) { SelectInExplorer(path.GetString()); }

bool SystemRowEffects::copyToClipboard(const SharedText& text) { return CopyTextToClipboard(owner_, text); }

EndResult SystemRowEffects::endHolder(const RowTarget& target) {
  return EndHolderProcess(target.processId, target.processCreationTime);
}

bool SystemRowEffects::confirmClose(bool remote) {
  WideText question = kCloseHandleQuestion;
  if (remote) question += WideText(L"\n") + kRemoteCloseWarning;
  return ask(question);
}

bool SystemRowEffects::ask(const WideText& question) {
  return ::MessageBoxW(owner_, question.c_str(), kPromptCaption, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

ReleasePlan SystemRowEffects::planRelease(WideView path, const std::vector<SharedText>& covered) {
  return PlanRelease(session_.results(), path, [&covered](const HandleRecord& row) {
    return std::any_of(covered.begin(), covered.end(),
                       [&row](const SharedText& file) { return PathIsInFolder(row.filePath, file); });
  });
}

std::optional<WideText> SystemRowEffects::askNewName(const WideText& currentName) {
  return RenameDialog::ask(owner_, currentName);
}

std::optional<WideText> SystemRowEffects::pickFolder() {
  // The picker is a COM object: the window's thread joins a single-threaded
  // apartment for it (already in one: the call only counts).
  const HRESULT joined = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  std::optional<WideText> chosen;
  IFileOpenDialog* dialog = nullptr;
  if (SUCCEEDED(::CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileOpenDialog,
                                   reinterpret_cast<void**>(&dialog)))) {
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST);
    IShellItem* item = nullptr;
    if (SUCCEEDED(dialog->Show(owner_)) && SUCCEEDED(dialog->GetResult(&item))) {
      PWSTR path = nullptr;
      if (SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, &path)) && path != nullptr) {
        chosen = WideText(path);
        ::CoTaskMemFree(path);
      }
      item->Release();
    }
    dialog->Release();
  }
  if (SUCCEEDED(joined)) ::CoUninitialize();
  return chosen;
}

std::optional<ReleaseOutcome> SystemRowEffects::checkFileAction(const ReleasePlan& plan,
                                                                const FileActionRequest& request) {
  return CheckFileAction(plan, request, kPathRules);
}

bool SystemRowEffects::startRelease(ReleaseJob job) {
  if (pendingRelease_ == nullptr) return false;
  *pendingRelease_ = std::move(job);
  if (session_.startReleaseClosing((*pendingRelease_)->closing)) return true;
  pendingRelease_->reset();
  return false;
}

ReleaseResult SystemRowEffects::applyFileAction(const ReleasePlan& plan, const FileActionRequest& request,
                                                const ClosingReport& closings) {
  return ApplyFileAction(plan, request, closings, kPathRules);
}

bool SystemRowEffects::confirmEnd(int programs) {
  const WideText question = kEndSeveralQuestionStart + DecimalText(programs) + kEndSeveralQuestionEnd;
  return ::MessageBoxW(owner_, question.c_str(), kPromptCaption, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

bool SystemRowEffects::startClosing(const std::vector<RowTarget>& rows) {
  std::vector<HeldHandle> handles;
  for (const RowTarget& row : rows) {
    // The kind goes with it: a remote open is closed by its file server.
    handles.push_back(HeldHandle{row.processId, row.processCreationTime, row.handleValue, row.filePath, KindOf(row)});
  }
  return session_.startClosing(std::move(handles));
}

void SystemRowEffects::refresh() { refresh_(); }

void SystemRowEffects::tell(const wchar_t* message, bool failure) {
  ::MessageBoxW(owner_, message, kPromptCaption, failure ? MB_ICONERROR : MB_ICONINFORMATION);
}

std::optional<RowTarget> RowTargetFor(const SearchSession& session, const ResultList& list, int row) {
  // While a search runs its results are about to be replaced, and while
  // handles are being closed they are about to be: no row is looked at then,
  // and only "刷新" is offered.
  if (session.busy() || session.closing()) return std::nullopt;
  const HandleRecord* found = list.resultOfRow(row);
  if (found == nullptr) return std::nullopt;
  return RowTargetOf(*found);
}

RowTarget RowTargetOf(const HandleRecord& result) {
  RowTarget target;
  target.filePath = result.filePath;
  target.processPath = result.processPath;
  target.processId = result.ownerPid;
  target.processCreationTime = result.ownerCreationTime;
  target.handleValue = result.handleValue;
  target.loadedModule = result.loadedModule;
  target.kind = KindOf(result);
  return target;
}

HolderKind KindOf(const RowTarget& target) { return target.loadedModule ? HolderKind::kModule : target.kind; }

std::vector<RowMenuItem> RowMenuItems(const RowTarget* target) {
  std::vector<RowMenuItem> items;
  if (target != nullptr) {
    const HolderKind kind = KindOf(*target);
    const bool program = kind != HolderKind::kRemote;  // a program of this computer's
    items.push_back(kViewFileRowItem);
    items.push_back(kCopyFileRowItem);
    if (program) items.push_back(kViewProcessRowItem);
    items.push_back(kSeparator);
    if (program) {
      items.push_back(kEndProcessRowItem);
      items.push_back(kSeparator);
    }
    if (kind == HolderKind::kHandle || kind == HolderKind::kRemote) {
      items.push_back(kCloseHandleRowItem);
      items.push_back(kSeparator);
    }
    // A row whose handles could not be read has nothing to close that would free it.
    if (kind != HolderKind::kUnreadable) items.insert(items.end(), std::begin(kReleaseItems), std::end(kReleaseItems));
    items.push_back(kDeleteAtNextStartRowItem);
    items.push_back(kSeparator);
  }
  items.push_back(kRefreshRowItem);
  return items;
}

namespace {
// Whether the row has something "关闭句柄" closes: a handle or a remote open.
bool closable(const RowTarget& target) {
  const HolderKind kind = KindOf(target);
  return kind == HolderKind::kHandle || kind == HolderKind::kRemote;
}

void closeHandles(const std::vector<RowTarget>& selected, RowActionEffects& effects) {
  const bool remote = std::any_of(selected.begin(), selected.end(),
                                  [](const RowTarget& target) { return KindOf(target) == HolderKind::kRemote; });
  if (!effects.confirmClose(remote)) return;
  std::vector<RowTarget> handles;
  for (const RowTarget& target : selected) {
    if (closable(target)) handles.push_back(target);  // a module or an unreadable holder has no handle
  }
  // Not started: every one of them failed.
  if (!effects.startClosing(handles)) {
    const int count = static_cast<int>(handles.size());
    ReportClosing(CloseTally{count, count, 0}, effects);
  }
}
}  // namespace

void ReportClosing(const CloseTally& tally, RowActionEffects& effects) {
  if (tally.failed == 0) {
    effects.tell(kClosedMessage, false);
  } else {
    WideText message = kCloseFailedFirstLine + DecimalText(tally.tried) + kCloseFailedOf + DecimalText(tally.failed) +
                       kCloseFailedEnd;
    if (tally.changed > 0) message += kHandlesChangedStart + DecimalText(tally.changed) + kHandlesChangedEnd;
    if (tally.unconfirmed > 0) {
      message += kHandlesChangedStart + DecimalText(tally.unconfirmed) + kHandlesUnconfirmedEnd;
    }
    if (tally.notTried > 0) message += kHandlesChangedStart + DecimalText(tally.notTried) + kHandlesNotTriedEnd;
    effects.tell(message.c_str(), true);
  }
  // The list then shows what is still held.
  effects.refresh();
}

namespace {
// The selected rows' programs, each once, in the rows' order: a program is
// its ID and the moment it started.
std::vector<RowTarget> programsOf(const std::vector<RowTarget>& selected) {
  std::vector<RowTarget> programs;
  for (const RowTarget& target : selected) {
    if (KindOf(target) == HolderKind::kRemote) continue;  // no program of this computer's
    const bool seen = std::any_of(programs.begin(), programs.end(), [&](const RowTarget& program) {
      return program.processId == target.processId && program.processCreationTime == target.processCreationTime;
    });
    if (!seen) programs.push_back(target);
  }
  return programs;
}

void endPrograms(const std::vector<RowTarget>& programs, RowActionEffects& effects) {
  const int count = static_cast<int>(programs.size());
  if (!effects.confirmEnd(count)) return;
  int failed = 0;
  for (const RowTarget& program : programs) {
    // A critical process is left alone: it counts as not ended.
    if (effects.endHolder(program) != EndResult::kEnded) ++failed;
  }
  if (failed == 0) {
    effects.tell(kEndedMessage, false);
  } else {
    const WideText message = kEndSeveralFailedFirstLine + DecimalText(count) + kEndSeveralFailedOf +
                             DecimalText(failed) + kEndSeveralFailedEnd;
    effects.tell(message.c_str(), true);
  }
  // Their rows go: the list then shows who still holds the file.
  effects.refresh();
}
}  // namespace

namespace {
const wchar_t* doneText(FileAction action) {
  switch (action) {
    case FileAction::kRecycle:
      return kDeletedMessage;
    case FileAction::kRename:
      return kRenamedMessage;
    case FileAction::kMove:
      return kMovedMessage;
    case FileAction::kDeleteAtNextStart:
      return kNextStartScheduledMessage;
  }
  return kDeletedMessage;
}

const wchar_t* failedText(FileAction action) {
  switch (action) {
    case FileAction::kRecycle:
      return kDeleteFailedMessage;
    case FileAction::kRename:
      return kRenameFailedMessage;
    case FileAction::kMove:
      return kMoveFailedMessage;
    case FileAction::kDeleteAtNextStart:
      return kNextStartFailedMessage;
  }
  return kDeleteFailedMessage;
}

WideText namesText(const std::vector<SharedText>& names) {
  WideText text;
  for (const SharedText& name : names) {
    if (!text.empty()) text += kNameSeparator;
    text += name.View();
  }
  return text;
}

// The distinct files of the rows, in the rows' order.
std::vector<SharedText> filesOf(const std::vector<RowTarget>& selected) {
  std::vector<SharedText> files;
  for (const RowTarget& target : selected) {
    if (target.filePath.IsEmpty()) continue;
    const bool seen = std::any_of(files.begin(), files.end(), [&](const SharedText& file) {
      return PathsEqualIgnoringCase(file, target.filePath);
    });
    if (!seen) files.push_back(target.filePath);
  }
  return files;
}

// The box's text for the outcomes of one action on several files: the
// first line, then one line a file that failed (its name before the reason
// when there were several files).
WideText outcomeText(FileAction action, const std::vector<ReleasePlan>& files,
                     const std::vector<ReleaseResult>& results, bool& failed) {
  failed = false;
  WideText lines;
  for (std::size_t i = 0; i < results.size(); ++i) {
    if (results[i].outcome == ReleaseOutcome::kDone) continue;
    failed = true;
    lines += L"\n";
    if (files.size() > 1) lines += WideText(FileNamePart(files[i].path)) + kFileReasonSeparator;
    lines += ReleaseReasonText(results[i]);
  }
  return (failed ? WideText(failedText(action)) : WideText(doneText(action))) + lines;
}

// The closings' report as one file's: its own programs, each with what
// was not closed of it in the whole batch.
ClosingReport reportFor(const ReleasePlan& file, const ClosingReport& closings) {
  ClosingReport report;
  report.tally = closings.tally;
  if (closings.programs.empty()) return report;
  report.programs = file.programs;
  for (HoldingProgram& program : report.programs) {
    for (const HoldingProgram& closed : closings.programs) {
      if (closed.processId == program.processId && closed.creationTime == program.creationTime &&
          closed.remote == program.remote && closed.name == program.name) {
        program.notClosed = closed.notClosed;
      }
    }
  }
  return report;
}

WideText releaseQuestion(const ReleaseJob& job) {
  const ReleasePlan& plan = job.closing;
  if (job.request.action == FileAction::kDeleteAtNextStart) {
    WideText question = kDeleteAtNextStartQuestion;
    const bool folder =
        std::any_of(job.files.begin(), job.files.end(), [](const ReleasePlan& file) { return file.folder; });
    if (folder) question += WideText(L"\n") + kNextStartFolderLine;
    return question;
  }
  WideText question = plan.HandleCount() == 0
                          ? WideText(kReleaseNothingToCloseQuestion)
                          : kReleaseQuestionStart + DecimalText(plan.ClosingProgramCount()) +
                                kReleaseQuestionPrograms + DecimalText(plan.HandleCount()) + kReleaseQuestionEnd;
  const std::vector<SharedText> modules = plan.ModuleHolders();
  if (!modules.empty()) question += WideText(L"\n") + kReleaseModuleLine + namesText(modules);
  const bool remote = std::any_of(plan.handles.begin(), plan.handles.end(),
                                  [](const HeldHandle& handle) { return handle.kind == HolderKind::kRemote; });
  if (remote) question += WideText(L"\n") + kRemoteCloseWarning;
  return question;
}

void release(FileAction action, const std::vector<RowTarget>& selected, RowActionEffects& effects) {
  std::vector<SharedText> files = filesOf(selected);
  if (files.empty()) return;
  // One new name is for one file: the top row's.
  if (action == FileAction::kRename) files.resize(1);
  ReleaseJob job;
  job.request.action = action;
  for (const SharedText& file : files) job.files.push_back(effects.planRelease(file, {file}));
  if (action == FileAction::kRename) {
    const WideText current(FileNamePart(files.front()));
    const std::optional<WideText> name = effects.askNewName(current);
    // The name left as it was: nothing to do, as in Explorer.
    if (!name || *name == current) return;
    job.request.newName = *name;
  } else if (action == FileAction::kMove) {
    const std::optional<WideText> folder = effects.pickFolder();
    if (!folder) return;
    job.request.destinationFolder = *folder;
  }
  // A refused name or destination closes nothing.
  std::vector<ReleaseResult> refusals;
  for (const ReleasePlan& file : job.files) {
    ReleaseResult refused;
    refused.outcome = effects.checkFileAction(file, job.request).value_or(ReleaseOutcome::kDone);
    refusals.push_back(refused);
  }
  bool refused = false;
  const WideText refusal = outcomeText(action, job.files, refusals, refused);
  if (refused) {
    effects.tell(refusal.c_str(), true);
    return;
  }
  if (action != FileAction::kDeleteAtNextStart) job.closing = effects.planRelease(files.front(), files);
  if (!effects.ask(releaseQuestion(job))) return;
  if (action == FileAction::kDeleteAtNextStart) {
    FinishRelease(job, ClosingReport{}, effects);  // nothing to close
    return;
  }
  if (!effects.startRelease(job)) {
    // Nothing closed: the file is as held as it was.
    const WideText message = failedText(action) + WideText(L"\n") + kReasonStillHeld;
    effects.tell(message.c_str(), true);
    effects.refresh();
  }
}
}  // namespace

WideText ReleaseReasonText(const ReleaseResult& result) {
  switch (result.outcome) {
    case ReleaseOutcome::kDone:
      return WideText();
    case ReleaseOutcome::kNameEmpty:
      return kReasonNameEmpty;
    case ReleaseOutcome::kNameForbiddenCharacter:
      return kReasonNameForbiddenCharacter;
    case ReleaseOutcome::kNameReserved:
      return kReasonNameReserved;
    case ReleaseOutcome::kNameTrailingDotOrSpace:
      return kReasonNameTrailingDotOrSpace;
    case ReleaseOutcome::kNameTooLong:
      return kReasonNameTooLong;
    case ReleaseOutcome::kNameExists:
      return kReasonNameExists;
    case ReleaseOutcome::kDestinationMissing:
      return kReasonDestinationMissing;
    case ReleaseOutcome::kDestinationInside:
      return kReasonDestinationInside;
    case ReleaseOutcome::kFolderAcrossVolumes:
      return kReasonFolderAcrossVolumes;
    case ReleaseOutcome::kGone:
      return kReasonGone;
    case ReleaseOutcome::kStillHeld: {
      WideText text = kReasonStillHeld;
      if (!result.stillHeldBy.empty()) text += kReasonStillHeldBy + namesText(result.stillHeldBy);
      return text;
    }
    case ReleaseOutcome::kAccessDenied:
      return kReasonAccessDenied;
    case ReleaseOutcome::kCopiedOriginalKept:
      return kReasonCopiedOriginalKept;
    case ReleaseOutcome::kFailed:
      break;
  }
  return kReasonFailedCode + DecimalText(result.systemError);
}

void FinishRelease(const ReleaseJob& job, const ClosingReport& closings, RowActionEffects& effects) {
  std::vector<ReleaseResult> results;
  for (const ReleasePlan& file : job.files) {
    results.push_back(effects.applyFileAction(file, job.request, reportFor(file, closings)));
  }
  bool failed = false;
  const WideText message = outcomeText(job.request.action, job.files, results, failed);
  effects.tell(message.c_str(), failed);
  // What could not be deleted now may be at the next start.
  std::vector<ReleasePlan> later;
  for (std::size_t i = 0; i < results.size(); ++i) {
    if (results[i].offerNextStart) later.push_back(job.files[i]);
  }
  if (!later.empty() && effects.ask(kNextStartInsteadQuestion)) {
    FileActionRequest nextStart;
    nextStart.action = FileAction::kDeleteAtNextStart;
    std::vector<ReleaseResult> scheduled;
    for (const ReleasePlan& file : later) scheduled.push_back(effects.applyFileAction(file, nextStart, ClosingReport{}));
    const WideText outcome = outcomeText(nextStart.action, later, scheduled, failed);
    effects.tell(outcome.c_str(), failed);
  }
  effects.refresh();
}

void PerformRowAction(RowMenuCommand command, const std::vector<RowTarget>& selected, RowActionEffects& effects) {
  const RowTarget none;
  const RowTarget& target = selected.empty() ? none : selected.front();
  switch (command) {
    case RowMenuCommand::ViewFileLocation:
      effects.selectInExplorer(target.filePath);
      break;
    case RowMenuCommand::CopyFileLocation:
      effects.tell(effects.copyToClipboard(target.filePath) ? kCopiedMessage : kCopyFailedMessage, false);
      break;
    case RowMenuCommand::ViewProcessLocation:
      // A process whose image path is unknown starts nothing.
      effects.selectInExplorer(target.processPath);
      break;
    case RowMenuCommand::EndProcess: {
      const std::vector<RowTarget> programs = programsOf(selected);
      if (programs.size() > 1) {
        endPrograms(programs, effects);
        break;
      }
      // One program: at once, and its row stays until the next search.
      switch (effects.endHolder(target)) {
        case EndResult::kEnded:
          effects.tell(kEndedMessage, false);
          break;
        case EndResult::kCritical:
          effects.tell(kEndCriticalMessage, false);
          break;
        case EndResult::kFailed:
          effects.tell(kEndFailedMessage, false);
          break;
      }
      break;
    }
    case RowMenuCommand::CloseHandle:
      if (!selected.empty()) closeHandles(selected, effects);
      break;
    case RowMenuCommand::Refresh:
      effects.refresh();
      break;
    case RowMenuCommand::ReleaseAndDelete:
      release(FileAction::kRecycle, selected, effects);
      break;
    case RowMenuCommand::ReleaseAndRename:
      release(FileAction::kRename, selected, effects);
      break;
    case RowMenuCommand::ReleaseAndMove:
      release(FileAction::kMove, selected, effects);
      break;
    case RowMenuCommand::DeleteAtNextStart:
      release(FileAction::kDeleteAtNextStart, selected, effects);
      break;
    case RowMenuCommand::Dismissed:
      break;
  }
}

bool SelectInExplorer(const wchar_t* path) {
  if (path == nullptr || path[0] == L'\0') return false;
  // /select,"<path>": the quotes keep a path with spaces or commas whole.
  const std::wstring parameters = std::wstring(kSelectSwitch) + path + kClosingQuote;
  const HINSTANCE started = ::ShellExecuteW(nullptr, nullptr, kExplorer, parameters.c_str(), nullptr, SW_SHOWDEFAULT);
  return reinterpret_cast<INT_PTR>(started) > kLastShellExecuteError;
}
