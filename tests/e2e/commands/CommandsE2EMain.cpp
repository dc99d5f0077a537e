// The end-to-end driver of the menu commands and the row actions. The same
// exe also serves as its own helper process (a stand-in for programs that
// Ostrel starts).

#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include "OstrelDriver.h"

int main(int argc, char** argv) {
  int wideCount = 0;
  wchar_t** wideArguments = ::CommandLineToArgvW(::GetCommandLineW(), &wideCount);
  int exitCode = 0;
  if (wideArguments != nullptr && e2e::runHelperMode(wideCount, wideArguments, exitCode)) return exitCode;
  ::LocalFree(wideArguments);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
