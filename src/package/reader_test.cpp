#include "package/reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/string.h"
#include "package/writer.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::string Text(const ByteSpan& span) {
  return std::string(reinterpret_cast<const char*>(span.data), span.length);
}

std::string Text(const String& text) { return std::string(text.c_str(), text.length()); }

TEST(PackageReader, ReadsIntegersTextsAndRuns) {
  const Bytes data = {0x78, 0x56, 0x34, 0x12, 0xFE, 0xFF, 0xFF, 0xFF, 'h', 'i',
                      0,    'A',  0,    'B',  0,    0,    0,    7,    8,   9};
  PackageReader reader(data.data(), data.size());
  uint32_t u = 0;
  int32_t s = 0;
  ByteSpan span;
  ASSERT_TRUE(reader.ReadU32(&u));
  EXPECT_EQ(u, 0x12345678u);
  ASSERT_TRUE(reader.ReadS32(&s));
  EXPECT_EQ(s, -2);
  ASSERT_TRUE(reader.ReadNarrowText(&span));
  EXPECT_EQ(Text(span), "hi");
  ASSERT_TRUE(reader.ReadWideText(&span));
  EXPECT_EQ(span.length, 4u);  // "AB" as UTF-16LE, without the zero unit
  EXPECT_EQ(std::memcmp(span.data, "A\0B\0", 4), 0);
  ASSERT_TRUE(reader.ReadBytes(3, &span));
  EXPECT_EQ(span.data[2], 9);
  EXPECT_EQ(reader.remaining(), 0u);
}

TEST(PackageReader, FailuresNeverReadPastTheEndAndKeepThePosition) {
  const Bytes data = {1, 2, 3, 'a', 'b'};
  PackageReader reader(data.data(), data.size());
  uint32_t u = 0;
  ByteSpan span;
  ASSERT_TRUE(reader.ReadBytes(3, &span));
  EXPECT_FALSE(reader.ReadU32(&u));
  EXPECT_FALSE(reader.ReadNarrowText(&span));  // no zero byte before the end
  EXPECT_FALSE(reader.ReadWideText(&span));
  EXPECT_FALSE(reader.ReadBytes(3, &span));
  EXPECT_EQ(reader.position(), 3u);
  // A zero byte at an odd offset is not a zero unit.
  const Bytes odd = {'a', 0, 0, 'b'};
  PackageReader wide(odd.data(), odd.size());
  EXPECT_FALSE(wide.ReadWideText(&span));
  PackageReader empty(nullptr, 10);
  EXPECT_FALSE(empty.ReadNarrowText(&span));
  EXPECT_EQ(empty.remaining(), 0u);
}

TEST(SettingsStream, FixedWidthReadPastTheEndZeroFills) {
  const Bytes data = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06};
  SettingsStream stream(data.data(), data.size());
  uint32_t u = 0;
  ASSERT_TRUE(stream.ReadU32(&u));
  EXPECT_EQ(u, 0x04030201u);
  EXPECT_FALSE(stream.failed());
  EXPECT_FALSE(stream.ReadU32(&u));
  EXPECT_EQ(u, 0x0605u);  // what was left, then zeros
  EXPECT_TRUE(stream.at_end());
  EXPECT_TRUE(stream.failed());
  uint16_t w = 1;
  EXPECT_FALSE(stream.ReadU16(&w));
  EXPECT_EQ(w, 0);
  double d = 1;
  EXPECT_FALSE(stream.ReadF64(&d));
  EXPECT_EQ(d, 0.0);
}

TEST(SettingsStream, PackedLengthForms) {
  const Bytes data = {0xFE, 0xFF, 0x00, 0x01, 0xFF, 0xFF, 0x00, 0x01, 0x00, 0x00};
  SettingsStream stream(data.data(), data.size());
  uint32_t length = 0;
  ASSERT_TRUE(stream.ReadPackedLength(&length));
  EXPECT_EQ(length, 254u);
  ASSERT_TRUE(stream.ReadPackedLength(&length));
  EXPECT_EQ(length, 256u);
  ASSERT_TRUE(stream.ReadPackedLength(&length));
  EXPECT_EQ(length, 256u);
  EXPECT_TRUE(stream.at_end());
}

TEST(SettingsStream, PackedStringLimits) {
  String text("stale");
  const Bytes too_long = {0xFF, 0xFF, 0x01, 0x00, 0x00, 0x40, 'x'};
  SettingsStream stream(too_long.data(), too_long.size());
  EXPECT_FALSE(stream.ReadPacked(&text));
  EXPECT_TRUE(text.empty());
  EXPECT_EQ(stream.position(), 6u);  // the length was consumed, no bytes

  const Bytes empty = {0x00};
  SettingsStream zero(empty.data(), empty.size());
  EXPECT_TRUE(zero.ReadPacked(&text));
  EXPECT_TRUE(text.empty());

  // Bytes that run past the end: the read fails with what was there, and no
  // more is allocated than the stream holds.
  const Bytes short_run = {0xFF, 0xFF, 0x00, 0x00, 0x00, 0x40, 'a', 'b'};
  SettingsStream truncated(short_run.data(), short_run.size());
  EXPECT_FALSE(truncated.ReadPacked(&text));
  EXPECT_EQ(Text(text), "ab");
  EXPECT_TRUE(truncated.at_end());
}

TEST(SettingsStream, LengthPrefixedStrings) {
  const Bytes data = {2,    'a', 'b',  0x03, 0x00, 'c',  'd',  'e',  0x01, 0x00, 0x00,
                      0x00, 'f', 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF};
  SettingsStream stream(data.data(), data.size());
  String text;
  ASSERT_TRUE(stream.ReadByteLength(&text));
  EXPECT_EQ(Text(text), "ab");
  ASSERT_TRUE(stream.ReadWordLength(&text));
  EXPECT_EQ(Text(text), "cde");
  ASSERT_TRUE(stream.ReadLongLength(&text));
  EXPECT_EQ(Text(text), "f");
  ASSERT_TRUE(stream.ReadLongLength(&text));
  EXPECT_TRUE(text.empty());
  EXPECT_FALSE(stream.ReadLongLength(&text));  // -1
  EXPECT_TRUE(text.empty());
}

TEST(SettingsStream, ZeroTerminatedStrings) {
  const Bytes data = {'o', 'k', 0, 'H', 0, 'i', 0, 0, 0, 0, 't', 'a', 'i', 'l'};
  SettingsStream stream(data.data(), data.size());
  String text;
  ASSERT_TRUE(stream.ReadZeroTerminated(&text));
  EXPECT_EQ(Text(text), "ok");
  ASSERT_TRUE(stream.ReadZeroTerminatedWide(&text));
  EXPECT_EQ(text.wlength(), 2);
  EXPECT_EQ(text.w_str()[1], u'i');
  ASSERT_TRUE(stream.ReadZeroTerminated(&text));  // the lone zero: empty
  EXPECT_TRUE(text.empty());
  // No terminator: the rest is taken and the read fails.
  EXPECT_FALSE(stream.ReadZeroTerminated(&text));
  EXPECT_EQ(Text(text), "tail");
  EXPECT_TRUE(stream.at_end());
  EXPECT_FALSE(stream.ReadZeroTerminated(&text));
  EXPECT_TRUE(text.empty());

  // Wide: whole units are taken, an odd last byte is passed over.
  const Bytes odd = {'x', 0, 'y'};
  SettingsStream wide(odd.data(), odd.size());
  EXPECT_FALSE(wide.ReadZeroTerminatedWide(&text));
  EXPECT_EQ(text.wlength(), 1);
  EXPECT_EQ(text.length(), 2);
  EXPECT_TRUE(wide.at_end());
}

TEST(PackageWriter, PackedLengthUsesTheShortestReadableForm) {
  struct Case {
    uint32_t length;
    Bytes encoding;
  };
  const Case cases[] = {
      {0, {0x00}},
      {254, {0xFE}},
      {255, {0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00}},  // low byte 0xFF
      {256, {0xFF, 0x00, 0x01}},
      {511, {0xFF, 0xFF, 0xFF, 0x01, 0x00, 0x00}},
      {65534, {0xFF, 0xFE, 0xFF}},
      {65535, {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
      {65536, {0xFF, 0xFF, 0x00, 0x00, 0x01, 0x00}},
  };
  for (const auto& c : cases) {
    String out;
    PackageWriter(&out).WritePackedLength(c.length);
    EXPECT_EQ(Bytes(out.bytes(), out.bytes() + out.length()), c.encoding) << c.length;
    SettingsStream stream(out.bytes(), out.length());
    uint32_t back = 0;
    EXPECT_TRUE(stream.ReadPackedLength(&back));
    EXPECT_EQ(back, c.length);
    EXPECT_TRUE(stream.at_end());
  }
}

TEST(PackageWriter, EveryStringFormRoundTrips) {
  const std::string long_text(70000, 'q');
  String out;
  PackageWriter writer(&out);
  ASSERT_TRUE(writer.WritePacked(long_text.data(), long_text.size()));
  ASSERT_TRUE(writer.WriteByteLength("byte", 4));
  ASSERT_TRUE(writer.WriteWordLength(long_text.data(), 65535));
  ASSERT_TRUE(writer.WriteLongLength("long", 4));
  ASSERT_TRUE(writer.WriteZeroTerminated("zstr", 4));
  ASSERT_TRUE(writer.WriteZeroTerminatedWide(u"wide", 4));
  writer.WriteF64(12.5);
  writer.WriteU64(0x0102030405060708);
  EXPECT_FALSE(writer.WriteByteLength(long_text.data(), 256));
  EXPECT_FALSE(writer.WriteWordLength(long_text.data(), 65536));
  EXPECT_FALSE(writer.WriteZeroTerminated("a\0b", 3));
  EXPECT_FALSE(writer.WriteZeroTerminatedWide(u"a\0b", 3));

  SettingsStream stream(out.bytes(), out.length());
  String text;
  ASSERT_TRUE(stream.ReadPacked(&text));
  EXPECT_EQ(Text(text), long_text);
  ASSERT_TRUE(stream.ReadByteLength(&text));
  EXPECT_EQ(Text(text), "byte");
  ASSERT_TRUE(stream.ReadWordLength(&text));
  EXPECT_EQ(text.length(), 65535);
  ASSERT_TRUE(stream.ReadLongLength(&text));
  EXPECT_EQ(Text(text), "long");
  ASSERT_TRUE(stream.ReadZeroTerminated(&text));
  EXPECT_EQ(Text(text), "zstr");
  ASSERT_TRUE(stream.ReadZeroTerminatedWide(&text));
  EXPECT_EQ(std::u16string(text.w_str(), text.wlength()), u"wide");
  double d = 0;
  uint64_t q = 0;
  ASSERT_TRUE(stream.ReadF64(&d));
  ASSERT_TRUE(stream.ReadU64(&q));
  EXPECT_EQ(d, 12.5);
  EXPECT_EQ(q, 0x0102030405060708u);
  EXPECT_TRUE(stream.at_end());
  EXPECT_FALSE(stream.failed());
}

}  // namespace
