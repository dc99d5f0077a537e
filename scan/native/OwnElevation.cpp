#include "scan/native/OwnElevation.h"

#include "os/SystemCalls.h"
#include "os/UniqueHandle.h"

Elevation OwnElevation() {
  UniqueHandle token;
  if (Sys().OpenProcessToken(Sys().GetCurrentProcess(), TOKEN_QUERY, token.put()) == FALSE) {
    token.release();  // nothing was opened
    return Elevation::kUnknown;
  }
  TOKEN_ELEVATION elevation{};
  DWORD returned = 0;
  if (Sys().GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &returned) == FALSE ||
      returned < sizeof elevation) {
    return Elevation::kUnknown;
  }
  return elevation.TokenIsElevated != 0 ? Elevation::kElevated : Elevation::kNotElevated;
}
