#include "storetransaction.h"

#include "registrystore.h"
#include "storeerror_p.h"

#include <optional>

namespace tav::winreg {

struct StoreTransaction::State {
    std::optional<RegistryStore::Write> write;
};

StoreTransaction::StoreTransaction() : m_state(std::make_unique<State>()) {
    try {
        m_state->write.emplace(RegistryStore::instance());
    } catch (const StoreError& e) {
        if (e.status == ERROR_BADDB)
            RegistryStore::markBad();
        m_status = e.status;
    }
}

StoreTransaction::~StoreTransaction() = default;

LONG StoreTransaction::commit() {
    if (m_status != ERROR_SUCCESS)
        return m_status;
    if (!m_state->write)
        return ERROR_INVALID_HANDLE;
    try {
        m_state->write->commit();
    } catch (const StoreError& e) {
        m_status = e.status;
    }
    m_state->write.reset();
    return m_status;
}

} // namespace tav::winreg
