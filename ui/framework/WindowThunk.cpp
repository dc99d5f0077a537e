#include "ui/framework/WindowThunk.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

// Each slot is aligned so that no thunk straddles a cache line.
constexpr size_t kSlotBytes = 32;
static_assert(sizeof(WindowThunk) <= kSlotBytes, "a thunk must fit its slot");

struct FreeSlot {
  FreeSlot* next;
};

// Opens one slot's page for writing for the life of the scope, then makes it
// execute-read again and flushes the slot from the instruction cache. The page
// stays executable while open: windows of other threads may be running
// through thunks on the same page at that moment. Only the pool opens pages,
// under its lock, so no page is closed while another writer still uses it.
class WritableSlot {
 public:
  explicit WritableSlot(void* slot) : slot_(slot) {
    DWORD previous;
    open_ = ::VirtualProtect(slot_, kSlotBytes, PAGE_EXECUTE_READWRITE, &previous) != FALSE;
  }
  ~WritableSlot() {
    if (!open_) return;
    DWORD previous;
    ::VirtualProtect(slot_, kSlotBytes, PAGE_EXECUTE_READ, &previous);
    ::FlushInstructionCache(::GetCurrentProcess(), slot_, kSlotBytes);
  }
  WritableSlot(const WritableSlot&) = delete;
  WritableSlot& operator=(const WritableSlot&) = delete;

  explicit operator bool() const { return open_; }

 private:
  void* slot_;
  bool open_;
};

// Execute-read pages owned for the whole process; the slots of released
// thunks are reused before another page is taken. The free list is linked
// through the free slots themselves, so releasing a slot writes to its page
// as binding one does.
class ThunkPool {
 public:
  ~ThunkPool() {
    // Windows may still run their last messages during process end; the
    // pages go with the process, and only a pool that is empty frees them.
    if (live_ == 0) {
      for (void* page : pages_) ::VirtualFree(page, 0, MEM_RELEASE);
    }
  }

  WindowThunk* take() {
    std::lock_guard<std::mutex> guard(mutex_);
    if (failures_ > 0) {
      --failures_;
      return nullptr;
    }
    if (free_ == nullptr && !addPage()) return nullptr;
    FreeSlot* slot = free_;
    free_ = slot->next;
    ++live_;
    return reinterpret_cast<WindowThunk*>(slot);
  }

  // Writes a thunk's code into its slot.
  bool write(void* slot, const unsigned char* code, size_t count) {
    std::lock_guard<std::mutex> guard(mutex_);
    WritableSlot writable(slot);
    if (!writable) return false;
    std::memcpy(slot, code, count);
    return true;
  }

  void give(WindowThunk* thunk) {
    std::lock_guard<std::mutex> guard(mutex_);
    --live_;
    WritableSlot writable(thunk);
    // A slot that cannot be written to is never handed out again.
    if (!writable) return;
    // A released slot must never run as code again: a stale call faults at
    // once instead of reaching a dead object.
    std::memset(static_cast<void*>(thunk), 0xCC, kSlotBytes);
    auto* slot = reinterpret_cast<FreeSlot*>(thunk);
    slot->next = free_;
    free_ = slot;
  }

  size_t live() {
    std::lock_guard<std::mutex> guard(mutex_);
    return live_;
  }
  size_t reserved() {
    std::lock_guard<std::mutex> guard(mutex_);
    return pages_.size() * pageBytes_;
  }
  void failNext(int count) {
    std::lock_guard<std::mutex> guard(mutex_);
    failures_ = count;
  }

 private:
  bool addPage() {
    if (pageBytes_ == 0) {
      SYSTEM_INFO info;
      ::GetSystemInfo(&info);
      pageBytes_ = info.dwPageSize;
    }
    // Room for the page first: a page must never be left unrecorded.
    pages_.reserve(pages_.size() + 1);
    // Written while it is still data; it becomes code only once linked.
    void* page = ::VirtualAlloc(nullptr, pageBytes_, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (page == nullptr) return false;
    auto* bytes = static_cast<unsigned char*>(page);
    FreeSlot* first = free_;
    for (size_t offset = pageBytes_; offset >= kSlotBytes; offset -= kSlotBytes) {
      auto* slot = reinterpret_cast<FreeSlot*>(bytes + offset - kSlotBytes);
      slot->next = first;
      first = slot;
    }
    DWORD previous;
    if (!::VirtualProtect(page, pageBytes_, PAGE_EXECUTE_READ, &previous)) {
      ::VirtualFree(page, 0, MEM_RELEASE);
      return false;
    }
    pages_.push_back(page);
    free_ = first;
    return true;
  }

  std::mutex mutex_;
  std::vector<void*> pages_;
  FreeSlot* free_ = nullptr;
  size_t live_ = 0;
  size_t pageBytes_ = 0;
  int failures_ = 0;
};

ThunkPool& Pool() {
  // Never destroyed before the last window of the process: a function-local
  // static outlives every object created after its first use.
  static ThunkPool pool;
  return pool;
}

}  // namespace

bool WindowThunk::bind(void* object, ThunkTarget target) {
  unsigned char code[kCodeBytes];
  unsigned char* p = code;
#if defined(_M_X64) || defined(__x86_64__)
  const auto objectBits = reinterpret_cast<unsigned long long>(object);
  const auto targetBits = reinterpret_cast<unsigned long long>(target);
  *p++ = 0x48;  // mov rcx, imm64: the first argument becomes the object
  *p++ = 0xB9;
  std::memcpy(p, &objectBits, 8);
  p += 8;
  *p++ = 0x48;  // mov rax, imm64
  *p++ = 0xB8;
  std::memcpy(p, &targetBits, 8);
  p += 8;
  *p++ = 0xFF;  // jmp rax
  *p++ = 0xE0;
#else
  const auto objectBits = reinterpret_cast<unsigned long>(object);
  *p++ = 0xC7;  // mov dword ptr [esp+4], imm32: the first argument becomes the object
  *p++ = 0x44;
  *p++ = 0x24;
  *p++ = 0x04;
  std::memcpy(p, &objectBits, 4);
  p += 4;
  *p++ = 0xE9;  // jmp rel32, relative to the end of this instruction
  const long relative = static_cast<long>(reinterpret_cast<unsigned long>(target) -
                                          reinterpret_cast<unsigned long>(code_ + kCodeBytes));
  std::memcpy(p, &relative, 4);
#endif
  return Pool().write(code_, code, kCodeBytes);
}

WNDPROC WindowThunk::entryPoint() { return reinterpret_cast<WNDPROC>(static_cast<void*>(code_)); }

size_t WindowThunk::liveCount() { return Pool().live(); }
size_t WindowThunk::reservedBytes() { return Pool().reserved(); }
void WindowThunk::failNextAllocations(int count) { Pool().failNext(count); }

void WindowThunkRelease::operator()(WindowThunk* thunk) const {
  if (thunk != nullptr) Pool().give(thunk);
}

WindowThunkPtr AllocateWindowThunk() { return WindowThunkPtr(Pool().take()); }
