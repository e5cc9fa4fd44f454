#pragma once
// Owns one open registry key and closes it when the owner goes, also while an error
// unwinds: the one owner of an open key for the layers above (cRegistry, the reg tool).
#include "winregtypes.h"

namespace tav::winreg {

class KeyHandle {
  public:
    KeyHandle() = default;
    explicit KeyHandle(HKEY h) : m_h(h) {}
    ~KeyHandle() { reset(); }
    KeyHandle(KeyHandle&& o) noexcept : m_h(o.m_h) { o.m_h = nullptr; }
    KeyHandle& operator=(KeyHandle&& o) noexcept;
    KeyHandle(const KeyHandle&) = delete;
    KeyHandle& operator=(const KeyHandle&) = delete;

    HKEY get() const { return m_h; }
    // Closes the key held so far and hands out the slot an opening call fills in.
    HKEY* out() {
        reset();
        return &m_h;
    }
    // Closes the key held, if any.
    void reset();

  private:
    HKEY m_h = nullptr;
};

} // namespace tav::winreg
