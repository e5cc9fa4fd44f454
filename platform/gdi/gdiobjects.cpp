// Pens, brushes, their selection into contexts, and the context's simple state.
#include "gdi.h"
#include "gdihandletable_p.h"
#include "olecolor.h"

namespace {

using tav::gdi::detail::DcState;
using tav::gdi::detail::HandleTable;

HandleTable& table() {
    return HandleTable::instance();
}

constexpr COLORREF rgbPart(COLORREF c) {
    return c & 0x00FFFFFFu;
}

} // namespace

HPEN CreatePen(int iStyle, int cWidth, COLORREF color) {
    if (iStyle < PS_SOLID || iStyle > PS_INSIDEFRAME)
        return nullptr;
    const int width = cWidth < 0 ? 0 : cWidth;
    // Dashed styles exist only for one-pixel pens; wider ones draw solid.
    const bool dashed = iStyle >= PS_DASH && iStyle <= PS_DASHDOTDOT;
    const int style = dashed && width > 1 ? PS_SOLID : iStyle;
    return table().addPen({style, width, rgbPart(color)});
}

HBRUSH CreateSolidBrush(COLORREF color) {
    return table().addBrush({false, rgbPart(color)});
}

HGDIOBJ GetStockObject(int i) {
    return table().stock(i);
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h) {
    DcState* dc = table().dc(hdc);
    if (!dc)
        return nullptr;
    HGDIOBJ* slot = table().pen(h) ? &dc->pen : table().brush(h) ? &dc->brush : nullptr;
    if (!slot)
        return nullptr;
    HGDIOBJ previous = *slot;
    if (previous != h) {
        table().noteSelected(h, +1);
        table().noteSelected(previous, -1);
        *slot = h;
    }
    return previous;
}

BOOL DeleteObject(HGDIOBJ ho) {
    return table().deleteObject(ho) ? 1 : 0;
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT type) {
    const DcState* dc = table().dc(hdc);
    if (!dc)
        return nullptr;
    return type == OBJ_PEN ? dc->pen : type == OBJ_BRUSH ? dc->brush : nullptr;
}

BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT lppt) {
    DcState* dc = table().dc(hdc);
    if (!dc)
        return 0;
    if (lppt)
        *lppt = {dc->position.x(), dc->position.y()};
    dc->position = {x, y};
    return 1;
}

BOOL GetCurrentPositionEx(HDC hdc, LPPOINT lppt) {
    const DcState* dc = table().dc(hdc);
    if (!dc || !lppt)
        return 0;
    *lppt = {dc->position.x(), dc->position.y()};
    return 1;
}

COLORREF GetTextColor(HDC hdc) {
    const DcState* dc = table().dc(hdc);
    return dc ? dc->textColor : CLR_INVALID;
}

COLORREF SetTextColor(HDC hdc, COLORREF color) {
    DcState* dc = table().dc(hdc);
    if (!dc)
        return CLR_INVALID;
    const COLORREF previous = dc->textColor;
    dc->textColor = color;
    return previous;
}

COLORREF GetBkColor(HDC hdc) {
    const DcState* dc = table().dc(hdc);
    return dc ? dc->bkColor : CLR_INVALID;
}

COLORREF SetBkColor(HDC hdc, COLORREF color) {
    DcState* dc = table().dc(hdc);
    if (!dc)
        return CLR_INVALID;
    const COLORREF previous = dc->bkColor;
    dc->bkColor = color;
    return previous;
}

int GetBkMode(HDC hdc) {
    const DcState* dc = table().dc(hdc);
    return dc ? dc->bkMode : 0;
}

int SetBkMode(HDC hdc, int mode) {
    DcState* dc = table().dc(hdc);
    if (!dc || (mode != TRANSPARENT && mode != OPAQUE))
        return 0;
    const int previous = dc->bkMode;
    dc->bkMode = mode;
    return previous;
}

HRESULT OleTranslateColor(OLE_COLOR clr, HPALETTE, COLORREF* lpcolorref) {
    const auto colour = tav::translateOleColor(clr);
    if (!colour)
        return E_INVALIDARG;
    if (lpcolorref)
        *lpcolorref = tav::toBgr(*colour);
    return S_OK;
}
