#include "search/ScanWorker.h"

#include <system_error>

namespace {
const char* const kFileType = "File";
constexpr int32_t kEveryProcess = -1;

void searchThreadBody(ScanWorker* worker, std::function<void()> done) {
  // The previous search's scanner is released here, not before.
  worker->scanner = std::make_shared<HandleScanner>(kEveryProcess, nullptr);
  worker->scanner->SetTypeFilter(kFileType);
  worker->scanner->Run(&worker->stopFlag);
  done();
}
}  // namespace

ScanWorker::~ScanWorker() {
  join();
  thread.reset();
  scanner.reset();
}

void ScanWorker::start(std::function<void()> done) {
  join();
  thread = std::make_shared<std::thread>(searchThreadBody, this, std::move(done));
}

uint8_t ScanWorker::join() {
  stopFlag.exchange(1);
  if (thread && thread->joinable()) {
    if (thread->get_id() == std::this_thread::get_id()) {
      throw std::system_error(std::make_error_code(std::errc::resource_deadlock_would_occur));
    }
    thread->join();
    thread.reset();
  }
  return stopFlag.exchange(0);
}
