#include "app/Application.h"

#include "app/TargetPath.h"
#include "scan/native/DebugPrivilege.h"

Application::Application() {
  EnableDebugPrivilege();
  targetPath = TargetPathFromCommandLine(::GetCommandLineW(), &targetPathFailed);
}

Application::~Application() {
  // The members go in reverse order, the worker among the last: its thread
  // must be done before the results, flags and target it serves are gone.
  try {
    worker.join();
  } catch (...) {
  }
}
