#pragma once
// Internal to datacheck's window, not part of its interface: a hook one window calls at
// every yield of a test handler, just before the pending events are delivered, with the
// yield point and the number of test handlers running (1 for an outer run). Only the test
// seams (tests/support/frmtestdataaccess_testseams.h) set it; in the program it stays empty.
#include "frmtestdataaccess.h"

#include <functional>

namespace tav::datacheck::detail {

using YieldHook = std::function<void(frmTestDataAccess::YieldPoint point, int depth)>;

// The window the hook belongs to (cleared when that window goes) and the hook.
struct YieldHookSlot {
    const frmTestDataAccess* form = nullptr;
    YieldHook hook;
};
YieldHookSlot& yieldHookSlot();

} // namespace tav::datacheck::detail
