#include "modgdi.h"

#include "gdi.h"

namespace tav::propcheck::modGDI {

void PaintColorBox(int32_t hDC, int32_t lFill, int32_t lLeft, int32_t lTop, int32_t lRight,
                   int32_t lBottom) {
    const HDC dc = gdi::dcFromLong(hDC);
    HPEN pen = CreatePen(PS_SOLID, 0, 0);
    HBRUSH brush = CreateSolidBrush(COLORREF(lFill));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    Rectangle(dc, lLeft, lTop, lRight, lBottom);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(pen);
    DeleteObject(brush);
}

} // namespace tav::propcheck::modGDI
