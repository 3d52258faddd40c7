#pragma once

namespace platform {

/// A loaded shared library; null when none is loaded.
using LibraryHandle = void*;

/// Loads the library at `path` (LoadLibraryA, or dlopen with RTLD_NOW | RTLD_LOCAL).
/// Null when it cannot be loaded.
LibraryHandle LoadLibraryAt(const char* path);

/// The address of the exported symbol `name`, or null when the library has none.
void* FindSymbol(LibraryHandle library, const char* name);

/// Releases a library that LoadLibraryAt returned.
void FreeLibraryHandle(LibraryHandle library);

/// Joins the calling thread to the multithreaded COM apartment around a store-provider call;
/// nothing on POSIX. Every EnterComApartment is followed by one LeaveComApartment.
void EnterComApartment();
void LeaveComApartment();

}  // namespace platform
