// Lines and rectangles with the platform's pixel rules: a line stops short of its end
// point, rectangles leave out their right column and bottom row.
#include "gdi.h"
#include "gdihandletable_p.h"
#include "olecolor.h"
#include "raster_p.h"

#include <QPainter>

#include <algorithm>
#include <optional>
#include <utility>

namespace {

using tav::gdi::detail::BrushData;
using tav::gdi::detail::DcState;
using tav::gdi::detail::HandleTable;
using tav::gdi::detail::PenData;
using tav::gdi::detail::Raster;

HandleTable& table() {
    return HandleTable::instance();
}

DcState* paintableDc(HDC hdc) {
    DcState* dc = table().dc(hdc);
    return dc && dc->painter && dc->painter->isActive() ? dc : nullptr;
}

// A brush handle, or a system colour index + 1 cast to a brush as FillRect accepts.
std::optional<BrushData> fillBrush(HBRUSH hbr) {
    if (const BrushData* b = table().brush(hbr))
        return *b;
    const uintptr_t n = reinterpret_cast<uintptr_t>(hbr);
    if (n >= 1 && n <= 31)
        if (const auto c = tav::translateOleColor(0x80000000u + uint32_t(n - 1)))
            return BrushData{false, tav::toBgr(*c)};
    return std::nullopt;
}

// A pen's band around the rectangle path: one-pixel pens and inside-frame pens keep to
// the rectangle, wider pens straddle its edge.
void drawFrame(Raster& raster, int64_t l, int64_t t, int64_t r, int64_t b, const PenData& pen) {
    const int64_t w = std::max(pen.width, 1);
    int64_t outL = l, outT = t, outR = r, outB = b;
    if (pen.style != PS_INSIDEFRAME) {
        const int64_t before = w / 2, after = (w - 1) / 2;
        outL -= before, outT -= before, outR += after, outB += after;
    }
    if (outR - outL <= 2 * w || outB - outT <= 2 * w) {
        raster.fill(outL, outT, outR, outB, pen.color);
        return;
    }
    raster.fill(outL, outT, outR, outT + w, pen.color);
    raster.fill(outL, outB - w, outR, outB, pen.color);
    raster.fill(outL, outT + w, outL + w, outB - w, pen.color);
    raster.fill(outR - w, outT + w, outR, outB - w, pen.color);
}

} // namespace

BOOL LineTo(HDC hdc, int x, int y) {
    DcState* dc = paintableDc(hdc);
    if (!dc)
        return 0;
    const PenData* pen = table().pen(dc->pen);
    const QPoint from = dc->position, to(x, y);
    dc->position = to;
    if (!pen || pen->style == PS_NULL)
        return 1;
    Raster raster(*dc->painter);
    if (pen->width > 1)
        raster.wideLine(from, to, *pen);
    else
        raster.thinLine(from, to, *pen);
    return 1;
}

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom) {
    DcState* dc = paintableDc(hdc);
    if (!dc)
        return 0;
    int64_t l = left, t = top, r = right, b = bottom;
    if (l > r)
        std::swap(l, r);
    if (t > b)
        std::swap(t, b);
    const PenData* pen = table().pen(dc->pen);
    const BrushData* brush = table().brush(dc->brush);
    const bool outlined = pen && pen->style != PS_NULL;
    Raster raster(*dc->painter);
    if (brush && !brush->hollow) {
        // Without an outline the filled area is one pixel smaller each way.
        if (outlined)
            raster.fill(l + 1, t + 1, r - 1, b - 1, brush->color);
        else
            raster.fill(l, t, r - 1, b - 1, brush->color);
    }
    if (!outlined || r <= l || b <= t)
        return 1;
    if (pen->width > 1) {
        drawFrame(raster, l, t, r, b, *pen);
    } else {
        // Four strokes around the cells l..r-1, t..b-1, each stopping short of the corner
        // where the next begins, so every outline cell is painted once.
        const QPoint tl{int(l), int(t)}, tr{int(r - 1), int(t)}, br{int(r - 1), int(b - 1)},
            bl{int(l), int(b - 1)};
        raster.thinLine(tl, tr, *pen);
        raster.thinLine(tr, br, *pen);
        raster.thinLine(br, bl, *pen);
        raster.thinLine(bl, tl, *pen);
        if (tl == br)
            raster.fill(l, t, r, b, pen->color);
    }
    return 1;
}

int FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr) {
    DcState* dc = paintableDc(hDC);
    const std::optional<BrushData> brush = fillBrush(hbr);
    if (!dc || !lprc || !brush)
        return 0;
    if (!brush->hollow) {
        Raster raster(*dc->painter);
        raster.fill(lprc->left, lprc->top, lprc->right, lprc->bottom, brush->color);
    }
    return 1;
}
