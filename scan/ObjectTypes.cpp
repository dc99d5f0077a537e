#include "scan/ObjectTypes.h"

#include <cstring>

#include "scan/native/NativeApi.h"
#include "scan/native/NativeLayouts.h"
#include "scan/native/NativeText.h"

namespace {
constexpr NTSTATUS kStatusBufferTooSmall = static_cast<NTSTATUS>(0xC0000023u);
// An object type answer beyond this is not real: it would be refused.
constexpr ULONG kLargestTypeAnswer = 64 * 1024;
}  // namespace

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

NamingMethod NamingMethodFor(const char* typeName) {
  uint16_t number = 0;
  if (!TypeNumberFromName(typeName, number)) return NamingMethod::kNone;
  switch (number) {
    case kProcessTypeNumber:
      return NamingMethod::kProcess;
    case kThreadTypeNumber:
      return NamingMethod::kThread;
    case kFileTypeNumber:
      return NamingMethod::kFile;
    default:
      return NamingMethod::kObject;
  }
}

int QueryTypeName(HANDLE handle, AnsiString& typeName, NativeBlock& scratch) {
  if (NativeApi.allPresent == 0 || handle == nullptr) return 0;
  ULONG needed = 0;
  NTSTATUS status = NativeApi.NtQueryObject(handle, kObjectTypeInformation, scratch.data(), scratch.size(), &needed);
  if ((status == kStatusInfoLengthMismatch || status == kStatusBufferTooSmall) && needed > scratch.size() &&
      needed <= kLargestTypeAnswer) {
    scratch = NativeBlock(needed);
    needed = 0;
    status = NativeApi.NtQueryObject(handle, kObjectTypeInformation, scratch.data(), scratch.size(), &needed);
  }
  if (status != kStatusSuccess) return 0;
  // The name's characters follow the fixed record, up to what the answer
  // filled (the scratch block may hold an older, longer answer beyond it);
  // an answer too short to hold the record holds no name.
  const ULONG filled = needed > 0 && needed <= scratch.size() ? needed : scratch.size();
  constexpr ULONG kNameOffset = sizeof(ObjectTypeRecord);
  if (filled < kNameOffset) return 0;
  const auto* name = reinterpret_cast<const WCHAR*>(scratch.bytes() + kNameOffset);
  typeName = NarrowLowBytes(name, (filled - kNameOffset) / sizeof(WCHAR));
  return 1;
}

const AnsiString* TypeNameMap::SettledName(uint16_t number) const {
  if (number >= entries_.size() || entries_[number].state != State::kSettled) return nullptr;
  return &entries_[number].name;
}

const AnsiString* TypeNameMap::LearnedName(uint16_t number) const {
  if (number >= entries_.size()) return nullptr;
  const Entry& entry = entries_[number];
  return entry.state == State::kTentative || entry.state == State::kSettled ? &entry.name : nullptr;
}

void TypeNameMap::Learn(uint16_t number, const AnsiString& name) {
  if (number >= entries_.size()) entries_.resize(number + 1u);
  Entry& entry = entries_[number];
  switch (entry.state) {
    case State::kUnknown:
      entry.state = State::kTentative;
      entry.name = name;
      break;
    case State::kTentative:
      entry.state = entry.name == name ? State::kSettled : State::kPerHandle;
      break;
    case State::kSettled:
    case State::kPerHandle:
      break;
  }
}
