// The one owner of an operating-system handle: closes it exactly once, moves but
// never copies. Each kind of handle gets its own Traits, so owners of different
// kinds are different types and one cannot be passed where another is expected.
//
// Traits provides:
//   using Value = ...;                      the raw handle type
//   static Value Invalid() noexcept;        the value that owns nothing
//   static void Close(Value value) noexcept;
#pragma once

#include <utility>

namespace platform {

template <typename Traits>
class UniqueHandle {
public:
  using Value = typename Traits::Value;

  UniqueHandle() noexcept = default;
  // Explicit: a raw value becomes owned only where the code says so.
  explicit UniqueHandle(Value value) noexcept : FValue(value) {}
  ~UniqueHandle() { Reset(); }

  UniqueHandle(UniqueHandle&& other) noexcept : FValue(other.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  // The raw value, still owned here: for the call that uses it, never to keep.
  Value Get() const noexcept { return FValue; }
  bool IsValid() const noexcept { return FValue != Traits::Invalid(); }
  explicit operator bool() const noexcept { return IsValid(); }

  // Gives the handle up unclosed; the caller owns it from here on.
  Value Release() noexcept { return std::exchange(FValue, Traits::Invalid()); }

  // Closes what is held, if anything, and takes value over.
  void Reset(Value value = Traits::Invalid()) noexcept {
    const Value old = std::exchange(FValue, value);
    if (old != Traits::Invalid()) Traits::Close(old);
  }

private:
  Value FValue = Traits::Invalid();
};

}  // namespace platform
