#include "package/inflate.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <cstring>
#include <initializer_list>
#include <random>
#include <utility>
#include <vector>

#include "core/string.h"
#include "package/deflate.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Text-like data that compresses, with some noise so that it is not trivial.
Bytes SampleData(size_t length, unsigned seed) {
  std::mt19937 random(seed);
  Bytes data(length);
  for (size_t i = 0; i < length; ++i) {
    data[i] =
        random() % 8 == 0 ? static_cast<uint8_t>(random()) : static_cast<uint8_t>("setup "[i % 6]);
  }
  return data;
}

String Deflate(const Bytes& data, int level = 9) {
  String out;
  EXPECT_TRUE(DeflateBuffer(data.data(), data.size(), &out, level));
  return out;
}

bool Same(const String& a, const Bytes& b) {
  return static_cast<size_t>(a.length()) == b.size() &&
         (b.empty() || std::memcmp(a.bytes(), b.data(), b.size()) == 0);
}

TEST(Inflate, RoundTripsStreamsLargerThanOnePiece) {
  for (size_t length : {size_t{0}, size_t{1}, kInflatePiece, kInflatePiece + 1, size_t{300000}}) {
    const Bytes data = SampleData(length, static_cast<unsigned>(length));
    String compressed = Deflate(data);
    String out("stale");
    ASSERT_TRUE(InflateBuffer(compressed.bytes(), compressed.length(), 1 << 20, &out)) << length;
    EXPECT_TRUE(Same(out, data)) << length;
  }
  // Incompressible input makes a compressed stream of several pieces.
  std::mt19937 random(1);
  Bytes noise(100000);
  for (auto& b : noise) b = static_cast<uint8_t>(random());
  String compressed = Deflate(noise, 0);
  ASSERT_GT(compressed.length(), static_cast<int32_t>(3 * kInflatePiece));
  String out;
  ASSERT_TRUE(InflateBuffer(compressed.bytes(), compressed.length(), 1 << 20, &out));
  EXPECT_TRUE(Same(out, noise));
}

TEST(Inflate, DamagedOrTruncatedStreamsFail) {
  const Bytes data = SampleData(50000, 2);
  String compressed = Deflate(data);
  String out;
  // Cut short anywhere, including inside the adler32 trailer.
  for (int32_t cut : {0, 1, 2, 100, compressed.length() / 2, compressed.length() - 1}) {
    EXPECT_FALSE(InflateBuffer(compressed.bytes(), cut, 1 << 20, &out)) << cut;
    EXPECT_TRUE(out.empty());
  }
  // A wrong header, and a changed byte that the adler32 check catches.
  String bad_header = compressed;
  bad_header.At(0) = 0x79;
  EXPECT_FALSE(InflateBuffer(bad_header.bytes(), bad_header.length(), 1 << 20, &out));
  String bad_body = compressed;
  bad_body.At(compressed.length() - 2) ^= 0x40;
  EXPECT_FALSE(InflateBuffer(bad_body.bytes(), bad_body.length(), 1 << 20, &out));
  EXPECT_FALSE(InflateBuffer(nullptr, 0, 1 << 20, &out));
}

TEST(Inflate, BytesAfterTheStreamAreIgnored) {
  const Bytes data = SampleData(1000, 3);
  String compressed = Deflate(data);
  compressed.Append("trailing", 8);
  String out;
  ASSERT_TRUE(InflateBuffer(compressed.bytes(), compressed.length(), 1 << 20, &out));
  EXPECT_TRUE(Same(out, data));
}

TEST(Inflate, OutputLimitStopsDecompressionBombs) {
  const Bytes zeros(5 << 20, 0);
  String compressed = Deflate(zeros);
  ASSERT_LT(compressed.length(), 10000);
  String out;
  EXPECT_FALSE(InflateBuffer(compressed.bytes(), compressed.length(), 1 << 20, &out));
  EXPECT_TRUE(out.empty());
  EXPECT_TRUE(InflateBuffer(compressed.bytes(), compressed.length(), 5 << 20, &out));
  EXPECT_EQ(out.length(), 5 << 20);
}

struct ProgressLog {
  uint64_t now = 0;
  int calls = 0;
  uint64_t consumed = 0;
  uint64_t total = 0;
  uint64_t bits = 0;
  int abort_at = -1;
};

uint64_t Clock(void* context) {
  auto* log = static_cast<ProgressLog*>(context);
  return log->now += 100;  // every look at the clock is 100 ms later
}

bool Report(void* context, uint64_t consumed, uint64_t total, uint64_t bits) {
  auto* log = static_cast<ProgressLog*>(context);
  ++log->calls;
  log->consumed = consumed;
  log->total = total;
  log->bits = bits;
  return log->calls == log->abort_at;
}

TEST(Inflate, ProgressIsPacedAndCanAbort) {
  std::mt19937 random(4);
  Bytes noise(10 * kInflatePiece);
  for (auto& b : noise) b = static_cast<uint8_t>(random());
  String compressed = Deflate(noise, 0);
  String out;

  ProgressLog log;
  InflateProgress progress{Report, &log, Clock};
  ASSERT_TRUE(InflateBuffer(compressed.bytes(), compressed.length(), 1 << 20, &out, &progress));
  // Each look at the clock is 100 ms later, so only every third piece is at
  // least 201 ms past the last report; the piece that ends the stream reports
  // nothing.
  const int pieces = static_cast<int>((compressed.length() + kInflatePiece - 1) / kInflatePiece);
  EXPECT_EQ(log.calls, (pieces - 1) / 3);
  EXPECT_EQ(log.total, static_cast<uint64_t>(compressed.length()));
  EXPECT_LE(log.consumed, log.total);
  EXPECT_EQ(log.bits % 8, 0u);
  EXPECT_GT(log.bits, 0u);

  ProgressLog aborting;
  aborting.abort_at = 1;
  InflateProgress stop{Report, &aborting, Clock};
  EXPECT_FALSE(InflateBuffer(compressed.bytes(), compressed.length(), 1 << 20, &out, &stop));
  EXPECT_EQ(aborting.calls, 1);
  EXPECT_TRUE(out.empty());
}

// zlib's own inflate of raw deflate data (no header, no check), the
// reference the runtime's decoder must agree with: the output and how much
// input the stream took, or false when zlib refuses it.
bool ZlibRawInflate(const Bytes& raw, Bytes* out, size_t* used) {
  z_stream z{};
  if (inflateInit2(&z, -15) != Z_OK) return false;
  out->assign(1 << 20, 0);
  z.next_in = const_cast<Bytef*>(raw.data());
  z.avail_in = static_cast<uInt>(raw.size());
  z.next_out = out->data();
  z.avail_out = static_cast<uInt>(out->size());
  int rc = inflate(&z, Z_FINISH);
  out->resize(z.total_out);
  *used = z.total_in;
  inflateEnd(&z);
  return rc == Z_STREAM_END;
}

// A zlib stream around raw deflate data: header and the output's check.
String Wrap(const Bytes& raw, const Bytes& plain) {
  String stream("\x78\x9c", 2);
  stream.Append(raw.data(), static_cast<int32_t>(raw.size()));
  uint32_t check = static_cast<uint32_t>(adler32(1, plain.data(), static_cast<uInt>(plain.size())));
  const uint8_t trailer[4] = {static_cast<uint8_t>(check >> 24), static_cast<uint8_t>(check >> 16),
                              static_cast<uint8_t>(check >> 8), static_cast<uint8_t>(check)};
  stream.Append(trailer, 4);
  return stream;
}

Bytes RawDeflate(const Bytes& data, int level, int window_bits, int strategy) {
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, level, Z_DEFLATED, -window_bits, 8, strategy), Z_OK);
  Bytes out(data.size() * 2 + 1024);
  z.next_in = const_cast<Bytef*>(data.data());
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

// Decodes raw with both inflates: they must agree on refusal and output.
void ExpectSameAsZlib(const Bytes& raw, const char* what) {
  Bytes expected;
  size_t used = 0;
  bool accepted = ZlibRawInflate(raw, &expected, &used);
  Bytes body(raw.begin(), raw.begin() + static_cast<std::ptrdiff_t>(accepted ? used : raw.size()));
  String stream = Wrap(body, expected);
  String out;
  EXPECT_EQ(InflateBuffer(stream.bytes(), stream.length(), 1 << 20, &out), accepted) << what;
  if (accepted) {
    EXPECT_TRUE(Same(out, expected)) << what;
  }
}

TEST(Inflate, AgreesWithZlibOnEveryBlockKindAndOnDamagedBlocks) {
  std::mt19937 random(5);
  Bytes noise(20000);
  for (auto& b : noise) b = static_cast<uint8_t>(random());
  const Bytes inputs[] = {SampleData(70000, 6), Bytes(3000, 'z'), noise, Bytes{'a'}};
  const std::pair<int, int> kinds[] = {{0, Z_DEFAULT_STRATEGY}, {1, Z_DEFAULT_STRATEGY}, {9, Z_FILTERED},
                                       {6, Z_HUFFMAN_ONLY},     {6, Z_RLE},              {6, Z_FIXED}};
  for (const Bytes& input : inputs) {
    for (auto [level, strategy] : kinds) {
      for (int window_bits : {9, 15}) {
        Bytes raw = RawDeflate(input, level, window_bits, strategy);
        ExpectSameAsZlib(raw, "intact");
        // Damage that keeps zlib decoding (with the check made to match)
        // and damage that it refuses.
        for (int i = 0; i < 40; ++i) {
          Bytes damaged = raw;
          size_t at = random() % damaged.size();
          if (i % 4 == 3) {
            damaged.resize(at);
          } else {
            damaged[at] ^= static_cast<uint8_t>(1u << (random() % 8));
          }
          ExpectSameAsZlib(damaged, "damaged");
        }
      }
    }
  }
}

// Writes deflate bits, first bit lowest, and Huffman codes, first bit highest.
class BitWriter {
 public:
  void Bits(uint32_t value, int count) {
    for (int i = 0; i < count; ++i) Bit((value >> i) & 1);
  }
  void Code(uint32_t code, int length) {
    for (int i = length - 1; i >= 0; --i) Bit((code >> i) & 1);
  }
  Bytes bytes() const { return bytes_; }

 private:
  void Bit(uint32_t bit) {
    if (bits_ % 8 == 0) bytes_.push_back(0);
    bytes_.back() |= static_cast<uint8_t>(bit << (bits_ % 8));
    ++bits_;
  }
  Bytes bytes_;
  int bits_ = 0;
};

// The canonical codes of a set of code lengths.
std::vector<uint32_t> CanonicalCodes(const std::vector<int>& lengths) {
  std::vector<uint32_t> codes(lengths.size());
  uint32_t code = 0;
  for (int length = 1; length <= 15; code <<= 1, ++length) {
    for (size_t s = 0; s < lengths.size(); ++s) {
      if (lengths[s] == length) codes[s] = code++;
    }
  }
  return codes;
}

// One final dynamic block with the given literal/length and distance code
// lengths (unlisted symbols have none), then the symbols: below 256 a
// literal, 256 the end, 257 a match of 3 bytes at distance code 0 or 1.
Bytes DynamicBlock(std::initializer_list<std::pair<int, int>> literal_lengths,
                   std::initializer_list<std::pair<int, int>> distance_lengths, std::initializer_list<int> symbols) {
  std::vector<int> literals(258, 0);
  std::vector<int> distances(2, 0);
  for (auto [symbol, length] : literal_lengths) literals[symbol] = length;
  for (auto [symbol, length] : distance_lengths) distances[symbol] = length;
  BitWriter out;
  out.Bits(1, 1);
  out.Bits(2, 2);
  out.Bits(1, 5);  // 258 literal/length codes
  out.Bits(1, 5);  // 2 distance codes
  out.Bits(15, 4);  // all 19 code-length codes: 0-15 four bits each, 16-18 none
  for (int i = 0; i < 19; ++i) out.Bits(i < 3 ? 0 : 4, 3);
  for (int length : literals) out.Code(length, 4);
  for (int length : distances) out.Code(length, 4);
  std::vector<uint32_t> literal_codes = CanonicalCodes(literals);
  std::vector<uint32_t> distance_codes = CanonicalCodes(distances);
  for (int symbol : symbols) {
    int code = symbol > 257 ? 257 : symbol;
    out.Code(literal_codes[code], literals[code]);
    if (symbol >= 257) out.Code(distance_codes[symbol - 257], distances[symbol - 257]);
  }
  return out.bytes();
}

// A final fixed-code block: 'a', then a match of 3 at distance code 30,
// which that code has but no distance.
Bytes FixedBlockWithDistance30() {
  BitWriter out;
  out.Bits(1, 1);
  out.Bits(1, 2);
  out.Code(0x30 + 'a', 8);
  out.Code(1, 7);
  out.Code(30, 5);
  out.Code(0, 7);
  return out.bytes();
}

TEST(Inflate, CodeSetsAsZlibTakesThem) {
  // plain: what the symbols say, so that a refusal is never just the check's.
  struct Case {
    const char* what;
    Bytes raw;
    bool accepted;
    Bytes plain;
  };
  const Case cases[] = {
      {"no distance code at all", DynamicBlock({{'a', 1}, {256, 1}}, {}, {'a', 'a', 256}), true, {'a', 'a'}},
      {"the end code alone, one bit", DynamicBlock({{256, 1}}, {}, {256}), true, {}},
      {"one distance code of one bit", DynamicBlock({{'a', 1}, {257, 2}, {256, 2}}, {{0, 1}}, {'a', 257, 256}), true,
       {'a', 'a', 'a', 'a'}},
      {"incomplete set of two bits", DynamicBlock({{'a', 2}, {256, 2}}, {}, {'a', 256}), false, {'a'}},
      {"over-subscribed", DynamicBlock({{'a', 1}, {'b', 1}, {256, 1}}, {}, {'a', 256}), false, {'a'}},
      {"no end code", DynamicBlock({{'a', 1}}, {}, {'a'}), false, {'a'}},
      {"match before the output's start", DynamicBlock({{'a', 1}, {257, 2}, {256, 2}}, {{0, 1}, {1, 1}}, {'a', 258, 256}),
       false, {'a'}},
      {"stored block with a wrong length check", Bytes{0x01, 0x02, 0x00, 0xfd, 0xfe, 'h', 'i'}, false, {'h', 'i'}},
      {"stored block", Bytes{0x01, 0x02, 0x00, 0xfd, 0xff, 'h', 'i'}, true, {'h', 'i'}},
      {"reserved block type", Bytes{0x07, 0x00}, false, {}},
      {"distance code 30", FixedBlockWithDistance30(), false, {'a', 'a', 'a', 'a'}},
  };
  for (const Case& c : cases) {
    Bytes expected;
    size_t used = 0;
    ASSERT_EQ(ZlibRawInflate(c.raw, &expected, &used), c.accepted) << c.what;
    String stream = Wrap(c.raw, c.plain);
    String out;
    EXPECT_EQ(InflateBuffer(stream.bytes(), stream.length(), 1 << 20, &out), c.accepted) << c.what;
    EXPECT_TRUE(Same(out, c.accepted ? c.plain : Bytes{})) << c.what;
  }
  // Headers: a preset dictionary and a 64 KiB window are refused.
  String out;
  for (const char* header : {"\x78\xbb", "\x88\x98"}) {
    String stream = Wrap(Bytes{0x03, 0x00}, {});
    stream.At(0) = static_cast<uint8_t>(header[0]);
    stream.At(1) = static_cast<uint8_t>(header[1]);
    ASSERT_EQ((stream.At(0) << 8 | stream.At(1)) % 31, 0);
    EXPECT_FALSE(InflateBuffer(stream.bytes(), stream.length(), 1 << 20, &out)) << header;
  }
}

}  // namespace

