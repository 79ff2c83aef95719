// The operations table through which the file object moves bytes. An open
// file uses the system's table with its handle as context; an attached
// stream (such as MemoryStream) replaces the handle with its own table.
#pragma once

#include <cstdint>

#include "core/string.h"

enum class SeekOrigin { kBegin, kCurrent, kEnd };

struct FileStreamOps {
  // Moves up to `size` bytes; returns the count moved (0 at the end of a
  // read) or -1 on failure.
  int32_t (*read)(void* context, void* buffer, int32_t size);
  int32_t (*write)(void* context, const void* data, int32_t size);
  // Returns the new position, or -1 on failure.
  int64_t (*seek)(void* context, int64_t distance, SeekOrigin origin);
  int64_t (*position)(void* context);
  // Optional: the readable text of the last failure of this stream.
  void (*failure_text)(void* context, String& text);
  // Optional: releases the context when the file closes. Streams that the
  // caller owns leave it null.
  void (*close)(void* context);
};

struct FileStream {
  const FileStreamOps* ops = nullptr;
  void* context = nullptr;
};

// A stream over bytes held in memory: reads stop at the end, writes overwrite
// and extend, seeks stay within 0..length.
class MemoryStream {
 public:
  MemoryStream() = default;
  explicit MemoryStream(String content) : content_(static_cast<String&&>(content)) {}

  FileStream stream() { return FileStream{&kOps, this}; }
  String& content() { return content_; }
  const String& content() const { return content_; }
  int64_t position() const { return position_; }
  // Replaces the content and starts again at position 0.
  void Reset(String content);

  static const FileStreamOps kOps;

 private:
  static int32_t Read(void* context, void* buffer, int32_t size);
  static int32_t Write(void* context, const void* data, int32_t size);
  static int64_t Seek(void* context, int64_t distance, SeekOrigin origin);
  static int64_t Position(void* context);

  String content_;
  int32_t position_ = 0;
};
