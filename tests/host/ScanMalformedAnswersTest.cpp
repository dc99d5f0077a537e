// Native answers that no sane system gives: random counts, lengths past the
// buffer and near 4 GiB, chain offsets and name pointers that lead anywhere.
// Whatever comes, Run succeeds only on a table the system said it gave,
// names no handle but the one real file, and reads nothing outside what
// was filled (AddressSanitizer watches the reads in the sanitized build).
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "fakes/FakeSystem.h"
#include "scan/HandleScanner.h"
#include "scan/native/NativeLayouts.h"

namespace {

constexpr uint32_t kHolder = 900;

class MalformedAnswers : public ::testing::TestWithParam<unsigned> {};

TEST_P(MalformedAnswers, SucceedsOnlyOnAGivenTableAndNamesOnlyRealHandles) {
  FakeSystem system;
  system.addProcess(kHolder, {u"holder.exe", "C:\\holder.exe"});
  system.addHandle(kHolder, 0x10, {u"File", u"", "C:\\a.txt"});
  std::mt19937 random(GetParam());
  const bool basicTable = random() % 2 == 0;
  system.setExtendedTableKnown(!basicTable);
  const auto pick = [&](std::initializer_list<uint32_t> choices) {
    return *(choices.begin() + random() % choices.size());
  };
  bool tableGiven = false;  // some handle table query was answered with success
  system.setInformationScript([&](ULONG informationClass, void* buffer, ULONG length, ULONG* returned,
                                  NTSTATUS& status) {
    if (informationClass == kSystemExtendedHandleInformation && basicTable) return false;  // unknown class
    auto* bytes = static_cast<unsigned char*>(buffer);
    // Fill a random part of the block with random bytes, the rest stays.
    const ULONG filled = length == 0 ? 0 : static_cast<ULONG>(random() % (length / 64 + 64)) % length;
    for (ULONG i = 0; i < filled; ++i) bytes[i] = static_cast<unsigned char>(random());
    if (informationClass == kSystemProcessInformation && filled >= sizeof(ProcessListEntry)) {
      // A chain whose offsets and name pointers lead anywhere, often into the block.
      for (ULONG offset = 0; offset + sizeof(ProcessListEntry) <= filled;) {
        ProcessListEntry entry;
        std::memcpy(&entry, bytes + offset, sizeof entry);
        entry.nextEntryOffset = pick({0u, 8u, 96u, 260u, filled - offset, 0xFFFFFFF8u, static_cast<ULONG>(random())});
        const ULONG target = static_cast<ULONG>(random() % (filled + 64));
        entry.imageName.Buffer = reinterpret_cast<const WCHAR*>(random() % 3 == 0 ? bytes + target : bytes - 8);
        entry.imageName.Length = static_cast<USHORT>(random());
        entry.imageName.MaximumLength = static_cast<USHORT>(random());
        std::memcpy(bytes + offset, &entry, sizeof entry);
        if (entry.nextEntryOffset == 0 || entry.nextEntryOffset >= filled - offset) break;
        offset += entry.nextEntryOffset;
      }
    } else if (filled >= sizeof(ULONG_PTR)) {
      // A count that may claim far more entries than were filled.
      const ULONG_PTR count = pick({0u, 1u, 3u, 1000u, 0x7FFFFFFFu, 0xFFFFFFFFu});
      std::memcpy(bytes, &count, sizeof count);
    }
    if (returned != nullptr) {
      *returned = pick({0u, filled, length, length + 1, length + 4096, 0xFFFFFFF0u, 0x80000000u,
                        static_cast<ULONG>(random())});
    }
    status = pick({static_cast<uint32_t>(kStatusSuccess), static_cast<uint32_t>(kStatusSuccess),
                   static_cast<uint32_t>(kStatusInfoLengthMismatch), 0xC0000001u});
    if (informationClass != kSystemProcessInformation && status == kStatusSuccess) tableGiven = true;
    return true;
  });
  for (const char* filter : {"File", ""}) {
    HandleScanner scanner(-1, filter);
    CancelByte cancel{0};
    tableGiven = false;
    const int result = scanner.Run(&cancel);
    if (result != 1) {
      EXPECT_EQ(result, 0);
      EXPECT_TRUE(scanner.records().empty());
      continue;
    }
    EXPECT_TRUE(tableGiven) << "a scan succeeded on a table the system never gave";
    // Garbage entries name nothing; only the real handle can be named.
    for (const HandleRecord& record : scanner.records()) {
      if (record.filePath.IsEmpty()) continue;
      EXPECT_EQ(record.filePath, WTEXT("C:\\a.txt"));
      EXPECT_EQ(record.ownerPid, kHolder);
      EXPECT_EQ(record.handleValue, 0x10u);
    }
  }
  system.waitForThreads();
  EXPECT_EQ(system.liveAllocations(), 0);
  EXPECT_EQ(system.openedHandles(), 0);
}

INSTANTIATE_TEST_SUITE_P(Seeds, MalformedAnswers, ::testing::Range(1u, 61u));

}  // namespace
