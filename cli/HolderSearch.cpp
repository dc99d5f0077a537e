#include "cli/HolderSearch.h"

#include "app/TargetPath.h"
#include "scan/HandleScanner.h"
#include "scan/OtherHolders.h"
#include "search/ResultMatching.h"

namespace {
const char* const kFileType = "File";
constexpr int32_t kEveryProcess = -1;
}  // namespace

int FindHolders(const WideText& fullPath, std::vector<HandleRecord>& holders, bool& complete) {
  HandleScanner scanner(kEveryProcess, kFileType);
  TargetIdentity target;
  if (!fullPath.empty()) {
    target = IdentifyTarget(fullPath);
    scanner.SetModuleFilter(TargetModuleFilter(target.matchPath, target.folder));
  }
  // Nobody cancels: the console program waits for its one answer.
  if (scanner.Run(nullptr) == 0) return 0;
  AppendMatchingRecords(scanner.records(), target.matchPath, holders, target.folder);
  AppendOtherHolders(target.matchPath, target.folder, TargetModuleFilter(target.matchPath, target.folder), holders);
  complete = scanner.complete();
  return 1;
}
