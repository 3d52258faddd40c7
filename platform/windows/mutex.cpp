// Kernel mutexes on Windows.
#include <windows.h>

#include "platform/mutex.h"

namespace platform {

KernelMutexHandle OpenKernelMutex(const char* name) {
  return reinterpret_cast<KernelMutexHandle>(OpenMutexA(0, FALSE, name));
}

KernelMutexHandle CreateKernelMutex(const char* name) {
  return reinterpret_cast<KernelMutexHandle>(CreateMutexA(nullptr, FALSE, name));
}

void CloseKernelMutex(KernelMutexHandle handle) {
  if (handle != nullptr) CloseHandle(reinterpret_cast<HANDLE>(handle));
}

}  // namespace platform
