#pragma once
// The one owner of a system resource named by a pointer-like value (a
// handle, a GDI object, a memory block): it frees the resource with its
// `Closer` when it goes or is reset, never twice, and never a null value.
// Move-only; release() hands the resource on and owns nothing after.
// Every owner in the tool is an alias of it (UniqueHandle, GdiObject,
// GlobalMemory, PopupMenu, VirtualBlock).

#include <utility>

template <typename Value, typename Closer>
class UniqueResource {
 public:
  UniqueResource() = default;
  explicit UniqueResource(Value value) : value_(value) {}
  ~UniqueResource() { reset(); }
  UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;

  Value get() const { return value_; }
  explicit operator bool() const { return value_ != Value{}; }
  // Frees the resource owned so far, then owns `value`.
  void reset(Value value = Value{}) {
    const Value old = std::exchange(value_, value);
    if (old != Value{}) Closer{}(old);
  }
  // The resource, no longer owned.
  Value release() { return std::exchange(value_, Value{}); }
  // For calls that hand a resource out through a pointer: frees the one
  // owned so far.
  Value* put() {
    reset();
    return &value_;
  }

 private:
  Value value_{};
};
