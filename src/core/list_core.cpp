#include "core/list_core.h"

#include <algorithm>
#include <utility>

std::int32_t ListCore::BucketCountFor(std::int32_t expected_size) {
  std::int64_t e = std::max<std::int32_t>(expected_size, 0);
  return static_cast<std::int32_t>(std::min<std::int64_t>((e + 1) * 5 / 4, INT32_MAX));
}

ListCore::ListCore(ListCore&& other) noexcept
    : count_(std::exchange(other.count_, 0)),
      buckets_(std::move(other.buckets_)),
      oldest_(std::exchange(other.oldest_, nullptr)),
      newest_(std::exchange(other.newest_, nullptr)) {}

ListCore& ListCore::operator=(ListCore&& other) noexcept {
  if (this != &other) {
    count_ = std::exchange(other.count_, 0);
    buckets_ = std::move(other.buckets_);
    oldest_ = std::exchange(other.oldest_, nullptr);
    newest_ = std::exchange(other.newest_, nullptr);
  }
  return *this;
}

ListLinks* ListCore::ChainFor(std::uint32_t hash) const {
  if (buckets_.IsEmpty()) return nullptr;
  return buckets_[static_cast<std::int32_t>(ChainIndex(hash))];
}

void ListCore::Link(ListLinks* entry, std::uint32_t hash) {
  std::int32_t index = static_cast<std::int32_t>(ChainIndex(hash));
  entry->hash = hash;
  entry->chain_prev = nullptr;
  entry->chain_next = buckets_[index];
  if (entry->chain_next) entry->chain_next->chain_prev = entry;
  buckets_.Set(index, entry);

  entry->older = newest_;
  entry->newer = nullptr;
  (newest_ ? newest_->newer : oldest_) = entry;
  newest_ = entry;
  ++count_;
}

void ListCore::Unlink(ListLinks* entry) {
  if (entry->chain_prev) {
    entry->chain_prev->chain_next = entry->chain_next;
  } else {
    buckets_.Set(static_cast<std::int32_t>(ChainIndex(entry->hash)), entry->chain_next);
  }
  if (entry->chain_next) entry->chain_next->chain_prev = entry->chain_prev;

  (entry->older ? entry->older->newer : oldest_) = entry->newer;
  (entry->newer ? entry->newer->older : newest_) = entry->older;
  entry->chain_prev = entry->chain_next = entry->older = entry->newer = nullptr;
  --count_;
}

void ListCore::Reset(std::int32_t bucket_count) {
  count_ = 0;
  oldest_ = newest_ = nullptr;
  buckets_.RemoveAll();
  buckets_.Resize(bucket_count);
}
