// The end-to-end driver of the menu commands and the row actions. The same
// exe also serves as its own helper process: started as
// `commands_e2e_tests --record <file> <arguments>` it stands in for a program
// that Ostrel starts and writes the command line it got to <file> (UTF-16).

#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <fstream>
#include <string>

namespace {

// True when the arguments name the helper mode; it has then run.
bool runHelperMode(int argc, wchar_t** argv) {
  if (argc < 3 || std::wstring(argv[1]) != L"--record") return false;
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  const wchar_t* line = ::GetCommandLineW();
  out.write(reinterpret_cast<const char*>(line), static_cast<std::streamsize>(std::wcslen(line) * sizeof(wchar_t)));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int wideCount = 0;
  wchar_t** wideArguments = ::CommandLineToArgvW(::GetCommandLineW(), &wideCount);
  const bool helper = wideArguments != nullptr && runHelperMode(wideCount, wideArguments);
  ::LocalFree(wideArguments);
  if (helper) return 0;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
