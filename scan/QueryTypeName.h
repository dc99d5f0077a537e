#pragma once
// Names a handle's object type by asking the object itself, through a
// duplicate when another process holds it. Returns 1 with the name in
// `typeName`, or 0 with `typeName` left as it was.

#include <cstdint>

#include "text/AnsiString.h"

int QueryTypeName(uint32_t handleValue, AnsiString& typeName, uint32_t ownerPid);
