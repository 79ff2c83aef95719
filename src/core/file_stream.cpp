#include "core/file_stream.h"

#include <cstring>

const FileStreamOps MemoryStream::kOps = {
    &MemoryStream::Read, &MemoryStream::Write, &MemoryStream::Seek, &MemoryStream::Position, nullptr, nullptr,
};

void MemoryStream::Reset(String content) {
  content_ = static_cast<String&&>(content);
  position_ = 0;
}

int32_t MemoryStream::Read(void* context, void* buffer, int32_t size) {
  auto* self = static_cast<MemoryStream*>(context);
  const int32_t left = self->content_.length() - self->position_;
  const int32_t count = size < left ? size : left;
  if (count <= 0) return 0;
  std::memcpy(buffer, self->content_.bytes() + self->position_, static_cast<size_t>(count));
  self->position_ += count;
  return count;
}

int32_t MemoryStream::Write(void* context, const void* data, int32_t size) {
  auto* self = static_cast<MemoryStream*>(context);
  if (size > String::kToEnd - self->position_) return -1;  // would pass the 2 GiB limit
  const int32_t overlap = self->content_.length() - self->position_;
  self->content_.Replace(self->position_, size < overlap ? size : overlap, data, size);
  self->position_ += size;
  return size;
}

int64_t MemoryStream::Seek(void* context, int64_t distance, SeekOrigin origin) {
  auto* self = static_cast<MemoryStream*>(context);
  int64_t base = 0;
  if (origin == SeekOrigin::kCurrent) base = self->position_;
  if (origin == SeekOrigin::kEnd) base = self->content_.length();
  const int64_t target = base + distance;
  if (target < 0 || target > self->content_.length()) return -1;
  self->position_ = static_cast<int32_t>(target);
  return target;
}

int64_t MemoryStream::Position(void* context) { return static_cast<MemoryStream*>(context)->position_; }
