#include "support/outcome.h"

namespace {
bool skipped = false;
}

void NoteSkippedWork() { skipped = true; }

bool WorkWasSkipped() { return skipped; }

void ResetSkippedWork() { skipped = false; }
