#include "support/uncalled/mutex_holder.h"

Mutex::Mutex(const std::string& /*label*/, const char* kernelName) : handle(nullptr) {
  handle = platform::OpenKernelMutex(kernelName);
  if (handle == nullptr) handle = platform::CreateKernelMutex(kernelName);
}

Mutex::~Mutex() {
  if (handle != nullptr) platform::CloseKernelMutex(handle);
  handle = nullptr;
}
