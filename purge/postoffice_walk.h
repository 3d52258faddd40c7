#pragma once

#include <cstdint>

/// The postoffice phase: walks the postoffices the postoffice configuration provider yields
/// for the target, purging each postmaster inbox and the chosen mailbox folders, and pausing
/// `Purge Wait` milliseconds after each postoffice. Returns 1.
int PurgePostoffices(int32_t days);
