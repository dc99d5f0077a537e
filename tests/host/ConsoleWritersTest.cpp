#include <gtest/gtest.h>

#include <string>

#include "cli/JsonWriter.h"
#include "cli/LineWriter.h"
#include "support/WideLiteral.h"
#include "text/Utf8.h"

namespace {

std::string utf8(const WideText& text) { return Utf8FromUtf16(text.data(), text.size()); }

struct JsonCase {
  const char* name;
  WideText name16;
  const char* json;  // UTF-8
};

TEST(JsonWriter, StringsAreEscapedAndBecomeValidUtf8) {
  const JsonCase cases[] = {
      {"plain", WTEXT("a.txt"), u8R"("a.txt")"},
      {"empty", WTEXT(""), u8R"("")"},
      {"backslashes", WTEXT("C:\\dir\\a.txt"), u8R"("C:\\dir\\a.txt")"},
      {"quotes", WTEXT("say \"hi\""), u8R"("say \"hi\"")"},
      {"control characters", WideText(WTEXT("a\tb\nc\rd")) + WCHAR(1) + WCHAR(0x1F) + WCHAR(0),
       u8R"("a\u0009b\u000ac\u000dd\u0001\u001f\u0000")"},
      {"slash and DEL stay", WideText(WTEXT("a/b")) + WCHAR(0x7F), "\"a/b\x7f\""},
      {"Chinese", WTEXT("季度报告 2026.xlsx"), u8"\"季度报告 2026.xlsx\""},
      {"Latin, Cyrillic, Greek", WTEXT("Ærø Жук ά"), u8"\"Ærø Жук ά\""},
      {"surrogate pair", WTEXT("a😀b"), "\"a\xF0\x9F\x98\x80" "b\""},
      {"lone high surrogate", WideText(WTEXT("a")) + WCHAR(0xD83D) + WTEXT("b"), u8R"("a\ud83db")"},
      {"lone low surrogate", WideText(WTEXT("a")) + WCHAR(0xDE00), u8R"("a\ude00")"},
      {"high surrogate at the end", WideText(1, WCHAR(0xDBFF)), u8R"("\udbff")"},
      {"two highs then a low", WideText(WTEXT("")) + WCHAR(0xD83D) + WCHAR(0xD83D) + WCHAR(0xDE00),
       "\"\\ud83d\xF0\x9F\x98\x80\""},
  };
  for (const JsonCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(utf8(JsonString(c.name16)), std::string(c.json));
  }
}

SharedText shared(const WideText& text) { return SharedText(text); }

std::vector<HandleRecord> twoHolders() {
  HandleRecord handle;
  handle.ownerPid = 1234;
  handle.processName = shared(WTEXT("编辑器.exe"));
  handle.processPath = shared(WTEXT("C:\\Tools\\编辑器.exe"));
  handle.handleValue = 0x1a4;
  handle.filePath = shared(WTEXT("C:\\data\\a\tb.txt"));
  HandleRecord module;
  module.ownerPid = 4294967295u;
  module.processName = shared(WTEXT("host.exe"));
  module.loadedModule = true;
  module.filePath = shared(WideText(WTEXT("C:\\x\\m")) + WCHAR(0xDC00) + WTEXT(".dll"));
  return {handle, module};
}

TEST(JsonWriter, OneArrayOfObjectsWithNullHandleForModules) {
  EXPECT_EQ(utf8(HoldersAsJson({})), "[]\r\n");
  EXPECT_EQ(utf8(HoldersAsJson(twoHolders())),
            std::string(u8"[\r\n"
                        u8R"(  {"kind": "handle", "pid": 1234, "process": "编辑器.exe", "processPath": "C:\\Tools\\编辑器.exe", )"
                        u8R"("handle": 420, "module": false, "path": "C:\\data\\a\u0009b.txt"},)"
                        u8"\r\n"
                        u8R"(  {"kind": "module", "pid": 4294967295, "process": "host.exe", "processPath": "", )"
                        u8R"("handle": null, "module": true, "path": "C:\\x\\m\udc00.dll"})"
                        u8"\r\n]\r\n"));
}

// Each kind of row as the JSON and the line carry it: a holder whose handles
// could not be read has no handle value; a user's open on another computer
// has no process, and its user named apart.
TEST(ConsoleWriters, EveryKindOfRow) {
  HandleRecord handle;
  handle.ownerPid = 12;
  handle.processName = shared(WTEXT("a.exe"));
  handle.handleValue = 0x10;
  handle.filePath = shared(WTEXT("C:\\f"));
  HandleRecord module = handle;
  module.loadedModule = true;
  HandleRecord unreadable = handle;
  unreadable.kind = HolderKind::kUnreadable;
  unreadable.handleValue = 0;
  HandleRecord remote;
  remote.kind = HolderKind::kRemote;
  remote.handleValue = 77;
  remote.processName = shared(WTEXT("李雷"));
  remote.filePath = shared(WTEXT("\\\\srv\\team\\f"));
  const struct {
    const char* name;
    HandleRecord row;
    const char* json;  // the object, UTF-8
    const char* line;
  } cases[] = {
      {"handle", handle,
       u8R"({"kind": "handle", "pid": 12, "process": "a.exe", "processPath": "", "handle": 16, "module": false, "path": "C:\\f"})",
       u8"12\ta.exe\t0x10\tC:\\f\r\n"},
      {"module", module,
       u8R"({"kind": "module", "pid": 12, "process": "a.exe", "processPath": "", "handle": null, "module": true, "path": "C:\\f"})",
       u8"12\ta.exe\tmodule\tC:\\f\r\n"},
      {"unreadable", unreadable,
       u8R"({"kind": "unreadable", "pid": 12, "process": "a.exe", "processPath": "", "handle": null, "module": false, "path": "C:\\f"})",
       u8"12\ta.exe\t?\tC:\\f\r\n"},
      {"remote", remote,
       u8R"({"kind": "remote", "pid": null, "process": "", "user": "李雷", "processPath": "", "handle": null, "module": false, "path": "\\\\srv\\team\\f"})",
       u8"\t李雷\tremote\t\\\\srv\\team\\f\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(utf8(HoldersAsJson({c.row})), std::string("[\r\n  ") + c.json + "\r\n]\r\n");
    EXPECT_EQ(utf8(HoldersAsLines({c.row})), std::string(c.line));
  }
}

TEST(LineWriter, OneTabSeparatedLineAHolderWhateverTheNames) {
  EXPECT_EQ(utf8(HoldersAsLines({})), "");
  // A tab in a name would add a field: it shows as U+FFFD, and so does a
  // lone surrogate on its way to UTF-8.
  EXPECT_EQ(utf8(HoldersAsLines(twoHolders())),
            std::string(u8"1234\t编辑器.exe\t0x1a4\tC:\\data\\a\uFFFDb.txt\r\n"
                        u8"4294967295\thost.exe\tmodule\tC:\\x\\m\uFFFD.dll\r\n"));
}

// Every unit a common reader takes as a line or field break becomes U+FFFD,
// in the process name and in the path; its neighbours stay as they are.
TEST(LineWriter, EveryLineOrFieldBreakInANameBecomesTheReplacementCharacter) {
  const struct {
    WCHAR unit;
    bool replaced;
  } cases[] = {
      {0x0000, true},  {0x0009, true},  {0x000A, true},  {0x000B, true},  {0x000C, true},  {0x000D, true},
      {0x001C, true},  {0x001D, true},  {0x001E, true},  {0x001F, true},  {0x007F, true},  {0x0080, true},
      {0x0085, true},  {0x009F, true},  {0x2028, true},  {0x2029, true},
      {0x0020, false}, {0x007E, false}, {0x00A0, false}, {0x00A9, false}, {0x2027, false}, {0x202A, false},
      {0x3000, false}, {0xFEFF, false}, {0xFFFD, false},
  };
  for (const auto& c : cases) {
    const WideText name = WideText(WTEXT("a")) + c.unit + WTEXT("b");
    HandleRecord holder;
    holder.ownerPid = 7;
    holder.processName = SharedText(name + WTEXT(".exe"));
    holder.handleValue = 0x10;
    holder.filePath = SharedText(WTEXT("C:\\") + name);
    const WideText shown = WideText(WTEXT("a")) + (c.replaced ? WCHAR(0xFFFD) : c.unit) + WTEXT("b");
    EXPECT_EQ(utf8(WTEXT("7\t") + shown + WTEXT(".exe\t0x10\tC:\\") + shown + WTEXT("\r\n")),
              utf8(HoldersAsLines({holder})))
        << "U+" << std::hex << static_cast<unsigned>(c.unit);
  }
}

}  // namespace
