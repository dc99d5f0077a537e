#include "cli/HolderSearch.h"

#include "search/SearchRecipe.h"

int FindHolders(const WideText& fullPath, std::vector<HandleRecord>& holders, bool& complete) {
  const std::shared_ptr<HandleScanner> scanner = NewSearchScanner();
  const TargetIdentity target = AimSearch(*scanner, fullPath, &IdentifyTarget);
  // Nobody cancels: the console program waits for its one answer.
  if (scanner->Run(nullptr) == 0) return 0;
  CollectHolders(scanner->records(), target, holders);
  complete = scanner->complete();
  return 1;
}
