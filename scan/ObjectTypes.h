#pragma once
// Object types: the fixed table of type names by which a handle is named,
// the query that asks an object for its type name, and the map from the
// handle table's type numbers to names that one scan learns as it walks.
//
// The table's type numbers are the system's own (Wine's differ from
// Windows'), so the map is learned per scan, never assumed: a number's name
// is asked through one handle of that number and confirmed on a second one;
// a number whose two answers disagree is asked handle by handle from then on.

#include <array>
#include <cstdint>
#include <vector>

#include "os/NativeBlock.h"
#include "os/Win32.h"
#include "text/AnsiString.h"

constexpr uint16_t kProcessTypeNumber = 5;
constexpr uint16_t kThreadTypeNumber = 6;
constexpr uint16_t kDesktopTypeNumber = 16;
constexpr uint16_t kFileTypeNumber = 26;
constexpr std::size_t kObjectTypeCount = 27;

// Indexed by type number; numbers 0 and 1 hold empty names.
constexpr std::array<const char*, kObjectTypeCount> ObjectTypeTable = {
    "",          "",           "Directory", "SymbolicLink", "Token",        "Process",   "Thread",
    "Unknown7",  "Event",      "EventPair", "Mutant",       "Unknown11",    "Semaphore", "Timer",
    "Profile",   "WindowStation", "Desktop", "Section",     "Key",          "Port",      "WaitablePort",
    "Unknown21", "Unknown22",  "Unknown23", "Unknown24",    "IoCompletion", "File"};

// The number of a type name in ObjectTypeTable: the first entry from 1
// upwards whose name equals it byte for byte (so an empty name gives 1).
// False, with the number 0, when the name is not in the table.
bool TypeNumberFromName(const char* name, uint16_t& number);

// How a handle of a type is named: a process by the ID it refers to, a
// thread by its thread ID, a file by its final path, any other object of the
// table by its object name; a type outside the table is not named.
enum class NamingMethod : uint8_t { kNone, kProcess, kThread, kFile, kObject };
NamingMethod NamingMethodFor(const char* typeName);

// Asks a handle of the own process for its object type name. `scratch` is
// reused between calls and grown when an answer needs more. Returns 1 with
// the name, or 0 with `typeName` left as it was.
int QueryTypeName(HANDLE handle, AnsiString& typeName, NativeBlock& scratch);

// What one scan has learned of the table's type numbers. Used by one thread.
class TypeNameMap {
 public:
  // The name of the number once two handles agreed on it (or null): a
  // handle of a settled number needs no query of its own.
  const AnsiString* SettledName(uint16_t number) const;
  // The name a handle of the number answered. The first answer is taken
  // on trust, the second confirms it or, if it differs, makes the number one
  // whose handles are asked one by one.
  void Learn(uint16_t number, const AnsiString& name);
  // The name of a number that has answered at least once and does not vary
  // by handle (or null).
  const AnsiString* LearnedName(uint16_t number) const;

 private:
  enum class State : uint8_t { kUnknown, kTentative, kSettled, kPerHandle };
  struct Entry {
    State state = State::kUnknown;
    AnsiString name;
  };
  std::vector<Entry> entries_;
};
