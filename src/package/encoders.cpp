// The builder's side of the codecs: the settings block, the file-data blocks
// and the file-data writer. A file of their own, so that the runtime, which
// only decodes, never links zlib's compressor.
#include <thread>
#include <utility>

#include "core/string.h"
#include "package/blowfish.h"
#include "package/byte_order.h"
#include "package/checksum.h"
#include "package/deflate.h"
#include "package/entry_queue.h"
#include "package/file_blocks.h"
#include "package/settings_block.h"
#include "package/writer.h"

bool WriteFileBlock(const uint8_t* plain, size_t length, BlockCoding coding, String* out) {
  if (length > kMaxDecodedBlockSize) return false;
  String compressed;
  const uint8_t* bytes = plain;
  size_t size = length;
  if (coding.compressed) {
    if (!DeflateBuffer(plain, length, &compressed)) return false;
    bytes = compressed.bytes();
    size = static_cast<size_t>(compressed.length());
  }
  String enciphered;
  if (coding.cipher) {
    if (!EncipherCopy(*coding.cipher, bytes, size, &enciphered)) return false;
    bytes = enciphered.bytes();
    size = static_cast<size_t>(enciphered.length());
  }
  // A block must hold at least one stored byte.
  if (size < 1 || size > 0x7FFFFFFF) return false;
  PackageWriter writer(out);
  writer.WriteS32(static_cast<int32_t>(size));
  writer.WriteU32(PackageChecksum(bytes, size));
  writer.WriteBytes(bytes, size);
  return true;
}

bool EncodeSettingsBlock(const uint8_t* plain, size_t length, const Blowfish* cipher,
                         String* stored, uint32_t* checksum) {
  stored->Clear();
  if (length > kMaxSettingsDecodedSize) return false;
  *checksum = PackageChecksum(plain, length);
  String compressed;
  if (!DeflateBuffer(plain, length, &compressed)) return false;
  if (!WrapSettingsBlock(compressed.bytes(), static_cast<size_t>(compressed.length()), *checksum, cipher,
                         stored)) {
    return false;
  }
  if (stored->length() > kMaxSettingsStoredSize) {
    stored->Clear();
    return false;
  }
  return true;
}

// Cores to code on when the caller leaves it open.
size_t DefaultCodingJobs() {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : cores;
}

FileDataWriter::FileDataWriter(BlockCoding coding, String* out, size_t block_size, size_t jobs)
    : coding_(coding),
      out_(out),
      block_size_(block_size < kEntryLengthPrefix          ? kEntryLengthPrefix
                  : block_size > kMaxDecodedBlockSize ? kMaxDecodedBlockSize
                                                      : block_size),
      jobs_(jobs == 0 ? DefaultCodingJobs() : jobs) {}

bool FileDataWriter::AddEntry(const uint8_t* record, size_t length) {
  return StartEntry(length) && Append(record, length);
}

bool FileDataWriter::StartEntry(size_t length) {
  if (length > 0x7FFFFFFF) return false;
  // The length prefix must lie whole in one block.
  if (static_cast<size_t>(pending_.length()) + kEntryLengthPrefix > block_size_ && !Flush()) {
    return false;
  }
  uint8_t prefix[kEntryLengthPrefix];
  StoreLe32(prefix, static_cast<uint32_t>(length));
  return Append(prefix, kEntryLengthPrefix);
}

bool FileDataWriter::Append(const uint8_t* data, size_t length) {
  while (length > 0) {
    size_t room = block_size_ - static_cast<size_t>(pending_.length());
    if (room == 0) {
      if (!Flush()) return false;
      continue;
    }
    size_t part = length < room ? length : room;
    pending_.Append(data, static_cast<int32_t>(part));
    data += part;
    length -= part;
  }
  return true;
}

// One block on its way through the coder.
struct FileDataWriter::Job {
  String plain;
  String stored;
  bool ok = false;
  std::thread worker;
};

FileDataWriter::~FileDataWriter() {
  for (const std::unique_ptr<Job>& job : coding_jobs_) {
    if (job->worker.joinable()) job->worker.join();
  }
}

// One block in coding per job, while the caller reads and frames the next;
// a block waits only for the oldest one, so output stays in order. With one
// job the block is coded here, on the caller's thread.
bool FileDataWriter::Flush() {
  if (pending_.empty()) return true;
  if (coding_jobs_.size() >= jobs_ && !CollectOldest()) return false;
  auto job = std::make_unique<Job>();
  job->plain = static_cast<String&&>(pending_);
  pending_.Clear();
  Job* coded = job.get();
  const BlockCoding coding = coding_;
  auto code = [coded, coding] {
    coded->ok = WriteFileBlock(coded->plain.bytes(), static_cast<size_t>(coded->plain.length()), coding,
                               &coded->stored);
    coded->plain.Clear();
  };
  if (jobs_ == 1) {
    code();
  } else {
    job->worker = std::thread(code);
  }
  coding_jobs_.push_back(std::move(job));
  return jobs_ > 1 || CollectOldest();
}

bool FileDataWriter::CollectOldest() {
  std::unique_ptr<Job> job = std::move(coding_jobs_.front());
  coding_jobs_.pop_front();
  if (job->worker.joinable()) job->worker.join();
  if (!job->ok) return false;
  const size_t written = static_cast<size_t>(job->stored.length());
  checksum_.Add(job->stored.bytes(), written);
  stored_length_ += written;
  out_->Append(job->stored);
  return true;
}

bool FileDataWriter::Finish() {
  if (!Flush()) return false;
  while (!coding_jobs_.empty()) {
    if (!CollectOldest()) return false;
  }
  return true;
}
