#pragma once

namespace platform {

/// A kernel mutex; never a library or an event.
struct KernelMutex;
/// Null when none is held.
using KernelMutexHandle = KernelMutex*;

/// Opens the existing kernel mutex called `name`, requesting no access rights, so the handle
/// cannot be waited on (OpenMutexA with desired access 0, not inheritable). Null when there is
/// none by that name, and always null when `name` is null. On POSIX a named mutex is a POSIX
/// named semaphore; a name holding '/' cannot be one and is never found.
KernelMutexHandle OpenKernelMutex(const char* name);

/// Creates a kernel mutex that nobody owns yet, called `name`, or private to the process when
/// `name` is null (CreateMutexA without security attributes). Where a mutex of that name exists
/// already, the handle refers to it. Null on failure.
/// On POSIX a named mutex outlives its last handle (until the semaphore is unlinked), unlike on
/// Windows, where the object ends with its last handle.
KernelMutexHandle CreateKernelMutex(const char* name);

/// Closes a handle that OpenKernelMutex or CreateKernelMutex returned; a null handle is ignored.
void CloseKernelMutex(KernelMutexHandle handle);

}  // namespace platform
