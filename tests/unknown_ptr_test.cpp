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

struct Tally {
  int finalReleases = 0;
  int destructions = 0;
  std::string order;
};

// A file mutex that records its final release and its destruction.
class CountedMutex : public FileMutex {
 public:
  explicit CountedMutex(Tally* tally) : tally_(tally) {}
  ~CountedMutex() override {
    ++tally_->destructions;
    tally_->order += "destroyed;";
  }
  void finalRelease() override {
    ++tally_->finalReleases;
    tally_->order += "finalRelease;";
  }

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

TEST(UnknownPtr, EveryOwnerHoldsOneReferenceAndTheLastOneFrees) {
  Tally tally;
  FileMutex* object = new CountedMutex(&tally);
  {
    UnknownPtr<FileMutex> first(object);
    EXPECT_EQ(object->refCount.load(), 1);
    UnknownPtr<FileMutex> copy(first);
    EXPECT_EQ(object->refCount.load(), 2);
    UnknownPtr<FileMutex> moved(std::move(copy));
    EXPECT_EQ(object->refCount.load(), 2);
    EXPECT_TRUE(!copy);
    {
      UnknownWeakPtr<FileMutex> weak(first);
      UnknownWeakPtr<FileMutex> weakFromRaw(object);
    }
    EXPECT_EQ(object->refCount.load(), 2);
    EXPECT_TRUE(!UnknownPtr<FileMutex>());
    EXPECT_EQ(tally.finalReleases, 0);
  }
  EXPECT_EQ(tally.order, "finalRelease;destroyed;");
}

TEST(UnknownPtr, AssigningTheHeldPointerChangesNoCount) {
  Tally tally;
  UnknownPtr<FileMutex> pointer(new CountedMutex(&tally));
  UnknownPtr<FileMutex>& same = pointer;
  pointer = same;
  pointer = Raw(pointer);
  EXPECT_EQ(pointer->refCount.load(), 1);

  UnknownPtr<FileMutex> other(pointer);
  other = pointer;
  EXPECT_EQ(pointer->refCount.load(), 2);
  EXPECT_EQ(tally.finalReleases, 0);
}

TEST(UnknownPtr, NullOnTheLastReferenceReleasesThenDestroys) {
  Tally tally;
  UnknownPtr<FileMutex> pointer(new CountedMutex(&tally));
  pointer = nullptr;
  EXPECT_EQ(tally.order, "finalRelease;destroyed;");
  EXPECT_TRUE(!pointer);
  EXPECT_EQ(Raw(pointer), nullptr);
}

TEST(UnknownPtr, NullOnASharedReferenceOnlyDecrements) {
  Tally tally;
  UnknownPtr<FileMutex> pointer(new CountedMutex(&tally));
  UnknownPtr<FileMutex> other(pointer);
  pointer = nullptr;
  EXPECT_TRUE(!pointer);
  EXPECT_EQ(other->refCount.load(), 1);
  EXPECT_EQ(tally.order, "");
}

TEST(UnknownPtr, AssigningAnotherObjectMovesTheReference) {
  Tally firstTally, secondTally;
  UnknownPtr<FileMutex> first(new CountedMutex(&firstTally));
  UnknownPtr<FileMutex> second(new CountedMutex(&secondTally));
  UnknownPtr<FileMutex> pointer(first);
  pointer = second;
  EXPECT_EQ(first->refCount.load(), 1);
  EXPECT_EQ(second->refCount.load(), 2);
  first = Raw(second);
  EXPECT_EQ(firstTally.order, "finalRelease;destroyed;");
  EXPECT_EQ(second->refCount.load(), 3);
}

TEST(UnknownPtr, AnObjectOwnedOnlyByTheOldPointeeSurvivesTheAssignment) {
  Tally parentTally, childTally;
  Parent* parent = new Parent(&parentTally, new CountedMutex(&childTally));
  UnknownPtr<FileMutex> pointer(parent);
  pointer = Raw(parent->child);
  EXPECT_EQ(parentTally.destructions, 1);
  EXPECT_EQ(childTally.destructions, 0);
  EXPECT_EQ(pointer->refCount.load(), 1);
}

TEST(UnknownPtr, AssignmentFromAnotherPointerAddsAReferenceThroughAssign) {
  Tally tally;
  UnknownPtr<FileMutex> owner(new CountedMutex(&tally));
  UnknownPtr<FileMutex> second;
  second = owner;
  EXPECT_EQ(owner->refCount.load(), 2);
  UnknownPtr<FileMutex> third;
  UnknownWeakPtr<FileMutex>& thirdAsBase = third;
  thirdAsBase = owner;
  EXPECT_EQ(owner->refCount.load(), 3);
  EXPECT_TRUE(third == owner);

  UnknownWeakPtr<FileMutex> weak;
  weak = owner;
  UnknownWeakPtr<FileMutex> weakCopy;
  weakCopy = weak;
  EXPECT_TRUE(weakCopy == owner);
  EXPECT_EQ(owner->refCount.load(), 3);
}

TEST(UnknownPtr, AMapEntryHoldsOneReferenceUntilItGoes) {
  Tally tally;
  FileMutex* object = new CountedMutex(&tally);
  {
    std::map<std::string, UnknownPtr<FileMutex>> mutexes;
    mutexes["a"] = object;
    mutexes.emplace("b", UnknownPtr<FileMutex>(object));
    EXPECT_EQ(object->refCount.load(), 2);
    mutexes.erase("a");
    EXPECT_EQ(object->refCount.load(), 1);
    EXPECT_EQ(tally.finalReleases, 0);
  }
  EXPECT_EQ(tally.order, "finalRelease;destroyed;");
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
  EXPECT_EQ(tally.finalReleases, 1);
  EXPECT_EQ(tally.destructions, 1);
}

TEST(UnknownWeakPtr, OverridingAssignAloneChangesBothAssignments) {
  FileMutex a, b;
  int assignments = 0, comparisons = 0;
  TracingPtr tracing(&assignments, &comparisons);
  UnknownWeakPtr<FileMutex> other(&b);

  tracing = &a;
  EXPECT_EQ(assignments, 1);
  tracing = other;
  EXPECT_EQ(assignments, 2);
  EXPECT_EQ(Raw(tracing), &b);

  UnknownWeakPtr<FileMutex>& asBase = tracing;
  asBase = &a;
  asBase = other;
  EXPECT_EQ(assignments, 4);

  TracingPtr copy(&assignments, &comparisons);
  copy = tracing;
  EXPECT_EQ(assignments, 5);
  EXPECT_EQ(a.refCount.load(), 0);
  EXPECT_EQ(b.refCount.load(), 0);
}

TEST(UnknownWeakPtr, EveryComparisonGoesThroughTheComparisonOperations) {
  FileMutex a;
  int assignments = 0, comparisons = 0;
  TracingPtr tracing(&assignments, &comparisons);
  tracing = &a;
  const UnknownWeakPtr<FileMutex> other(&a);
  const UnknownWeakPtr<FileMutex>& asBase = tracing;
  EXPECT_TRUE(asBase == other);
  EXPECT_TRUE(asBase == &a);
  EXPECT_FALSE(asBase != other);
  EXPECT_FALSE(asBase != &a);
  EXPECT_FALSE(asBase < other);
  EXPECT_FALSE(asBase < &a);
  EXPECT_FALSE(asBase > other);
  EXPECT_FALSE(asBase > &a);
  EXPECT_EQ(comparisons, 8);
}

TEST(UnknownWeakPtr, AddressesCompareAsUnsignedNumbers) {
  // Never dereferenced: a weak pointer only compares them.
  FileMutex* low = reinterpret_cast<FileMutex*>(uintptr_t{0x1000});
  FileMutex* high = reinterpret_cast<FileMutex*>(~uintptr_t{0} - 0xfff);  // negative if read signed
  const UnknownWeakPtr<FileMutex> lowPointer(low);
  const UnknownWeakPtr<FileMutex> highPointer(high);
  const UnknownWeakPtr<FileMutex> null;

  EXPECT_TRUE(lowPointer < highPointer);
  EXPECT_TRUE(lowPointer < high);
  EXPECT_FALSE(highPointer < lowPointer);
  EXPECT_TRUE(highPointer > lowPointer);
  EXPECT_TRUE(highPointer > low);
  EXPECT_FALSE(lowPointer > highPointer);
  EXPECT_FALSE(lowPointer < low);
  EXPECT_FALSE(lowPointer > low);
  EXPECT_TRUE(null < lowPointer);

  EXPECT_TRUE(lowPointer == low);
  EXPECT_TRUE(lowPointer != highPointer);
  EXPECT_FALSE(lowPointer == highPointer);
  EXPECT_TRUE(!null);
  EXPECT_FALSE(!lowPointer);
  EXPECT_EQ(highPointer.operator->(), high);
}

}  // namespace
