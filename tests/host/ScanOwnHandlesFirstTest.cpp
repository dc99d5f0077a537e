// The own process's handles teach the scan's type map before any other
// process's handle is duplicated to be asked. Under Wine a console
// program's own console handles ("Device" there) thus keep every other
// process's console connection from being duplicated, and so from being
// closed in the scanning process, which would detach it from its console.
#include <gtest/gtest.h>

#include "fakes/FakeSystem.h"
#include "scan/HandleScanner.h"

namespace {

constexpr uint32_t kConsoleClient = 600;  // cmd.exe, say
constexpr uint16_t kDeviceNumber = 30;
constexpr uint16_t kFileNumber = 26;

TEST(ScanOwnHandlesFirst, AnotherProcessConsoleConnectionIsNeverDuplicated) {
  const struct {
    int ownDeviceHandles;   // the own connection and console standard handles
    int connectionDuplicates;  // times the other client's connection was duplicated
  } cases[] = {
      {0, 1},  // no console of its own: asked, and nothing of ours to lose
      {1, 1},  // the connection alone, output redirected: asked once to confirm
      {2, 0},  // the connection and a console output: settled, never asked
      {4, 0},
  };
  for (const auto& c : cases) {
    FakeSystem system;
    system.addProcess(kConsoleClient, {u"cmd.exe", "C:\\Windows\\System32\\cmd.exe"});
    // The other client's handles come first in the table, as an older process's do.
    system.addHandle(kConsoleClient, 0x8, {u"Device"}, kDeviceNumber, 0, 0x100018);
    system.addHandle(kConsoleClient, 0x40, {u"File", u"", "\\\\?\\C:\\data\\held.txt"}, kFileNumber);
    for (int i = 0; i < c.ownDeviceHandles; ++i) {
      system.addHandle(FakeSystem::kOwnPid, 0x10 + 4 * static_cast<uint32_t>(i), {u"Device"}, kDeviceNumber, 0,
                       0x100183);
    }
    HandleScanner scanner(-1, "File");
    ASSERT_EQ(1, scanner.Run(nullptr));
    EXPECT_EQ(c.connectionDuplicates, system.duplicatesOf(kConsoleClient, 0x8)) << c.ownDeviceHandles;
    // The file is still found, named through its own duplicates.
    ASSERT_EQ(1u, scanner.records().size()) << c.ownDeviceHandles;
    EXPECT_EQ(scanner.records()[0].filePath, WTEXT("C:\\data\\held.txt")) << c.ownDeviceHandles;
    system.waitForThreads();
    EXPECT_EQ(0, system.openedHandles());
  }
}

}  // namespace
