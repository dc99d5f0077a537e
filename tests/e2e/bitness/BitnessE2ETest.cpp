// Ostrel on 64-bit Windows, both bitnesses side by side in one 64-bit
// prefix. A 64-bit helper holds a file and has a DLL loaded; a file in
// System32 and its SysWOW64 twin of the same name are held by a 64-bit and
// a 32-bit helper. Through the distribution's Ostrel.exe the window is
// Ostrel64.exe's, a 64-bit process, and every answer is right; Ostrel.exe
// alone (no sibling) still answers the file and the System32 file right.
//
// The driver is the 64-bit build. The distribution folder (OSTREL_DIST) and
// the folder of the 32-bit helper (OSTREL_WIN32_BIN) come from the
// environment. Where a case cannot run, it is skipped and says why.

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "FileHolderProcess.h"
#include "OstrelProcess.h"
#include "OstrelWindow.h"
#include "ScratchFiles.h"
#include "TopLevelWindow.h"
#include "Wait.h"
#include "WindowProcess.h"

namespace {

constexpr int kHandleColumn = 2;
constexpr int kProcessIdColumn = 3;
constexpr DWORD kWindowMilliseconds = 60000;
const wchar_t kModuleText[] = L"模块";
const wchar_t kHeldSuffix[] = L" 被占用了";
const wchar_t kTwinName[] = L"OstrelBitnessTwin.dat";

std::wstring fromEnvironment(const wchar_t* name) {
  std::vector<wchar_t> value(32768);
  const DWORD length = ::GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
  std::wstring text(value.data(), length < value.size() ? length : 0);
  for (wchar_t& c : text) {
    if (c == L'/') c = L'\\';
  }
  return text;
}

bool isFile(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool is64BitProcess(HANDLE process) {
  BOOL wow64 = TRUE;
  return ::IsWow64Process(process, &wow64) && !wow64;
}

std::wstring fileName(const std::wstring& path) { return path.substr(path.find_last_of(L'\\') + 1); }

// One start of an Ostrel.exe with a target and the window that answers.
class Start {
 public:
  Start(const std::wstring& exe, const std::wstring& target)
      : process_(e2e::CommandLine{L"\"" + exe + L"\" \"" + target + L"\""}),
        shown_(process_, kWindowMilliseconds),
        window_(shown_.handle(), shown_.id()) {}

  bool handedOver() const { return shown_.handedOver(); }
  HANDLE windowProcess() const { return shown_.handle(); }
  DWORD startedPid() const { return process_.id(); }
  const e2e::OstrelWindow& window() const { return window_; }
  e2e::OstrelProcess& started() { return process_; }

 private:
  e2e::OstrelProcess process_;
  e2e::WindowProcess shown_;
  e2e::OstrelWindow window_;
};

class Bitness : public ::testing::Test {
 protected:
  void SetUp() override {
    if (sizeof(void*) != 8) GTEST_SKIP() << "the driver must be the 64-bit build";
    dist_ = fromEnvironment(L"OSTREL_DIST");
    if (!isFile(dist_ + L"\\Ostrel.exe") || !isFile(dist_ + L"\\Ostrel64.exe")) {
      GTEST_SKIP() << "no distribution (Ostrel.exe and Ostrel64.exe) in OSTREL_DIST; tools/package writes it";
    }
    const std::wstring holder32 = fromEnvironment(L"OSTREL_WIN32_BIN") + L"\\file_holder.exe";
    if (!isFile(holder32)) GTEST_SKIP() << "no 32-bit file_holder.exe in OSTREL_WIN32_BIN (the win32 build)";
    wchar_t system32[MAX_PATH] = {};
    wchar_t sysWow64[MAX_PATH] = {};
    ASSERT_NE(0u, ::GetSystemDirectoryW(system32, MAX_PATH));
    if (::GetSystemWow64DirectoryW(sysWow64, MAX_PATH) == 0) GTEST_SKIP() << "this system has no 32-bit side";
    system32Twin_ = std::wstring(system32) + L"\\" + kTwinName;
    sysWow64Twin_ = std::wstring(sysWow64) + L"\\" + kTwinName;
    for (const std::wstring& twin : {system32Twin_, sysWow64Twin_}) {
      HANDLE file = ::CreateFileW(twin.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr);
      ASSERT_NE(INVALID_HANDLE_VALUE, file) << "cannot write into the system folders";
      ::CloseHandle(file);
    }

    folder_ = e2e::scratchFolder(L"OstrelBitness");
    file_ = e2e::scratchFile(L"OstrelBitness\\held by a 64-bit program.txt");
    module_ = e2e::copyFromDriverFolder(L"held_module.dll", folder_);
    FileHolderProcess::Options options64;
    options64.modules = {module_};
    holder64_ = std::make_unique<FileHolderProcess>(std::vector<std::wstring>{file_, system32Twin_}, options64);
    ASSERT_TRUE(holder64_->holding()) << "the 64-bit helper did not take its files and DLL";
    ASSERT_TRUE(is64BitProcess(holder64_->process()));
    FileHolderProcess::Options options32;
    options32.program = holder32;
    holder32_ = std::make_unique<FileHolderProcess>(std::vector<std::wstring>{sysWow64Twin_}, options32);
    if (!holder32_->holding()) {
      GTEST_SKIP() << "this machine cannot run a 32-bit program beside 64-bit ones in one 64-bit prefix";
    }
  }

  void TearDown() override {
    holder32_.reset();
    holder64_.reset();
    ::DeleteFileW(system32Twin_.c_str());
    ::DeleteFileW(sysWow64Twin_.c_str());
  }

  // The answer for `target`: held, with rows of exactly the processes in
  // `owners`; with `moduleRow`, one of them a 模块 row.
  static void expectAnswer(const e2e::OstrelWindow& window, const std::wstring& target, std::set<DWORD> owners,
                           bool moduleRow) {
    EXPECT_EQ(fileName(target) + kHeldSuffix, window.waitForStatusToSettle());
    std::set<DWORD> shown;
    bool module = false;
    for (const e2e::Row& row : window.rows()) {
      shown.insert(static_cast<DWORD>(std::stoul(row.columns[kProcessIdColumn])));
      module = module || row.columns[kHandleColumn] == kModuleText;
    }
    EXPECT_EQ(owners, shown) << e2e::narrow(target);
    EXPECT_TRUE(module || !moduleRow) << "the DLL as a 模块 row";
  }

  std::wstring dist_;
  std::wstring folder_;
  std::wstring file_;
  std::wstring module_;
  std::wstring system32Twin_;
  std::wstring sysWow64Twin_;
  std::unique_ptr<FileHolderProcess> holder64_;
  std::unique_ptr<FileHolderProcess> holder32_;
};

TEST_F(Bitness, TheDistributionsOstrelExeHandsOverAndEveryAnswerIsRight) {
  const DWORD holder = holder64_->pid();
  struct Case {
    std::wstring target;
    bool moduleRow;
  };
  for (const Case& c : {Case{file_, false}, Case{module_, true}, Case{system32Twin_, false}}) {
    Start start(dist_ + L"\\Ostrel.exe", c.target);
    ASSERT_TRUE(start.handedOver()) << "the window is Ostrel64.exe's";
    EXPECT_TRUE(is64BitProcess(start.windowProcess()));
    EXPECT_EQ(nullptr, e2e::findTopLevel(start.startedPid(), nullptr)) << "Ostrel.exe shows no window of its own";
    expectAnswer(start.window(), c.target, {holder}, c.moduleRow);
    start.window().post(WM_CLOSE);
    EXPECT_EQ(std::optional<DWORD>(0), start.started().waitForExit(30000)) << "Ostrel.exe ends with its exit code";
  }
}

TEST_F(Bitness, OstrelExeAloneStillNamesTheRightFiles) {
  const std::wstring alone = e2e::scratchFolder(L"OstrelBitness\\alone") + L"\\Ostrel.exe";
  ASSERT_TRUE(::CopyFileW((dist_ + L"\\Ostrel.exe").c_str(), alone.c_str(), FALSE));
  for (const std::wstring& target : {file_, system32Twin_}) {
    Start start(alone, target);
    ASSERT_FALSE(start.handedOver()) << "no sibling: Ostrel.exe goes on by itself";
    EXPECT_FALSE(is64BitProcess(start.windowProcess()));
    expectAnswer(start.window(), target, {holder64_->pid()}, false);
  }
}

}  // namespace
