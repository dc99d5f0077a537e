#pragma once
// The fixed table of object type names, indexed by type number. Numbers 0
// and 1 hold empty names. Process, thread and file handles are named in
// ways of their own; every other type is named by its object name.

#include <array>
#include <cstdint>

constexpr uint16_t kProcessTypeNumber = 5;
constexpr uint16_t kThreadTypeNumber = 6;
constexpr uint16_t kDesktopTypeNumber = 16;
constexpr uint16_t kFileTypeNumber = 26;
constexpr std::size_t kObjectTypeCount = 27;

constexpr std::array<const char*, kObjectTypeCount> ObjectTypeTable = {
    "",          "",           "Directory", "SymbolicLink", "Token",        "Process",   "Thread",
    "Unknown7",  "Event",      "EventPair", "Mutant",       "Unknown11",    "Semaphore", "Timer",
    "Profile",   "WindowStation", "Desktop", "Section",     "Key",          "Port",      "WaitablePort",
    "Unknown21", "Unknown22",  "Unknown23", "Unknown24",    "IoCompletion", "File"};
