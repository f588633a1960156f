// Ctrl+C during long work: the work stops at the next picture or frame and
// fails as any other failure does, so that its new file is removed instead
// of left half-written beside its target.
#pragma once

// From now on an interrupt only asks the work to stop.
void catchInterrupts();
bool interrupted();
