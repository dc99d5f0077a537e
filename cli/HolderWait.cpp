#include "cli/HolderWait.h"

#include <windows.h>

#include <algorithm>

#include "cli/HolderSearch.h"

int SearchUntilFree(const WideText& fullPath, unsigned waitMs, std::vector<HandleRecord>& holders, bool& complete) {
  const ULONGLONG deadline = ::GetTickCount64() + waitMs;
  for (;;) {
    holders.clear();
    complete = true;
    if (FindHolders(fullPath, holders, complete) == 0) return 0;
    if (holders.empty() && complete) return 1;
    const ULONGLONG now = ::GetTickCount64();
    if (now >= deadline) return 1;
    ::Sleep(static_cast<DWORD>(std::min<ULONGLONG>(kWaitPollMs, deadline - now)));
  }
}
