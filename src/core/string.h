// String: the one text and byte-buffer type of the program. The same object
// holds 8-bit text (ANSI code page or UTF-8), UTF-16LE text or raw bytes; the
// operation used decides how the bytes are read.
//
// Storage rules that callers may rely on:
// - When storage exists, capacity >= length + 2 and the two bytes after the
//   content are zero, so the buffer is terminated both as 8-bit and as UTF-16.
// - An empty string may own nothing; pointer accessors then return a static
//   empty text, never null.
// - 8-bit operations count bytes; the W operations count UTF-16 units.
// - A count of kToEnd means "to the end" (for a source text: measure it up to
//   its terminator).
//
// Around it: string_compare.h (ordering, '?' patterns), string_split.h,
// search.h (the search routine behind Find), format.h (printf into a String),
// codepage.h (UTF-8, ANSI and other code pages), number_format.h, csv.h,
// version_compare.h, datetime.h and char_class.h.
#pragma once

#include <cstdint>

class String {
 public:
  static constexpr int32_t kToEnd = 0x7FFFFFFF;

  String() = default;
  String(const char* text, int32_t bytes = kToEnd);
  explicit String(const char16_t* text, int32_t units = kToEnd);
  String(const String& other);
  String(String&& other) noexcept;
  ~String();

  String& operator=(const String& other);
  String& operator=(String&& other) noexcept;
  String& operator=(const char* text);
  String& operator=(const char16_t* text);

  // Replaces the content with (pointer, count). A source inside this string's
  // own buffer is allowed.
  void Assign(const void* bytes, int32_t count);
  void Assign(const char* text, int32_t bytes = kToEnd);
  void AssignW(const char16_t* text, int32_t units = kToEnd);
  // Frees the storage.
  void Clear();

  // Sizes, in bytes, and the wide length in UTF-16 units.
  int32_t length() const { return length_; }
  int32_t capacity() const { return capacity_; }
  int32_t wlength() const { return length_ / 2; }
  bool empty() const { return length_ == 0; }

  // Views; never null. The first two are the same bytes read two ways.
  const char* c_str() const;
  const char16_t* w_str() const;
  const uint8_t* bytes() const { return reinterpret_cast<const uint8_t*>(c_str()); }
  // Writable content; null while nothing is allocated.
  uint8_t* data() { return data_; }
  char16_t* wdata() { return reinterpret_cast<char16_t*>(data_); }

  // Bounds-checked access; an index outside 0..length-1 is an internal fatal error.
  uint8_t& At(int32_t index);
  uint8_t At(int32_t index) const;
  char16_t& AtW(int32_t index);
  char16_t AtW(int32_t index) const;

  // The one editing primitive: removes `remove` bytes at `position` (clamped
  // to what is left) and puts `count` bytes of `source` there. Returns false
  // and changes nothing when position lies outside 0..length.
  bool Replace(int32_t position, int32_t remove, const void* source, int32_t count);
  bool ReplaceW(int32_t position, int32_t remove, const char16_t* source, int32_t units);

  bool Insert(int32_t position, const char* text, int32_t bytes = kToEnd);
  bool InsertW(int32_t position, const char16_t* text, int32_t units = kToEnd);
  bool Append(const void* source, int32_t count);
  bool Append(const char* text);
  bool Append(const String& other);
  bool Append(char byte);
  bool AppendW(const char16_t* text, int32_t units = kToEnd);
  bool AppendW(char16_t unit);
  bool Delete(int32_t position, int32_t count = kToEnd);
  bool DeleteW(int32_t position, int32_t units = kToEnd);
  bool TruncateAt(int32_t position) { return Delete(position); }
  bool TruncateAtW(int32_t position) { return DeleteW(position); }
  // Fill forms: n copies of a byte, of a UTF-16 unit, or of a whole text.
  bool InsertFill(int32_t position, uint8_t byte, int32_t n);
  bool InsertFillW(int32_t position, char16_t unit, int32_t n);
  bool InsertRepeated(int32_t position, const void* source, int32_t count, int32_t n);

  // Growth rule (doubling plus a step); new bytes are zero. n <= 0 frees.
  void SetLength(int32_t n);
  // For a final length: gives memory back when more than 1024 bytes would lie unused.
  void SetLengthTrim(int32_t n);
  // Capacity exactly n + 2, length n: used to receive a result of known size.
  void SetLengthExact(int32_t n);
  // Capacity at least max(n, length + 2), allocating exactly that when it grows.
  void Reserve(int32_t n);

  // Same byte length and identical bytes.
  bool operator==(const String& other) const;
  bool operator!=(const String& other) const { return !(*this == other); }

  // Equality with a terminated text: the lengths are compared first, so only
  // texts of the same length reach the byte comparison. NoCase folds ASCII
  // letters (8-bit) or compares as CompareNoCaseW does (wide).
  bool Equals(const char* text) const;
  bool EqualsNoCase(const char* text) const;
  bool EqualsW(const char16_t* text) const;
  bool EqualsNoCaseW(const char16_t* text) const;
  bool StartsWith(const char* text, bool ignore_case = false) const;
  bool EndsWith(const char* text, bool ignore_case = false) const;
  bool StartsWithW(const char16_t* text, bool ignore_case = false) const;
  bool EndsWithW(const char16_t* text, bool ignore_case = false) const;

  // Finding, through the search routine (search.h flags). Positions are bytes,
  // units in the W forms; -1 when absent. FindLast searches backwards from
  // `start` (-1: from the end).
  int32_t Find(char c, int32_t start = 0) const;
  int32_t Find(const char* text, int32_t start = 0, uint32_t flags = 0) const;
  int32_t FindLast(char c, int32_t start = -1) const;
  int32_t FindLast(const char* text, int32_t start = -1, uint32_t flags = 0) const;
  int32_t FindAnyOf(const char* set, int32_t start = 0) const;
  int32_t FindW(char16_t c, int32_t start = 0) const;
  int32_t FindW(const char16_t* text, int32_t start = 0, uint32_t flags = 0) const;
  int32_t FindLastW(char16_t c, int32_t start = -1) const;
  int32_t FindLastW(const char16_t* text, int32_t start = -1, uint32_t flags = 0) const;
  int32_t FindAnyOfW(const char16_t* set, int32_t start = 0) const;

  // Trimming removes the characters of `set` (space, CR, LF, tab by default)
  // at both ends, or at the start or end only.
  static constexpr char kBlanks[] = " \r\n\t";
  static constexpr char16_t kBlanksW[] = u" \r\n\t";
  void Trim(const char* set = kBlanks);
  void TrimStart(const char* set = kBlanks);
  void TrimEnd(const char* set = kBlanks);
  void TrimW(const char16_t* set = kBlanksW);
  void TrimStartW(const char16_t* set = kBlanksW);
  void TrimEndW(const char16_t* set = kBlanksW);
  // Deletes from the first / last occurrence of `c` to the end; the After
  // forms keep `c` and delete only what follows it. False when `c` is absent.
  bool TrimAtFirst(char c);
  bool TrimAtLast(char c);
  bool TrimAfterFirst(char c);
  bool TrimAfterLast(char c);
  bool TrimAtFirstW(char16_t c);
  bool TrimAtLastW(char16_t c);
  bool TrimAfterFirstW(char16_t c);
  bool TrimAfterLastW(char16_t c);

  // Returns the text before the first `separator` and removes it and the
  // separator; without one, returns everything and leaves this string empty.
  // This is how ";"-separated lists are consumed.
  String TakeUpToW(char16_t separator);

  // Case: 8-bit forms change ASCII letters only; W forms use the
  // character-class mappings.
  void ToLower();
  void ToUpper();
  void ToLowerW();
  void ToUpperW();

  // The capacity that the growth rule gives for a new length n.
  static int32_t GrowthCapacity(int32_t n);

 private:
  bool Owns(const void* pointer) const;
  void Reallocate(int32_t new_capacity);
  void Terminate();

  uint8_t* data_ = nullptr;
  int32_t length_ = 0;
  int32_t capacity_ = 0;
};

// Lengths of terminated texts, in bytes and in UTF-16 units.
int32_t TextLength(const char* text);
int32_t TextLengthW(const char16_t* text);
