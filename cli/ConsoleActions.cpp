#include "cli/ConsoleActions.h"

#include "cli/ActionTexts.h"

namespace {
WideText counted(int count, const WCHAR* one, const WCHAR* many) {
  return DecimalText(count) + (count == 1 ? one : many);
}

// "editor.exe (PID 700)", or "PID 700" when the name is unknown.
WideText programText(DWORD processId, const SharedText& name) {
  WideText text;
  if (!name.IsEmpty()) text = name.ToWide() + WTEXT(" (");
  text += kPidStart;
  text += DecimalText(processId);
  if (!name.IsEmpty()) text += ')';
  return text;
}

bool agreed(const ConsoleRequest& request, ConsoleQuestion& question, const WideText& asked,
            const std::function<void(const WideText&)>& say) {
  if (request.yes) return true;
  if (!question.Interactive()) {
    say(kNotAskedMessage);
    return false;
  }
  if (question.Ask(asked)) return true;
  say(kDeclinedMessage);
  return false;
}

void reportModules(const ReleasePlan& plan, const std::function<void(const WideText&)>& say) {
  for (const HoldingProgram& program : plan.programs) {
    if (program.module) say(programText(program.processId, program.name) + kModuleEnd);
    if (program.unreadable) say(programText(program.processId, program.name) + kUnreadableEnd);
  }
}

ActionVerdict closeAll(const ConsoleRequest& request, const ReleasePlan& plan, ConsoleQuestion& question,
                       const std::function<void(const WideText&)>& say, PathMatch namesRowFile, DWORD limitMs) {
  if (plan.HandleCount() == 0) {
    reportModules(plan, say);
    return ActionVerdict::kNothingToDo;
  }
  if (!agreed(request, question, CloseQuestion(plan.HandleCount(), plan.ClosingProgramCount()), say)) {
    return ActionVerdict::kRefused;
  }
  const ClosingReport report = CloseReleaseHandles(plan, namesRowFile, limitMs);
  for (const HoldingProgram& program : report.programs) {
    if (program.handles == 0) continue;
    const WideText where = kInWord + programText(program.processId, program.name);
    if (program.notClosed == 0) {
      say(kClosedStart + counted(program.handles, kOneHandle, kHandles) + where);
    } else {
      say(kNotClosedStart + DecimalText(program.notClosed) + kOfWord +
          counted(program.handles, kOneHandle, kHandles) + where);
    }
  }
  reportModules(plan, say);
  return ActionVerdict::kActed;
}

ActionVerdict endAll(const ConsoleRequest& request, const ReleasePlan& plan, ConsoleQuestion& question,
                     const std::function<void(const WideText&)>& say) {
  if (plan.programs.empty()) return ActionVerdict::kNothingToDo;
  if (!agreed(request, question, EndQuestion(static_cast<int>(plan.programs.size())), say)) {
    return ActionVerdict::kRefused;
  }
  for (const EndedProgram& program : EndHoldingPrograms(plan)) {
    const WideText who = programText(program.processId, program.name);
    switch (program.result) {
      case EndResult::kEnded:
        say(kEndedStart + who);
        break;
      case EndResult::kCritical:
        say(kCriticalStart + who + kCriticalEnd);
        break;
      case EndResult::kFailed:
        say(kNotEndedStart + who + kNotEndedEnd);
        break;
    }
  }
  return ActionVerdict::kActed;
}
}  // namespace

WideText CloseQuestion(int handles, int processes) {
  return kCloseQuestionStart + counted(handles, kOneHandle, kHandles) + kInWord +
         counted(processes, kOneProcess, kProcesses) + kQuestionEnd;
}

WideText EndQuestion(int processes) {
  return kEndQuestionStart + counted(processes, kOneProcess, kProcesses) + kQuestionEnd;
}

ActionVerdict RunConsoleAction(const ConsoleRequest& request, const WideText& path,
                               const std::vector<HandleRecord>& holders, ConsoleQuestion& question,
                               const std::function<void(const WideText& line)>& say, PathMatch namesRowFile,
                               DWORD limitMs) {
  if (!request.close && !request.end) return ActionVerdict::kNoAction;
  // The search chose the rows: every one holds the path.
  const ReleasePlan plan = PlanRelease(holders, path, [](const HandleRecord&) { return true; });
  if (request.close) return closeAll(request, plan, question, say, namesRowFile, limitMs);
  return endAll(request, plan, question, say);
}
