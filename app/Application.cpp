#include "app/Application.h"

#include "app/TargetPath.h"
#include "scan/native/DebugPrivilege.h"

Application::Application() {
  EnableDebugPrivilege();
  targetPath = targetPathFromCommandLine(::GetCommandLineW());
}

Application::~Application() = default;
