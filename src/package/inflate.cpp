#include "package/inflate.h"

#include <zlib.h>

#include "core/datetime.h"
#include "core/string.h"

namespace {

// Owns one inflate stream; inflateEnd runs on every path.
class InflateStream {
 public:
  InflateStream() { open_ = inflateInit(&z_) == Z_OK; }
  ~InflateStream() {
    if (open_) inflateEnd(&z_);
  }
  InflateStream(const InflateStream&) = delete;
  InflateStream& operator=(const InflateStream&) = delete;

  bool open() const { return open_; }
  z_stream* get() { return &z_; }

 private:
  z_stream z_{};
  bool open_ = false;
};

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

enum class ChunkResult { kMore, kPieceDone, kStreamEnd, kFailed };

// One inflate call into a fresh 16 KiB chunk at the end of the output.
ChunkResult InflateChunk(z_stream* z, String* output, size_t* produced, size_t max_output) {
  output->SetLength(static_cast<int32_t>(*produced + kInflatePiece));
  z->next_out = output->data() + *produced;
  z->avail_out = kInflatePiece;
  int rc = inflate(z, Z_NO_FLUSH);
  *produced += kInflatePiece - z->avail_out;
  if (*produced > max_output) return ChunkResult::kFailed;
  if (rc == Z_STREAM_END) return ChunkResult::kStreamEnd;
  // Z_BUF_ERROR only says that no progress was possible with this piece.
  if (rc != Z_OK && rc != Z_BUF_ERROR) return ChunkResult::kFailed;
  return z->avail_out == 0 ? ChunkResult::kMore : ChunkResult::kPieceDone;
}

}  // namespace

bool InflateBuffer(const uint8_t* input, size_t length, size_t max_output, String* output,
                   const InflateProgress* progress) {
  output->Clear();
  if (max_output > kMaxInflateOutput) max_output = kMaxInflateOutput;
  InflateStream stream;
  if (!stream.open() || input == nullptr) return false;
  uint64_t reserve = static_cast<uint64_t>(length) * 3 + 1024;
  if (reserve > max_output + kInflatePiece) reserve = max_output + kInflatePiece;
  output->Reserve(static_cast<int32_t>(reserve));

  z_stream* z = stream.get();
  ProgressPacer pacer(progress);
  size_t produced = 0;
  ChunkResult result = ChunkResult::kPieceDone;
  for (size_t offset = 0; offset < length; offset += kInflatePiece) {
    size_t piece = length - offset < kInflatePiece ? length - offset : kInflatePiece;
    z->next_in = const_cast<Bytef*>(input + offset);
    z->avail_in = static_cast<uInt>(piece);
    do {
      result = InflateChunk(z, output, &produced, max_output);
    } while (result == ChunkResult::kMore);
    if (result == ChunkResult::kFailed || result == ChunkResult::kStreamEnd) break;
    if (pacer.Tick(offset + piece - z->avail_in, length, produced)) {
      result = ChunkResult::kFailed;
      break;
    }
  }
  if (result != ChunkResult::kStreamEnd) {
    output->Clear();
    return false;
  }
  output->SetLength(static_cast<int32_t>(produced));
  return true;
}
