#pragma once
// The table behind every graphics handle: pens, brushes and device contexts live here
// under small numbers that are never handed out twice, so a deleted or made-up
// handle is simply not found and the call using it fails.
#include "gdi.h"

#include <QFont>
#include <QPoint>

#include <cstdint>
#include <unordered_map>
#include <variant>

class QPainter;

namespace tav::gdi::detail {

struct PenData {
    int style = PS_SOLID;
    int width = 0;      // 0 and 1 both draw one pixel wide
    COLORREF color = 0; // 0x00BBGGRR, high byte already dropped
};

struct BrushData {
    bool hollow = false;
    COLORREF color = 0;
};

struct DcState {
    QPainter* painter = nullptr;
    QPoint position;
    HGDIOBJ pen = nullptr;
    HGDIOBJ brush = nullptr;
    QFont font;
    COLORREF textColor = 0;
    COLORREF bkColor = 0xFFFFFF;
    int bkMode = OPAQUE;
};

class HandleTable {
  public:
    static HandleTable& instance();

    HGDIOBJ addPen(const PenData& pen) { return toHandle(add(Entry{pen, false, 0})); }
    HGDIOBJ addBrush(const BrushData& brush) { return toHandle(add(Entry{brush, false, 0})); }
    HDC addDc(const DcState& dc);
    void removeDc(HDC hdc);

    // nullptr when the handle is unknown, stale or of another kind.
    DcState* dc(HDC hdc);
    const PenData* pen(HGDIOBJ h);
    const BrushData* brush(HGDIOBJ h);

    bool isStock(HGDIOBJ h) const;
    HGDIOBJ stock(int index) const;

    // Selecting an object into a context, or out of it; a selected object cannot be deleted.
    void noteSelected(HGDIOBJ h, int delta);
    // Deletes a pen or brush: false when unknown, a context, or still selected.
    bool deleteObject(HGDIOBJ h);

    // Pens and brushes created and not deleted (stock objects excluded).
    int liveObjects() const;

  private:
    struct Entry {
        std::variant<PenData, BrushData, DcState> data;
        bool stock = false;
        int selections = 0;
    };

    HandleTable();
    uint32_t add(Entry entry);
    Entry* find(const void* h);
    const Entry* find(const void* h) const;
    static HGDIOBJ toHandle(uint32_t n) { return reinterpret_cast<HGDIOBJ>(uintptr_t(n)); }

    // Numbers 1..31 stay free: FillRect reads them as system-colour brushes.
    uint32_t m_next = 0x100;
    std::unordered_map<uint32_t, Entry> m_entries;
    HGDIOBJ m_stock[NULL_PEN + 1] = {};
};

} // namespace tav::gdi::detail
