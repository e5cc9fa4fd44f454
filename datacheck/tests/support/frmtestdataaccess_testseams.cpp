#include "frmtestdataaccess_testseams.h"

#include <utility>

namespace tav::datacheck {

void setYieldHook(frmTestDataAccess& form, YieldHook hook) {
    detail::yieldHookSlot() = {&form, std::move(hook)};
}

} // namespace tav::datacheck
