#include "scan/RecordWorker.h"

#include "scan/IsProcessRunning.h"
#include "scan/QueryTypeName.h"
#include "scan/ResolveHandleName.h"
#include "scan/TypeNumberFromName.h"

void RecordWorker(std::unique_ptr<WorkerArgs> args) {
  ScanShare& share = *args->share;
  HandleRecord& record = *args->record;
  if (share.cancel.load() == 0) {
    AnsiString name;
    if (IsProcessRunning(record.ownerPid)) {
      AnsiString typeName;
      uint16_t typeNumber = 0;
      if (QueryTypeName(record.handleValue, typeName, record.ownerPid) != 0 &&
          TypeNumberFromName(typeName, typeNumber)) {
        ResolveHandleName(record.handleValue, typeNumber, name, record.ownerPid);
      }
    }
    share.storeFilePath(record, name);
  }
  share.inFlight.fetch_sub(1);
}

void RecordWorkerEntry(void* args) { RecordWorker(std::unique_ptr<WorkerArgs>(static_cast<WorkerArgs*>(args))); }
