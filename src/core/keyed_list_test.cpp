#include "core/keyed_list.h"

#include <gtest/gtest.h>

#include <string>

#include "core/string.h"
#include "core/text_hash.h"
#include "core/vector.h"

namespace {

std::string Text(const String& s) { return std::string(s.c_str(), s.length()); }

template <class V>
std::string Keys(const List<Bucket<V, String>>& list) {
  std::string out;
  for (const auto& entry : list) out += Text(entry.key) + ",";
  return out;
}

TEST(TextHash, SumsLittleEndianWordsSignedTailAndLength) {
  EXPECT_EQ(TextHash("abc", 3), 0x79E2BDC6u);             // 0x79E2BC9D + 0x61 + 0x62 + 0x63 + 3
  EXPECT_EQ(TextHash("\0\0\0\0", 4), 0x79E2BCA1u);        // + 0 + 4
  EXPECT_EQ(TextHash("\xFF", 1), 0x79E2BC9Du);            // - 1 + 1
  EXPECT_EQ(TextHash("\x80", 1), 0x79E2BC1Eu);            // - 128 + 1
  EXPECT_EQ(TextHash("abcd", 4), 0xDE461F02u);            // + 0x64636261 + 4
  EXPECT_EQ(TextHash("abcde", 5), 0xDE461F68u);           // + 0x64636261 + 0x65 + 5
  EXPECT_EQ(TextHash("\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 8), 0x79E2BCA3u);  // wraps: - 2 + 8
  EXPECT_EQ(TextHash("", 0), 0x79E2BC9Du);
  EXPECT_EQ(TextHash(nullptr, 5), 0x79E2BC9Du);
  EXPECT_EQ(TextHash("abc", -1), 0x79E2BC9Du);
  EXPECT_EQ(WordSum(0, "abcd", 4), 0x64636265u);
  EXPECT_EQ(WordSum(7, "abcd", 0), 7u);
}

TEST(KeyHash, IntegersAndPointersHashToThemselvesTextToItsBytes) {
  EXPECT_EQ(KeyTraits<unsigned int>::Hash(77), 77u);
  EXPECT_EQ(KeyTraits<int>::Hash(-1), 0xFFFFFFFFu);
  int target = 0;
  void* pointer = &target;
  EXPECT_EQ(KeyTraits<void*>::Hash(pointer),
            static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(pointer)));
  EXPECT_EQ(KeyTraits<String>::Hash(String("abc")), 0x79E2BDC6u);
  EXPECT_EQ(KeyTraits<String>::Hash(String()), 0x79E2BC9Du);
  // UTF-16 text hashes its bytes, so it differs from the 8-bit spelling.
  EXPECT_EQ(KeyTraits<String>::Hash(String(u"a")), TextHash("a\0", 2));
}

TEST(KeyedListBuckets, CountIsFixedByTheExpectedSize) {
  List<Bucket<bool, unsigned int>> set(100);
  EXPECT_EQ(set.BucketCount(), 126);  // (100 + 1) * 1.25
  for (unsigned int i = 0; i < 10000; ++i) set.FindOrAdd(i * 7) = true;
  EXPECT_EQ(set.BucketCount(), 126);
  EXPECT_EQ(set.Count(), 10000);
  for (unsigned int i = 0; i < 10000; ++i) ASSERT_NE(set.Find(i * 7), nullptr) << i;
  EXPECT_EQ(set.Find(1), nullptr);

  set.RemoveAll();
  EXPECT_EQ(set.Count(), 0);
  EXPECT_EQ(set.BucketCount(), 126);
  set.RemoveAll(3);
  EXPECT_EQ(set.BucketCount(), 5);
  EXPECT_EQ((List<Bucket<bool, int>>(0).BucketCount()), 1);
}

TEST(KeyedListBuckets, ListWithoutBucketsFindsNothingAndMakesThemOnFirstAdd) {
  List<Bucket<const char*, int>> names;
  EXPECT_EQ(names.BucketCount(), 0);
  EXPECT_EQ(names.Find(3), nullptr);
  EXPECT_FALSE(names.Remove(3));
  const char*& slot = names.FindOrAdd(3);
  EXPECT_EQ(slot, nullptr);  // a new entry starts with a default value
  slot = "three";
  EXPECT_GT(names.BucketCount(), 0);
  ASSERT_NE(names.Find(3), nullptr);
  EXPECT_STREQ(*names.Find(3), "three");
}

TEST(KeyedListOrder, IterationFollowsInsertionOrder) {
  List<Bucket<String, String>> map(10);
  EXPECT_EQ(Keys(map), "");
  map.FindOrAdd("c") = "3";
  map.FindOrAdd("a") = "1";
  map.FindOrAdd("b") = "2";
  map.FindOrAdd("a") = "one";  // an existing key keeps its place
  EXPECT_EQ(Keys(map), "c,a,b,");
  EXPECT_EQ(Text(*map.Find("a")), "one");
  EXPECT_EQ(map.Count(), 3);

  EXPECT_TRUE(map.Remove("c"));
  EXPECT_FALSE(map.Remove("c"));
  EXPECT_EQ(Keys(map), "a,b,");
  map.FindOrAdd("c");
  EXPECT_EQ(Keys(map), "a,b,c,");
  EXPECT_TRUE(map.Remove("b"));
  EXPECT_EQ(Keys(map), "a,c,");
  EXPECT_TRUE(map.Remove("c"));
  EXPECT_TRUE(map.Remove("a"));
  EXPECT_EQ(Keys(map), "");
  EXPECT_EQ(map.Count(), 0);
  map.FindOrAdd("z");
  EXPECT_EQ(Keys(map), "z,");
}

TEST(KeyedListChains, RemovingFromASharedChainKeepsTheOthers) {
  // With 126 buckets these keys all land in chain 5.
  List<Bucket<int, unsigned int>> map(100);
  const unsigned int keys[] = {5, 131, 257, 383};
  for (unsigned int key : keys) map.FindOrAdd(key) = static_cast<int>(key) * 2;
  EXPECT_TRUE(map.Remove(131));  // inside the chain
  EXPECT_TRUE(map.Remove(383));  // the chain's first entry (newest links in front)
  EXPECT_EQ(map.Find(131), nullptr);
  EXPECT_EQ(map.Find(383), nullptr);
  ASSERT_NE(map.Find(5), nullptr);
  ASSERT_NE(map.Find(257), nullptr);
  EXPECT_EQ(*map.Find(257), 514);
  EXPECT_TRUE(map.Remove(5));
  EXPECT_TRUE(map.Remove(257));
  EXPECT_EQ(map.Count(), 0);
  map.FindOrAdd(131) = 1;
  EXPECT_EQ(*map.Find(131), 1);
}

TEST(KeyedListKeys, TextKeysCompareByteExactAndPointersByAddress) {
  List<Bucket<bool, String>> texts(4);
  texts.FindOrAdd("Setup") = true;
  EXPECT_EQ(texts.Find("setup"), nullptr);   // case matters
  EXPECT_EQ(texts.Find("Setup "), nullptr);  // length matters
  EXPECT_NE(texts.Find("Setup"), nullptr);
  texts.FindOrAdd(String());  // the empty text is a key like any other
  EXPECT_TRUE(texts.Contains(String()));
  EXPECT_FALSE(texts.Contains(String(u"Setup")));  // same letters, other bytes

  int a = 0, b = 0;
  List<Bucket<bool, void*>> pointers(4);
  pointers.FindOrAdd(&a) = true;
  EXPECT_TRUE(pointers.Contains(&a));
  EXPECT_FALSE(pointers.Contains(&b));
}

TEST(KeyedListCopy, CopiesAreDeepAndKeepOrderAndBuckets) {
  List<Bucket<String, String>> original(20);
  for (const char* key : {"x", "y", "z"}) original.FindOrAdd(key) = key;
  List<Bucket<String, String>> copy(original);
  EXPECT_EQ(copy.BucketCount(), original.BucketCount());
  EXPECT_EQ(Keys(copy), "x,y,z,");
  copy.FindOrAdd("x") = "changed";
  copy.Remove("y");
  EXPECT_EQ(Text(*original.Find("x")), "x");
  EXPECT_EQ(Keys(original), "x,y,z,");

  List<Bucket<String, String>> moved(std::move(copy));
  EXPECT_EQ(Keys(moved), "x,z,");
  EXPECT_EQ(copy.Count(), 0);
  EXPECT_EQ(copy.Find("x"), nullptr);
  moved = original;
  EXPECT_EQ(Keys(moved), "x,y,z,");

  // Keyed lists are themselves vector elements.
  Vector<List<Bucket<bool, String>>> tables;
  tables.Resize(2);
  tables[1].FindOrAdd("k") = true;
  Vector<List<Bucket<bool, String>>> tables_copy(tables);
  EXPECT_TRUE(tables_copy[1].Contains("k"));
  EXPECT_FALSE(tables_copy[0].Contains("k"));
}

}  // namespace
