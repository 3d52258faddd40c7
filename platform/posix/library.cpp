// Shared libraries and the COM apartment on POSIX.
#include <dlfcn.h>
#include <sys/stat.h>

#include "platform/system.h"

namespace platform {

LibraryHandle HostSystem::LoadLibraryAt(const char* path) {
  // dlopen opens whatever the name is and would wait for ever on a FIFO.
  struct stat info;
  if (stat(path, &info) != 0 || !S_ISREG(info.st_mode)) return nullptr;
  return static_cast<LibraryHandle>(dlopen(path, RTLD_NOW | RTLD_LOCAL));
}

void* HostSystem::FindSymbol(LibraryHandle library, const char* name) { return dlsym(library, name); }

void HostSystem::FreeLibraryHandle(LibraryHandle library) { dlclose(library); }

void HostSystem::CallInComApartment(void (*call)(void* context), void* context) { call(context); }

}  // namespace platform
