#include "winreg_testseams.h"

#include "keyhandletable_p.h"
#include "registrystore.h"

namespace tav::winreg {

void resetStoreForTests() {
    HandleTable::instance().clear();
    RegistryStore::close();
}

void setFaultHook(FaultHook hook) {
    detail::faultHook() = std::move(hook);
}

} // namespace tav::winreg
