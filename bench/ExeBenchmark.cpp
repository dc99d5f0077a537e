// Prints one table that times the real Ostrel.exe (the one beside this
// program) while helper processes hold N file handles in all. For each N, in
// the same run, on the same held handles:
//   with target     Ostrel.exe started on one of the held files, from the
//                   moment it is started until status part 0 shows
//                   "<name> 被占用了" and part 1 shows the list's row count;
//   without target  Ostrel.exe started with no argument, until part 0 shows
//                   "查找完成" and part 1 shows the list's row count;
//   refill          in that window, with every row shown: Ctrl+F, then
//                   three characters typed one at a time, each timed from
//                   its key until the list holds exactly the rows whose path
//                   contains the text typed so far (counted beforehand from
//                   the rows themselves) and part 1 and the box show it;
// with the ratio without/with and the rows shown. Says which build it
// measures.
//
// Every wait polls the window from outside against a deadline (600 s by
// default) and is reported as a timeout when the deadline passes; no sleep
// stands in for a state. Ostrel is closed after each start (WM_CLOSE), or
// ended when it does not go. One warm-up start, on a file nobody holds,
// precedes the first N, so that the first row does not pay for Wine loading
// the exe's libraries.
//
// The held files are ten files in a folder of their own under the temporary
// folder, each held equally often: qa0..qa3.dat, q7a0..q7a2.dat and
// q7x0..q7x2.dat. The target is q7x0.dat; the typed text is "q7x", so each
// key narrows the rows: "q" keeps every held file's rows, "q7" six tenths of
// them, "q7x" three tenths.
//
// With --hand-over DIST (the distribution folder, in a 64-bit prefix, run
// by the 64-bit build), it prints instead the time to the answer with a
// target through DIST's Ostrel.exe, which hands over to Ostrel64.exe, beside
// the same through a copy of that Ostrel.exe with no sibling (the first N).
//
// Usage: exe_benchmark.exe [--deadline SECONDS] [--hand-over DIST] [N ...]   (default N: 5000 20000)
#include <windows.h>
#include <psapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "FileHolderProcess.h"
#include "OstrelProcess.h"
#include "OstrelWindow.h"
#include "WindowProcess.h"
#include "bench/BenchClock.h"
#include "bench/OstrelProbe.h"

namespace {

constexpr int kHandlesPerHelper = 5000;
constexpr DWORD kAnswerPollMilliseconds = 10;
constexpr DWORD kKeyPollMilliseconds = 1;
constexpr DWORD kCloseMilliseconds = 10000;
constexpr double kDefaultDeadlineSeconds = 600;
constexpr int kPathColumn = 1;
const char kSearchingStatus[] = "查找中...";
const char kSearchCompleteStatus[] = "查找完成";
const char kSearchFailedStatus[] = "查找失败";
const char kHeldSuffix[] = " 被占用了";
const char kNotHeldSuffix[] = " 没有被占用";
const wchar_t* const kHeldNames[] = {L"qa0.dat",  L"qa1.dat",  L"qa2.dat",  L"qa3.dat",  L"q7a0.dat",
                                     L"q7a1.dat", L"q7a2.dat", L"q7x0.dat", L"q7x1.dat", L"q7x2.dat"};
const wchar_t kTargetName[] = L"q7x0.dat";
const wchar_t kWarmUpName[] = L"warm.dat";
const char kTyped[] = "q7x";

std::string Narrow(const std::wstring& wide, UINT codePage = CP_ACP) {
  const int bytes = ::WideCharToMultiByte(codePage, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string text(bytes > 0 ? bytes - 1 : 0, '\0');
  if (bytes > 1) ::WideCharToMultiByte(codePage, 0, wide.c_str(), -1, &text[0], bytes, nullptr, nullptr);
  return text;
}

// Ostrel's narrow texts (code page 936) as UTF-8, for the terminal.
std::string Printable(const std::string& narrow) {
  const int units = ::MultiByteToWideChar(CP_ACP, 0, narrow.c_str(), -1, nullptr, 0);
  std::wstring wide(units > 0 ? units - 1 : 0, L'\0');
  if (units > 1) ::MultiByteToWideChar(CP_ACP, 0, narrow.c_str(), -1, &wide[0], units);
  return Narrow(wide, CP_UTF8);
}

std::wstring TempDirectory() {
  wchar_t directory[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, directory);
  wchar_t full[MAX_PATH] = {};
  ::GetLongPathNameW(directory, full, MAX_PATH);
  return full;
}

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

struct HandleCloser {
  void operator()(HANDLE handle) const {
    if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
  }
};
using FileHandle = std::unique_ptr<void, HandleCloser>;

// A folder of its own under the temporary folder; the files made in it and
// the folder go with the object.
class BenchFolder {
 public:
  BenchFolder() : path_(TempDirectory() + L"OstrelExeBench-" + std::to_wstring(::GetCurrentProcessId())) {
    ::CreateDirectoryW(path_.c_str(), nullptr);
  }
  ~BenchFolder() {
    for (const std::wstring& file : files_) ::DeleteFileW(file.c_str());
    ::RemoveDirectoryW(path_.c_str());
  }
  BenchFolder(const BenchFolder&) = delete;
  BenchFolder& operator=(const BenchFolder&) = delete;

  // Makes an empty file `name` in the folder; returns its full path.
  std::wstring makeFile(const std::wstring& name) {
    const std::wstring path = path_ + L"\\" + name;
    FileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    files_.push_back(path);
    return path;
  }

  // Copies `source` into the folder as `name`; its full path, or empty.
  std::wstring copyIn(const std::wstring& source, const std::wstring& name) {
    const std::wstring path = path_ + L"\\" + name;
    if (!::CopyFileW(source.c_str(), path.c_str(), FALSE)) return std::wstring();
    files_.push_back(path);
    return path;
  }

 private:
  std::wstring path_;
  std::vector<std::wstring> files_;
};

// One start of Ostrel.exe: the moment it was started, the process, its main
// window and a probe on it. Closed, or ended, when the object goes.
// The Ostrel beside this program with `arguments`.
e2e::CommandLine BesideUs(const std::wstring& arguments) {
  return e2e::CommandLine{Quoted(e2e::OstrelExecutablePath()) + (arguments.empty() ? L"" : L" " + arguments)};
}

class OstrelRun {
 public:
  // A complete command line: its exe may hand the run over to Ostrel64.exe,
  // whose window is then the one read.
  OstrelRun(const e2e::CommandLine& commandLine, double deadlineMilliseconds)
      : started_(NowMilliseconds()),
        process_(commandLine),
        shown_(process_, static_cast<DWORD>(deadlineMilliseconds > 1000 ? deadlineMilliseconds : 1000)),
        window_(shown_.handle(), shown_.id()),
        probe_(std::make_unique<OstrelProbe>(shown_.handle(), window_.hwnd())) {}
  ~OstrelRun() {
    window_.post(WM_CLOSE);
    if (!process_.waitForExit(kCloseMilliseconds)) terminated_ = true;  // the process object ends it
    ++(terminated_ ? endedCount : closedCount);
  }
  OstrelRun(const OstrelRun&) = delete;
  OstrelRun& operator=(const OstrelRun&) = delete;

  double sinceStart() const { return NowMilliseconds() - started_; }
  // The peak working set of Ostrel's process so far, in MiB (0 when unknown).
  double peakMiB() const {
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    if (!::GetProcessMemoryInfo(shown_.handle(), &memory, sizeof memory)) return 0;
    return static_cast<double>(memory.PeakWorkingSetSize) / 1048576.0;
  }
  bool ended() { return process_.waitForExit(0).has_value(); }
  const e2e::OstrelWindow& window() const { return window_; }
  OstrelProbe& probe() { return *probe_; }

  static int closedCount;
  static int endedCount;

 private:
  double started_;
  e2e::OstrelProcess process_;
  e2e::WindowProcess shown_;
  e2e::OstrelWindow window_;
  std::unique_ptr<OstrelProbe> probe_;
  bool terminated_ = false;
};
int OstrelRun::closedCount = 0;
int OstrelRun::endedCount = 0;

struct Outcome {
  enum Kind { kNotRun, kDone, kWrong, kTimeout, kEnded, kFailed } kind = kNotRun;
  double milliseconds = 0;
  int rows = 0;
  std::string detail;  // the status seen, or what failed (narrow, code page 936)
  double peakMiB = 0;  // Ostrel's peak working set once the answer (and what followed on it) was done
};

// Waits until part 0 shows `wanted` and part 1 the list's row count; a part
// 0 among `wrong` is a final answer that is not the one wanted.
Outcome WaitForAnswer(OstrelRun& run, const std::string& wanted, const std::vector<std::string>& wrong,
                      double deadlineMilliseconds) {
  OstrelProbe& probe = run.probe();
  std::string last;
  for (;;) {
    const std::optional<std::string> outcome = probe.statusText(0);
    if (outcome) last = *outcome;
    if (outcome && *outcome == wanted) {
      const std::optional<int> rows = probe.rowCount();
      const std::optional<std::string> count = probe.statusText(1);
      if (rows && count && *count == RowCountStatus(*rows)) {
        return {Outcome::kDone, run.sinceStart(), *rows, *outcome};
      }
    }
    for (const std::string& text : wrong) {
      if (outcome && *outcome == text) return {Outcome::kWrong, run.sinceStart(), 0, text};
    }
    if (run.ended()) return {Outcome::kEnded, run.sinceStart(), 0, last};
    if (run.sinceStart() > deadlineMilliseconds) return {Outcome::kTimeout, run.sinceStart(), 0, last};
    ::Sleep(kAnswerPollMilliseconds);
  }
}

// Every row's path, as the list shows it; empty when the deadline passed.
std::optional<std::vector<std::string>> ReadPaths(OstrelRun& run, int rows, double deadline) {
  std::vector<std::string> paths;
  paths.reserve(static_cast<size_t>(rows));
  for (int row = 0; row < rows; ++row) {
    std::optional<std::string> path;
    while (!(path = run.probe().cell(row, kPathColumn))) {
      if (NowMilliseconds() > deadline || run.ended()) return std::nullopt;
    }
    paths.push_back(*path);
  }
  return paths;
}

// Rows whose path contains `piece`, compared as Ostrel's filter compares.
int RowsContaining(const std::vector<std::string>& paths, const std::string& piece) {
  int count = 0;
  for (const std::string& path : paths) {
    if (::StrStrIA(path.c_str(), piece.c_str()) != nullptr) ++count;
  }
  return count;
}

// One character as the keyboard would deliver it to the focused window.
void TypeCharacter(char ch) {
  INPUT inputs[2] = {};
  for (int i = 0; i < 2; ++i) {
    inputs[i].type = INPUT_KEYBOARD;
    inputs[i].ki.wScan = static_cast<unsigned char>(ch);
    inputs[i].ki.dwFlags = KEYEVENTF_UNICODE | (i == 1 ? KEYEVENTF_KEYUP : 0);
  }
  ::SendInput(2, inputs, sizeof(INPUT));
}

// Types `typed`'s last character into the focused search box and waits until
// the list holds `wanted` rows, part 1 says so and the box holds `typed`.
Outcome TimeKey(OstrelRun& run, const std::string& typed, int wanted, double deadlineMilliseconds) {
  const HWND main = run.window().hwnd();
  if (::GetForegroundWindow() != main) {
    ::SetForegroundWindow(main);
    run.window().settleInput();
  }
  OstrelProbe& probe = run.probe();
  const double start = NowMilliseconds();
  TypeCharacter(typed.back());
  for (;;) {
    const std::optional<int> rows = probe.rowCount();
    if (rows && *rows == wanted) {
      const std::optional<std::string> count = probe.statusText(1);
      const std::optional<std::string> text = probe.searchText();
      if (count && text && *count == RowCountStatus(wanted) && *text == typed) {
        return {Outcome::kDone, NowMilliseconds() - start, wanted, typed};
      }
    }
    if (run.ended()) return {Outcome::kEnded, NowMilliseconds() - start, 0, typed};
    if (NowMilliseconds() - start > deadlineMilliseconds) {
      return {Outcome::kTimeout, NowMilliseconds() - start, rows ? *rows : -1, typed};
    }
    ::Sleep(kKeyPollMilliseconds);
  }
}

// Opens the search box with Ctrl+F and waits until it is shown and focused.
bool OpenSearchBox(OstrelRun& run, double deadlineMilliseconds) {
  const e2e::OstrelWindow& window = run.window();
  window.pressKey('F', {VK_CONTROL});
  const double start = NowMilliseconds();
  while (!(::IsWindowVisible(window.searchBox()) && window.focus() == window.searchBox())) {
    if (run.ended() || NowMilliseconds() - start > deadlineMilliseconds) return false;
    ::Sleep(kAnswerPollMilliseconds);
  }
  return true;
}

struct Row {
  int wanted = 0;
  int held = 0;
  int heldOnTarget = 0;
  Outcome withTarget;
  Outcome withoutTarget;
  std::vector<Outcome> keys;
  std::vector<int> keysUnchanged;  // keys after which the row count stayed as it was
  std::vector<std::string> notes;  // UTF-8
};

std::string Describe(const Outcome& outcome) {
  switch (outcome.kind) {
    case Outcome::kDone: {
      char text[32];
      std::snprintf(text, sizeof text, "%.0f", outcome.milliseconds);
      return text;
    }
    case Outcome::kTimeout:
      return "timeout";
    case Outcome::kWrong:
      return "wrong";
    case Outcome::kEnded:
      return "ended";
    case Outcome::kFailed:
      return "failed";
    case Outcome::kNotRun:
      break;
  }
  return "-";
}

std::string Note(const char* what, const Outcome& outcome) {
  std::string note = std::string(what) + ": " + Describe(outcome);
  switch (outcome.kind) {
    case Outcome::kTimeout: {
      char text[64];
      std::snprintf(text, sizeof text, " after %.0f s", outcome.milliseconds / 1000.0);
      note += text;
      break;
    }
    case Outcome::kDone:
    case Outcome::kNotRun:
      return "";
    default:
      break;
  }
  if (!outcome.detail.empty()) note += ", last seen \"" + Printable(outcome.detail) + "\"";
  return note;
}

// Starts Ostrel with `arguments` and waits for `wanted`; the rest of the
// work on the same window, if any, runs in `then` while it is still open.
template <typename Then>
Outcome Measure(const e2e::CommandLine& commandLine, const std::string& wanted, const std::vector<std::string>& wrong,
                double deadlineMilliseconds, Then then) {
  try {
    OstrelRun run(commandLine, deadlineMilliseconds);
    Outcome outcome = WaitForAnswer(run, wanted, wrong, deadlineMilliseconds);
    if (outcome.kind == Outcome::kDone) then(run, outcome);
    outcome.peakMiB = run.peakMiB();
    return outcome;
  } catch (const std::exception& failure) {
    return {Outcome::kFailed, 0, 0, failure.what()};
  }
}

void MeasureRefill(OstrelRun& run, const Outcome& shown, double deadlineMilliseconds, Row& row) {
  const double readStart = NowMilliseconds();
  const std::optional<std::vector<std::string>> paths =
      ReadPaths(run, shown.rows, readStart + deadlineMilliseconds);
  if (!paths) {
    row.notes.push_back("refill: the rows' paths could not be read before the deadline");
    return;
  }
  if (!OpenSearchBox(run, deadlineMilliseconds)) {
    row.notes.push_back("refill: Ctrl+F did not show and focus the search box");
    return;
  }
  int previous = shown.rows;
  std::string typed;
  for (const char* key = kTyped; *key != '\0'; ++key) {
    typed += *key;
    const int wanted = RowsContaining(*paths, typed);
    if (wanted == previous) row.keysUnchanged.push_back(static_cast<int>(typed.size()));
    const Outcome outcome = TimeKey(run, typed, wanted, deadlineMilliseconds);
    row.keys.push_back(outcome);
    if (outcome.kind != Outcome::kDone) {
      char text[200];
      std::snprintf(text, sizeof text, "refill: key \"%c\": %s after %.0f ms, ", *key, Describe(outcome).c_str(),
                    outcome.milliseconds);
      row.notes.push_back(text + (outcome.rows >= 0 ? std::to_string(outcome.rows) + " rows shown of " +
                                                          std::to_string(wanted) + " wanted"
                                                    : std::string("the list did not answer (its thread was busy)")));
      return;
    }
    previous = wanted;
  }
  for (int key : row.keysUnchanged) {
    row.notes.push_back("refill: key " + std::to_string(key) +
                        " left the row count as it was; timed to the box's text and part 1 only");
  }
}

Row MeasureRow(int wanted, const std::vector<std::wstring>& files, const std::wstring& target,
               double deadlineMilliseconds) {
  Row row;
  row.wanted = wanted;
  const int fileCount = static_cast<int>(files.size());
  const int helpers = wanted > kHandlesPerHelper ? (wanted + kHandlesPerHelper - 1) / kHandlesPerHelper : 1;
  const int copies = wanted / (helpers * fileCount) > 0 ? wanted / (helpers * fileCount) : 1;
  std::vector<std::unique_ptr<FileHolderProcess>> holders;
  const std::string narrowTarget = Narrow(target);
  for (int i = 0; i < helpers; ++i) {
    holders.push_back(std::make_unique<FileHolderProcess>(files, copies));
    if (!holders.back()->holding()) {
      row.notes.push_back("helper " + std::to_string(i) + " did not start or could not open its files");
      return row;
    }
    for (const FileHolderProcess::HeldHandle& handle : holders.back()->handles()) {
      ++row.held;
      if (::lstrcmpiA(handle.path.c_str(), narrowTarget.c_str()) == 0) ++row.heldOnTarget;
    }
  }

  const std::string name = Narrow(std::wstring(kTargetName));
  row.withTarget = Measure(BesideUs(Quoted(target)), name + kHeldSuffix, {name + kNotHeldSuffix, kSearchFailedStatus},
                           deadlineMilliseconds, [](OstrelRun&, const Outcome&) {});
  row.withoutTarget = Measure(BesideUs(L""), kSearchCompleteStatus, {kSearchFailedStatus}, deadlineMilliseconds,
                              [&](OstrelRun& run, const Outcome& shown) {
                                // The answer stands whatever becomes of the refill.
                                try {
                                  MeasureRefill(run, shown, deadlineMilliseconds, row);
                                } catch (const std::exception& failure) {
                                  row.notes.push_back(std::string("refill: ") + failure.what());
                                }
                              });
  const std::string withNote = Note("with target", row.withTarget);
  const std::string withoutNote = Note("without target", row.withoutTarget);
  if (!withNote.empty()) row.notes.insert(row.notes.begin(), withNote);
  if (!withoutNote.empty()) row.notes.insert(row.notes.begin() + (withNote.empty() ? 0 : 1), withoutNote);
  if (row.withTarget.kind == Outcome::kDone && row.withTarget.rows != row.heldOnTarget) {
    row.notes.push_back("with target: " + std::to_string(row.withTarget.rows) + " rows shown, " +
                        std::to_string(row.heldOnTarget) + " handles held on the target");
  }
  return row;
}

void PrintHeader() {
  std::printf("%7s %7s %15s %18s %13s %26s %12s %12s %20s %20s\n", "N", "held", "with target ms", "without target ms",
              "without/with", "refill ms per key q/7/x", "rows target", "rows all", "rows after q/7/x",
              "peak MiB target/all");
  std::fflush(stdout);
}

void PrintRow(const Row& row) {
  std::string ratio = "-";
  if (row.withTarget.kind == Outcome::kDone && row.withoutTarget.kind == Outcome::kDone &&
      row.withTarget.milliseconds > 0) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", row.withoutTarget.milliseconds / row.withTarget.milliseconds);
    ratio = text;
  }
  std::string keys;
  std::string keyRows;
  for (size_t i = 0; i < std::strlen(kTyped); ++i) {
    if (i > 0) {
      keys += " / ";
      keyRows += " / ";
    }
    const bool measured = i < row.keys.size();
    keys += measured ? Describe(row.keys[i]) : "-";
    keyRows += measured && row.keys[i].kind == Outcome::kDone ? std::to_string(row.keys[i].rows) : "-";
  }
  const auto rows = [](const Outcome& outcome) {
    return outcome.kind == Outcome::kDone ? std::to_string(outcome.rows) : std::string("-");
  };
  char peaks[48];
  std::snprintf(peaks, sizeof peaks, "%.1f / %.1f", row.withTarget.peakMiB, row.withoutTarget.peakMiB);
  std::printf("%7d %7d %15s %18s %13s %26s %12s %12s %20s %20s\n", row.wanted, row.held,
              Describe(row.withTarget).c_str(), Describe(row.withoutTarget).c_str(), ratio.c_str(), keys.c_str(),
              rows(row.withTarget).c_str(), rows(row.withoutTarget).c_str(), keyRows.c_str(), peaks);
  for (const std::string& note : row.notes) std::printf("        note: %s\n", note.c_str());
  std::fflush(stdout);
}

bool Succeeded(const Row& row) {
  bool keysDone = row.keys.size() == std::strlen(kTyped);
  for (const Outcome& key : row.keys) keysDone = keysDone && key.kind == Outcome::kDone;
  return row.withTarget.kind == Outcome::kDone && row.withoutTarget.kind == Outcome::kDone && keysDone;
}

// The hand-over's cost, measured in a 64-bit prefix by the 64-bit build:
// the time to the answer with a target through the distribution's
// Ostrel.exe (which hands over to Ostrel64.exe beside it), through a copy of
// that Ostrel.exe with no sibling, and through Ostrel64.exe started
// directly, on the same held handles, in turn, kHandOverRounds times each
// after one warm-up start of each.
constexpr int kHandOverRounds = 5;

int MeasureHandOver(const std::wstring& dist, int wanted, double deadline, const std::vector<std::wstring>& files,
                    const std::wstring& target, BenchFolder& folder) {
  const std::wstring withSibling = dist + L"\\Ostrel.exe";
  const std::wstring alone = folder.copyIn(withSibling, L"Ostrel.exe");
  if (alone.empty()) {
    std::printf("hand-over: cannot copy %s\n", Narrow(withSibling, CP_UTF8).c_str());
    return 1;
  }
  const int helpers = wanted > kHandlesPerHelper ? (wanted + kHandlesPerHelper - 1) / kHandlesPerHelper : 1;
  const int fileCount = static_cast<int>(files.size());
  const int copies = wanted / (helpers * fileCount) > 0 ? wanted / (helpers * fileCount) : 1;
  std::vector<std::unique_ptr<FileHolderProcess>> holders;
  for (int i = 0; i < helpers; ++i) {
    holders.push_back(std::make_unique<FileHolderProcess>(files, copies));
    if (!holders.back()->holding()) {
      std::printf("hand-over: helper %d did not start\n", i);
      return 1;
    }
  }
  // Through Ostrel.exe with its sibling, Ostrel.exe alone, and Ostrel64.exe
  // started directly (the hand-over's own cost is the first less the last).
  struct Way {
    const char* what;
    std::wstring exe;
    std::vector<double> milliseconds;
  };
  Way ways[] = {{"Ostrel.exe, handed over", withSibling, {}},
                {"Ostrel.exe alone", alone, {}},
                {"Ostrel64.exe directly", dist + L"\\Ostrel64.exe", {}}};
  const std::string name = Narrow(std::wstring(kTargetName));
  const auto once = [&](const std::wstring& exe) {
    return Measure(e2e::CommandLine{Quoted(exe) + L" " + Quoted(target)}, name + kHeldSuffix,
                   {name + kNotHeldSuffix, kSearchFailedStatus}, deadline, [](OstrelRun&, const Outcome&) {});
  };
  for (const Way& way : ways) once(way.exe);
  int failures = 0;
  for (int round = 0; round < kHandOverRounds; ++round) {
    for (Way& way : ways) {
      const Outcome outcome = once(way.exe);
      if (outcome.kind != Outcome::kDone) {
        ++failures;
        std::printf("        note: %s\n", Note(way.what, outcome).c_str());
        continue;
      }
      way.milliseconds.push_back(outcome.milliseconds);
    }
  }
  const auto median = [](std::vector<double> values) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
  };
  std::printf("hand-over: ms from the start until the answer with target q7x0.dat shows, %d handles held, "
              "%d rounds (the three ways in turn, after one warm-up start of each)\n",
              wanted, kHandOverRounds);
  std::printf("%26s %8s %8s   each\n", "", "median", "fastest");
  for (const Way& way : ways) {
    std::string each;
    for (const double value : way.milliseconds) each += " " + std::to_string(static_cast<int>(value));
    const double fastest =
        way.milliseconds.empty() ? 0.0 : *std::min_element(way.milliseconds.begin(), way.milliseconds.end());
    std::printf("%26s %8.0f %8.0f  %s\n", way.what, median(way.milliseconds), fastest, each.c_str());
  }
  std::printf("%26s %8.0f\n", "hand-over (median)", median(ways[0].milliseconds) - median(ways[2].milliseconds));
  return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  double deadlineSeconds = kDefaultDeadlineSeconds;
  std::vector<int> sizes;
  std::wstring handOverDist;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--deadline") == 0 && i + 1 < argc) {
      deadlineSeconds = std::atof(argv[++i]);
    } else if (std::strcmp(argv[i], "--hand-over") == 0 && i + 1 < argc) {
      const std::string folder = argv[++i];
      handOverDist.assign(folder.begin(), folder.end());
    } else {
      sizes.push_back(std::atoi(argv[i]));
    }
  }
  if (sizes.empty()) sizes = {5000, 20000};
  const double deadline = deadlineSeconds * 1000.0;

  std::printf("build: %s\n", sizeof(void*) == 4 ? "win32 (the shipped 32-bit Ostrel.exe)"
                                                 : "win64 (the 64-bit build of Ostrel.exe)");
  std::printf("exe: %s\n",
              Narrow(handOverDist.empty() ? e2e::OstrelExecutablePath() : handOverDist + L"\\Ostrel.exe", CP_UTF8).c_str());
  if (handOverDist.empty()) std::printf("with/without target: ms from starting Ostrel.exe until part 0 shows the outcome and part 1 the "
              "list's row count (polled every %lu ms)\n",
              static_cast<unsigned long>(kAnswerPollMilliseconds));
  if (handOverDist.empty()) std::printf("refill: in the no-target window, Ctrl+F, then \"%s\" one key at a time; ms from each key until the "
              "list holds the rows whose path contains the text so far\n",
              kTyped);
  std::printf("deadline: %.0f s per wait; held files: %zu in one folder, each held equally often; target q7x0.dat\n",
              deadlineSeconds, sizeof kHeldNames / sizeof kHeldNames[0]);
  std::fflush(stdout);

  BenchFolder folder;
  std::vector<std::wstring> files;
  for (const wchar_t* name : kHeldNames) files.push_back(folder.makeFile(name));
  std::wstring target;
  for (size_t i = 0; i < files.size(); ++i) {
    if (std::wcscmp(kHeldNames[i], kTargetName) == 0) target = files[i];
  }
  const std::wstring warmUp = folder.makeFile(kWarmUpName);
  if (!handOverDist.empty()) return MeasureHandOver(handOverDist, sizes.front(), deadline, files, target, folder);

  {
    const std::string name = Narrow(std::wstring(kWarmUpName));
    const Outcome warm = Measure(BesideUs(Quoted(warmUp)), name + kNotHeldSuffix, {name + kHeldSuffix, kSearchFailedStatus},
                                 deadline, [](OstrelRun&, const Outcome&) {});
    std::printf("warm-up start (a file nobody holds, no helpers): %s ms, peak working set %.1f MiB\n\n",
                Describe(warm).c_str(), warm.peakMiB);
    const std::string note = Note("warm-up", warm);
    if (!note.empty()) std::printf("        note: %s\n", note.c_str());
  }

  PrintHeader();
  int failures = 0;
  for (int wanted : sizes) {
    const Row row = MeasureRow(wanted, files, target, deadline);
    PrintRow(row);
    if (!Succeeded(row)) ++failures;
  }
  std::printf("\nOstrel closed by WM_CLOSE %d times, ended by TerminateProcess %d times\n", OstrelRun::closedCount,
              OstrelRun::endedCount);
  return failures == 0 ? 0 : 1;
}
