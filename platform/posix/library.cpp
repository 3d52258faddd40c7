// Shared libraries and the COM apartment on POSIX.
#include <dlfcn.h>
#include <sys/stat.h>

#include "platform/com.h"
#include "platform/fault.h"
#include "platform/library.h"

namespace platform {

LibraryHandle LoadLibraryAt(const char* path) {
  if (fault::Fails(fault::Point::kLoadLibrary)) return nullptr;
  // dlopen opens whatever the name is and would wait for ever on a FIFO.
  struct stat info;
  if (stat(path, &info) != 0 || !S_ISREG(info.st_mode)) return nullptr;
  return static_cast<LibraryHandle>(dlopen(path, RTLD_NOW | RTLD_LOCAL));
}

void* FindSymbol(LibraryHandle library, const char* name) {
  return fault::Fails(fault::Point::kFindSymbol) ? nullptr : dlsym(library, name);
}

void FreeLibraryHandle(LibraryHandle library) { dlclose(library); }

void CallInComApartment(void (*call)(void* context), void* context) { call(context); }

}  // namespace platform
