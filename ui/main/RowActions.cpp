#include "ui/main/RowActions.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "os/PopupMenu.h"
#include "search/SearchSession.h"
#include "ui/framework/Clipboard.h"
#include "ui/main/ResultList.h"
#include "text/WindowTexts.h"

namespace {
constexpr RowMenuItem kActionItems[] = {
    {RowMenuCommand::ViewFileLocation, kViewFileLocationItem},
    {RowMenuCommand::CopyFileLocation, kCopyFileLocationItem},
    {RowMenuCommand::ViewProcessLocation, kViewProcessLocationItem},
    {RowMenuCommand::EndProcess, kEndProcessItem},
};
constexpr RowMenuItem kCloseHandleRowItem{RowMenuCommand::CloseHandle, kCloseHandleItem};
constexpr RowMenuItem kRefreshRowItem{RowMenuCommand::Refresh, kRefreshItem};

constexpr wchar_t kExplorer[] = L"explorer.exe";
constexpr wchar_t kSelectSwitch[] = L"/select,\"";
constexpr wchar_t kClosingQuote[] = L"\"";
// ShellExecuteW reports failure as a value of at most 32, not as null.
constexpr INT_PTR kLastShellExecuteError = 32;


}  // namespace

SystemRowEffects::SystemRowEffects(HWND owner, SearchSession& session, std::function<void()> refresh)
    : owner_(owner), session_(session), refresh_(std::move(refresh)) {}

void SystemRowEffects::selectInExplorer(const SharedText& path) { SelectInExplorer(path.GetString()); }

bool SystemRowEffects::copyToClipboard(const SharedText& text) { return CopyTextToClipboard(owner_, text); }

EndResult SystemRowEffects::endHolder(const RowTarget& target) {
  return EndHolderProcess(target.processId, target.processCreationTime);
}

bool SystemRowEffects::confirmClose() {
  return ::MessageBoxW(owner_, kCloseHandleQuestion, kPromptCaption, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) ==
         IDYES;
}

bool SystemRowEffects::confirmEnd(int programs) {
  const WideText question = kEndSeveralQuestionStart + DecimalText(programs) + kEndSeveralQuestionEnd;
  return ::MessageBoxW(owner_, question.c_str(), kPromptCaption, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

bool SystemRowEffects::startClosing(const std::vector<RowTarget>& rows) {
  std::vector<HeldHandle> handles;
  for (const RowTarget& row : rows) {
    handles.push_back(HeldHandle{row.processId, row.processCreationTime, row.handleValue, row.filePath});
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
  const HandleRecord& result = *found;
  RowTarget target;
  target.filePath = result.filePath;
  target.processPath = result.processPath;
  target.processId = result.ownerPid;
  target.processCreationTime = result.ownerCreationTime;
  target.handleValue = result.handleValue;
  target.loadedModule = result.loadedModule;
  return target;
}

std::vector<RowMenuItem> RowMenuItems(const RowTarget* target) {
  std::vector<RowMenuItem> items;
  if (target != nullptr) {
    items.assign(std::begin(kActionItems), std::end(kActionItems));
    if (!target->loadedModule) items.push_back(kCloseHandleRowItem);
  }
  items.push_back(kRefreshRowItem);
  return items;
}

namespace {
void closeHandles(const std::vector<RowTarget>& selected, RowActionEffects& effects) {
  if (!effects.confirmClose()) return;
  std::vector<RowTarget> handles;
  for (const RowTarget& target : selected) {
    if (!target.loadedModule) handles.push_back(target);  // a loaded module has no handle
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
