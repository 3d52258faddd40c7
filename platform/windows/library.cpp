// Shared libraries and the COM apartment on Windows.
#include <windows.h>
#include <objbase.h>

#include "platform/fault.h"
#include "platform/system.h"

namespace platform {

LibraryHandle HostSystem::LoadLibraryAt(const char* path) {
  return reinterpret_cast<LibraryHandle>(LoadLibraryA(path));
}

void* HostSystem::FindSymbol(LibraryHandle library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(library), name));
}

void HostSystem::FreeLibraryHandle(LibraryHandle library) { FreeLibrary(reinterpret_cast<HMODULE>(library)); }

void HostSystem::CallInComApartment(void (*call)(void* context), void* context) {
  // S_FALSE (joined already) needs its CoUninitialize as S_OK does; RPC_E_CHANGED_MODE (the
  // thread is in another apartment) and a failure must not be balanced by one.
  const HRESULT result =
      fault::Fails(fault::Point::kComApartment) ? E_OUTOFMEMORY : CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  call(context);
  if (result == S_OK || result == S_FALSE) CoUninitialize();
}

}  // namespace platform
