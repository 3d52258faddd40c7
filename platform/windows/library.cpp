// Shared libraries and the COM apartment on Windows.
#include <windows.h>
#include <objbase.h>

#include "platform/com.h"
#include "platform/fault.h"
#include "platform/library.h"

namespace platform {

LibraryHandle LoadLibraryAt(const char* path) {
  if (fault::Fails(fault::Point::kLoadLibrary)) return nullptr;
  return reinterpret_cast<LibraryHandle>(LoadLibraryA(path));
}

void* FindSymbol(LibraryHandle library, const char* name) {
  if (fault::Fails(fault::Point::kFindSymbol)) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(library), name));
}

void FreeLibraryHandle(LibraryHandle library) { FreeLibrary(reinterpret_cast<HMODULE>(library)); }

void EnterComApartment() { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }

void LeaveComApartment() { CoUninitialize(); }

}  // namespace platform
