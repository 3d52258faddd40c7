// Kernel mutexes on POSIX.
#include <fcntl.h>
#include <semaphore.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>

#include "platform/mutex.h"

namespace platform {

// A named kernel mutex is a POSIX named semaphore of count 1; an unnamed one is a mutex private to
// the process. Nothing acquires either: the handle only has to stand for one object.
struct KernelMutex {
  sem_t* named = nullptr;
  std::mutex local;
};

namespace {

// The semaphore name for a kernel mutex name: a leading '/' and no other. False when the name
// cannot be one.
bool SemaphoreName(const char* name, char* out, size_t size) {
  if (strchr(name, '/') != nullptr) return false;
  const int length = snprintf(out, size, "/%s", name);
  return length > 0 && static_cast<size_t>(length) < size;
}

KernelMutexHandle HoldSemaphore(sem_t* semaphore) {
  if (semaphore == SEM_FAILED) return nullptr;
  KernelMutex* mutex = new (std::nothrow) KernelMutex;
  if (mutex == nullptr) {
    sem_close(semaphore);
    return nullptr;
  }
  mutex->named = semaphore;
  return mutex;
}

}  // namespace

KernelMutexHandle OpenKernelMutex(const char* name) {
  char semaphoreName[256];
  if (name == nullptr || !SemaphoreName(name, semaphoreName, sizeof semaphoreName)) return nullptr;
  return HoldSemaphore(sem_open(semaphoreName, 0));
}

KernelMutexHandle CreateKernelMutex(const char* name) {
  // An empty name makes an unnamed mutex, as on Windows.
  if (name == nullptr || name[0] == '\0') return new (std::nothrow) KernelMutex;
  char semaphoreName[256];
  if (!SemaphoreName(name, semaphoreName, sizeof semaphoreName)) return nullptr;
  return HoldSemaphore(sem_open(semaphoreName, O_CREAT, 0600, 1));
}

void CloseKernelMutex(KernelMutexHandle handle) {
  if (handle == nullptr) return;
  if (handle->named != nullptr) sem_close(handle->named);
  delete handle;
}

}  // namespace platform
