#pragma once

namespace platform {

/// A loaded shared library; never a mutex or an event.
struct Library;
/// Null when no library is loaded.
using LibraryHandle = Library*;

}  // namespace platform
