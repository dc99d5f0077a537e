#include "scan/FileServerOpens.h"

#include "os/SystemCalls.h"
#include "scan/native/OpenFileLayouts.h"

namespace {
constexpr DWORD kOpensLevel = 3;  // FILE_INFO_3: ID, path and user
constexpr DWORD kShareLevel = 2;  // SHARE_INFO_2: the share's folder
// A server that keeps saying "more" beyond this many pages is not answering.
constexpr int kMostPages = 1000;

// The server's name as the calls take it: null for this computer.
WCHAR* serverName(WideText& server) { return server.empty() ? nullptr : server.data(); }

// Frees one answer block of the server's.
class ServerBlock {
 public:
  ServerBlock() = default;
  ~ServerBlock() {
    if (block_ != nullptr) Sys().NetApiBufferFree(block_);
  }
  ServerBlock(const ServerBlock&) = delete;
  ServerBlock& operator=(const ServerBlock&) = delete;
  BYTE** put() { return &block_; }
  const BYTE* get() const { return block_; }

 private:
  BYTE* block_ = nullptr;
};

SharedText textOf(const WCHAR* text) {
  if (text == nullptr) return SharedText();
  std::size_t length = 0;
  while (text[length] != 0) ++length;
  return SharedText(text, length);
}
}  // namespace

bool ListServerOpens(const WideText& server, const WideText& basePath, std::vector<ServerOpen>& opens) {
  WideText name = server;
  WideText base = basePath;
  DWORD_PTR resume = 0;
  for (int page = 0; page < kMostPages; ++page) {
    ServerBlock block;
    DWORD read = 0;
    DWORD total = 0;
    const DWORD answer = Sys().NetFileEnum(serverName(name), base.empty() ? nullptr : base.data(), nullptr, kOpensLevel,
                                           block.put(), kNetEverything, &read, &total, &resume);
    if (answer != kNetSuccess && answer != kNetMoreData) return false;
    if (block.get() != nullptr) {
      const auto* entries = reinterpret_cast<const FileServerOpen*>(block.get());
      for (DWORD i = 0; i < read; ++i) opens.push_back(ServerOpen{entries[i].id, textOf(entries[i].path),
                                                                  textOf(entries[i].user)});
    }
    if (answer == kNetSuccess) return true;
  }
  return false;
}

namespace {
WCHAR upperAscii(WCHAR unit) { return unit >= 'a' && unit <= 'z' ? static_cast<WCHAR>(unit - 0x20) : unit; }

bool sameNames(WideView a, WideView b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (upperAscii(a[i]) != upperAscii(b[i])) return false;
  }
  return true;
}

// Whether the server's local path of an open is the row's file: the same
// path for this computer's server; for a share's, the same path below the
// share's folder.
bool namesRowFile(WideView serverPath, WideView rowPath) {
  WideView server;
  WideView share;
  WideView rest;
  if (!SplitSharePath(rowPath, server, share, rest)) return sameNames(serverPath, rowPath);
  return !rest.empty() && serverPath.size() > rest.size() &&
         sameNames(serverPath.substr(serverPath.size() - rest.size()), rest);
}

WideView withoutTrailingSeparators(WideView path) {
  while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  return path;
}

// Whether `path` lies in `folder` (or is it), by the server's names: the
// server builds an open's path from its share's folder as it was defined.
bool inFolder(WideView path, WideView folder) {
  return path.size() >= folder.size() && sameNames(path.substr(0, folder.size()), folder) &&
         (path.size() == folder.size() || path[folder.size()] == '\\');
}

// The folder on `server` that share `share` stands for ("D:\\Shares\\Team");
// empty when the server does not say.
WideText ShareFolder(const WideText& server, const WideText& share) {
  WideText name = server;
  WideText shareName = share;
  ServerBlock block;
  if (Sys().NetShareGetInfo(serverName(name), shareName.data(), kShareLevel, block.put()) != kNetSuccess ||
      block.get() == nullptr) {
    return WideText();
  }
  const WCHAR* folder = reinterpret_cast<const ShareDetails*>(block.get())->path;
  return folder == nullptr ? WideText() : WideText(folder);
}
}  // namespace

bool ListShareOpens(WideView sharePath, std::vector<ServerOpen>& opens) {
  WideView serverName;
  WideView shareName;
  WideView rest;
  if (!SplitSharePath(sharePath, serverName, shareName, rest)) return false;
  const WideText server = WTEXT("\\\\") + WideText(serverName);
  const WideText folderText = ShareFolder(server, WideText(shareName));
  const WideView folder = withoutTrailingSeparators(folderText);
  if (folder.empty()) return false;
  std::vector<ServerOpen> local;
  const bool answered = ListServerOpens(server, WideText(folder) + WideText(rest), local);
  const WideText shareRoot = server + WTEXT("\\") + WideText(shareName);
  for (ServerOpen& open : local) {
    const WideView path = open.path.View();
    if (!inFolder(path, folder)) continue;
    open.path = SharedText(shareRoot + WideText(path.substr(folder.size())));
    opens.push_back(std::move(open));
  }
  return answered;
}

bool CloseServerOpen(WideView rowPath, DWORD id) {
  WideText name = ServerOfPath(rowPath);
  {
    ServerBlock block;
    if (Sys().NetFileGetInfo(serverName(name), id, kOpensLevel, block.put()) != kNetSuccess || block.get() == nullptr) {
      return false;
    }
    const WCHAR* path = reinterpret_cast<const FileServerOpen*>(block.get())->path;
    if (path == nullptr || !namesRowFile(path, rowPath)) return false;
  }
  return Sys().NetFileClose(serverName(name), id) == kNetSuccess;
}

bool SplitSharePath(WideView path, WideView& server, WideView& share, WideView& rest) {
  if (path.size() < 3 || path[0] != '\\' || path[1] != '\\' || path[2] == '?' || path[2] == '.') return false;
  const std::size_t shareStart = path.find('\\', 2);
  if (shareStart == WideView::npos || shareStart == 2) return false;
  std::size_t restStart = path.find('\\', shareStart + 1);
  if (restStart == WideView::npos) restStart = path.size();
  if (restStart == shareStart + 1) return false;
  server = path.substr(2, shareStart - 2);
  share = path.substr(shareStart + 1, restStart - shareStart - 1);
  rest = path.substr(restStart);
  return true;
}

WideText ServerOfPath(WideView path) {
  WideView server;
  WideView share;
  WideView rest;
  if (!SplitSharePath(path, server, share, rest)) return WideText();
  return WTEXT("\\\\") + WideText(server);
}
