#pragma once
// Internal to the registry layer, not part of its interface: the hook every registry
// function asks first. Only the test seams (tests/support/winreg_testseams.h) set it; in the
// programs it stays empty.
#include "winreg.h"

#include <functional>

namespace tav::winreg::detail {

// Asked with the registry function's own name ("RegEnumKeyA" ...); a non-zero answer is
// returned as that call's status.
using FaultHook = std::function<LONG(const char* function)>;
FaultHook& faultHook();

} // namespace tav::winreg::detail
