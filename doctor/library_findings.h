// What the run's library steps say, explained: why the library did not load, what
// is risky about one that did, its entry points, and its faults.
#pragma once

#include "cli/command_line.h"
#include "doctor/report.h"
#include "doctor/run_trace.h"
#include "doctor/system_interface.h"

// Why the run's load failed, from the loader's error, the file the loader would
// have found and, for a Windows library, the DLLs it needs in turn.
void ExplainLoadFailure(SystemInterface& system, const CommandOptions& options,
                        const RunTrace& trace, Report* report);

// The loaded library's version, and where a bare name was found when that is a
// folder others can write to.
void ExplainLoadedLibrary(SystemInterface& system, const CommandOptions& options,
                          const RunTrace& trace, Report* report);

// The entry points the library lacks, and a start that returned no handle.
// |exit_status| is the run's: what made it 1 is an error, anything else a warning.
void ExplainEntryPoints(const RunTrace& trace, RunOutcome outcome, bool removal, int exit_status,
                        Report* report);

// The Visual C++ runtime's DLLs, release and debug, by the shape of their names:
// vcruntime140.dll, msvcp140_1.dll, mfc140u.dll, msvcr120.dll; a debug build's end
// in d (vcruntime140d.dll, msvcp140_1d.dll), and the debug universal C runtime is
// ucrtbased.dll. A missing one is fixed by the Redistributable, or, for a debug one,
// only by a release build of the library.
enum class RuntimeKind { kNone, kRelease, kDebug };
RuntimeKind VisualCppRuntime(const char* name);

// Where in the run a fault at |step| happened, in words: "in PDFDriverInit".
const char* FaultPlace(LibraryStep step);

// A fault in the library at |step|. |caught| when the loader caught it and the run
// went on; otherwise it ended the run.
void AddFaultFinding(const Fault& fault, LibraryStep step, bool caught, Report* report);
