// The file object over an attached stream: the block rules are the same as
// over a system handle, so they are checked here on the host.
#include "core/file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Text(const String& s) { return std::string(s.c_str(), static_cast<size_t>(s.length())); }

TEST(FileStreamForm, ReadsExactBlocksAndStopsAtTheEnd) {
  MemoryStream memory(String("0123456789"));
  File file;
  file.AttachStream(memory.stream());
  char block[8] = {};
  ASSERT_TRUE(file.ReadExact(block, 4));
  EXPECT_EQ(std::string(block, 4), "0123");
  EXPECT_EQ(file.Position(), 4);
  EXPECT_FALSE(file.ReadExact(block, 8));
  EXPECT_EQ(Text(file.error()), "Read past end of file");
  EXPECT_TRUE(file.ReadExact(block, 0));
}

TEST(FileStreamForm, ReadUpToStopsAtTheStreamsEnd) {
  MemoryStream memory(String("abcdef"));
  File file;
  file.AttachStream(memory.stream());
  ASSERT_TRUE(file.Seek(4));
  char block[16] = {};
  EXPECT_EQ(file.ReadUpTo(block, 16), 2);
  EXPECT_EQ(std::string(block, 2), "ef");
  EXPECT_EQ(file.ReadUpTo(block, 16), 0);
}

TEST(FileStreamForm, BadBlockArgumentsLeaveTheirTexts) {
  MemoryStream memory(String("abc"));
  File file;
  file.AttachStream(memory.stream());
  char block[4];
  EXPECT_FALSE(file.ReadExact(block, -5));
  EXPECT_EQ(Text(file.error()), "Illegal block size -5");
  EXPECT_FALSE(file.ReadExact(nullptr, 2));
  EXPECT_EQ(Text(file.error()), "read(NULL)");
  EXPECT_EQ(file.ReadUpTo(block, 0), 0);
  EXPECT_EQ(Text(file.error()), "Illegal block size 0");
  EXPECT_EQ(file.ReadUpTo(nullptr, 2), 0);
  EXPECT_EQ(Text(file.error()), "NULL block pointer");
  EXPECT_FALSE(file.Write(block, -1));
  EXPECT_EQ(Text(file.error()), "Illegal write size");
  EXPECT_TRUE(file.Write(block, 0));
}

TEST(FileStreamForm, ClosedFileIsNotOpen) {
  File file;
  char block[4];
  EXPECT_FALSE(file.ReadExact(block, 2));
  EXPECT_EQ(Text(file.error()), "File not open");
  EXPECT_FALSE(file.Write("x", 1));
  EXPECT_EQ(Text(file.error()), "File not open");
  EXPECT_EQ(file.Position(), -1);
}

TEST(FileStreamForm, WritesOverwriteAndExtend) {
  MemoryStream memory(String("abcdef"));
  File file;
  file.AttachStream(memory.stream());
  ASSERT_TRUE(file.SeekTo(4));
  ASSERT_TRUE(file.Write("XYZ", 3));
  EXPECT_EQ(Text(memory.content()), "abcdXYZ");
  EXPECT_EQ(file.Size(), 7);
  EXPECT_EQ(file.Position(), 7);  // Size keeps the position
  EXPECT_FALSE(file.Seek(1));     // past the end of memory
  EXPECT_TRUE(file.Seek(-7));
  EXPECT_EQ(file.Position(), 0);
}

// A stream that records the size of every write it is handed.
struct RecordingSink {
  std::vector<int32_t> pieces;
  int32_t short_after = -1;  // writes fewer bytes than asked once this many pieces went through

  static int32_t Write(void* context, const void*, int32_t size) {
    auto* self = static_cast<RecordingSink*>(context);
    self->pieces.push_back(size);
    if (self->short_after >= 0 && static_cast<int32_t>(self->pieces.size()) > self->short_after) return size - 1;
    return size;
  }
  static int64_t Seek(void*, int64_t, SeekOrigin) { return 0; }
  static int64_t Position(void*) { return 0; }
  static const FileStreamOps kOps;
};
const FileStreamOps RecordingSink::kOps = {nullptr, &RecordingSink::Write, &RecordingSink::Seek,
                                           &RecordingSink::Position, nullptr, nullptr};

TEST(FileStreamForm, WritesGoOutInPiecesOfOneMebibyte) {
  RecordingSink sink;
  File file;
  file.AttachStream(FileStream{&RecordingSink::kOps, &sink});
  const std::vector<uint8_t> data(3 * File::kWritePiece + 10, 0x5A);
  ASSERT_TRUE(file.Write(data.data(), static_cast<int32_t>(data.size())));
  EXPECT_EQ(sink.pieces, (std::vector<int32_t>{File::kWritePiece, File::kWritePiece, File::kWritePiece, 10}));
  EXPECT_EQ(file.write_calls(), 4);
}

TEST(FileStreamForm, AShortPieceFailsTheWrite) {
  RecordingSink sink;
  sink.short_after = 1;
  File file;
  file.AttachStream(FileStream{&RecordingSink::kOps, &sink});
  const std::vector<uint8_t> data(2 * File::kWritePiece, 0);
  EXPECT_FALSE(file.Write(data.data(), static_cast<int32_t>(data.size())));
  EXPECT_EQ(Text(file.error()), "Not all data could be written");
  EXPECT_EQ(sink.pieces.size(), 2u);
}

TEST(FileStreamForm, AccessFollowsTheOperationsTheStreamHas) {
  RecordingSink sink;
  File file;
  file.AttachStream(FileStream{&RecordingSink::kOps, &sink});
  EXPECT_TRUE(file.can_write());
  EXPECT_FALSE(file.can_read());
  char block[2];
  EXPECT_FALSE(file.ReadExact(block, 2));
  EXPECT_EQ(Text(file.error()), "Read access denied");
}

TEST(FileStreamForm, ReadAllTakesTheRestExactly) {
  MemoryStream memory(String("header:body"));
  File file;
  file.AttachStream(memory.stream());
  ASSERT_TRUE(file.Seek(7));
  String rest;
  EXPECT_EQ(file.ReadAll(rest), kFileOk);
  EXPECT_EQ(Text(rest), "body");
  EXPECT_EQ(rest.capacity(), 4 + 2);
  EXPECT_EQ(file.ReadAll(rest), kFileOk);  // at the end: empty
  EXPECT_TRUE(rest.empty());
}

TEST(FileStreamForm, CloseDetachesAndKeepsTheStreamsData) {
  MemoryStream memory;
  {
    File file;
    file.AttachStream(memory.stream());
    ASSERT_TRUE(file.Write("kept", 4));
  }
  EXPECT_EQ(Text(memory.content()), "kept");
}

}  // namespace
