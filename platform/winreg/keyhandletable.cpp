#include "keyhandletable_p.h"

#include <QtGlobal>

namespace tav::winreg {

HandleTable& HandleTable::instance() {
    static HandleTable table;
    return table;
}

HKEY HandleTable::add(const OpenKey& key) {
    // Handle values are never reused within a process, so a stale handle stays invalid.
    const uintptr_t h = m_next;
    m_next += 4;
    const bool fresh = m_open.emplace(h, key).second;
    Q_ASSERT(fresh);
    Q_UNUSED(fresh);
    return reinterpret_cast<HKEY>(h);
}

OpenKey* HandleTable::find(HKEY h) {
    const auto it = m_open.find(reinterpret_cast<uintptr_t>(h));
    return it == m_open.end() ? nullptr : &it->second;
}

OpenKey& HandleTable::predefined(HKEY h) {
    auto& key = m_predefined[reinterpret_cast<uintptr_t>(h)];
    key.access = KEY_ALL_ACCESS;
    return key;
}

bool HandleTable::remove(HKEY h) {
    return m_open.erase(reinterpret_cast<uintptr_t>(h)) > 0;
}

void HandleTable::clear() {
    m_open.clear();
    m_predefined.clear();
}

} // namespace tav::winreg
