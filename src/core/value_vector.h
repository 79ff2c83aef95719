// ValueVector<T>: the vector form for plain values (integers, handles,
// non-owned pointers) stored directly in the slots, with the same engine,
// shape rules and bounds check as Vector<T>. Elements are returned by value
// and changed with Set.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <type_traits>

#include "core/vector_slots.h"

template <class T>
class ValueVector {
  static_assert(std::is_trivially_copyable_v<T> && sizeof(T) <= sizeof(void*),
                "ValueVector holds values that fit a pointer slot");

 public:
  struct ReadValue {
    static T Get(void* slot) { return FromSlot(slot); }
  };
  using Iterator = SlotIterator<ReadValue>;

  ValueVector() = default;
  ValueVector(const ValueVector& other) { slots_.CopyFrom(other.slots_, nullptr); }
  ValueVector(ValueVector&& other) noexcept = default;
  ValueVector& operator=(const ValueVector& other) {
    if (this != &other) slots_.CopyFrom(other.slots_, nullptr);
    return *this;
  }
  ValueVector& operator=(ValueVector&& other) noexcept = default;
  ~ValueVector() = default;

  std::int32_t Count() const { return slots_.count(); }
  bool IsEmpty() const { return slots_.count() == 0; }

  T operator[](std::int32_t i) const {
    slots_.CheckIndex(i, &TypeSignature<T>);
    return FromSlot(slots_.slot(i));
  }
  void Set(std::int32_t i, T value) {
    slots_.CheckIndex(i, &TypeSignature<T>);
    slots_.set_slot(i, ToSlot(value));
  }
  // Value i, or nothing when i is out of range (no error).
  std::optional<T> TryAt(std::int32_t i) const {
    if (static_cast<std::uint32_t>(i) >= static_cast<std::uint32_t>(Count())) return {};
    return FromSlot(slots_.slot(i));
  }
  T First() const { return (*this)[0]; }
  T Last() const { return (*this)[Count() - 1]; }

  void Add(T value) { slots_.Insert(Count(), ToSlot(value)); }
  void Insert(std::int32_t i, T value) { slots_.Insert(i, ToSlot(value)); }
  void Remove(std::int32_t i) {
    slots_.CheckIndex(i, &TypeSignature<T>);
    slots_.Extract(i);
  }
  std::optional<T> TakeFirst() {
    if (IsEmpty()) return {};
    return FromSlot(slots_.ExtractFirst());
  }
  std::optional<T> TakeLast() {
    if (IsEmpty()) return {};
    return FromSlot(slots_.ExtractLast());
  }
  void RemoveAll() { slots_.Clear(nullptr); }

  // New values are zero (0, null).
  void Resize(std::int32_t n) { slots_.Resize(n, nullptr, nullptr); }
  void Reserve(std::int32_t n) { slots_.Reserve(n); }

  template <class Less>
  void Sort(Less less) {
    slots_.Sort(
        [](const void* a, const void* b, void* context) -> bool {
          return (*static_cast<Less*>(context))(FromSlot(a), FromSlot(b));
        },
        &less);
  }

  Iterator begin() const { return Iterator(slots_.begin()); }
  Iterator end() const { return Iterator(slots_.end()); }

  std::int32_t Capacity() const { return slots_.capacity(); }
  std::int32_t Head() const { return slots_.head(); }

 private:
  // Values travel through the slots as bytes, so no slot is ever read
  // through the wrong type.
  static void* ToSlot(T value) {
    void* slot = nullptr;
    std::memcpy(&slot, &value, sizeof(T));
    return slot;
  }
  static T FromSlot(const void* slot) {
    T value;
    std::memcpy(&value, &slot, sizeof(T));
    return value;
  }

  VectorSlots slots_;
};
