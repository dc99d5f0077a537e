// The console program's entry: the same engine as the window, asked once,
// answered on standard output, and an exit code for scripts (ExitCodes.h).
// It needs no display and opens no window.

#include <windows.h>

#include <vector>

#include "cli/AnswerExitCode.h"
#include "cli/ConsoleActions.h"
#include "text/CommandLine.h"
#include "os/HandOver.h"
#include "search/TargetPath.h"
#include "cli/ConsoleArguments.h"
#include "cli/ConsoleTexts.h"
#include "cli/ExitCodes.h"
#include "cli/HolderSearch.h"
#include "cli/HolderWait.h"
#include "cli/JsonWriter.h"
#include "cli/LineWriter.h"
#include "cli/StandardInputQuestion.h"
#include "cli/StandardStream.h"
#include "scan/native/DebugPrivilege.h"
#include "scan/native/NativeApi.h"
#include "scan/native/OwnElevation.h"
#include "search/PathComparison.h"

namespace {

// One line on standard error: "ostrel-cli: <message><detail>".
void complain(const StandardStream& errors, const wchar_t* message, const WideText& detail = WideText()) {
  WideText line(kMessagePrefix);
  line += message;
  line += detail;
  line += kLineEnd;
  errors.write(line);
}

int complainAboutArguments(const StandardStream& errors, const ConsoleRequest& request) {
  switch (request.fault) {
    case ArgumentFault::kUnknownOption:
      complain(errors, kUnknownOptionMessage, request.offending);
      break;
    case ArgumentFault::kSecondPath:
      complain(errors, kSecondPathMessage, request.offending);
      break;
    case ArgumentFault::kBadWaitSeconds:
      complain(errors, kBadWaitSecondsMessage, request.offending);
      break;
    case ArgumentFault::kActionWithoutPath:
      complain(errors, kActionWithoutPathMessage, request.offending);
      break;
    case ArgumentFault::kCloseAndEnd:
      complain(errors, kCloseAndEndMessage);
      break;
    default:
      complain(errors, kEmptyPathMessage);
      break;
  }
  errors.write(kTryHelpMessage);
  return kExitError;
}

int answer(const StandardStream& output, const StandardStream& errors) {
  const ConsoleRequest request = ParseConsoleArguments(SplitCommandLine(::GetCommandLineW()));
  if (request.fault != ArgumentFault::kNone) return complainAboutArguments(errors, request);
  if (request.help) return output.write(kUsageText) ? kExitHeld : kExitError;
  if (request.version) return output.write(kVersionText) ? kExitHeld : kExitError;

  // Without the privilege fewer processes are seen; it is no reason to stop,
  // and standard output carries nothing but results.
  SwitchOnDebugPrivilege();

  WideText fullPath;
  if (request.hasPath) {
    fullPath = FullTargetPath(request.path);
    if (fullPath.empty()) {
      complain(errors, kUnusablePathMessage, request.path);
      return kExitError;
    }
    if (IdentifyTarget(fullPath).missing) {
      complain(errors, kNoSuchTargetMessage, fullPath);
      return kExitError;
    }
  }
  if (OwnElevation() == Elevation::kNotElevated) complain(errors, kNotElevatedMessage);
  std::vector<HandleRecord> holders;
  bool complete = true;
  if (FindHolders(fullPath, holders, complete) == 0) {
    complain(errors, kScanFailedMessage);
    return kExitError;
  }
  if (request.close || request.end || request.wait) {
    // The action, then the state at the end: the rows that still hold.
    StandardInputQuestion question(errors);
    const auto say = [&errors](const WideText& line) { complain(errors, line.c_str()); };
    const ActionVerdict verdict = RunConsoleAction(request, fullPath, holders, question, say, PathsEqualIgnoringCase);
    if (verdict == ActionVerdict::kRefused) return kExitError;
    const bool freeAlready = holders.empty() && complete;
    if ((verdict == ActionVerdict::kActed || (request.wait && !freeAlready)) &&
        SearchUntilFree(fullPath, request.waitSeconds * 1000u, holders, complete) == 0) {
      complain(errors, kScanFailedMessage);
      return kExitError;
    }
  }
  const bool written = output.write(request.json ? HoldersAsJson(holders) : HoldersAsLines(holders));
  if (!written) complain(errors, kOutputFailedMessage);
  return ExitCodeOfAnswer(SearchAnswer{request.hasPath, holders.size(), complete, written});
}

}  // namespace

int main() {
  // On 64-bit Windows the 64-bit sibling answers, on our standard handles.
  if (const std::optional<DWORD> handedOver =
          HandOverTo64BitSibling(RealHandOverSystem(StandardHandles::kPassedOn), kSixtyFourBitConsoleExeName)) {
    ::ExitProcess(*handedOver);
  }
  // The engine's start-up, in the window's order.
  ReadOsMajorVersion();
  BindNativeApi();
  const StandardStream output(STD_OUTPUT_HANDLE);
  const StandardStream errors(STD_ERROR_HANDLE);
  int exitCode = kExitError;
  try {
    exitCode = answer(output, errors);
  } catch (...) {
    // No memory or no thread: no answer.
    try {
      complain(errors, kSearchBrokeMessage);
    } catch (...) {
    }
  }
  // Query threads a deadline gave up on may still be blocked in the system;
  // they end with the process, before anything they share is destroyed.
  ::ExitProcess(static_cast<UINT>(exitCode));
}
