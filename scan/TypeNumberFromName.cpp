#include "scan/TypeNumberFromName.h"

#include <cstring>

#include "scan/ObjectTypeTable.h"

bool TypeNumberFromName(const char* name, uint16_t& number) {
  number = 0;
  if (name == nullptr) name = "";
  for (uint16_t candidate = 1; candidate < kObjectTypeCount; ++candidate) {
    if (std::strcmp(ObjectTypeTable[candidate], name) == 0) {
      number = candidate;
      return true;
    }
  }
  return false;
}
