#include "search/SearchThread.h"

#include <system_error>

#include "search/SearchRecipe.h"

SearchThread::ThreadLauncher SearchThread::launchThread = &SearchThread::launchStandardThread;

std::shared_ptr<std::thread> SearchThread::launchStandardThread(std::function<void()> body) {
  return std::make_shared<std::thread>(std::move(body));
}

SearchThread::~SearchThread() {
  join();
  scanner.reset();
}

void SearchThread::start(std::function<void()> done, std::function<void(HandleScanner&)> prepare) {
  join();
  thread = launchThread([this, done = std::move(done), prepare = std::move(prepare)] {
    try {
      // The previous search's scanner is released here, not before.
      scanner = NewSearchScanner();
      if (prepare) prepare(*scanner);
      scanner->Run(&stopFlag);
    } catch (...) {
      // Out of memory, say: no scanner stands for a search that failed.
      scanner.reset();
    }
    try {
      done();
    } catch (...) {
    }
  });
}

uint8_t SearchThread::join() {
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
