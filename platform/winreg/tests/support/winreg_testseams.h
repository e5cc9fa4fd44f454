#pragma once
// Test seams of the registry layer, linked into test binaries, benchmarks and fuzz targets
// only (target tav_winreg_testseams); the programs carry none of them.
#include "winreg_p.h"

namespace tav::winreg {

// Closes the cached connection and forgets every open handle, so that the next call opens
// the store named by the environment afresh. For tests that switch store folders.
void resetStoreForTests();

// When set, every registry function first asks the hook with its own name ("RegEnumKeyA"
// ...); a non-zero answer is returned as that call's status. An empty hook removes it.
using FaultHook = detail::FaultHook;
void setFaultHook(FaultHook hook);

} // namespace tav::winreg
