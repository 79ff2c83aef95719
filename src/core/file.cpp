#include "core/file.h"

#include <cstdlib>

#include "core/fatal.h"
#include "core/format.h"

namespace {

// A String holds at most 0x7FFFFFFF bytes including its two terminating zeros.
constexpr int64_t kLargestLoadable = 0x7FFFFFFD;

// Whether `size` bytes can be had right now. A String that cannot grow ends
// the process through the out-of-memory report; a file too large for the
// memory left is an ordinary failure instead.
bool MemoryAvailable(int64_t size) {
  void* probe = std::malloc(static_cast<size_t>(size) + 2);
  if (!probe) return false;
  std::free(probe);
  return true;
}

}  // namespace

File::~File() { Close(); }

void File::Close() {
  if (os_.ops && os_.ops->close) os_.ops->close(os_.context);
  if (stream_.ops && stream_.ops->close) stream_.ops->close(stream_.context);
  os_ = FileStream();
  stream_ = FileStream();
  loaded_.Reset(String());
  is_loaded_ = false;
  can_read_ = can_write_ = false;
}

void File::AttachStream(FileStream stream) {
  Close();
  stream_ = stream;
  can_read_ = stream.ops && stream.ops->read;
  can_write_ = stream.ops && stream.ops->write;
  write_calls_ = 0;
  error_.Clear();
}

FileStream File::ReadSide() {
  if (stream_.ops) return stream_;
  if (is_loaded_) return loaded_.stream();
  return os_;
}

FileStream File::WriteSide() const { return stream_.ops ? stream_ : os_; }

void File::SetError(const char* text) { error_ = text; }

void File::SetFailureText(FileStream side, const char* fallback) {
  if (side.ops && side.ops->failure_text) {
    side.ops->failure_text(side.context, error_);
    if (!error_.empty()) return;
  }
  SetError(fallback);
}

bool File::CheckOpen() {
  if (IsOpen()) return true;
  SetError("File not open");
  return false;
}

bool File::ReadExact(void* buffer, int32_t size) {
  if (size == 0) return true;
  if (size < 0) {
    error_ = Format("Illegal block size %d", static_cast<int>(size));
    return false;
  }
  if (!buffer) {
    SetError("read(NULL)");
    return false;
  }
  if (!CheckOpen()) return false;
  if (!can_read_) {
    SetError("Read access denied");
    return false;
  }
  FileStream side = ReadSide();
  auto* bytes = static_cast<uint8_t*>(buffer);
  // A stream may hand out less than asked before its end; only a read of
  // nothing means the end.
  for (int32_t done = 0; done < size;) {
    const int32_t got = side.ops->read(side.context, bytes + done, size - done);
    if (got < 0) {
      SetFailureText(side, "Read failed");
      return false;
    }
    if (got == 0) {
      SetError("Read past end of file");
      return false;
    }
    done += got;
  }
  return true;
}

int32_t File::ReadUpTo(void* buffer, int32_t size) {
  if (size <= 0) {
    error_ = Format("Illegal block size %d", static_cast<int>(size));
    return 0;
  }
  if (!buffer) {
    SetError("NULL block pointer");
    return 0;
  }
  if (!CheckOpen()) return 0;
  if (!can_read_) {
    SetError("Read access denied");
    return 0;
  }
  FileStream side = ReadSide();
  const int32_t got = side.ops->read(side.context, buffer, size);
  if (got < 0) {
    SetFailureText(side, "Read failed");
    return 0;
  }
  return got;
}

bool File::Write(const void* data, int32_t size) {
  if (size == 0) return true;
  if (size < 0) {
    SetError("Illegal write size");
    return false;
  }
  if (!data) {
    SetError("write(NULL)");
    return false;
  }
  if (!CheckOpen()) return false;
  if (!can_write_) {
    SetError("Write access denied");
    return false;
  }
  const auto* bytes = static_cast<const uint8_t*>(data);
  if (!is_loaded_) return WritePieces(WriteSide(), bytes, size);
  // A loaded file writes through at the position of its copy and keeps the
  // copy equal to the file, so later reads see what was written.
  if (os_.ops->seek(os_.context, loaded_.position(), SeekOrigin::kBegin) < 0) {
    SetFailureText(os_, "Seek failed");
    return false;
  }
  if (!WritePieces(os_, bytes, size)) return false;
  FileStream copy = loaded_.stream();
  if (copy.ops->write(copy.context, bytes, size) != size) {
    SetError("Not all data could be written");
    return false;
  }
  return true;
}

bool File::WritePieces(FileStream side, const uint8_t* data, int32_t size) {
  for (int32_t done = 0; done < size;) {
    const int32_t piece = size - done < kWritePiece ? size - done : kWritePiece;
    ++write_calls_;
    const int32_t written = side.ops->write(side.context, data + done, piece);
    if (written < 0) {
      SetFailureText(side, "Write failed");
      return false;
    }
    if (written != piece) {
      SetError("Not all data could be written");
      return false;
    }
    done += piece;
  }
  return true;
}

bool File::Seek(int64_t distance) { return SeekFrom(distance, SeekOrigin::kCurrent); }

bool File::SeekTo(int64_t position) { return SeekFrom(position, SeekOrigin::kBegin); }

bool File::SeekFrom(int64_t distance, SeekOrigin origin) {
  if (!CheckOpen()) return false;
  FileStream side = ReadSide();
  if (side.ops->seek(side.context, distance, origin) < 0) {
    SetFailureText(side, "Seek out of range");
    return false;
  }
  return true;
}

int64_t File::Position() {
  if (!CheckOpen()) return -1;
  FileStream side = ReadSide();
  const int64_t position = side.ops->position(side.context);
  if (position < 0) SetFailureText(side, "Position unknown");
  return position;
}

int64_t File::Size() {
  if (!CheckOpen()) return -1;
  FileStream side = ReadSide();
  const int64_t position = side.ops->position(side.context);
  const int64_t end = position < 0 ? -1 : side.ops->seek(side.context, 0, SeekOrigin::kEnd);
  if (end < 0 || side.ops->seek(side.context, position, SeekOrigin::kBegin) < 0) {
    SetFailureText(side, "Size unknown");
    return -1;
  }
  return end;
}

int File::ReadAll(String& out) {
  out.Clear();
  const int64_t position = Position();
  const int64_t size = Size();
  if (position < 0 || size < 0) return kFileNotLoaded;
  const int64_t left = size - position;
  if (left <= 0) return kFileOk;
  if (left > kLargestLoadable || !MemoryAvailable(left)) {
    SetError(ErrorText(kFileTooLarge));
    return kFileTooLarge;
  }
  out.SetLengthExact(static_cast<int32_t>(left));
  if (!ReadExact(out.data(), out.length())) {
    out.Clear();
    return kFileNotLoaded;
  }
  return kFileOk;
}

bool File::LoadIntoMemory() {
  String content;
  if (!SeekTo(0) || ReadAll(content) != kFileOk) return false;
  loaded_.Reset(static_cast<String&&>(content));
  is_loaded_ = true;
  return true;
}

void FailRequiredFile(const String& wide_name, int code) {
  const String message =
      FormatW(u"Failed to open required file:\r\n%s\r\n\r\n%s", wide_name.w_str(), ErrorString(code).w_str());
  FatalMessageW(message.w_str());
}
