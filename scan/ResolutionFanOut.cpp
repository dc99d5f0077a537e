#include "scan/ResolutionFanOut.h"

#include <cctype>
#include <cstring>

#include "scan/ProcessImageCache.h"
#include "scan/QueryProcessImagePath.h"
#include "scan/RecordWorker.h"
#include "scan/native/NativeApi.h"

namespace {
constexpr DWORD kPollMs = 100;
// On NT 4, handles held by the service control manager are left alone.
constexpr DWORD kServicesRuleVersion = 4;
const char* const kServicesImage = "services.exe";

bool equalsIgnoringCase(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b))) return false;
  }
  return *a == *b;
}
}  // namespace

int ResolveRecords(const std::shared_ptr<HandleRecords>& records, const CancelByte* cancel, int result) {
  ProcessImageCache cache;
  cache.Fill();
  const auto share = std::make_shared<ScanShare>(records);
  const auto cancelled = [&] {
    if (cancel != nullptr && cancel->load() != 0) share->cancel.store(1);
    return share->cancel.load() != 0;
  };

  const std::size_t count = records->size();
  for (std::size_t i = 0; i < count; ++i) {
    if (cancelled()) break;
    HandleRecord& record = (*records)[i];
    record.processPath = QueryProcessImagePath(record.ownerPid);
    record.processName = cache.LookupProcessName(record.ownerPid);
    if (OsMajorVersion == kServicesRuleVersion && equalsIgnoringCase(record.processName, kServicesImage)) continue;

    share->inFlight.fetch_add(1);
    auto args = std::make_unique<WorkerArgs>(WorkerArgs{share, &record});
    if (Sys().StartDetachedThread(RecordWorkerEntry, args.get()) == FALSE) {
      // Not started: the record keeps its empty filePath.
      share->inFlight.fetch_sub(1);
      continue;
    }
    static_cast<void>(args.release());  // the worker's own now
    while (share->inFlight.load() >= kMaxInFlight && !cancelled()) Sys().Sleep(kPollMs);
  }
  while (share->inFlight.load() > 0 && !cancelled()) Sys().Sleep(kPollMs);
  share->handOverRecords();
  return result;
}
