#pragma once
// The number of an object type name in ObjectTypeTable: the first entry from
// 1 upwards whose name equals it byte for byte (so an empty name gives 1).
// False, with the number 0, when the name is not in the table.

#include <cstdint>

bool TypeNumberFromName(const char* name, uint16_t& number);
