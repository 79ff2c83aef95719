// List<Bucket<V,K>>: the library's hash table from keys K to values V.
// The bucket count is fixed when the list is built or cleared with an
// expected size; entries are kept in insertion order, which is the order of
// iteration (oldest first). Not locked: one thread per list.
//
//   List<Bucket<String, String>> names(100);
//   names.FindOrAdd(key) = value;
//   if (String* found = names.Find(key)) ...
//   for (auto& entry : names) Use(entry.key, entry.value);
#pragma once

#include <cstdint>
#include <new>
#include <utility>

#include "core/fatal.h"
#include "core/key_traits.h"
#include "core/list_core.h"

// One entry: the key, the value (first template argument) and the links.
template <class V, class K>
struct Bucket : ListLinks {
  explicit Bucket(const K& k) : key(k), value() {}
  Bucket(const K& k, const V& v) : key(k), value(v) {}

  const K key;
  V value;
};

template <class B>
class List;

template <class V, class K>
class List<Bucket<V, K>> {
  using Entry = Bucket<V, K>;
  using Traits = KeyTraits<K>;

 public:
  // A list built without a size gets its buckets at the first add, sized
  // for this many entries.
  static constexpr std::int32_t kDefaultExpectedSize = 16;

  template <class E>
  class Iterator {
   public:
    explicit Iterator(ListLinks* entry) : entry_(entry) {}
    E& operator*() const { return static_cast<E&>(*entry_); }
    E* operator->() const { return static_cast<E*>(entry_); }
    Iterator& operator++() {
      entry_ = entry_->newer;
      return *this;
    }
    bool operator==(const Iterator& other) const { return entry_ == other.entry_; }

   private:
    ListLinks* entry_;
  };

  List() = default;
  explicit List(std::int32_t expected_size) { core_.Reset(ListCore::BucketCountFor(expected_size)); }
  List(const List& other) { CopyFrom(other); }
  List(List&& other) noexcept = default;
  List& operator=(const List& other) {
    if (this != &other) {
      DestroyEntries();
      CopyFrom(other);
    }
    return *this;
  }
  List& operator=(List&& other) noexcept {
    if (this != &other) {
      DestroyEntries();
      core_ = std::move(other.core_);
    }
    return *this;
  }
  ~List() { DestroyEntries(); }

  std::int32_t Count() const { return core_.count(); }
  std::int32_t BucketCount() const { return core_.bucket_count(); }

  // The value stored under key, or null.
  V* Find(const K& key) {
    Entry* entry = FindEntry(key, Traits::Hash(key));
    return entry ? &entry->value : nullptr;
  }
  const V* Find(const K& key) const { return const_cast<List*>(this)->Find(key); }
  bool Contains(const K& key) const { return Find(key) != nullptr; }

  // The value stored under key; a new entry (linked as the newest) starts
  // with a default value.
  V& FindOrAdd(const K& key) {
    std::uint32_t hash = Traits::Hash(key);
    if (Entry* entry = FindEntry(key, hash)) return entry->value;
    return AddNew(new (QkAlloc(sizeof(Entry))) Entry(key), hash).value;
  }

  // Answers whether key was there.
  bool Remove(const K& key) {
    Entry* entry = FindEntry(key, Traits::Hash(key));
    if (entry == nullptr) return false;
    core_.Unlink(entry);
    Destroy(entry);
    return true;
  }
  // Empties the list and keeps its bucket count.
  void RemoveAll() { RemoveAll(-1); }
  // Empties the list and sizes its buckets for expected_size entries
  // (a negative size keeps the current count).
  void RemoveAll(std::int32_t expected_size) {
    std::int32_t buckets =
        expected_size < 0 ? BucketCount() : ListCore::BucketCountFor(expected_size);
    DestroyEntries();
    core_.Reset(buckets);
  }

  // Oldest entry first. Removing the entry at hand ends the walk's validity.
  Iterator<Entry> begin() { return Iterator<Entry>(core_.oldest()); }
  Iterator<Entry> end() { return Iterator<Entry>(nullptr); }
  Iterator<const Entry> begin() const { return Iterator<const Entry>(core_.oldest()); }
  Iterator<const Entry> end() const { return Iterator<const Entry>(nullptr); }

 private:
  static void Destroy(Entry* entry) {
    entry->~Entry();
    QkFree(entry);
  }

  Entry* FindEntry(const K& key, std::uint32_t hash) const {
    for (ListLinks* link = core_.ChainFor(hash); link; link = link->chain_next) {
      Entry* entry = static_cast<Entry*>(link);
      if (link->hash == hash && Traits::Equal(entry->key, key)) return entry;
    }
    return nullptr;
  }

  Entry& AddNew(Entry* entry, std::uint32_t hash) {
    if (BucketCount() == 0) core_.Reset(ListCore::BucketCountFor(kDefaultExpectedSize));
    core_.Link(entry, hash);
    return *entry;
  }

  // Same bucket count and the same entries in the same order.
  void CopyFrom(const List& other) {
    core_.Reset(other.BucketCount());
    for (const Entry& entry : other) {
      AddNew(new (QkAlloc(sizeof(Entry))) Entry(entry.key, entry.value), entry.hash);
    }
  }

  void DestroyEntries() {
    ListLinks* link = core_.oldest();
    while (link) {
      ListLinks* newer = link->newer;
      Destroy(static_cast<Entry*>(link));
      link = newer;
    }
    core_.Reset(0);
  }

  ListCore core_;
};
