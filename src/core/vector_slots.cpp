#include "core/vector_slots.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#if defined(__GNUC__)
#endif

#include "core/fatal.h"
#include "core/format_engine.h"

namespace {

// Returns storage for `capacity` slots. A count whose byte size does not fit
// the address space can never be satisfied, so it goes the out-of-memory way.
void** AllocateSlots(std::int64_t capacity) {
  std::uint64_t bytes = static_cast<std::uint64_t>(capacity) * sizeof(void*);
  while (bytes > SIZE_MAX) OutOfMemory(SIZE_MAX);
  return static_cast<void**>(QkAlloc(static_cast<std::size_t>(bytes)));
}

std::int64_t GrownCapacity(std::int32_t n) {
  return std::min<std::int64_t>(std::int64_t{n} + n / 2, INT32_MAX);
}

}  // namespace

VectorSlots::VectorSlots(VectorSlots&& other) noexcept
    : count_(other.count_), head_(other.head_), capacity_(other.capacity_),
      storage_(other.storage_) {
  other.count_ = other.head_ = other.capacity_ = 0;
  other.storage_ = nullptr;
}

VectorSlots& VectorSlots::operator=(VectorSlots&& other) noexcept {
  if (this != &other) {
    QkFree(storage_);
    count_ = other.count_;
    head_ = other.head_;
    capacity_ = other.capacity_;
    storage_ = other.storage_;
    other.count_ = other.head_ = other.capacity_ = 0;
    other.storage_ = nullptr;
  }
  return *this;
}

VectorSlots::~VectorSlots() {
  QkFree(storage_);
}

void VectorSlots::IndexError(std::int32_t i, TypeSignatureFn type) const {
  char name[256];
  FatalFormat("Vector<%s>[%d]\r\nmax_index = %d", ReadableTypeName(type(), name, sizeof name), i,
              count_ - 1);
}

void VectorSlots::Reserve(std::int32_t n) {
  // Asking for less room than the elements need would cut them off.
  if (n < count_) n = count_;
  bool shrink = n > 500 && n < capacity_ / 4;
  if (capacity_ < n || shrink) {
    Reallocate(n);
  } else if (capacity_ - n < head_) {
    std::int32_t to = (capacity_ - n) / 2;
    MoveSlots(head_, to, count_);
    head_ = to;
  }
}

void VectorSlots::Reallocate(std::int32_t n) {
  std::int64_t capacity = GrownCapacity(n);
  void** storage = AllocateSlots(capacity);
  std::int32_t head = n / 4;
  if (count_ > 0) std::memcpy(storage + head, storage_ + head_, count_ * sizeof(void*));
  QkFree(storage_);
  storage_ = storage;
  head_ = head;
  capacity_ = static_cast<std::int32_t>(capacity);
}

void VectorSlots::MoveSlots(std::int32_t from, std::int32_t to, std::int32_t count) {
  if (count > 0) std::memmove(storage_ + to, storage_ + from, count * sizeof(void*));
}

void VectorSlots::Insert(std::int32_t i, void* value) {
  i = std::clamp(i, 0, count_);
  if (count_ >= capacity_) {
    Reserve(count_ + 1);
    MoveSlots(head_ + i, head_ + i + 1, count_ - i);
  } else if (head_ <= (capacity_ - count_) / 2) {
    // Fewer spare slots in front than half the spare room: use the back.
    MoveSlots(head_ + i, head_ + i + 1, count_ - i);
  } else {
    MoveSlots(head_, head_ - 1, i);
    --head_;
  }
  storage_[head_ + i] = value;
  ++count_;
}

void* VectorSlots::Extract(std::int32_t i) {
  void* value = storage_[head_ + i];
  std::int32_t before = i;
  std::int32_t after = count_ - i - 1;
  // Close the gap from whichever side has fewer slots to move.
  if (before < after) {
    MoveSlots(head_, head_ + 1, before);
    ++head_;
  } else {
    MoveSlots(head_ + i + 1, head_ + i, after);
  }
  --count_;
  return value;
}

void* VectorSlots::ExtractFirst() {
  void* value = storage_[head_];
  ++head_;
  --count_;
  return value;
}

void* VectorSlots::ExtractLast() {
  --count_;
  return storage_[head_ + count_];
}

void VectorSlots::Clear(DestroyFn destroy) {
  if (destroy) {
    for (std::int32_t i = 0; i < count_; ++i) destroy(storage_[head_ + i]);
  }
  QkFree(storage_);
  storage_ = nullptr;
  count_ = head_ = capacity_ = 0;
}

void VectorSlots::CopyFrom(const VectorSlots& other, CopyFn copy) {
  Clear(nullptr);
  std::int32_t a = other.count_;
  if (a == 0) return;
  std::int64_t capacity = GrownCapacity(a);
  storage_ = AllocateSlots(capacity);
  capacity_ = static_cast<std::int32_t>(capacity);
  head_ = a / 4;
  for (std::int32_t i = 0; i < a; ++i) {
    void* source = other.slot(i);
    storage_[head_ + i] = copy ? copy(source) : source;
    count_ = i + 1;
  }
}

void VectorSlots::Resize(std::int32_t n, CreateFn create, DestroyFn destroy) {
  if (n <= 0) {
    Clear(destroy);
    return;
  }
  if (n > count_) {
    Reserve(n);
    while (count_ < n) {
      storage_[head_ + count_] = create ? create() : nullptr;
      ++count_;
    }
    return;
  }
  while (count_ > n) {
    --count_;
    if (destroy) destroy(storage_[head_ + count_]);
  }
}

void VectorSlots::Sort(LessFn less, void* context) {
  if (count_ < 2) return;
  std::stable_sort(storage_ + head_, storage_ + head_ + count_,
                   [less, context](void* a, void* b) { return less(a, b, context); });
}

const char* ReadableTypeName(const char* signature, char* buffer, std::int32_t size) {
  const char* name = std::strstr(signature, "T = ");
  name = name ? name + 4 : signature;
  // The name runs to the signature's closing bracket (GCC may add "; ..." notes).
  std::size_t length = std::strlen(name);
  const char* note = std::strchr(name, ';');
  if (note) length = static_cast<std::size_t>(note - name);
  else if (length > 0 && name[length - 1] == ']') --length;
  FormatTerminated(buffer, size, "%.*s", static_cast<int>(length), name);
  return buffer;
}
