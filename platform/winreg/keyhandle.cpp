#include "keyhandle.h"

#include "winreg.h"

namespace tav::winreg {

KeyHandle& KeyHandle::operator=(KeyHandle&& o) noexcept {
    if (this != &o) {
        reset();
        m_h = o.m_h;
        o.m_h = nullptr;
    }
    return *this;
}

void KeyHandle::reset() {
    if (m_h)
        RegCloseKey(m_h);
    m_h = nullptr;
}

} // namespace tav::winreg
