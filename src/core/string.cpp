#include "core/string.h"

#include <cstring>

#include "core/fatal.h"

namespace {

// Two zero bytes: the empty text both as 8-bit and as UTF-16.
alignas(2) const char kEmptyText[2] = {0, 0};

int32_t GrowthStep(int32_t n) {
  if (n < 128) return 14;
  if (n < 4096) return 48;
  if (n < 16384) return 96;
  return 2048;
}

int32_t TrimCapacity(int32_t n) {
  if (n < 64) return n + 2;
  if (n < 16384) return n + 40;
  return n + 1024;
}

}  // namespace

int32_t TextLength(const char* text) {
  return text ? static_cast<int32_t>(std::strlen(text)) : 0;
}

int32_t TextLengthW(const char16_t* text) {
  if (!text) return 0;
  int32_t n = 0;
  while (text[n]) ++n;
  return n;
}

String::String(const char* text, int32_t bytes) { Assign(text, bytes); }

String::String(const char16_t* text, int32_t units) { AssignW(text, units); }

String::String(const String& other) { Assign(other.data_, other.length_); }

String::String(String&& other) noexcept
    : data_(other.data_), length_(other.length_), capacity_(other.capacity_) {
  other.data_ = nullptr;
  other.length_ = other.capacity_ = 0;
}

String::~String() { QkFree(data_); }

String& String::operator=(const String& other) {
  if (this != &other) Assign(other.data_, other.length_);
  return *this;
}

String& String::operator=(String&& other) noexcept {
  if (this != &other) {
    QkFree(data_);
    data_ = other.data_;
    length_ = other.length_;
    capacity_ = other.capacity_;
    other.data_ = nullptr;
    other.length_ = other.capacity_ = 0;
  }
  return *this;
}

String& String::operator=(const char* text) {
  Assign(text);
  return *this;
}

String& String::operator=(const char16_t* text) {
  AssignW(text);
  return *this;
}

void String::Assign(const void* bytes, int32_t count) { Replace(0, length_, bytes, count); }

void String::Assign(const char* text, int32_t bytes) {
  Replace(0, length_, text, bytes == kToEnd ? TextLength(text) : bytes);
}

void String::AssignW(const char16_t* text, int32_t units) {
  ReplaceW(0, wlength(), text, units);
}

void String::Clear() {
  QkFree(data_);
  data_ = nullptr;
  length_ = capacity_ = 0;
}

const char* String::c_str() const {
  return data_ ? reinterpret_cast<const char*>(data_) : kEmptyText;
}

const char16_t* String::w_str() const {
  return reinterpret_cast<const char16_t*>(data_ ? reinterpret_cast<const char*>(data_) : kEmptyText);
}

uint8_t& String::At(int32_t index) {
  if (index < 0 || index >= length_) QK_FATAL("qk_core");
  return data_[index];
}

uint8_t String::At(int32_t index) const {
  if (index < 0 || index >= length_) QK_FATAL("qk_core");
  return data_[index];
}

char16_t& String::AtW(int32_t index) {
  if (index < 0 || index >= wlength()) QK_FATAL("qk_core");
  return wdata()[index];
}

char16_t String::AtW(int32_t index) const {
  if (index < 0 || index >= wlength()) QK_FATAL("qk_core");
  return w_str()[index];
}

int32_t String::GrowthCapacity(int32_t n) {
  const int64_t wanted = 2 * static_cast<int64_t>(n) + GrowthStep(n);
  // Past 1 GiB doubling would overflow a 32-bit capacity; grow by the step only.
  if (wanted > 0x7FFFFFF0) return n + GrowthStep(n);
  return static_cast<int32_t>(wanted);
}

bool String::Owns(const void* pointer) const {
  const uint8_t* p = static_cast<const uint8_t*>(pointer);
  return data_ && p >= data_ && p < data_ + capacity_;
}

void String::Reallocate(int32_t new_capacity) {
  data_ = static_cast<uint8_t*>(QkRealloc(data_, static_cast<std::size_t>(new_capacity)));
  capacity_ = new_capacity;
}

void String::Terminate() {
  data_[length_] = 0;
  data_[length_ + 1] = 0;
}

void String::SetLength(int32_t n) {
  if (n <= 0) {
    Clear();
    return;
  }
  if (n > kToEnd - 2) QK_FATAL("qk_core");
  if (capacity_ - 2 < n) Reallocate(GrowthCapacity(n));
  if (n > length_) std::memset(data_ + length_, 0, static_cast<std::size_t>(n - length_));
  length_ = n;
  Terminate();
}

void String::SetLengthTrim(int32_t n) {
  if (n <= 0) {
    Clear();
    return;
  }
  if (n > kToEnd - 1024) QK_FATAL("qk_core");
  if (capacity_ - 2 < n || n < capacity_ - 1024) Reallocate(TrimCapacity(n));
  if (n > length_) std::memset(data_ + length_, 0, static_cast<std::size_t>(n - length_));
  length_ = n;
  Terminate();
}

void String::SetLengthExact(int32_t n) {
  if (n <= 0) {
    Clear();
    return;
  }
  if (n > kToEnd - 2) QK_FATAL("qk_core");
  if (capacity_ != n + 2) Reallocate(n + 2);
  if (n > length_) std::memset(data_ + length_, 0, static_cast<std::size_t>(n - length_));
  length_ = n;
  Terminate();
}

void String::Reserve(int32_t n) {
  const int32_t wanted = n > length_ + 2 ? n : length_ + 2;
  if (capacity_ >= wanted) return;
  const bool fresh = data_ == nullptr;
  Reallocate(wanted);
  if (fresh) {
    length_ = 0;
    Terminate();
  }
}

bool String::Replace(int32_t position, int32_t remove, const void* source, int32_t count) {
  if (position < 0 || position > length_) return false;
  if (count == kToEnd) count = TextLength(static_cast<const char*>(source));
  if (!source || count < 0) count = 0;
  if (remove < 0) remove = 0;
  if (remove > length_ - position) remove = length_ - position;
  const int64_t new_length = static_cast<int64_t>(length_) - remove + count;
  if (new_length > kToEnd - 2) QK_FATAL("qk_core");

  // A source inside our own buffer would move or be overwritten below: copy it aside.
  String aside;
  if (count > 0 && Owns(source)) {
    aside.Replace(0, 0, source, count);
    source = aside.data_;
  }
  if (new_length <= 0) {
    Clear();
    return true;
  }
  const int32_t old_length = length_;
  const int32_t tail = old_length - position - remove;
  const int32_t n = static_cast<int32_t>(new_length);
  if (capacity_ - 2 < n) Reallocate(GrowthCapacity(n));
  if (tail > 0 && count != remove) {
    std::memmove(data_ + position + count, data_ + position + remove, static_cast<std::size_t>(tail));
  }
  if (count > 0) std::memcpy(data_ + position, source, static_cast<std::size_t>(count));
  length_ = n;
  Terminate();
  return true;
}

bool String::ReplaceW(int32_t position, int32_t remove, const char16_t* source, int32_t units) {
  if (units == kToEnd) units = TextLengthW(source);
  if (position < 0 || position > wlength() || units < 0 || units > kToEnd / 2) return false;
  const int32_t byte_remove = remove >= kToEnd / 2 ? kToEnd : remove * 2;
  return Replace(position * 2, byte_remove, source, units * 2);
}

bool String::Insert(int32_t position, const char* text, int32_t bytes) {
  return Replace(position, 0, text, bytes);
}

bool String::InsertW(int32_t position, const char16_t* text, int32_t units) {
  return ReplaceW(position, 0, text, units);
}

bool String::Append(const void* source, int32_t count) { return Replace(length_, 0, source, count); }

bool String::Append(const char* text) { return Replace(length_, 0, text, kToEnd); }

bool String::Append(const String& other) { return Replace(length_, 0, other.data_, other.length_); }

bool String::Append(char byte) { return Replace(length_, 0, &byte, 1); }

bool String::AppendW(const char16_t* text, int32_t units) {
  // Appending after an odd byte count would misalign the wide text; callers
  // keep wide strings even, and the position test below keeps it that way.
  return ReplaceW(wlength(), 0, text, units);
}

bool String::AppendW(char16_t unit) { return ReplaceW(wlength(), 0, &unit, 1); }

bool String::Delete(int32_t position, int32_t count) { return Replace(position, count, nullptr, 0); }

bool String::DeleteW(int32_t position, int32_t units) {
  if (position < 0 || position > wlength()) return false;
  const int32_t byte_count = units >= kToEnd / 2 ? kToEnd : units * 2;
  return Replace(position * 2, byte_count, nullptr, 0);
}

bool String::InsertFill(int32_t position, uint8_t byte, int32_t n) {
  return InsertRepeated(position, &byte, 1, n);
}

bool String::InsertFillW(int32_t position, char16_t unit, int32_t n) {
  if (position < 0 || position > wlength()) return false;
  return InsertRepeated(position * 2, &unit, 2, n);
}

bool String::InsertRepeated(int32_t position, const void* source, int32_t count, int32_t n) {
  if (position < 0 || position > length_) return false;
  if (n <= 0 || count <= 0) return true;
  if (static_cast<int64_t>(count) * n > kToEnd - 2 - length_) QK_FATAL("qk_core");
  String piece(static_cast<const char*>(source), count);  // the source may lie inside us
  String fill;
  fill.Reserve(count * n + 2);
  for (int32_t i = 0; i < n; ++i) fill.Append(piece);
  return Replace(position, 0, fill.data_, fill.length_);
}

bool String::operator==(const String& other) const {
  return length_ == other.length_ &&
         (length_ == 0 || std::memcmp(data_, other.data_, static_cast<std::size_t>(length_)) == 0);
}
