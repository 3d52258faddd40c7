#pragma once

namespace platform {

/// Joins the calling thread to the multithreaded COM apartment around a store-provider call;
/// nothing on POSIX. Every EnterComApartment is followed by one LeaveComApartment.
void EnterComApartment();
void LeaveComApartment();

}  // namespace platform
