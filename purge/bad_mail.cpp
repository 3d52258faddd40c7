#include "purge/bad_mail.h"

// The bad-mail phase lands with the settings work.
int PurgeBadMail(int32_t) { return 1; }
