#include "ui/framework/Clipboard.h"

#include <cstring>

#include "os/ClipboardSession.h"
#include "os/GlobalMemory.h"

namespace {
// The block holds the text and its terminating zero.
GlobalMemory textBlock(WideView text) {
  const size_t length = text.size();
  GlobalMemory block(::GlobalAlloc(GMEM_MOVEABLE, (length + 1) * sizeof(WCHAR)));
  if (!block) return block;
  auto* target = static_cast<WCHAR*>(::GlobalLock(block.get()));
  if (target == nullptr) return GlobalMemory(nullptr);  // `block` frees it
  std::memcpy(target, text.data(), length * sizeof(WCHAR));
  target[length] = 0;
  ::GlobalUnlock(block.get());
  return block;
}
}  // namespace

bool CopyTextToClipboard(HWND owner, WideView text) {
  // The block is made first: when there is no memory for it, the user's
  // clipboard has not been emptied yet.
  GlobalMemory block = textBlock(text);
  if (!block) return false;
  ClipboardSession clipboard(owner);
  if (!clipboard.isOpen()) return false;
  ::EmptyClipboard();
  // Once placed, the block belongs to the clipboard; a block that was not
  // taken is freed here and the copy counts as failed.
  if (::SetClipboardData(CF_UNICODETEXT, block.get()) == nullptr) return false;
  block.release();
  return true;
}
