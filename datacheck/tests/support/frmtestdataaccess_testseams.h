#pragma once
// Test seam of datacheck's window, linked into its test binaries only (target
// datacheck_form_testseams).
#include "frmtestdataaccess_p.h"

namespace tav::datacheck {

using YieldHook = detail::YieldHook;

// Calls `hook` at every yield of `form`'s test handlers, just before the pending events are
// delivered, until another hook is set or the window goes. An empty hook removes it.
void setYieldHook(frmTestDataAccess& form, YieldHook hook);

} // namespace tav::datacheck
