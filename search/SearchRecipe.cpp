#include "search/SearchRecipe.h"

#include "scan/OtherHolders.h"
#include "search/ResultMatching.h"

namespace {
const char* const kFileType = "File";
constexpr int32_t kEveryProcess = -1;
}  // namespace

std::shared_ptr<HandleScanner> NewSearchScanner() { return std::make_shared<HandleScanner>(kEveryProcess, kFileType); }

TargetIdentity AimSearch(HandleScanner& scanner, const WideText& fullPath, TargetIdentifier identify) {
  TargetIdentity target;
  if (fullPath.empty()) return target;
  target = identify(fullPath);
  // Files held as loaded modules count too; with no target they would bury
  // the open files, so only then.
  scanner.SetModuleFilter(TargetModuleFilter(target.matchPath, target.folder));
  return target;
}

void CollectHolders(const HandleRecords& records, const TargetIdentity& target, std::vector<HandleRecord>& holders) {
  AppendMatchingRecords(records, target.matchPath, holders, target.folder);
  // Then the holders no handle scan reads: processes whose handles could not
  // be read, and users on other computers.
  AppendOtherHolders(target.matchPath, target.folder, TargetModuleFilter(target.matchPath, target.folder), holders);
}
