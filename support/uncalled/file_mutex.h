#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <string>

#include "support/uncalled/mutex_holder.h"
#include "support/uncalled/unknown_ptr.h"

/// A file mutex as the registry holds it: the least an `UnknownPtr` needs of its pointee.
/// Created with no reference held; the pointers count them.
class FileMutex {
 public:
  /// The references held on this object; only `UnknownPtr` changes it.
  std::atomic<int32_t> refCount;

  FileMutex();
  /// Deleted by the pointer that drops the last reference, after `finalRelease`.
  virtual ~FileMutex();
  /// Keeps `finalRelease` third among the virtual operations; nothing calls it.
  virtual void reserved();
  /// Called once by the pointer that drops the last reference, just before it deletes the
  /// object. Does nothing here.
  virtual void finalRelease();
};

namespace FileManagement {

/// The process's file mutexes by key. Built empty before main starts and torn down after it
/// returns, after `fileMutexesMutex`; the tool never adds to it or looks in it.
extern std::map<std::string, UnknownPtr<FileMutex>> fileMutexes;

/// The guard of `fileMutexes`: an unnamed kernel mutex held from before main starts until after
/// it returns. Nothing acquires it.
extern Mutex fileMutexesMutex;

}  // namespace FileManagement
