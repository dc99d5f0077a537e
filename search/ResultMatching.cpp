#include "search/ResultMatching.h"

#include "search/PathComparison.h"

void AppendMatchingRecords(const HandleRecords& records, WideView targetPath, std::vector<HandleRecord>& results,
                           bool targetIsFolder) {
  const size_t count = records.size();
  for (size_t i = 0; i < count; ++i) {
    HandleRecord copy = records[i];
    // A handle without a resolved name never becomes a result, not even
    // when every file is asked for.
    if (copy.filePath.IsEmpty()) continue;
    if (!targetPath.empty() && !(targetIsFolder ? PathIsInFolder(copy.filePath, targetPath)
                                                  : PathsEqualIgnoringCase(targetPath, copy.filePath))) {
      continue;
    }
    results.push_back(std::move(copy));
  }
}

ModuleFilter TargetModuleFilter(const WideText& matchPath, bool targetIsFolder) {
  return [matchPath, targetIsFolder](const SharedText& path) {
    return targetIsFolder ? PathIsInFolder(path, matchPath) : PathsEqualIgnoringCase(path, matchPath);
  };
}
