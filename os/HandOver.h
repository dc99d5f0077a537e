#pragma once
// On 64-bit Windows the 32-bit Ostrel.exe runs under WOW64, where it cannot
// see 64-bit processes whole. There it hands the run over to Ostrel64.exe
// when that stands in its own folder: the 64-bit exe is started with the
// same command line and working directory, waited for, and its exit code
// becomes ours; nothing of ours is shown. Without the sibling, or when it
// cannot be started, the 32-bit exe runs by itself. The 64-bit exe never
// hands over.
//
// The console program does the same with its own 64-bit sibling, and passes
// its standard handles on, so the sibling's output and error reach whatever
// the caller reads (a console, a pipe, a file).
//
// The decision asks the system through HandOverSystem, so tests decide it
// without real processes.

#include <windows.h>

#include <optional>
#include <string>

struct HandOverSystem {
  // This build is the 64-bit exe (fixed when it is compiled).
  bool builtFor64Bit;
  // The own process runs under WOW64.
  bool (*runsUnderWow64)();
  // The own executable's full path; empty when it cannot be read.
  std::wstring (*ownExecutablePath)();
  // An existing file, not a folder.
  bool (*isFile)(const std::wstring& path);
  // The own command line and working directory, handed on unchanged.
  std::wstring (*commandLine)();
  std::wstring (*currentDirectory)();
  // Starts `executable` with `commandLine` in `directory`, waits for it and
  // gives its exit code; nothing when it could not be started.
  std::optional<DWORD> (*runAndWait)(const std::wstring& executable, const std::wstring& commandLine,
                                     const std::wstring& directory);
};

// Whether the sibling gets the own standard input, output and error.
enum class StandardHandles { kKept, kPassedOn };

// The real system.
HandOverSystem RealHandOverSystem(StandardHandles standard = StandardHandles::kKept);

// The file names of the 64-bit exes beside the 32-bit ones.
extern const wchar_t kSixtyFourBitExeName[];
extern const wchar_t kSixtyFourBitConsoleExeName[];

// The sibling's exit code when the run was handed over to it; nothing when
// this process goes on by itself.
std::optional<DWORD> HandOverTo64BitSibling(const HandOverSystem& system,
                                            const wchar_t* siblingName = kSixtyFourBitExeName);
