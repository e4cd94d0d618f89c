// A time limit on each call into the converter library. When one has not returned
// in time, the watchdog tells its observer and ends the process with 1, as the
// fault exit does: no call into the library again, not even its detach code. It
// works while the library hangs in its start-up code with the loader lock held:
// it is running before the first load, and needs no lock to tell and to end.
#pragma once

// Told from the watchdog's own thread (Windows) or a signal handler (the host),
// while the library's call still hangs: no heap, no locks, no stdio.
using HangObserver = void (*)();

// Starts the watchdog with |seconds| for each call, and returns once it runs.
// False when it could not be started.
bool StartWatchdog(unsigned seconds, HangObserver observer);

// A call into the library begins, or it returned.
void ArmWatchdog();
void DisarmWatchdog();
