// The machine's own processor: the spooler is native, whatever the tool runs as.
#pragma once

#include <stdint.h>

// As a PE machine field (IMAGE_FILE_MACHINE_*), not the one an emulated x64
// process is shown; x64 where Windows cannot say, 0 on the host.
uint16_t ReadNativeMachine();
