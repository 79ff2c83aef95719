#include "package/inflate.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
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

// The builder's compressor (libdeflate on the host) and the runtime's
// inflater agree on every level the builder accepts, for a block of
// text, noise, a run of zeros and the smallest inputs.
TEST(Inflate, ReadsTheBuildersStreamsAtEveryLevel) {
  std::mt19937 random(5);
  Bytes noise(300000);
  for (auto& b : noise) b = static_cast<uint8_t>(random());
  const Bytes inputs[] = {SampleData(256 << 10, 9), noise, Bytes(1 << 20, 0), Bytes{42}, Bytes{}};
  for (int level = 0; level <= kMaxDeflateLevel; ++level) {
    for (const Bytes& data : inputs) {
      String compressed;
      ASSERT_TRUE(DeflateBuffer(data.data(), data.size(), &compressed, level)) << level;
      String out;
      ASSERT_TRUE(InflateBuffer(compressed.bytes(), compressed.length(), 2 << 20, &out)) << level << " " << data.size();
      EXPECT_TRUE(Same(out, data)) << level << " " << data.size();
    }
  }
  String out("stale");
  EXPECT_FALSE(DeflateBuffer(noise.data(), noise.size(), &out, -1));
  EXPECT_FALSE(DeflateBuffer(noise.data(), noise.size(), &out, kMaxDeflateLevel + 1));
  EXPECT_TRUE(out.empty());
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

}  // namespace
