#include "ui/main/CopyPathToClipboard.h"

#include <cstring>

#include "ui/main/ClipboardSession.h"
#include "ui/main/GlobalMemory.h"

namespace {
// The block holds the text and its terminating zero.
GlobalMemory textBlock(const AnsiString& text) {
  const size_t length = static_cast<size_t>(text.GetLength());
  GlobalMemory block(::GlobalAlloc(GMEM_MOVEABLE, length + 1));
  if (!block) return block;
  auto* target = static_cast<char*>(::GlobalLock(block.get()));
  if (target == nullptr) return GlobalMemory(nullptr);  // `block` frees it
  std::memcpy(target, text.GetString(), length);
  target[length] = '\0';
  ::GlobalUnlock(block.get());
  return block;
}
}  // namespace

bool copyPathToClipboard(HWND owner, const AnsiString& text) {
  // The block is made first: when there is no memory for it, the user's
  // clipboard has not been emptied yet.
  GlobalMemory block = textBlock(text);
  if (!block) return false;
  ClipboardSession clipboard(owner);
  if (!clipboard.isOpen()) return false;
  ::EmptyClipboard();
  // Once placed, the block belongs to the clipboard; a block that was not
  // taken is freed here and the copy counts as failed.
  if (::SetClipboardData(CF_TEXT, block.get()) == nullptr) return false;
  block.release();
  return true;
}
