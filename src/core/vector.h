// Vector<T>: an ordered, bounds-checked sequence of owned elements. Every
// element lives in its own heap block and the vector keeps pointers to them,
// so references to elements stay valid while the vector grows, shifts or
// sorts. Spare slots in front of the elements make insertion at the front and
// taking from the front cheap, so a vector also serves as a queue.
//
// Any access with an index outside 0..Count()-1 raises the internal fatal
// error "Vector<type>[index]\r\nmax_index = Count()-1"; nothing here throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

#include "core/fatal.h"
#include "core/vector_slots.h"

// The element operations every vector of T shares, as plain functions that
// the untyped engine calls.
template <class T>
struct VectorElement {
  template <class... Args>
  static T* New(Args&&... args) {
    static_assert(alignof(T) <= alignof(std::max_align_t), "over-aligned elements");
    return new (QkAlloc(sizeof(T))) T(std::forward<Args>(args)...);
  }
  static void* Create() { return New(); }
  static void* Copy(const void* element) { return New(*static_cast<const T*>(element)); }
  static void Destroy(void* element) {
    if (element == nullptr) return;
    static_cast<T*>(element)->~T();
    QkFree(element);
  }
};

// Owns an element taken out of a vector; destroys it as the vector would.
template <class T>
struct ElementDelete {
  void operator()(T* element) const { VectorElement<T>::Destroy(element); }
};
template <class T>
using ElementPtr = std::unique_ptr<T, ElementDelete<T>>;

// Makes an element ready to be adopted by Add(ElementPtr) or Insert.
template <class T, class... Args>
ElementPtr<T> MakeElement(Args&&... args) {
  return ElementPtr<T>(VectorElement<T>::New(std::forward<Args>(args)...));
}

template <class T>
class Vector {
  using Element = VectorElement<T>;

 public:
  template <class E>
  struct ReadElement {
    static E& Get(void* slot) { return *static_cast<E*>(slot); }
  };
  using Iterator = SlotIterator<ReadElement<T>>;
  using ConstIterator = SlotIterator<ReadElement<const T>>;

  Vector() = default;
  Vector(const Vector& other) { slots_.CopyFrom(other.slots_, &Element::Copy); }
  Vector(Vector&& other) noexcept = default;
  Vector& operator=(const Vector& other) {
    if (this != &other) {
      Vector copy(other);
      *this = std::move(copy);
    }
    return *this;
  }
  Vector& operator=(Vector&& other) noexcept {
    if (this != &other) {
      RemoveAll();
      slots_ = std::move(other.slots_);
    }
    return *this;
  }
  ~Vector() { RemoveAll(); }

  std::int32_t Count() const { return slots_.count(); }
  bool IsEmpty() const { return slots_.count() == 0; }

  T& operator[](std::int32_t i) { return *Checked(i); }
  const T& operator[](std::int32_t i) const { return *Checked(i); }
  // Element i, or null when i is out of range (no error).
  T* TryAt(std::int32_t i) { return InRange(i) ? At(i) : nullptr; }
  const T* TryAt(std::int32_t i) const { return InRange(i) ? At(i) : nullptr; }
  T& First() { return *Checked(0); }
  const T& First() const { return *Checked(0); }
  T& Last() { return *Checked(Count() - 1); }
  const T& Last() const { return *Checked(Count() - 1); }

  // Adding and inserting return the new element. Insert clamps i into
  // 0..Count().
  T& Add(const T& value) { return Adopt(Count(), Element::New(value)); }
  T& Add(T&& value) { return Adopt(Count(), Element::New(std::move(value))); }
  T& Add(ElementPtr<T> element) { return Adopt(Count(), element.release()); }
  template <class... Args>
  T& Emplace(Args&&... args) {
    return Adopt(Count(), Element::New(std::forward<Args>(args)...));
  }
  T& Insert(std::int32_t i, const T& value) { return Adopt(i, Element::New(value)); }
  T& Insert(std::int32_t i, T&& value) { return Adopt(i, Element::New(std::move(value))); }
  T& Insert(std::int32_t i, ElementPtr<T> element) { return Adopt(i, element.release()); }

  // Destroys element i.
  void Remove(std::int32_t i) {
    slots_.CheckIndex(i, &TypeSignature<T>);
    Element::Destroy(slots_.Extract(i));
  }
  // Takes element i out without destroying it.
  ElementPtr<T> Detach(std::int32_t i) {
    slots_.CheckIndex(i, &TypeSignature<T>);
    return ElementPtr<T>(static_cast<T*>(slots_.Extract(i)));
  }
  // Queue use: remove and hand over the first or last element; null when
  // empty. Taking the first only advances head.
  ElementPtr<T> TakeFirst() {
    return ElementPtr<T>(IsEmpty() ? nullptr : static_cast<T*>(slots_.ExtractFirst()));
  }
  ElementPtr<T> TakeLast() {
    return ElementPtr<T>(IsEmpty() ? nullptr : static_cast<T*>(slots_.ExtractLast()));
  }
  // Destroys every element and gives the storage back.
  void RemoveAll() { slots_.Clear(&Element::Destroy); }

  // n <= 0 empties; growing adds default elements, shrinking destroys the
  // elements from index n on.
  void Resize(std::int32_t n) { slots_.Resize(n, &Element::Create, &Element::Destroy); }
  void Reserve(std::int32_t n) { slots_.Reserve(n); }

  // Stable sort; less(a, b) answers whether a comes before b.
  template <class Less>
  void Sort(Less less) {
    slots_.Sort(
        [](const void* a, const void* b, void* context) -> bool {
          return (*static_cast<Less*>(context))(*static_cast<const T*>(a),
                                                 *static_cast<const T*>(b));
        },
        &less);
  }

  Iterator begin() { return Iterator(slots_.begin()); }
  Iterator end() { return Iterator(slots_.end()); }
  ConstIterator begin() const { return ConstIterator(slots_.begin()); }
  ConstIterator end() const { return ConstIterator(slots_.end()); }

  // The storage shape, for diagnostics and tests.
  std::int32_t Capacity() const { return slots_.capacity(); }
  std::int32_t Head() const { return slots_.head(); }

 private:
  bool InRange(std::int32_t i) const {
    return static_cast<std::uint32_t>(i) < static_cast<std::uint32_t>(Count());
  }
  T* At(std::int32_t i) const { return static_cast<T*>(slots_.slot(i)); }
  T* Checked(std::int32_t i) const {
    slots_.CheckIndex(i, &TypeSignature<T>);
    return At(i);
  }
  T& Adopt(std::int32_t i, T* element) {
    // An empty ElementPtr handed in is a caller's mistake, not an element.
    if (element == nullptr) QK_FATAL("qk_core");
    slots_.Insert(i, element);
    return *element;
  }

  VectorSlots slots_;
};

// The text array of the library: Array<String> is the vector of String.
template <class T>
using Array = Vector<T>;
