#include "core/text_hash.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#include <emmintrin.h>
#define BX_WORD_SUM_SSE2 1
#endif

namespace {

std::uint32_t LoadWord(const unsigned char* bytes) {
  return std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
         std::uint32_t{bytes[3]} << 24;
}

#ifdef BX_WORD_SUM_SSE2
// The package checksum runs over every byte of a package more than once; four
// lanes at a time it costs a fraction. x86 is little-endian, so a lane holds
// the word exactly as LoadWord assembles it.
__attribute__((target("sse2"))) std::uint32_t SumWordsSse2(const unsigned char* bytes, std::size_t words,
                                                           std::size_t* done) {
  __m128i a = _mm_setzero_si128();
  __m128i b = _mm_setzero_si128();
  std::size_t i = 0;
  for (; i + 8 <= words; i += 8) {
    a = _mm_add_epi32(a, _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i * 4)));
    b = _mm_add_epi32(b, _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i * 4 + 16)));
  }
  alignas(16) std::uint32_t lanes[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(lanes), _mm_add_epi32(a, b));
  *done = i;
  return lanes[0] + lanes[1] + lanes[2] + lanes[3];
}

// Asked of the processor itself: the compiler's own feature check brings a
// processor table of some 5 KiB into every installer.
bool HasSse2() {
  static const bool has = [] {
    unsigned a, b, c, d;
    return __get_cpuid(1, &a, &b, &c, &d) && (d & bit_SSE2) != 0;
  }();
  return has;
}
#endif

}  // namespace

std::uint32_t WordSum(std::uint32_t start, const void* data, std::size_t length) {
  if (data == nullptr || length == 0) return start;
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  std::uint32_t sum = start;
  std::size_t i = 0;
#ifdef BX_WORD_SUM_SSE2
  if (length >= 64 && HasSse2()) {
    std::size_t words = 0;
    sum += SumWordsSse2(bytes, length / 4, &words);
    i = words * 4;
  }
#endif
  // Bytes are assembled explicitly so the sum is little-endian on any host.
  for (; i + 4 <= length; i += 4) sum += LoadWord(bytes + i);
  // Tail bytes count as signed: 0x80 adds -128.
  for (; i < length; ++i) {
    sum += static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(bytes[i])));
  }
  return sum + static_cast<std::uint32_t>(length);
}
