#include "core/version_compare.h"

#include <cstdint>

#include "core/char_class.h"

namespace {

// Reads a version text number by number.
template <class Char>
class VersionReader {
 public:
  explicit VersionReader(const Char* text) : p_(text) {
    while (p_ && (*p_ == ' ' || *p_ == '\t')) ++p_;
  }

  // The next number, or false when the list has ended.
  bool Next(uint64_t* number) {
    if (!p_ || ended_) return false;
    if (!IsDigitChar(static_cast<uint32_t>(*p_))) return End();
    uint64_t n = 0;
    for (; IsDigitChar(static_cast<uint32_t>(*p_)); ++p_) {
      n = n > (UINT64_MAX - 9) / 10 ? UINT64_MAX : n * 10 + static_cast<uint64_t>(*p_ - '0');
    }
    *number = n;
    if (*p_ == '.') ++p_;
    else End();  // a letter now becomes the suffix
    return true;
  }

  // The suffix letter folded to lower case; 0 when there is none.
  uint32_t suffix() const { return suffix_; }

 private:
  bool End() {
    if (!ended_ && p_ && IsAsciiLetter(static_cast<uint32_t>(*p_))) {
      suffix_ = static_cast<uint8_t>(AsciiToLower(static_cast<char>(*p_)));
    }
    ended_ = true;
    return false;
  }

  const Char* p_;
  bool ended_ = false;
  uint32_t suffix_ = 0;
};

template <class Char>
int CompareVersionTexts(const Char* a, const Char* b) {
  VersionReader<Char> left(a);
  VersionReader<Char> right(b);
  for (;;) {
    uint64_t x = 0;
    uint64_t y = 0;
    const bool has_x = left.Next(&x);
    const bool has_y = right.Next(&y);
    if (has_x != has_y) return has_x ? 1 : -1;
    if (!has_x) break;
    if (x != y) return x < y ? -1 : 1;
  }
  if (left.suffix() != right.suffix()) return left.suffix() < right.suffix() ? -1 : 1;
  return 0;
}

}  // namespace

int CompareVersions(const char* a, const char* b) { return CompareVersionTexts(a, b); }

int CompareVersionsW(const char16_t* a, const char16_t* b) { return CompareVersionTexts(a, b); }
