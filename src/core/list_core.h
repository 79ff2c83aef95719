// The untyped half of List<Bucket<V,K>>: the bucket table, the chains and the
// list of all entries in insertion order. It links and unlinks entries but
// never creates, compares or destroys them; the typed list does that.
#pragma once

#include <cstdint>

#include "core/value_vector.h"

// The links every entry carries: its neighbours in its chain, its neighbours
// in insertion order, and its key's hash (which names its chain).
struct ListLinks {
  ListLinks* chain_prev = nullptr;
  ListLinks* chain_next = nullptr;
  ListLinks* older = nullptr;
  ListLinks* newer = nullptr;
  std::uint32_t hash = 0;
};

class ListCore {
 public:
  // The fixed bucket count for an expected number of entries e:
  // (e + 1) * 1.25, truncated. The table never grows; chains lengthen.
  static std::int32_t BucketCountFor(std::int32_t expected_size);

  ListCore() = default;
  ListCore(const ListCore&) = delete;
  ListCore& operator=(const ListCore&) = delete;
  ListCore(ListCore&& other) noexcept;
  ListCore& operator=(ListCore&& other) noexcept;
  ~ListCore() = default;

  std::int32_t count() const { return count_; }
  std::int32_t bucket_count() const { return buckets_.Count(); }
  ListLinks* oldest() const { return oldest_; }

  // First entry of the chain for hash; null when the chain is empty or the
  // list has no buckets.
  ListLinks* ChainFor(std::uint32_t hash) const;
  // Links a new entry into its chain and at the newest end. The list must
  // have buckets.
  void Link(ListLinks* entry, std::uint32_t hash);
  void Unlink(ListLinks* entry);
  // Forgets every entry (the caller has destroyed them) and sets up
  // bucket_count empty chains.
  void Reset(std::int32_t bucket_count);

 private:
  std::uint32_t ChainIndex(std::uint32_t hash) const {
    return hash % static_cast<std::uint32_t>(buckets_.Count());
  }

  std::int32_t count_ = 0;
  ValueVector<ListLinks*> buckets_;
  ListLinks* oldest_ = nullptr;
  ListLinks* newest_ = nullptr;
};
