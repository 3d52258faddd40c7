#pragma once

namespace platform {

/// A loaded shared library; never a mutex or an event.
struct Library;
/// Null when no library is loaded.
using LibraryHandle = Library*;

/// Loads the library at `path` (LoadLibraryA, or dlopen with RTLD_NOW | RTLD_LOCAL of a regular
/// file only: dlopen would wait for ever on a FIFO). Null when it cannot be loaded.
LibraryHandle LoadLibraryAt(const char* path);

/// The address of the exported symbol `name`, or null when the library has none.
void* FindSymbol(LibraryHandle library, const char* name);

/// Releases a library that LoadLibraryAt returned. A release that fails changes nothing: the
/// library stays loaded until the process ends, and nothing calls into it any more.
void FreeLibraryHandle(LibraryHandle library);

}  // namespace platform
