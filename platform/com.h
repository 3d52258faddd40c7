#pragma once

namespace platform {

/// Joins the calling thread to the multithreaded COM apartment around a store-provider call;
/// nothing on POSIX. True when it joined (also when the thread was in it already); only then
/// is it followed by one LeaveComApartment. A thread that could not join (another apartment
/// model, or a failure) still makes the call, and must not leave.
bool EnterComApartment();
void LeaveComApartment();

}  // namespace platform
