#pragma once
// The error the string type raises: it carries an HRESULT.

#include <exception>

#include "os/Win32.h"

class HResultException : public std::exception {
 public:
  explicit HResultException(HRESULT code) : code_(code) {}
  HRESULT code() const { return code_; }
  const char* what() const noexcept override;

 private:
  HRESULT code_;
};

[[noreturn]] void ThrowHResult(HRESULT code);
