#include "package/inflate.h"

#include <cstring>

#include "core/datetime.h"
#include "core/string.h"

// The runtime's own inflate: zlib's brought some 26 KiB of code and tables
// into every installer for what fits in a few. The input is all in memory and
// the output is its own window, so there is no stream state to keep between
// calls; the results are zlib's: the same streams are accepted (including its
// leniencies: a one-code set of length 1, an unused empty distance code) and
// the same ones refused.

namespace {

constexpr int kFastBits = 9;  // codes up to this long are looked up at once
constexpr int kMaxCodeBits = 15;

// One canonical Huffman code of a block.
struct Huffman {
  // By the next kFastBits input bits: code length * 512 + symbol, or 0 when
  // the code is longer (or those bits start none).
  uint16_t fast[1 << kFastBits];
  uint16_t count[kMaxCodeBits + 1];  // codes of each length
  uint16_t sorted[288];              // symbols in code order
};

// Builds *h from code lengths; false for a set that zlib refuses: one
// over-subscribed, or incomplete unless it is a single code of one bit (or
// no code at all, which only fails once something is decoded with it).
// complete: the code-length code, which must have no gap.
bool BuildHuffman(Huffman* h, const uint8_t* lengths, int n, bool complete) {
  std::memset(h, 0, sizeof *h);
  for (int s = 0; s < n; ++s) ++h->count[lengths[s]];
  h->count[0] = 0;
  int left = 1;
  int longest = 0;
  uint16_t offset[kMaxCodeBits + 2] = {};
  uint16_t next_code[kMaxCodeBits + 1] = {};
  for (int len = 1; len <= kMaxCodeBits; ++len) {
    left = (left << 1) - h->count[len];
    if (left < 0) return false;
    if (h->count[len] != 0) longest = len;
    offset[len + 1] = static_cast<uint16_t>(offset[len] + h->count[len]);
    next_code[len] = static_cast<uint16_t>((next_code[len - 1] + h->count[len - 1]) << 1);
  }
  if (longest != 0 && left > 0 && (complete || longest != 1)) return false;
  for (int s = 0; s < n; ++s) {
    int len = lengths[s];
    if (len == 0) continue;
    h->sorted[offset[len]++] = static_cast<uint16_t>(s);
    unsigned code = next_code[len]++;
    if (len > kFastBits) continue;
    unsigned reversed = 0;  // the code as it arrives: first bit lowest
    for (int i = 0; i < len; ++i) reversed |= ((code >> i) & 1) << (len - 1 - i);
    for (unsigned j = reversed; j < (1u << kFastBits); j += 1u << len) {
      h->fast[j] = static_cast<uint16_t>(len << 9 | s);
    }
  }
  return true;
}

// zlib's checksum of the whole output.
uint32_t Adler32(const uint8_t* data, size_t length) {
  uint32_t a = 1;
  uint32_t b = 0;
  while (length > 0) {
    size_t n = length < 5552 ? length : 5552;  // the most before b could overflow
    length -= n;
    while (n-- > 0) {
      a += *data++;
      b += a;
    }
    a %= 65521;
    b %= 65521;
  }
  return b << 16 | a;
}

// Paces the progress callback: at most one call per 201 ms.
class ProgressPacer {
 public:
  explicit ProgressPacer(const InflateProgress* progress) : progress_(progress) {
    if (progress_ && progress_->report) last_ = Now();
  }

  // Returns true when the callback asks to abort.
  bool Tick(uint64_t consumed, uint64_t total, uint64_t output_bytes) {
    if (!progress_ || !progress_->report) return false;
    uint64_t now = Now();
    if (now - last_ < 201) return false;
    last_ = now;
    return progress_->report(progress_->context, consumed, total, output_bytes * 8);
  }

 private:
  uint64_t Now() const {
    return progress_->now_ms ? progress_->now_ms(progress_->context) : MonotonicMilliseconds();
  }

  const InflateProgress* progress_;
  uint64_t last_ = 0;
};

// One decompression of a whole zlib stream into *output. Progress is
// reported as the input's 16 KiB pieces are used up, as before with zlib's
// streaming interface; the piece in which the stream ends reports nothing.
class Inflater {
 public:
  Inflater(const uint8_t* input, size_t length, size_t max_output, String* output,
           const InflateProgress* progress)
      : input_(input), length_(length), max_output_(max_output), output_(output), pacer_(progress) {
    next_tick_ = length == 0 ? SIZE_MAX : (length < kInflatePiece ? length : kInflatePiece);
    for (int i = 0, base = 3; i < 29; ++i) {
      length_extra_[i] = static_cast<uint8_t>(i < 8 ? 0 : (i - 4) / 4);
      length_base_[i] = static_cast<uint16_t>(base);
      base += 1 << length_extra_[i];
    }
    length_base_[28] = 258;
    length_extra_[28] = 0;
    for (int i = 0, base = 1; i < 30; ++i) {
      distance_extra_[i] = static_cast<uint8_t>(i < 4 ? 0 : (i - 2) / 2);
      distance_base_[i] = static_cast<uint16_t>(base);
      base += 1 << distance_extra_[i];
    }
  }

  // The decompressed length, or -1 when the stream is refused.
  int64_t Run() {
    uint32_t method = Bits(8);
    uint32_t flags = Bits(8);
    // zlib's method with a window of at most 32 KiB, no preset dictionary.
    if ((method << 8 | flags) % 31 != 0 || (method & 0x0F) != 8 || (method >> 4) > 7 || (flags & 0x20)) {
      return -1;
    }
    bool last = false;
    while (!last && !bad_) {
      last = Bits(1) != 0;
      uint32_t type = Bits(2);
      bool ok = type == 0 ? Stored() : type == 1 ? FixedCodes() && Codes() : type == 2 && DynamicCodes() && Codes();
      if (!ok) return -1;
    }
    Drop(bits_ & 7);
    uint32_t check = 0;
    for (int i = 0; i < 4; ++i) check = check << 8 | Bits(8);
    if (bad_ || check != Adler32(output_->data(), produced_)) return -1;
    return static_cast<int64_t>(produced_);
  }

 private:
  // Input past its end reads as zero bits and marks the stream bad: a
  // complete stream never looks that far, since its 4-byte check follows.
  void Need(int n) {
    while (bits_ < n) {
      if (pos_ == next_tick_) Tick();
      uint32_t byte = 0;
      if (pos_ < length_) {
        byte = input_[pos_];
      } else {
        bad_ = true;
      }
      ++pos_;
      hold_ |= byte << bits_;
      bits_ += 8;
    }
  }
  void Drop(int n) {
    hold_ >>= n;
    bits_ -= n;
  }
  uint32_t Bits(int n) {
    Need(n);
    uint32_t value = hold_ & ((1u << n) - 1);
    Drop(n);
    return value;
  }

  // The input's next piece begins: report the one used up.
  void Tick() {
    if (pacer_.Tick(pos_, length_, produced_)) bad_ = true;
    next_tick_ = pos_ >= length_ ? SIZE_MAX : (length_ - pos_ < kInflatePiece ? length_ : pos_ + kInflatePiece);
  }

  // The next symbol of code h, or -1 for bits that start no code.
  int Decode(const Huffman& h) {
    Need(kMaxCodeBits);
    uint32_t entry = h.fast[hold_ & ((1u << kFastBits) - 1)];
    if (entry != 0) {
      Drop(static_cast<int>(entry >> 9));
      return static_cast<int>(entry & 511);
    }
    // A longer code, read a bit at a time against each length's range.
    int code = 0;
    int first = 0;
    int index = 0;
    for (int len = 1; len <= kMaxCodeBits; ++len) {
      code |= static_cast<int>((hold_ >> (len - 1)) & 1);
      int count = h.count[len];
      if (code < first + count) {
        Drop(len);
        return h.sorted[index + code - first];
      }
      index += count;
      first = (first + count) << 1;
      code <<= 1;
    }
    return -1;
  }

  // Room for n more output bytes within the limit.
  bool Room(size_t n) {
    if (produced_ + n <= room_) return true;
    if (produced_ + n > max_output_) return false;
    size_t grown = produced_ + n + kInflatePiece;
    room_ = grown < max_output_ ? grown : max_output_;
    output_->SetLength(static_cast<int32_t>(room_));
    return true;
  }

  bool Stored() {
    Drop(bits_ & 7);
    uint32_t length = Bits(16);
    uint32_t complement = Bits(16);
    // Bytes already taken into the bit buffer are read again directly.
    pos_ -= static_cast<size_t>(bits_ / 8);
    hold_ = 0;
    bits_ = 0;
    if (bad_ || length != (~complement & 0xFFFF) || !Room(length)) return false;
    while (length > 0) {
      if (pos_ == next_tick_) Tick();
      if (bad_ || pos_ >= length_) return false;
      size_t run = next_tick_ - pos_ < length ? next_tick_ - pos_ : length;
      std::memcpy(output_->data() + produced_, input_ + pos_, run);
      pos_ += run;
      produced_ += run;
      length -= static_cast<uint32_t>(run);
    }
    return true;
  }

  bool FixedCodes() {
    uint8_t lengths[288];
    std::memset(lengths, 8, 144);
    std::memset(lengths + 144, 9, 112);
    std::memset(lengths + 256, 7, 24);
    std::memset(lengths + 280, 8, 8);
    BuildHuffman(&literals_, lengths, 288, false);
    std::memset(lengths, 5, 32);
    BuildHuffman(&distances_, lengths, 32, false);
    return true;
  }

  bool DynamicCodes() {
    int literal_count = static_cast<int>(Bits(5)) + 257;
    int distance_count = static_cast<int>(Bits(5)) + 1;
    int code_count = static_cast<int>(Bits(4)) + 4;
    if (literal_count > 286 || distance_count > 30) return false;
    static constexpr uint8_t kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    uint8_t lengths[286 + 30] = {};
    for (int i = 0; i < code_count; ++i) lengths[kOrder[i]] = static_cast<uint8_t>(Bits(3));
    // The code-length code lives in distances_ until the real ones are built.
    if (!BuildHuffman(&distances_, lengths, 19, true)) return false;
    const int total = literal_count + distance_count;
    for (int i = 0; i < total;) {
      int symbol = Decode(distances_);
      if (symbol < 0 || bad_) return false;
      if (symbol < 16) {
        lengths[i++] = static_cast<uint8_t>(symbol);
        continue;
      }
      if (symbol == 16 && i == 0) return false;
      uint8_t value = symbol == 16 ? lengths[i - 1] : 0;
      int repeat = symbol == 16 ? 3 + static_cast<int>(Bits(2))
                   : symbol == 17 ? 3 + static_cast<int>(Bits(3))
                                  : 11 + static_cast<int>(Bits(7));
      if (i + repeat > total) return false;
      while (repeat-- > 0) lengths[i++] = value;
    }
    return lengths[256] != 0 && BuildHuffman(&literals_, lengths, literal_count, false) &&
           BuildHuffman(&distances_, lengths + literal_count, distance_count, false);
  }

  // The block's literals and matches up to its end code.
  bool Codes() {
    for (;;) {
      int symbol = Decode(literals_);
      if (symbol < 0 || bad_) return false;
      if (symbol < 256) {
        if (!Room(1)) return false;
        output_->data()[produced_++] = static_cast<uint8_t>(symbol);
        continue;
      }
      if (symbol == 256) return true;
      symbol -= 257;
      if (symbol >= 29) return false;
      size_t length = length_base_[symbol] + Bits(length_extra_[symbol]);
      int code = Decode(distances_);
      if (code < 0 || code >= 30) return false;
      size_t distance = distance_base_[code] + Bits(distance_extra_[code]);
      if (bad_ || distance > produced_ || !Room(length)) return false;
      uint8_t* to = output_->data() + produced_;
      const uint8_t* from = to - distance;
      for (size_t i = 0; i < length; ++i) to[i] = from[i];  // may overlap: byte by byte
      produced_ += length;
    }
  }

  const uint8_t* input_;
  size_t length_;
  size_t pos_ = 0;
  size_t next_tick_;
  uint32_t hold_ = 0;
  int bits_ = 0;
  bool bad_ = false;  // input ran out, or the progress callback aborted
  size_t max_output_;
  String* output_;
  size_t produced_ = 0;
  size_t room_ = 0;
  ProgressPacer pacer_;
  uint16_t length_base_[29];
  uint8_t length_extra_[29];
  uint16_t distance_base_[30];
  uint8_t distance_extra_[30];
  Huffman literals_;
  Huffman distances_;
};

}  // namespace

bool InflateBuffer(const uint8_t* input, size_t length, size_t max_output, String* output,
                   const InflateProgress* progress) {
  output->Clear();
  if (max_output > kMaxInflateOutput) max_output = kMaxInflateOutput;
  if (input == nullptr) return false;
  uint64_t reserve = static_cast<uint64_t>(length) * 3 + 1024;
  if (reserve > max_output + kInflatePiece) reserve = max_output + kInflatePiece;
  output->Reserve(static_cast<int32_t>(reserve));

  Inflater inflater(input, length, max_output, output, progress);
  int64_t produced = inflater.Run();
  if (produced < 0) {
    output->Clear();
    return false;
  }
  output->SetLength(static_cast<int32_t>(produced));
  return true;
}
