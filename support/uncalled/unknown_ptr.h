#pragma once

#include <atomic>
#include <cstdint>
#include <type_traits>

/// A pointer to a `T` that holds no reference on it and never deletes it.
///
/// Every operation is virtual and they are declared in a fixed order. Every assignment ends in
/// `assign(T*)` and every comparison in `isEqual`, `isLess` or `isGreater`, so a derived class
/// changes the meaning of all assignments by overriding `assign(T*)` alone. (A derived class
/// that wants to assign a raw pointer through its own name also needs
/// `using UnknownWeakPtr<T>::operator=;`, because its implicit copy assignment hides the base's.)
template <typename T>
class UnknownWeakPtr {
 public:
  /// A null pointer.
  UnknownWeakPtr() : pointer(nullptr) {}
  /// Points at `raw`.
  UnknownWeakPtr(T* raw) : pointer(raw) {}
  /// Points where `other` points.
  UnknownWeakPtr(const UnknownWeakPtr& other) : pointer(other.pointer) {}

  /// Ends the pointer; the pointee is untouched.
  virtual ~UnknownWeakPtr() {}

  /// `assign(other)`; returns this object.
  // NOLINTNEXTLINE(bugprone-unhandled-self-assignment): assigning itself stores the same pointer.
  virtual UnknownWeakPtr& operator=(const UnknownWeakPtr& other) {
    assign(other);
    return *this;
  }
  /// `assign(raw)`; returns this object.
  virtual UnknownWeakPtr& operator=(T* raw) {
    assign(raw);
    return *this;
  }

  /// The held pointer.
  virtual operator T*() const { return pointer; }
  /// The held pointer, as the conversion gives it.
  virtual T* operator->() const { return pointer; }

  virtual bool operator==(const UnknownWeakPtr& other) const { return isEqual(other.pointer); }
  virtual bool operator==(T* raw) const { return isEqual(raw); }
  virtual bool operator!=(const UnknownWeakPtr& other) const { return !isEqual(other.pointer); }
  virtual bool operator!=(T* raw) const { return !isEqual(raw); }
  virtual bool operator<(const UnknownWeakPtr& other) const { return isLess(other.pointer); }
  virtual bool operator<(T* raw) const { return isLess(raw); }
  virtual bool operator>(const UnknownWeakPtr& other) const { return isGreater(other.pointer); }
  virtual bool operator>(T* raw) const { return isGreater(raw); }

  /// True exactly when the held pointer is null.
  virtual bool operator!() const { return pointer == nullptr; }

  /// `assign` with the raw pointer that `other` holds.
  virtual void assign(const UnknownWeakPtr& other) { assign(other.pointer); }
  /// Stores `raw`. The one place every assignment reaches.
  virtual void assign(T* raw) { pointer = raw; }

  /// True when the held pointer equals `raw`.
  virtual bool isEqual(T* raw) const { return pointer == raw; }
  /// True when the held address is below `raw`'s, both read as unsigned numbers.
  virtual bool isLess(T* raw) const { return reinterpret_cast<uintptr_t>(pointer) < reinterpret_cast<uintptr_t>(raw); }
  /// True when the held address is above `raw`'s, both read as unsigned numbers.
  virtual bool isGreater(T* raw) const {
    return reinterpret_cast<uintptr_t>(pointer) > reinterpret_cast<uintptr_t>(raw);
  }

 protected:
  T* pointer;
};

/// A pointer that owns exactly one reference on its pointee while it is not null.
///
/// `T` must have as its first data member `refCount`, a `std::atomic<int32_t>` that only these
/// pointers change, starting at 0 when no pointer holds the object; a virtual destructor; and
/// `finalRelease()`, declared as its third virtual operation after the destructor and one the
/// pointers do not use. The pointer that drops the last reference calls `finalRelease` and then
/// deletes the object, on whichever thread it runs.
template <typename T>
class UnknownPtr : public UnknownWeakPtr<T> {
 public:
  /// A null pointer.
  UnknownPtr() {}
  /// Points at `raw` and takes a reference on it.
  UnknownPtr(T* raw) : UnknownWeakPtr<T>(raw) { addRef(); }
  /// Points where `other` points and takes a reference of its own.
  UnknownPtr(const UnknownPtr& other) : UnknownWeakPtr<T>(other) { addRef(); }
  /// Takes over `other`'s reference and leaves `other` null.
  UnknownPtr(UnknownPtr&& other) noexcept : UnknownWeakPtr<T>(other) { other.pointer = nullptr; }

  /// Drops the reference, as `release` does.
  ~UnknownPtr() override { release(); }

  using UnknownWeakPtr<T>::operator=;
  using UnknownWeakPtr<T>::assign;

  /// `assign(other)`, through the base's assignment; returns this object.
  UnknownPtr& operator=(const UnknownPtr& other) {
    UnknownWeakPtr<T>::operator=(other);
    return *this;
  }

  /// Points at `raw`: nothing happens when it is already held; otherwise a reference is taken
  /// on `raw` and the one on the previous pointee is dropped.
  void assign(T* raw) override {
    if (raw == this->pointer) return;
    // The new reference is taken before the old one goes: the old pointee may be all that keeps
    // the new one alive (an object assigned one that it owns).
    T* previous = this->pointer;
    this->pointer = raw;
    addRef();
    this->pointer = previous;
    release();
    this->pointer = raw;
  }

  /// Adds one to the pointee's count; nothing when the pointer is null.
  virtual void addRef() {
    static_assert(std::is_same<decltype(T::refCount), std::atomic<int32_t>>::value,
                  "the pointee counts its references in a std::atomic<int32_t> refCount");
    // A new reference is always made from one already held, so it needs no ordering.
    if (this->pointer != nullptr) this->pointer->refCount.fetch_add(1, std::memory_order_relaxed);
  }

  /// Drops the reference and leaves the pointer null; when it was the last one, calls the
  /// pointee's `finalRelease` and then deletes it. Nothing when the pointer is null.
  virtual void release() {
    T* held = this->pointer;
    if (held == nullptr) return;
    this->pointer = nullptr;
    // Acquire-release, so that the thread that destroys the object sees every write other
    // holders made before dropping theirs.
    if (held->refCount.fetch_sub(1, std::memory_order_acq_rel) == 1) {
      held->finalRelease();
      delete held;
    }
  }
};
