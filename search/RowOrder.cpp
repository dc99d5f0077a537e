#include "search/RowOrder.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#include <shlwapi.h>
#endif

#include "search/FileNamePart.h"

namespace {
// A handle's value has 32 bits: the rows without one ("模块", then "未知",
// then "远程") have keys above every one.
constexpr uint64_t kModuleKey = uint64_t{1} << 32;
constexpr uint64_t kUnreadableKey = kModuleKey + 1;
constexpr uint64_t kRemoteKey = kModuleKey + 2;

#ifdef _WIN32
constexpr DWORD kLogicalOrder = NORM_IGNORECASE | SORT_DIGITSASNUMBERS;
// A sort key's usual size: a few bytes a unit at each level, and the ends.
constexpr std::size_t kKeyBytesPerUnit = 6;
constexpr std::size_t kKeyBytesBeyond = 16;

// The system's sort key of `text` in the logical order, as bytes; false
// when the system gives none.
bool sortKey(WideView text, std::string& scratch, std::string& key) {
  key.clear();
  const int length = static_cast<int>(text.size());
  if (length == 0) return true;
  // Room for most keys at the first call; a longer one is sized and made
  // again. The key keeps only its own bytes.
  scratch.resize(static_cast<std::size_t>(length) * kKeyBytesPerUnit + kKeyBytesBeyond);
  int bytes = ::LCMapStringEx(LOCALE_NAME_USER_DEFAULT, LCMAP_SORTKEY | kLogicalOrder, text.data(), length,
                              reinterpret_cast<LPWSTR>(&scratch[0]), static_cast<int>(scratch.size()), nullptr,
                              nullptr, 0);
  if (bytes <= 0) {
    bytes = ::LCMapStringEx(LOCALE_NAME_USER_DEFAULT, LCMAP_SORTKEY | kLogicalOrder, text.data(), length, nullptr, 0,
                            nullptr, nullptr, 0);
    if (bytes <= 0) return false;
    scratch.resize(static_cast<std::size_t>(bytes));
    if (::LCMapStringEx(LOCALE_NAME_USER_DEFAULT, LCMAP_SORTKEY | kLogicalOrder, text.data(), length,
                        reinterpret_cast<LPWSTR>(&scratch[0]), bytes, nullptr, nullptr, 0) != bytes) {
      return false;
    }
  }
  key.assign(scratch, 0, static_cast<std::size_t>(bytes));
  return true;
}
#else
bool isDigit(WCHAR unit) { return unit >= '0' && unit <= '9'; }

// The host has no system to ask for its collation. This is the part of the
// system's logical order the tool's tests name: runs of digits by their
// value, ASCII letters without case, every other unit by its value. Enough
// to hold the same table of cases on the host as under Windows, where the
// system's own comparison answers.
unsigned foldedUnit(WCHAR unit) {
  const unsigned u = unit;
  return (u >= 'a' && u <= 'z') ? u - 0x20 : u;
}

// Compares the runs of digits starting at `a` and `b`, advancing both past
// them; by value, so leading zeros do not count.
int compareDigitRuns(WideView first, std::size_t& a, WideView second, std::size_t& b) {
  while (a < first.size() && first[a] == '0') ++a;
  while (b < second.size() && second[b] == '0') ++b;
  const std::size_t firstStart = a;
  const std::size_t secondStart = b;
  while (a < first.size() && isDigit(first[a])) ++a;
  while (b < second.size() && isDigit(second[b])) ++b;
  const std::size_t firstLength = a - firstStart;
  const std::size_t secondLength = b - secondStart;
  if (firstLength != secondLength) return firstLength < secondLength ? -1 : 1;
  const int digits = first.substr(firstStart, firstLength).compare(second.substr(secondStart, secondLength));
  return digits < 0 ? -1 : (digits > 0 ? 1 : 0);
}
#endif

WideView fileNameOf(const HandleRecord& result) { return FileNamePart(result.filePath.View()); }

// The column's text of a result, for the text columns.
WideView textOf(const HandleRecord& result, ResultColumnId column) {
  switch (column) {
    case ResultColumnId::kFileName:
      return fileNameOf(result);
    case ResultColumnId::kPath:
      return result.filePath.View();
    default:
      // A remote open's user, as its "<user>(远程)" orders among names.
      return result.processName.View();
  }
}

bool isTextColumn(ResultColumnId column) {
  return column == ResultColumnId::kFileName || column == ResultColumnId::kPath ||
         column == ResultColumnId::kProcessName;
}

// The key of a result in a number column; keys order as the column does.
uint64_t numberKey(const HandleRecord& result, ResultColumnId column) {
  if (column == ResultColumnId::kProcessId) return result.ownerPid;  // a remote open's 0 shows empty: first
  switch (KindOf(result)) {
    case HolderKind::kModule:
      return kModuleKey;
    case HolderKind::kUnreadable:
      return kUnreadableKey;
    case HolderKind::kRemote:
      return kRemoteKey;
    default:
      return result.handleValue;
  }
}

// Each text's rank in the order of CompareNamesLogically: texts that
// compare equal share one.
std::vector<uint64_t> ranksOfTexts(const std::vector<WideView>& texts) {
  std::vector<uint32_t> order(texts.size());
  for (uint32_t i = 0; i < order.size(); ++i) order[i] = i;
  std::vector<uint64_t> ranks(texts.size());
  const auto rankInOrder = [&](auto same) {
    uint64_t rank = 0;
    for (std::size_t i = 0; i < order.size(); ++i) {
      if (i > 0 && !same(order[i - 1], order[i])) ++rank;
      ranks[order[i]] = rank;
    }
  };
#ifdef _WIN32
  // The system's sort key of each text orders as its comparison does: one
  // call per text, then byte comparisons, instead of one call per pair the
  // sort meets (a list of 40,000 paths meets some 600,000 pairs).
  std::vector<std::string> keys(texts.size());
  std::string scratch;
  bool keyed = true;
  for (std::size_t i = 0; i < texts.size() && keyed; ++i) keyed = sortKey(texts[i], scratch, keys[i]);
  if (keyed) {
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return keys[a] < keys[b]; });
    rankInOrder([&](uint32_t a, uint32_t b) { return keys[a] == keys[b]; });
    return ranks;
  }
#endif
  std::sort(order.begin(), order.end(),
            [&](uint32_t a, uint32_t b) { return CompareNamesLogically(texts[a], texts[b]) < 0; });
  rankInOrder([&](uint32_t a, uint32_t b) { return CompareNamesLogically(texts[a], texts[b]) == 0; });
  return ranks;
}

// For a text column, each row's rank among the rows' distinct texts (equal
// texts, and texts that compare equal, share one): the costly comparison
// runs on distinct texts only.
std::vector<uint64_t> textRanks(const std::vector<std::size_t>& rows, const std::vector<HandleRecord>& results,
                                ResultColumnId column) {
  std::unordered_map<WideView, uint32_t> distinctIndex;
  std::vector<WideView> distinct;
  std::vector<uint32_t> rowText;
  rowText.reserve(rows.size());
  for (const std::size_t row : rows) {
    const WideView text = textOf(results[row], column);
    const auto found = distinctIndex.emplace(text, static_cast<uint32_t>(distinct.size()));
    if (found.second) distinct.push_back(text);
    rowText.push_back(found.first->second);
  }
  const std::vector<uint64_t> rankOfText = ranksOfTexts(distinct);
  std::vector<uint64_t> ranks;
  ranks.reserve(rows.size());
  for (const uint32_t text : rowText) ranks.push_back(rankOfText[text]);
  return ranks;
}
}  // namespace

RowSort SortAfterHeaderClick(RowSort current, int column) {
  if (column < 0 || column >= kResultColumnCount) return current;
  if (current.column == column) return RowSort{column, !current.descending};
  return RowSort{column, false};
}

int CompareNamesLogically(WideView first, WideView second) {
  // Paths of one list mostly share long leading folders. Units equal in both
  // up to a backslash weigh the same in both at every level of the
  // comparison, and neither a run of digits nor any letter combination
  // spans a backslash: what follows the last shared backslash decides, and
  // only that is compared.
  std::size_t same = 0;
  std::size_t afterSeparator = 0;
  while (same < first.size() && same < second.size() && first[same] == second[same]) {
    if (first[same] == '\\') afterSeparator = same + 1;
    ++same;
  }
  first.remove_prefix(afterSeparator);
  second.remove_prefix(afterSeparator);
#ifdef _WIN32
  // The system's order of names as Explorer shows them.
  const int answer =
      ::CompareStringEx(LOCALE_NAME_USER_DEFAULT, kLogicalOrder, first.data(),
                        static_cast<int>(first.size()), second.data(), static_cast<int>(second.size()), nullptr,
                        nullptr, 0);
  if (answer != 0) return answer - CSTR_EQUAL;
  // A system without the digits flag: the shell's logical order, on copies
  // that end in a zero.
  return ::StrCmpLogicalW(WideText(first).c_str(), WideText(second).c_str());
#else
  std::size_t a = 0;
  std::size_t b = 0;
  while (a < first.size() && b < second.size()) {
    if (isDigit(first[a]) && isDigit(second[b])) {
      const int digits = compareDigitRuns(first, a, second, b);
      if (digits != 0) return digits;
      continue;
    }
    const unsigned x = foldedUnit(first[a++]);
    const unsigned y = foldedUnit(second[b++]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a < first.size()) return 1;
  return b < second.size() ? -1 : 0;
#endif
}

void SortRows(std::vector<std::size_t>& rows, const std::vector<HandleRecord>& results, RowSort sort) {
  if (!sort.active()) return;
  const auto column = static_cast<ResultColumnId>(sort.column);
  std::vector<uint64_t> keys;
  if (isTextColumn(column)) {
    keys = textRanks(rows, results, column);
  } else {
    keys.reserve(rows.size());
    for (const std::size_t row : rows) keys.push_back(numberKey(results[row], column));
  }
  std::vector<std::pair<uint64_t, std::size_t>> keyed;
  keyed.reserve(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) keyed.emplace_back(keys[i], rows[i]);
  // Stable in both directions: equal keys keep the order they came in.
  if (sort.descending) {
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
  } else {
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  }
  for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = keyed[i].second;
}
