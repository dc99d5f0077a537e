// Prints how long the result list takes to show N rows (default 40,000) in
// the order of each column, beside the fill in the scan's order on the same
// rows in the same run: the sort of the row indices alone, and the whole
// fill that includes it, on a real (hidden) list view of this process.
//
// The rows are made up to look like a no-target list at its hardest for
// the path column: every path distinct, a thousand folders of numbered
// names, process names and IDs repeating per owner, and a few hundred
// "模块" rows. Each figure is the fastest of three runs.
//
// Usage: sort_benchmark.exe [N]
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/BenchClock.h"
#include "search/RowOrder.h"
#include "search/SearchSession.h"
#include "ui/main/ResultList.h"

namespace {

constexpr int kDefaultRows = 40000;
constexpr int kRuns = 3;
constexpr int kPathsPerFolder = 37;
constexpr int kRowsPerPath = 1;
constexpr int kRowsPerOwner = 200;
constexpr int kModuleEvery = 97;
const char* const kHeaders[] = {"file name", "path", "handle", "process ID", "process name"};

std::vector<HandleRecord> MadeUpResults(int count) {
  std::vector<HandleRecord> results;
  results.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    const int path = i / kRowsPerPath;
    const int owner = (i * 7919) % (count / kRowsPerOwner + 1);
    HandleRecord r;
    r.ownerPid = static_cast<uint32_t>(4 * (owner + 100));
    r.handleValue = static_cast<uint32_t>(4 * ((i * 31) % 5000 + 1));
    r.loadedModule = i % kModuleEvery == 0;
    r.filePath = SharedText(L"C:\\Users\\user\\Projects\\project" + std::to_wstring(path / kPathsPerFolder) +
                            L"\\data\\Report " + std::to_wstring(path % kPathsPerFolder) +
                            (path % 2 == 0 ? L".txt" : L".DAT"));
    r.processName = SharedText(L"worker" + std::to_wstring(owner % 60) + L".exe");
    results.push_back(r);
  }
  return results;
}

// No search runs here: the session only holds the made-up results.
class NoEvents : public SearchSessionEvents {
 public:
  void searchEnded() override {}
  void closingProgressed(int, int) override {}
  void closingEnded() override {}
};

template <typename Work>
double Fastest(Work work) {
  double best = 0;
  for (int run = 0; run < kRuns; ++run) {
    const double start = NowMilliseconds();
    work();
    const double took = NowMilliseconds() - start;
    if (run == 0 || took < best) best = took;
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const int rows = argc > 1 ? std::atoi(argv[1]) : kDefaultRows;
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&controls);
  const HWND parent = ::CreateWindowExA(0, "STATIC", "sort benchmark", WS_OVERLAPPEDWINDOW, 0, 0, 800, 400, nullptr,
                                        nullptr, nullptr, nullptr);
  const HWND list = ::CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 780, 300, parent,
                                      nullptr, nullptr, nullptr);
  const HWND status = ::CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent, nullptr,
                                        nullptr, nullptr);
  ::SendMessageW(list, LVM_SETUNICODEFORMAT, TRUE, 0);
  InsertResultColumns(list);

  SearchSession session(WideText(), false, std::make_shared<NoEvents>(), &IdentifyTarget);
  session.adoptResults(nullptr, MadeUpResults(rows));
  ResultList shown(session, list, status);
  std::vector<size_t> scan(session.results().size());
  for (size_t i = 0; i < scan.size(); ++i) scan[i] = i;

  std::printf("build: %s; %d rows; fastest of %d runs; a hidden list view of this process\n",
              sizeof(void*) == 4 ? "win32" : "win64", rows, kRuns);
  const int digitsFlag = ::CompareStringEx(LOCALE_NAME_USER_DEFAULT, NORM_IGNORECASE | SORT_DIGITSASNUMBERS, L"f2", 2,
                                          L"f10", 3, nullptr, nullptr, 0);
  std::printf("names compared by: %s\n", digitsFlag != 0 ? "CompareStringEx, SORT_DIGITSASNUMBERS"
                                                         : "StrCmpLogicalW (no SORT_DIGITSASNUMBERS here)");
  std::printf("each sorted fill stands beside a fill of the same rows in the scan's order, run in turn with it\n");
  std::printf("%-13s %-5s %14s %18s %22s\n", "column", "way", "sort alone ms", "fill with sort ms",
              "fill in scan order ms");
  for (int column = 0; column < kResultColumnCount; ++column) {
    for (const bool descending : {false, true}) {
      const RowSort sort{column, descending};
      const double alone = Fastest([&] {
        std::vector<size_t> order = scan;
        SortRows(order, session.results(), sort);
      });
      double sortedFill = 0;
      double scanFill = 0;
      for (int run = 0; run < kRuns; ++run) {
        session.setSort(RowSort{});
        double start = NowMilliseconds();
        shown.fill(WideView());
        const double scanTook = NowMilliseconds() - start;
        session.setSort(sort);
        start = NowMilliseconds();
        shown.fill(WideView());
        const double sortedTook = NowMilliseconds() - start;
        if (run == 0 || scanTook < scanFill) scanFill = scanTook;
        if (run == 0 || sortedTook < sortedFill) sortedFill = sortedTook;
      }
      std::printf("%-13s %-5s %14.1f %18.0f %22.0f\n", kHeaders[column], descending ? "down" : "up", alone,
                  sortedFill, scanFill);
    }
  }
  std::printf("rows shown: %d\n", static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)));
  ::DestroyWindow(parent);
  return 0;
}
