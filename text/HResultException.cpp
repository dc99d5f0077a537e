#include "text/HResultException.h"

const char* HResultException::what() const noexcept {
  switch (code_) {
    case E_OUTOFMEMORY:
      return "E_OUTOFMEMORY";
    case E_INVALIDARG:
      return "E_INVALIDARG";
    case E_FAIL:
      return "E_FAIL";
    default:
      return "HRESULT failure";
  }
}

void ThrowHResult(HRESULT code) { throw HResultException(code); }
