#pragma once
// Runs an action when the scope is left, however it is left (a return, a
// throw): the one way to undo a step at the end of a scope.
//   const ScopeExit redrawOn([&] { list.setRedraw(true); });
// The action must not throw.

#include <utility>

template <typename Action>
class ScopeExit {
 public:
  explicit ScopeExit(Action action) : action_(std::move(action)) {}
  ~ScopeExit() { action_(); }
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;

 private:
  Action action_;
};
