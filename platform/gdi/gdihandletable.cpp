#include "gdihandletable_p.h"

#include <QtGlobal>

namespace tav::gdi::detail {

HandleTable& HandleTable::instance() {
    static HandleTable table;
    return table;
}

HandleTable::HandleTable() {
    const auto stockBrush = [&](int i, bool hollow, COLORREF c) {
        m_stock[i] = toHandle(add(Entry{BrushData{hollow, c}, true, 0}));
    };
    const auto stockPen = [&](int i, int style, COLORREF c) {
        m_stock[i] = toHandle(add(Entry{PenData{style, 0, c}, true, 0}));
    };
    stockBrush(WHITE_BRUSH, false, 0xFFFFFF);
    stockBrush(LTGRAY_BRUSH, false, 0xC0C0C0);
    stockBrush(GRAY_BRUSH, false, 0x808080);
    stockBrush(DKGRAY_BRUSH, false, 0x404040);
    stockBrush(BLACK_BRUSH, false, 0);
    stockBrush(NULL_BRUSH, true, 0);
    stockPen(WHITE_PEN, PS_SOLID, 0xFFFFFF);
    stockPen(BLACK_PEN, PS_SOLID, 0);
    stockPen(NULL_PEN, PS_NULL, 0);
}

uint32_t HandleTable::add(Entry entry) {
    Q_ASSERT(m_next >= 0x100); // numbers run up from above the system-colour brushes
    const uint32_t n = m_next++;
    const bool fresh = m_entries.emplace(n, std::move(entry)).second;
    Q_ASSERT(fresh); // a number is never handed out twice
    Q_UNUSED(fresh);
    return n;
}

HandleTable::Entry* HandleTable::find(const void* h) {
    const uintptr_t n = reinterpret_cast<uintptr_t>(h);
    if (n > UINT32_MAX)
        return nullptr;
    const auto it = m_entries.find(uint32_t(n));
    return it == m_entries.end() ? nullptr : &it->second;
}

const HandleTable::Entry* HandleTable::find(const void* h) const {
    return const_cast<HandleTable*>(this)->find(h);
}

HDC HandleTable::addDc(const DcState& dc) {
    return reinterpret_cast<HDC>(uintptr_t(add(Entry{dc, false, 0})));
}

void HandleTable::removeDc(HDC hdc) {
    DcState* state = dc(hdc);
    if (!state)
        return;
    noteSelected(state->pen, -1);
    noteSelected(state->brush, -1);
    m_entries.erase(uint32_t(reinterpret_cast<uintptr_t>(hdc)));
}

DcState* HandleTable::dc(HDC hdc) {
    Entry* e = find(hdc);
    return e ? std::get_if<DcState>(&e->data) : nullptr;
}

const PenData* HandleTable::pen(HGDIOBJ h) {
    Entry* e = find(h);
    return e ? std::get_if<PenData>(&e->data) : nullptr;
}

const BrushData* HandleTable::brush(HGDIOBJ h) {
    Entry* e = find(h);
    return e ? std::get_if<BrushData>(&e->data) : nullptr;
}

bool HandleTable::isStock(HGDIOBJ h) const {
    const Entry* e = find(h);
    return e && e->stock;
}

HGDIOBJ HandleTable::stock(int index) const {
    return index >= 0 && index <= NULL_PEN ? m_stock[index] : nullptr;
}

void HandleTable::noteSelected(HGDIOBJ h, int delta) {
    if (Entry* e = find(h); e && !e->stock) {
        e->selections += delta;
        Q_ASSERT(e->selections >= 0); // every deselection follows its selection
    }
}

bool HandleTable::deleteObject(HGDIOBJ h) {
    Entry* e = find(h);
    if (!e || std::holds_alternative<DcState>(e->data))
        return false;
    if (e->stock)
        return true; // deleting a stock object is allowed and does nothing
    if (e->selections > 0)
        return false;
    m_entries.erase(uint32_t(reinterpret_cast<uintptr_t>(h)));
    return true;
}

int HandleTable::liveObjects() const {
    int n = 0;
    for (const auto& [handle, e] : m_entries)
        if (!e.stock && !std::holds_alternative<DcState>(e.data))
            ++n;
    return n;
}

} // namespace tav::gdi::detail
