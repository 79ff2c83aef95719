// The one untyped engine behind every vector: an array of pointer-sized slots
// with spare room in front (head) and behind, so that adding at either end and
// taking from the front are cheap. Vector<T> keeps owned element pointers in
// the slots, ValueVector<T> keeps plain values; element work is passed in as
// plain functions, so the slot algorithms exist once, not once per type.
#pragma once

#include <cstdint>

// Names T through the compiler's own signature text of this function
// ("... [with T = String]"): a failing index check reads the name from it,
// so no demangler has to travel inside the program.
template <typename T>
const char* TypeSignature() {
  return __PRETTY_FUNCTION__;
}
using TypeSignatureFn = const char* (*)();

class VectorSlots {
 public:
  using CreateFn = void* (*)();
  using CopyFn = void* (*)(const void* slot);
  using DestroyFn = void (*)(void* slot);
  using LessFn = bool (*)(const void* a, const void* b, void* context);

  VectorSlots() = default;
  VectorSlots(const VectorSlots&) = delete;
  VectorSlots& operator=(const VectorSlots&) = delete;
  VectorSlots(VectorSlots&& other) noexcept;
  VectorSlots& operator=(VectorSlots&& other) noexcept;
  // Frees the slot storage only; the typed owner destroys the elements first.
  ~VectorSlots();

  std::int32_t count() const { return count_; }
  std::int32_t head() const { return head_; }
  std::int32_t capacity() const { return capacity_; }

  void* slot(std::int32_t i) const { return storage_[head_ + i]; }
  void set_slot(std::int32_t i, void* value) { storage_[head_ + i] = value; }
  void* const* begin() const { return storage_ + head_; }
  void* const* end() const { return storage_ + head_ + count_; }

  // Raises the internal fatal error "Vector<type>[i]\r\nmax_index = count-1"
  // unless 0 <= i < count.
  void CheckIndex(std::int32_t i, TypeSignatureFn type) const {
    if (static_cast<std::uint32_t>(i) >= static_cast<std::uint32_t>(count_)) {
      IndexError(i, type);
    }
  }
  [[noreturn]] void IndexError(std::int32_t i, TypeSignatureFn type) const;

  // Makes room for n slots: grows to n + n/2 when too small, shrinks the same
  // way when n > 500 and under a quarter of the capacity, else slides the
  // elements to the middle when there is no room behind them. Never drops
  // below the current count.
  void Reserve(std::int32_t n);
  // Stores value as element i (clamped into 0..count), using the spare slots
  // on the cheaper side.
  void Insert(std::int32_t i, void* value);
  // Removes slot i (which must exist) and returns what it held.
  void* Extract(std::int32_t i);
  // Remove the first or last slot (count must be > 0).
  void* ExtractFirst();
  void* ExtractLast();

  // Destroys every element (destroy may be null) and frees the storage.
  void Clear(DestroyFn destroy);
  // Replaces an empty engine by copies of other's elements, shaped a + a/2
  // slots with head a/4 for a elements.
  void CopyFrom(const VectorSlots& other, CopyFn copy);
  // n <= 0 empties; growing creates elements, shrinking destroys the surplus.
  void Resize(std::int32_t n, CreateFn create, DestroyFn destroy);
  // Stable sort of the slots by less(a, b, context).
  void Sort(LessFn less, void* context);

 private:
  void Reallocate(std::int32_t n);
  void MoveSlots(std::int32_t from, std::int32_t to, std::int32_t count);

  std::int32_t count_ = 0;
  std::int32_t head_ = 0;
  std::int32_t capacity_ = 0;
  void** storage_ = nullptr;
};

// Walks a run of slots; Read turns a slot into what the vector hands out
// (an element reference or a plain value).
template <class Read>
class SlotIterator {
 public:
  explicit SlotIterator(void* const* slot) : slot_(slot) {}
  decltype(auto) operator*() const { return Read::Get(*slot_); }
  SlotIterator& operator++() {
    ++slot_;
    return *this;
  }
  bool operator==(const SlotIterator& other) const { return slot_ == other.slot_; }

 private:
  void* const* slot_;
};

// The element type's name taken from a TypeSignature text (the text itself
// when it has no "T = " part).
const char* ReadableTypeName(const char* signature, char* buffer, std::int32_t size);
