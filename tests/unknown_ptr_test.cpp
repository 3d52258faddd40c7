#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <thread>
#include <utility>

#include "support/uncalled/file_mutex.h"
#include "support/uncalled/unknown_ptr.h"

namespace {

// What happened to a counted object, in order.
struct Tally {
  std::string order;
};

// A file mutex that records its final release and its destruction.
class CountedMutex : public FileMutex {
 public:
  explicit CountedMutex(Tally* tally) : tally_(tally) {}
  ~CountedMutex() override { tally_->order += "destroyed;"; }
  void finalRelease() override { tally_->order += "finalRelease;"; }

 private:
  Tally* tally_;
};

// A counted object that owns another one.
class Parent : public CountedMutex {
 public:
  Parent(Tally* tally, FileMutex* owned) : CountedMutex(tally), child(owned) {}
  UnknownPtr<FileMutex> child;
};

// Overrides only the storing assign and the three comparisons, and counts what reaches them.
class TracingPtr : public UnknownWeakPtr<FileMutex> {
 public:
  explicit TracingPtr(int* assignments, int* comparisons) : assignments(assignments), comparisons(comparisons) {}
  using UnknownWeakPtr<FileMutex>::operator=;
  using UnknownWeakPtr<FileMutex>::assign;

  void assign(FileMutex* raw) override {
    ++*assignments;
    UnknownWeakPtr<FileMutex>::assign(raw);
  }
  bool isEqual(FileMutex* raw) const override {
    ++*comparisons;
    return UnknownWeakPtr<FileMutex>::isEqual(raw);
  }
  bool isLess(FileMutex* raw) const override {
    ++*comparisons;
    return UnknownWeakPtr<FileMutex>::isLess(raw);
  }
  bool isGreater(FileMutex* raw) const override {
    ++*comparisons;
    return UnknownWeakPtr<FileMutex>::isGreater(raw);
  }

  int* assignments;
  int* comparisons;
};

FileMutex* Raw(const UnknownWeakPtr<FileMutex>& pointer) { return pointer; }

// Every owner holds one reference (a copy, an assignment, a map entry); a move, a weak pointer or
// assigning the pointee already held adds none; dropping a shared reference only decrements, and
// the last one releases and then destroys.
TEST(UnknownPtr, EveryOwnerHoldsOneReferenceAndTheLastOneFrees) {
  Tally tally;
  FileMutex* object = new CountedMutex(&tally);
  {
    UnknownPtr<FileMutex> first(object);
    EXPECT_EQ(object->refCount.load(), 1);
    UnknownPtr<FileMutex>& same = first;
    first = same;
    first = Raw(first);
    EXPECT_EQ(object->refCount.load(), 1);
    UnknownPtr<FileMutex> copy(first);
    EXPECT_EQ(object->refCount.load(), 2);
    copy = first;
    UnknownPtr<FileMutex> moved(std::move(copy));
    EXPECT_EQ(object->refCount.load(), 2);
    EXPECT_TRUE(!copy);
    {
      UnknownWeakPtr<FileMutex> weak(first);
      UnknownWeakPtr<FileMutex> weakFromRaw(object);
      UnknownWeakPtr<FileMutex> weakCopy;
      weakCopy = weak;
      EXPECT_TRUE(weakCopy == first);
    }
    EXPECT_EQ(object->refCount.load(), 2);
    UnknownPtr<FileMutex> third;
    UnknownWeakPtr<FileMutex>& thirdAsBase = third;
    thirdAsBase = first;
    EXPECT_EQ(object->refCount.load(), 3);
    EXPECT_TRUE(third == first);
    std::map<std::string, UnknownPtr<FileMutex>> mutexes;
    mutexes["a"] = object;
    mutexes.emplace("b", UnknownPtr<FileMutex>(object));
    EXPECT_EQ(object->refCount.load(), 5);
    mutexes.erase("a");
    EXPECT_EQ(object->refCount.load(), 4);
    first = nullptr;
    moved = nullptr;
    third = nullptr;
    EXPECT_TRUE(!first);
    EXPECT_EQ(object->refCount.load(), 1);
    EXPECT_TRUE(!UnknownPtr<FileMutex>());
    EXPECT_EQ(tally.order, "");
  }
  EXPECT_EQ(tally.order, "finalRelease;destroyed;");

  Tally last;
  UnknownPtr<FileMutex> pointer(new CountedMutex(&last));
  pointer = nullptr;
  EXPECT_EQ(last.order, "finalRelease;destroyed;");
  EXPECT_EQ(Raw(pointer), nullptr);
}

// Assigning another object moves the reference, even when the old pointee is all that keeps the
// new one alive.
TEST(UnknownPtr, AssigningAnotherObjectMovesTheReference) {
  Tally firstTally, secondTally, parentTally, childTally;
  UnknownPtr<FileMutex> first(new CountedMutex(&firstTally));
  UnknownPtr<FileMutex> second(new CountedMutex(&secondTally));
  UnknownPtr<FileMutex> pointer(first);
  pointer = second;
  EXPECT_EQ(first->refCount.load(), 1);
  EXPECT_EQ(second->refCount.load(), 2);
  first = Raw(second);
  EXPECT_EQ(firstTally.order, "finalRelease;destroyed;");
  EXPECT_EQ(second->refCount.load(), 3);

  Parent* parent = new Parent(&parentTally, new CountedMutex(&childTally));
  UnknownPtr<FileMutex> owner(parent);
  owner = Raw(parent->child);
  EXPECT_EQ(parentTally.order, "finalRelease;destroyed;");
  EXPECT_EQ(childTally.order, "");
  EXPECT_EQ(owner->refCount.load(), 1);
}

TEST(UnknownPtr, CopiesMadeAndDroppedOnTwoThreadsReleaseOnce) {
  Tally tally;
  UnknownPtr<FileMutex> shared(new CountedMutex(&tally));
  std::atomic<bool> go{false};
  auto churn = [&go](UnknownPtr<FileMutex> mine) {
    while (!go) std::this_thread::yield();
    for (int i = 0; i < 100000; ++i) {
      UnknownPtr<FileMutex> copy(mine);
      UnknownPtr<FileMutex> another;
      another = copy;
      copy = nullptr;
    }
  };
  std::thread first(churn, shared);
  std::thread second(churn, shared);
  go = true;
  shared = nullptr;  // from here the two threads hold the only references
  first.join();
  second.join();
  EXPECT_EQ(tally.order, "finalRelease;destroyed;");
}

// Overriding assign and the comparison operations alone changes every assignment and comparison.
TEST(UnknownWeakPtr, EveryAssignmentAndComparisonGoesThroughTheOverridableOperations) {
  FileMutex a, b;
  int assignments = 0, comparisons = 0;
  TracingPtr tracing(&assignments, &comparisons);
  UnknownWeakPtr<FileMutex> other(&b);
  tracing = &a;
  tracing = other;
  EXPECT_EQ(assignments, 2);
  EXPECT_EQ(Raw(tracing), &b);
  UnknownWeakPtr<FileMutex>& asBase = tracing;
  asBase = other;
  asBase = &a;
  EXPECT_EQ(assignments, 4);
  TracingPtr copy(&assignments, &comparisons);
  copy = tracing;
  EXPECT_EQ(assignments, 5);
  EXPECT_EQ(a.refCount.load() + b.refCount.load(), 0);

  const UnknownWeakPtr<FileMutex> same(&a);
  EXPECT_TRUE(asBase == same && asBase == &a);
  EXPECT_FALSE(asBase != same || asBase != &a || asBase < same || asBase < &a || asBase > same || asBase > &a);
  EXPECT_EQ(comparisons, 8);
}

TEST(UnknownWeakPtr, AddressesCompareAsUnsignedNumbers) {
  // Never dereferenced: a weak pointer only compares them.
  FileMutex* low = reinterpret_cast<FileMutex*>(uintptr_t{0x1000});
  FileMutex* high = reinterpret_cast<FileMutex*>(~uintptr_t{0} - 0xfff);  // negative if read signed
  const UnknownWeakPtr<FileMutex> lowPointer(low);
  const UnknownWeakPtr<FileMutex> highPointer(high);
  const UnknownWeakPtr<FileMutex> null;

  EXPECT_TRUE(lowPointer < highPointer && lowPointer < high && highPointer > lowPointer && highPointer > low);
  EXPECT_FALSE(highPointer < lowPointer || lowPointer > highPointer || lowPointer < low || lowPointer > low);
  EXPECT_TRUE(null < lowPointer && lowPointer == low && lowPointer != highPointer && !null);
  EXPECT_FALSE(lowPointer == highPointer || !lowPointer);
  EXPECT_EQ(highPointer.operator->(), high);
}

}  // namespace
