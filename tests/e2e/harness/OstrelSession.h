#pragma once
// One test's Ostrel: the process started with the given arguments and its
// main window found. The process is ended when the session goes, unless the
// test ended it.

#include <memory>
#include <string>

#include "OstrelProcess.h"
#include "OstrelWindow.h"

namespace e2e {

class OstrelSession {
 public:
  explicit OstrelSession(const std::wstring& arguments = L"")
      : process_(arguments), window_(process_.handle(), process_.id()) {}
  explicit OstrelSession(const CommandLine& commandLine)
      : process_(commandLine), window_(process_.handle(), process_.id()) {}

  OstrelProcess& process() { return process_; }
  const OstrelWindow& window() const { return window_; }

 private:
  OstrelProcess process_;
  OstrelWindow window_;
};

}  // namespace e2e
