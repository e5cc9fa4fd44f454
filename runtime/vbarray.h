#pragma once
// A one-dimensional array that carries its bounds, as the automation arrays do:
// indexing outside lbound..ubound raises error 9.
#include "vberror.h"

#include <cstdint>
#include <vector>

namespace tav {

template <class T> class VbArray {
  public:
    VbArray() = default;
    explicit VbArray(int32_t lbound, std::vector<T> items = {})
        : m_lbound(lbound), m_items(std::move(items)) {}

    int32_t lbound() const { return m_lbound; }
    // ubound is lbound - 1 for an empty array.
    int32_t ubound() const { return m_lbound + static_cast<int32_t>(m_items.size()) - 1; }
    int32_t count() const { return static_cast<int32_t>(m_items.size()); }
    bool empty() const { return m_items.empty(); }

    T& operator()(int32_t index) { return m_items[offset(index)]; }
    const T& operator()(int32_t index) const { return m_items[offset(index)]; }

    void append(T value) { m_items.push_back(std::move(value)); }
    void reserve(size_t n) { m_items.reserve(n); }
    void resize(size_t n) { m_items.resize(n); }

    const std::vector<T>& items() const { return m_items; }
    std::vector<T>& items() { return m_items; }

    friend bool operator==(const VbArray& a, const VbArray& b) = default;

  private:
    size_t offset(int32_t index) const {
        const int64_t off = int64_t(index) - m_lbound;
        if (off < 0 || off >= int64_t(m_items.size()))
            throw VbError::standard(err::SubscriptOutOfRange);
        return size_t(off);
    }

    int32_t m_lbound = 0;
    std::vector<T> m_items;
};

} // namespace tav
