#pragma once
// Owners for what the accessibility library hands out: a GObject reference, a GError, a
// g_malloc'd block. Each releases what it holds once, when its scope ends.
#include <glib-object.h>
#include <memory>

namespace checkall {

struct GObjectRelease {
    void operator()(void* p) const { g_object_unref(p); }
};
// One reference to a GObject (an accessible, an interface, a state set).
template <class T> using GObjectPtr = std::unique_ptr<T, GObjectRelease>;

struct GFreeRelease {
    void operator()(void* p) const { g_free(p); }
};
template <class T> using GMallocPtr = std::unique_ptr<T, GFreeRelease>;

// The error out-parameter of one call; the checks treat every failed call as "not there".
class GErrorSlot {
  public:
    GErrorSlot() = default;
    ~GErrorSlot() {
        if (m_e)
            g_error_free(m_e);
    }
    GErrorSlot(const GErrorSlot&) = delete;
    GErrorSlot& operator=(const GErrorSlot&) = delete;
    GError** out() { return &m_e; }
    explicit operator bool() const { return m_e != nullptr; }

  private:
    GError* m_e = nullptr;
};

} // namespace checkall
