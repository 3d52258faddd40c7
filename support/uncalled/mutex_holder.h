#pragma once

#include <string>

#include "platform/mutex.h"

/// Holds one kernel mutex handle for its whole life. It offers no way to acquire or release the
/// mutex, and cannot be copied.
class Mutex {
 public:
  /// Opens the existing kernel mutex called `kernelName` (no access rights requested), else
  /// creates one, not owned, under that name, or without a name when `kernelName` is null.
  /// Keeps whatever handle results, null when both steps fail; nothing is reported.
  /// `label` names the mutex for its owner and is not read.
  Mutex(const std::string& label, const char* kernelName);

  /// Closes the handle when there is one, and leaves it null.
  virtual ~Mutex();

  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;

  /// The kernel mutex; null when none is held.
  platform::KernelMutexHandle handle;
};
