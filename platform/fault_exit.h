// Ending the process quietly when code the tool does not control faults. The
// converter library is closed: whatever it does, the tool must stay silent, show no
// system dialog or crash report, and end with one of its own exit statuses.
#pragma once

// From here on, a fault that nothing else handles ends the process at once with
// |exit_status|: no output, no dialog, no report, no further call into any loaded
// library, not even its unload code. On Windows the process error mode also gains
// SEM_FAILCRITICALERRORS, SEM_NOGPFAULTERRORBOX and SEM_NOOPENFILEERRORBOX, on top
// of the caller's, so the loader shows no message box either. Called once, first
// thing, by the entry point.
void ExitOnFault(int exit_status);
