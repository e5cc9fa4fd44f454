#include "propertyhelp.h"

#include "codepage.h"
#include "gdi.h"

#include <algorithm>
#include <limits>

namespace tav::propcheck {

namespace {

constexpr UINT CalcRect = DT_CALCRECT;
constexpr UINT VCenterSingleLine = DT_VCENTER | DT_SINGLELINE;
// Beyond this many bands the colour table is not allocated: the run-time's out of memory.
constexpr int64_t MaxBands = int64_t(1) << 24;

// A sum or difference of 32-bit coordinates; outside the 32-bit range it overflows.
int32_t checked32(int64_t value) {
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        throw VbError::standard(err::Overflow);
    return int32_t(value);
}

// x + v as the language adds a Long and a Variant, stored back into a Long.
int32_t addVariant(int32_t x, const Variant& v) {
    if (const int32_t* l = v.get<int32_t>())
        return checked32(int64_t(x) + *l);
    return Variant(double(x) + v.toDouble()).toLong();
}

double channel(int32_t colour, int shift) {
    return double((uint32_t(colour) >> shift) & 0xFF);
}

} // namespace

int32_t PropertyHelp::TranslateColor(int32_t lColor) {
    COLORREF out = 0;
    OleTranslateColor(OLE_COLOR(lColor), nullptr, &out); // status ignored: failures give black
    return int32_t(out);
}

void PropertyHelp::GradientColors(VbArray<int32_t>& colours, int32_t lStart, int32_t lEnd) {
    const int32_t s = TranslateColor(lStart);
    const int32_t e = TranslateColor(lEnd);
    const int32_t last = colours.ubound();
    if (last < colours.lbound())
        return;
    // The step divides by the highest index, so a single band is a division by zero.
    if (last == 0)
        throw VbError::standard(err::DivisionByZero);
    double rgb[3] = {channel(s, 0), channel(s, 8), channel(s, 16)};
    double step[3];
    for (int c = 0; c < 3; ++c)
        step[c] = (channel(e, 8 * c) - rgb[c]) / last;
    for (int32_t i = 0; i <= last; ++i) {
        int32_t packed = 0;
        for (int c = 0; c < 3; ++c) {
            rgb[c] = std::clamp(rgb[c] + step[c], 0.0, 255.0);
            packed += int32_t(roundHalfEven(rgb[c])) << (8 * c);
        }
        colours(i) = packed;
    }
}

void PropertyHelp::drawline(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t lColor,
                            int32_t lWidth) {
    const HDC dc = gdi::dcFromLong(m_hDC);
    HPEN pen = CreatePen(PS_SOLID, lWidth, COLORREF(TranslateColor(lColor)));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    MoveToEx(dc, X1, Y1, nullptr);
    LineTo(dc, X2, Y2);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
}

void PropertyHelp::DrawText(const QString& strPrint, int32_t x, int32_t Y, Variant* width,
                            Variant* Height, int32_t lColor, int32_t TextAlign, bool bVCenter) {
    const HDC dc = gdi::dcFromLong(m_hDC);
    const QByteArray ansi = toAnsi(strPrint);
    const int length = int(ansi.size());

    SetBkMode(dc, TRANSPARENT);
    // The text colour is put back however the call ends.
    struct TextColourRestore {
        HDC dc;
        COLORREF colour;
        ~TextColourRestore() { SetTextColor(dc, colour); }
    } restore{dc, GetTextColor(dc)};
    SetTextColor(dc, COLORREF(TranslateColor(lColor)));

    Variant missingWidth, missingHeight;
    if (!width || !Height) {
        if (!width)
            width = &missingWidth;
        if (!Height)
            Height = &missingHeight;
        RECT measured{0, 0, 0, 0};
        DrawTextA(dc, ansi.constData(), length, &measured, CalcRect);
        *width = Variant(checked32(int64_t(measured.right) - measured.left));
        *Height = Variant(checked32(int64_t(measured.bottom) - measured.top));
    }

    RECT area{x, Y, addVariant(x, *width), addVariant(Y, *Height)};
    const UINT format = UINT(TextAlign) | (bVCenter ? VCenterSingleLine : 0);
    DrawTextA(dc, ansi.constData(), length, &area, format);
}

void PropertyHelp::Fill(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t lColor) {
    const HDC dc = gdi::dcFromLong(m_hDC);
    HBRUSH brush = CreateSolidBrush(COLORREF(TranslateColor(lColor)));
    const RECT area{X1, Y1, X2, Y2};
    FillRect(dc, &area, brush);
    DeleteObject(brush);
}

void PropertyHelp::FillGrad(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t lColor,
                            int32_t lGradColor) {
    const int32_t bands = checked32(int64_t(Y2) - Y1);
    // The colour table runs from 0 to bands - 1, which cannot be sized without a band.
    if (bands <= 0)
        throw VbError::standard(err::SubscriptOutOfRange);
    if (bands > MaxBands)
        throw VbError::standard(err::OutOfMemory);
    VbArray<int32_t> colours(0, std::vector<int32_t>(size_t(bands)));
    GradientColors(colours, lColor, lGradColor);

    const HDC dc = gdi::dcFromLong(m_hDC);
    for (int32_t i = 0; i < bands; ++i) {
        HBRUSH brush = CreateSolidBrush(COLORREF(TranslateColor(colours(i))));
        const RECT band{X1, checked32(int64_t(Y1) + i), X2, checked32(int64_t(Y1) + i + 1)};
        FillRect(dc, &band, brush);
        DeleteObject(brush);
    }
}

} // namespace tav::propcheck
