#pragma once

#include <cstdint>

/// The bad-mail phase: purges the Bad Mail Directory and its Messages folder. Returns 1.
int PurgeBadMail(int32_t days);
