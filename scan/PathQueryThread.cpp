#include "scan/PathQueryThread.h"

#include <memory>

#include "scan/PathQueryBlock.h"
#include "scan/QueryFinalPath.h"

DWORD WINAPI PathQueryThread(LPVOID block) {
  const std::unique_ptr<SharedPathQueryBlock> reference(static_cast<SharedPathQueryBlock*>(block));
  PathQueryBlock& shared = **reference;
  AnsiString path;
  if (QueryFinalPath(shared.file.get(), path) != 0) {
    shared.failed = 0;
    shared.path = path;
  } else {
    shared.failed = 1;
  }
  return 0;
}
