#include "core/vector.h"

#include <gtest/gtest.h>

#include <string>

#include "core/string.h"
#include "core/value_vector.h"

namespace {

using testing::ExitedWithCode;

// Counts how many elements are alive, to see the vector create and destroy.
struct Tracked {
  static int alive;
  Tracked() : value(-1) { ++alive; }
  explicit Tracked(int v) : value(v) { ++alive; }
  Tracked(const Tracked& other) : value(other.value) { ++alive; }
  ~Tracked() { --alive; }
  int value;
};
int Tracked::alive = 0;

std::string Values(const Vector<Tracked>& v) {
  std::string out;
  for (const Tracked& t : v) out += std::to_string(t.value) + " ";
  return out;
}

// Builds an empty vector whose storage has exactly n + n/2 slots.
Vector<int> WithSlotsFor(std::int32_t n) {
  Vector<int> v;
  v.Reserve(n);
  return v;
}

TEST(VectorReserve, ShrinksOnlyLargeRequestsFarBelowTheCapacity) {
  Vector<int> v = WithSlotsFor(2667);
  ASSERT_EQ(v.Capacity(), 4000);
  v.Reserve(200);  // 200 is not above 500: no shrink
  EXPECT_EQ(v.Capacity(), 4000);
  for (int i = 0; i < 10; ++i) v.Add(i);
  v.Reserve(600);  // 600 > 500 and below 4000 / 4
  EXPECT_EQ(v.Capacity(), 900);
  EXPECT_EQ(v.Head(), 150);
  ASSERT_EQ(v.Count(), 10);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(v[i], i);

  Vector<int> w = WithSlotsFor(1334);
  ASSERT_EQ(w.Capacity(), 2001);
  w.Reserve(600);  // 600 is not below 2001 / 4 = 500
  EXPECT_EQ(w.Capacity(), 2001);
}

TEST(VectorReserve, NeverCutsOffElements) {
  Vector<int> v = WithSlotsFor(4000);  // 6000 slots
  for (int i = 0; i < 1000; ++i) v.Add(i);
  v.Reserve(600);  // treated as a request for the 1000 elements held
  EXPECT_EQ(v.Capacity(), 1500);
  EXPECT_EQ(v.Head(), 250);
  ASSERT_EQ(v.Count(), 1000);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(v[i], i);
}

TEST(VectorReserve, SlidesToTheMiddleWhenThereIsNoRoomBehind) {
  Vector<int> v = WithSlotsFor(100);  // 150 slots, head 25
  for (int i = 0; i < 125; ++i) v.Add(i);
  while (v.Count() > 20) v.TakeFirst();
  ASSERT_EQ(v.Head(), 118);
  v.Reserve(40);  // 130 + 40 > 150: slide to (150 - 40) / 2
  EXPECT_EQ(v.Capacity(), 150);
  EXPECT_EQ(v.Head(), 55);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(v[i], 105 + i);
}

TEST(VectorInsert, FrontInsertionsUseTheSpareSlotsInFront) {
  Vector<int> v = WithSlotsFor(100);
  for (int i = 0; i < 100; ++i) v.Add(i);
  for (int i = 0; i < 60; ++i) v.TakeFirst();
  std::int32_t head = v.Head();
  ASSERT_EQ(head, 85);
  for (int i = 1; i <= 50; ++i) {
    v.Insert(0, -i);
    ASSERT_EQ(v.Head(), head - i) << "insert " << i << " moved the elements behind";
  }
  EXPECT_EQ(v.Count(), 90);
  EXPECT_EQ(v.First(), -50);
  EXPECT_EQ(v[49], -1);
  EXPECT_EQ(v[50], 60);
  EXPECT_EQ(v.Last(), 99);
}

TEST(VectorInsert, PositionsAreClampedAndOrderKept) {
  Vector<int> v;
  v.Insert(5, 2);    // past the end: appended
  v.Insert(-3, 0);   // before the start: prepended
  v.Insert(1, 1);
  v.Add(4);
  v.Insert(3, 3);
  ASSERT_EQ(v.Count(), 5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(v[i], i);
  // Growing from nothing one element at a time keeps every element.
  Vector<int> grown;
  for (int i = 0; i < 1000; ++i) grown.Insert(i % 2 ? grown.Count() : 0, i);
  EXPECT_EQ(grown.Count(), 1000);
  EXPECT_EQ(grown.First(), 998);
  EXPECT_EQ(grown.Last(), 999);
}

TEST(VectorQueue, TakeFirstAdvancesHeadAndTakeLastShortens) {
  Vector<Tracked> queue;
  for (int i = 1; i <= 5; ++i) queue.Emplace(i);
  std::int32_t head = queue.Head();
  ElementPtr<Tracked> first = queue.TakeFirst();
  ASSERT_TRUE(first);
  EXPECT_EQ(first->value, 1);
  EXPECT_EQ(queue.Head(), head + 1);
  ElementPtr<Tracked> last = queue.TakeLast();
  EXPECT_EQ(last->value, 5);
  EXPECT_EQ(queue.Head(), head + 1);
  EXPECT_EQ(Values(queue), "2 3 4 ");
  EXPECT_EQ(Tracked::alive, 5);  // taken elements live until their owner lets go
  first.reset();
  last.reset();
  EXPECT_EQ(Tracked::alive, 3);
  while (queue.TakeFirst()) {
  }
  EXPECT_FALSE(queue.TakeFirst());
  EXPECT_FALSE(queue.TakeLast());
  EXPECT_EQ(Tracked::alive, 0);
  queue.Emplace(9);  // a drained queue takes new work
  EXPECT_EQ(Values(queue), "9 ");
}

TEST(VectorElements, RemoveDestroysDetachHandsOver) {
  {
    Vector<Tracked> v;
    for (int i = 0; i < 6; ++i) v.Emplace(i);
    const Tracked* kept = &v[4];
    v.Remove(1);
    v.Remove(v.Count() - 1);
    EXPECT_EQ(Values(v), "0 2 3 4 ");
    EXPECT_EQ(Tracked::alive, 4);
    EXPECT_EQ(&v[3], kept);  // elements never move in memory
    ElementPtr<Tracked> detached = v.Detach(1);
    EXPECT_EQ(detached->value, 2);
    EXPECT_EQ(Tracked::alive, 4);
    v.Insert(0, std::move(detached));
    EXPECT_EQ(Values(v), "2 0 3 4 ");
    v.RemoveAll();
    EXPECT_EQ(Tracked::alive, 0);
    EXPECT_EQ(v.Capacity(), 0);
    v.Add(MakeElement<Tracked>(7));
    EXPECT_EQ(Values(v), "7 ");
  }
  EXPECT_EQ(Tracked::alive, 0);
}

TEST(VectorElements, ResizeCreatesDefaultsAndDestroysSurplus) {
  Vector<Tracked> v;
  v.Emplace(1);
  v.Resize(4);
  EXPECT_EQ(Values(v), "1 -1 -1 -1 ");
  EXPECT_EQ(Tracked::alive, 4);
  v.Resize(2);
  EXPECT_EQ(Values(v), "1 -1 ");
  EXPECT_EQ(Tracked::alive, 2);
  v.Resize(-1);
  EXPECT_EQ(v.Count(), 0);
  EXPECT_EQ(v.Capacity(), 0);
  EXPECT_EQ(Tracked::alive, 0);
}

TEST(VectorElements, TryAtYieldsNothingOutOfRange) {
  Vector<int> v;
  EXPECT_EQ(v.TryAt(0), nullptr);
  v.Add(3);
  ASSERT_NE(v.TryAt(0), nullptr);
  EXPECT_EQ(*v.TryAt(0), 3);
  EXPECT_EQ(v.TryAt(1), nullptr);
  EXPECT_EQ(v.TryAt(-1), nullptr);
}

TEST(VectorCopy, DeepCopyTakesTheCopyShape) {
  Vector<Tracked> original;
  for (int i = 0; i < 10; ++i) original.Emplace(i);
  original.Reserve(100);
  Vector<Tracked> copy(original);
  EXPECT_EQ(copy.Capacity(), 15);  // a + a/2
  EXPECT_EQ(copy.Head(), 2);       // a/4
  EXPECT_EQ(Values(copy), Values(original));
  EXPECT_NE(&copy[0], &original[0]);
  copy[0].value = 100;
  EXPECT_EQ(original[0].value, 0);
  EXPECT_EQ(Tracked::alive, 20);

  Vector<Tracked> empty_copy{Vector<Tracked>()};
  EXPECT_EQ(empty_copy.Capacity(), 0);

  copy = original;  // assignment replaces the old elements
  EXPECT_EQ(Tracked::alive, 20);
  EXPECT_EQ(copy[0].value, 0);
  Vector<Tracked> moved(std::move(copy));
  EXPECT_EQ(copy.Count(), 0);
  EXPECT_EQ(moved.Count(), 10);
  moved = std::move(original);
  EXPECT_EQ(Tracked::alive, 10);
}

TEST(VectorSort, SortsStablyByTheComparison) {
  Vector<Tracked> v;
  for (int value : {31, 12, 22, 11, 32, 21}) v.Emplace(value);
  v.Sort([](const Tracked& a, const Tracked& b) { return a.value / 10 < b.value / 10; });
  EXPECT_EQ(Values(v), "12 11 22 21 31 32 ");
}

TEST(VectorBounds, OutOfRangeAccessIsFatalWithTheTypeName) {
  Array<String> names;
  names.Add(String("a"));
  names.Add(String("b"));
  names.Add(String("c"));
  EXPECT_EXIT(names[5], ExitedWithCode(1), "^Vector<String>\\[5\\]\r\nmax_index = 2\n$");
  EXPECT_EXIT(names.Remove(-1), ExitedWithCode(1), "^Vector<String>\\[-1\\]\r\nmax_index = 2\n$");
  Vector<int> empty;
  EXPECT_EXIT(empty.Last(), ExitedWithCode(1), "^Vector<int>\\[-1\\]\r\nmax_index = -1\n$");
  ValueVector<unsigned> values;
  values.Add(1);
  EXPECT_EXIT(values.Set(1, 0), ExitedWithCode(1), "^Vector<unsigned int>\\[1\\]\r\nmax_index = 0\n$");
}

TEST(VectorOfStrings, ArrayOfStringCopiesAndSortsTexts) {
  Array<String> names;
  for (const char* name : {"pear", "apple", "fig"}) names.Add(String(name));
  Array<String> copy = names;
  copy.Sort([](const String& a, const String& b) {
    return std::string(a.c_str()) < std::string(b.c_str());
  });
  std::string sorted;
  for (const String& name : copy) sorted += std::string(name.c_str()) + ",";
  EXPECT_EQ(sorted, "apple,fig,pear,");
  EXPECT_STREQ(names[0].c_str(), "pear");
  copy[0].Append("s");
  EXPECT_STREQ(copy[0].c_str(), "apples");
  EXPECT_STREQ(names[1].c_str(), "apple");
}

TEST(ValueVectorForm, StoresValuesInTheSlots) {
  ValueVector<int> v;
  for (int i = 0; i < 5; ++i) v.Add(i * 10);
  v.Insert(0, -1);
  v.Set(1, 7);
  EXPECT_EQ(v.First(), -1);
  EXPECT_EQ(v[1], 7);
  EXPECT_EQ(v.TakeLast(), 40);
  EXPECT_EQ(v.TakeFirst(), -1);
  EXPECT_EQ(v.TryAt(9), std::nullopt);
  v.Remove(0);
  int sum = 0;
  for (int value : v) sum += value;
  EXPECT_EQ(sum, 10 + 20 + 30);
  v.Resize(5);
  EXPECT_EQ(v[3], 0);  // new values are zero
  v.Sort([](int a, int b) { return a > b; });
  EXPECT_EQ(v[0], 30);
  ValueVector<int> copy(v);
  EXPECT_EQ(copy.Capacity(), 7);
  EXPECT_EQ(copy.Head(), 1);
  EXPECT_EQ(copy[0], 30);
  v.RemoveAll();
  EXPECT_FALSE(v.TakeFirst().has_value());

  int target = 0;
  ValueVector<int*> pointers;
  pointers.Resize(2);
  pointers.Set(1, &target);
  EXPECT_EQ(pointers[0], nullptr);
  EXPECT_EQ(pointers[1], &target);
}

}  // namespace
