#pragma once

namespace platform {

/// Makes `call(context)` with the calling thread joined to the multithreaded COM apartment, and
/// leaves the apartment after it; on POSIX only makes the call. A thread that could not join
/// (another apartment model, or a failure) still makes the call, and does not leave.
void CallInComApartment(void (*call)(void* context), void* context);

}  // namespace platform
