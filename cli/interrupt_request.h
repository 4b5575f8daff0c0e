// SIGINT and SIGTERM during an update: noted, so that the run stops after
// committing what it finished instead of dying mid-batch.
#pragma once

namespace idxfilter::cli {

// Installs the handlers (without SA_RESETHAND: a second signal is noted
// too, the run is already stopping).
void CatchInterrupts();
// Whether a signal came.
bool InterruptRequested();
// The signal that came (SIGINT or SIGTERM), 0 if none.
int InterruptSignal();
// The exit status for it: 128 + the signal's number (130, 143).
int InterruptExitStatus();

}  // namespace idxfilter::cli
