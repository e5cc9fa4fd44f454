#pragma once
// Graphics functions with the platform's signatures and pixel rules, drawing through a
// QPainter. Handles are small numbers kept in a table (see devicecontext.h); a stale
// or unknown handle makes a call fail as the platform's does.
#include "gdihandle.h"

#include <cstdint>

using BOOL = int;
using UINT = uint32_t;
using COLORREF = uint32_t;
using OLE_COLOR = uint32_t;
using HRESULT = int32_t;
using LPCSTR = const char*;
struct HGDIOBJ__;
struct HPALETTE__;
using HGDIOBJ = HGDIOBJ__*;
using HPEN = HGDIOBJ;
using HBRUSH = HGDIOBJ;
using HFONT = HGDIOBJ;
using HPALETTE = HPALETTE__*;

struct POINT {
    int32_t x;
    int32_t y;
};
using LPPOINT = POINT*;
struct RECT {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};
using LPRECT = RECT*;

inline constexpr int PS_SOLID = 0;
inline constexpr int PS_DASH = 1;
inline constexpr int PS_DOT = 2;
inline constexpr int PS_DASHDOT = 3;
inline constexpr int PS_DASHDOTDOT = 4;
inline constexpr int PS_NULL = 5;
inline constexpr int PS_INSIDEFRAME = 6;
inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;
inline constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;
inline constexpr UINT DT_LEFT = 0x0;
inline constexpr UINT DT_CENTER = 0x1;
inline constexpr UINT DT_RIGHT = 0x2;
inline constexpr UINT DT_VCENTER = 0x4;
inline constexpr UINT DT_BOTTOM = 0x8;
inline constexpr UINT DT_WORDBREAK = 0x10;
inline constexpr UINT DT_SINGLELINE = 0x20;
inline constexpr UINT DT_NOCLIP = 0x100;
inline constexpr UINT DT_CALCRECT = 0x400;
inline constexpr UINT DT_NOPREFIX = 0x800;
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT E_INVALIDARG = int32_t(0x80070057);

BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT lppt);
BOOL LineTo(HDC hdc, int x, int y);
HPEN CreatePen(int iStyle, int cWidth, COLORREF color);
HBRUSH CreateSolidBrush(COLORREF color);
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h);
BOOL DeleteObject(HGDIOBJ ho);
COLORREF GetTextColor(HDC hdc);
COLORREF SetTextColor(HDC hdc, COLORREF color);
int SetBkMode(HDC hdc, int mode);
BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom);
int FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr);
int DrawTextA(HDC hdc, LPCSTR lpchText, int cchText, LPRECT lprc, UINT format);
HRESULT OleTranslateColor(OLE_COLOR clr, HPALETTE hpal, COLORREF* lpcolorref);

// Further state functions of the same family, for callers and tests that inspect or
// restore a context.
inline constexpr int WHITE_BRUSH = 0;
inline constexpr int LTGRAY_BRUSH = 1;
inline constexpr int GRAY_BRUSH = 2;
inline constexpr int DKGRAY_BRUSH = 3;
inline constexpr int BLACK_BRUSH = 4;
inline constexpr int NULL_BRUSH = 5;
inline constexpr int WHITE_PEN = 6;
inline constexpr int BLACK_PEN = 7;
inline constexpr int NULL_PEN = 8;
inline constexpr UINT OBJ_PEN = 1;
inline constexpr UINT OBJ_BRUSH = 2;

HGDIOBJ GetStockObject(int i);
HGDIOBJ GetCurrentObject(HDC hdc, UINT type);
BOOL GetCurrentPositionEx(HDC hdc, LPPOINT lppt);
int GetBkMode(HDC hdc);
COLORREF GetBkColor(HDC hdc);
COLORREF SetBkColor(HDC hdc, COLORREF color);

namespace tav::gdi {
// Handles are 32-bit numbers, as programs keep them in their Long fields.
inline int32_t handleToLong(const void* h) {
    return int32_t(uint32_t(reinterpret_cast<uintptr_t>(h)));
}
inline HDC dcFromLong(int32_t n) {
    return reinterpret_cast<HDC>(uintptr_t(uint32_t(n)));
}
} // namespace tav::gdi
