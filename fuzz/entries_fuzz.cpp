// The entry stream alone: file data as stored (first byte: whether blocks
// are compressed; next four: the content size of every entry), decoded
// record by record, each accepted entry through to its destination.
#include <cstddef>
#include <cstdint>

#include "fuzz_common.h"
#include "package/byte_order.h"
#include "package/corrupt.h"
#include "package/entry_queue.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 5) return 0;
  const bool compressed = data[0] & 1;
  const int64_t content_size = LoadLe32(data + 1) & 0xFFFFF;
  const StoredData stored(data + 5, size - 5);
  FileDataDecoder decoder(stored, BlockCoding{nullptr, compressed});
  for (int i = 0; i < 64; ++i) {
    EntryRecord entry;
    if (decoder.NextRecord(content_size, 256, &entry) != kCorruptNone) return 0;
    for (ByteSpan piece; decoder.streaming();) {
      if (decoder.ReadContent(&piece) != kCorruptNone) return 0;
      if (piece.length == 0) break;
    }
    if (decoder.FinishContent() != kCorruptNone) return 0;
    fuzz::CheckDestination(entry);
  }
  decoder.Finish();
  return 0;
}
