#include "canvas.h"
#include "casename.h"
#include "devicecontext.h"
#include "gdi.h"
#include "gdi_testseams.h"
#include "olecolor.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>

#include <climits>
#include <memory>

#include <gtest/gtest.h>

using namespace tav;
using tav::gdi::DeviceContext;

namespace {

using tav::test::Canvas;
constexpr COLORREF Background = Canvas::Background;
constexpr COLORREF Red = 0x0000FF, Blue = 0xFF0000, Green = 0x00FF00;

// Creates a pen, selects it, and returns the previously selected one.
HGDIOBJ usePen(HDC hdc, int style, int width, COLORREF c) {
    return SelectObject(hdc, CreatePen(style, width, c));
}

} // namespace

struct LineCase {
    const char* name;
    QPoint from, to;
};

class LineToPixels : public ::testing::TestWithParam<LineCase> {};

TEST_P(LineToPixels, PaintsUpToButNotIncludingTheEndPoint) {
    const LineCase& c = GetParam();
    for (int width : {0, 1}) {
        Canvas canvas;
        const HGDIOBJ old = usePen(canvas.hdc(), PS_SOLID, width, Red);
        ASSERT_TRUE(MoveToEx(canvas.hdc(), c.from.x(), c.from.y(), nullptr));
        ASSERT_TRUE(LineTo(canvas.hdc(), c.to.x(), c.to.y()));
        POINT pos{};
        GetCurrentPositionEx(canvas.hdc(), &pos);
        EXPECT_EQ(QPoint(pos.x, pos.y), c.to) << "current position moves to the end point";
        DeleteObject(SelectObject(canvas.hdc(), old));

        const int steps =
            std::max(std::abs(c.to.x() - c.from.x()), std::abs(c.to.y() - c.from.y()));
        EXPECT_EQ(canvas.countOf(Red, canvas.image.rect()), steps) << "width " << width;
        EXPECT_EQ(canvas.at(c.to.x(), c.to.y()), Background);
        if (steps > 0) {
            EXPECT_EQ(canvas.at(c.from.x(), c.from.y()), Red);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Gdi, LineToPixels,
                         ::testing::Values(LineCase{"Horizontal", {2, 5}, {20, 5}},
                                           LineCase{"RightToLeft", {20, 5}, {2, 5}},
                                           LineCase{"Vertical", {7, 1}, {7, 25}},
                                           LineCase{"Diagonal", {1, 1}, {21, 11}},
                                           LineCase{"SteepUpwards", {30, 28}, {25, 2}},
                                           LineCase{"ZeroLength", {9, 9}, {9, 9}}),
                         tav::test::caseName);

TEST(GdiLines, DottedPenAlternatesThreeOnThreeOff) {
    Canvas canvas;
    const HGDIOBJ old = usePen(canvas.hdc(), PS_DOT, 1, Red);
    MoveToEx(canvas.hdc(), 0, 4, nullptr);
    LineTo(canvas.hdc(), 12, 4);
    DeleteObject(SelectObject(canvas.hdc(), old));
    const COLORREF expected[12] = {Red, Red, Red, Background, Background, Background,
                                   Red, Red, Red, Background, Background, Background};
    for (int x = 0; x < 12; ++x)
        EXPECT_EQ(canvas.at(x, 4), expected[x]) << "x " << x;
}

TEST(GdiLines, FarApartCoordinatesAreClippedNotWalked) {
    Canvas canvas;
    const HGDIOBJ old = usePen(canvas.hdc(), PS_SOLID, 1, Green);
    MoveToEx(canvas.hdc(), INT_MIN, 3, nullptr);
    LineTo(canvas.hdc(), INT_MAX, 3);
    DeleteObject(SelectObject(canvas.hdc(), old));
    EXPECT_EQ(canvas.countOf(Green, QRect(0, 3, 40, 1)), 40);
    EXPECT_EQ(canvas.countOf(Green, canvas.image.rect()), 40);
}

TEST(GdiLines, NullPenMovesWithoutPainting) {
    Canvas canvas;
    const HGDIOBJ old = SelectObject(canvas.hdc(), GetStockObject(NULL_PEN));
    MoveToEx(canvas.hdc(), 0, 0, nullptr);
    EXPECT_TRUE(LineTo(canvas.hdc(), 30, 20));
    SelectObject(canvas.hdc(), old);
    EXPECT_TRUE(canvas.untouched(canvas.image.rect()));
}

TEST(GdiRectangles, OutlineWithPenInsideWithBrushRightAndBottomExclusive) {
    Canvas canvas;
    const HGDIOBJ oldPen = usePen(canvas.hdc(), PS_SOLID, 0, Red);
    const HGDIOBJ oldBrush = SelectObject(canvas.hdc(), CreateSolidBrush(Blue));
    EXPECT_TRUE(Rectangle(canvas.hdc(), 2, 3, 10, 9));
    DeleteObject(SelectObject(canvas.hdc(), oldPen));
    DeleteObject(SelectObject(canvas.hdc(), oldBrush));

    EXPECT_EQ(canvas.countOf(Red, QRect(2, 3, 8, 6)), 2 * 8 + 2 * 4) << "a one-pixel frame";
    EXPECT_EQ(canvas.countOf(Blue, QRect(3, 4, 6, 4)), 6 * 4) << "the inside";
    EXPECT_TRUE(canvas.untouched(QRect(10, 0, 30, 30))) << "right edge exclusive";
    EXPECT_TRUE(canvas.untouched(QRect(0, 9, 40, 21))) << "bottom edge exclusive";
}

TEST(GdiRectangles, NullPenFillsOnePixelSmallerAndHollowBrushLeavesInside) {
    Canvas canvas;
    const HGDIOBJ oldPen = SelectObject(canvas.hdc(), GetStockObject(NULL_PEN));
    const HGDIOBJ oldBrush = SelectObject(canvas.hdc(), GetStockObject(BLACK_BRUSH));
    Rectangle(canvas.hdc(), 0, 0, 5, 5);
    SelectObject(canvas.hdc(), GetStockObject(BLACK_PEN));
    SelectObject(canvas.hdc(), GetStockObject(NULL_BRUSH));
    Rectangle(canvas.hdc(), 10, 0, 15, 5);
    SelectObject(canvas.hdc(), oldPen);
    SelectObject(canvas.hdc(), oldBrush);

    EXPECT_EQ(canvas.countOf(0, QRect(0, 0, 6, 6)), 16);
    EXPECT_EQ(canvas.countOf(0, QRect(0, 0, 4, 4)), 16);
    EXPECT_TRUE(canvas.untouched(QRect(11, 1, 3, 3)));
    EXPECT_EQ(canvas.countOf(0, QRect(10, 0, 5, 5)), 16);
}

TEST(GdiFills, FillRectIsRightAndBottomExclusiveAndScalesOnHighDpi) {
    for (qreal dpr : {1.0, 2.0}) {
        Canvas canvas(20, 20, dpr);
        const HBRUSH brush = CreateSolidBrush(Green);
        const RECT r{2, 2, 14, 14};
        EXPECT_TRUE(FillRect(canvas.hdc(), &r, brush));
        DeleteObject(brush);
        const int d = int(dpr);
        EXPECT_EQ(canvas.countOf(Green, canvas.image.rect()), 12 * d * 12 * d) << "dpr " << dpr;
        EXPECT_EQ(canvas.at(2 * d, 2 * d), Green);
        EXPECT_EQ(canvas.at(14 * d - 1, 14 * d - 1), Green);
        EXPECT_EQ(canvas.at(14 * d, 14 * d), Background);
    }
}

TEST(GdiFills, EmptyOrInvertedRectanglePaintsNothing) {
    Canvas canvas;
    const HBRUSH brush = CreateSolidBrush(Green);
    const RECT empty{5, 5, 5, 9}, inverted{9, 9, 4, 4};
    EXPECT_TRUE(FillRect(canvas.hdc(), &empty, brush));
    EXPECT_TRUE(FillRect(canvas.hdc(), &inverted, brush));
    DeleteObject(brush);
    EXPECT_TRUE(canvas.untouched(canvas.image.rect()));
}

TEST(GdiFills, SystemColourIndexPlusOneServesAsBrush) {
    Canvas canvas;
    const RECT r{0, 0, 4, 4};
    EXPECT_TRUE(FillRect(canvas.hdc(), &r, reinterpret_cast<HBRUSH>(uintptr_t(5 + 1))));
    EXPECT_EQ(canvas.at(1, 1),
              toBgr(QGuiApplication::palette().color(QPalette::Active, QPalette::Base)));
}

struct ColourCase {
    const char* name;
    COLORREF given;
    COLORREF painted;
};

class CreatedColours : public ::testing::TestWithParam<ColourCase> {};

TEST_P(CreatedColours, HighByteIsIgnoredByBrushesAndPens) {
    const ColourCase& c = GetParam();
    Canvas canvas;
    const HBRUSH brush = CreateSolidBrush(c.given);
    const RECT r{0, 0, 5, 5};
    FillRect(canvas.hdc(), &r, brush);
    DeleteObject(brush);
    const HGDIOBJ old = usePen(canvas.hdc(), PS_SOLID, 1, c.given);
    MoveToEx(canvas.hdc(), 10, 10, nullptr);
    LineTo(canvas.hdc(), 20, 10);
    DeleteObject(SelectObject(canvas.hdc(), old));
    EXPECT_EQ(canvas.at(2, 2), c.painted);
    EXPECT_EQ(canvas.at(15, 10), c.painted);
}

INSTANTIATE_TEST_SUITE_P(Gdi, CreatedColours,
                         ::testing::Values(ColourCase{"Rgb", 0x00336699, 0x00336699},
                                           ColourCase{"SystemColourUsedRaw", 0x80000005,
                                                      0x00000005},
                                           ColourCase{"MinusOneIsWhite", 0xFFFFFFFF, 0x00FFFFFF}),
                         tav::test::caseName);

TEST(GdiColours, OleTranslateColorPassesRgbMapsSystemColoursRejectsTheRest) {
    const QPalette pal = QGuiApplication::palette();
    struct Case {
        OLE_COLOR in;
        HRESULT status;
        COLORREF out;
    } cases[] = {
        {0x00336699, S_OK, 0x00336699},
        {0x80000005, S_OK, toBgr(pal.color(QPalette::Active, QPalette::Base))},
        {0x80000008, S_OK, toBgr(pal.color(QPalette::Active, QPalette::Text))},
        {0x80000040, E_INVALIDARG, 0xABCDEF},
        {0x01000005, E_INVALIDARG, 0xABCDEF},
        {0xFFFFFFFF, E_INVALIDARG, 0xABCDEF},
    };
    for (const Case& c : cases) {
        COLORREF out = 0xABCDEF;
        EXPECT_EQ(OleTranslateColor(c.in, nullptr, &out), c.status) << std::hex << c.in;
        EXPECT_EQ(out, c.out) << std::hex << c.in;
    }
}

TEST(GdiObjects, SelectReturnsPreviousAndSelectedObjectsCannotBeDeleted) {
    const int before = gdi::liveObjectCount();
    Canvas canvas;
    const HPEN pen = CreatePen(PS_SOLID, 1, Red);
    const HBRUSH brush = CreateSolidBrush(Blue);
    EXPECT_EQ(gdi::liveObjectCount(), before + 2);

    EXPECT_EQ(SelectObject(canvas.hdc(), pen), GetStockObject(BLACK_PEN));
    EXPECT_EQ(SelectObject(canvas.hdc(), brush), GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(GetCurrentObject(canvas.hdc(), OBJ_PEN), pen);
    EXPECT_FALSE(DeleteObject(pen)) << "still selected";
    EXPECT_EQ(gdi::liveObjectCount(), before + 2);

    EXPECT_EQ(SelectObject(canvas.hdc(), GetStockObject(BLACK_PEN)), pen);
    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_FALSE(DeleteObject(pen)) << "already deleted";
    EXPECT_EQ(SelectObject(canvas.hdc(), pen), nullptr) << "a stale pen cannot be selected";

    canvas.dc.reset(); // the context ends with the brush still selected: it leaks
    EXPECT_EQ(gdi::liveObjectCount(), before + 1);
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_EQ(gdi::liveObjectCount(), before);
    EXPECT_TRUE(DeleteObject(GetStockObject(WHITE_BRUSH))) << "stock objects ignore deletion";
    EXPECT_NE(GetStockObject(WHITE_BRUSH), nullptr);
}

TEST(GdiObjects, CreatePenRejectsUnknownStyles) {
    EXPECT_EQ(CreatePen(7, 1, 0), nullptr);
    EXPECT_EQ(CreatePen(-1, 1, 0), nullptr);
}

TEST(GdiHandles, StaleOrUnknownHandlesFailLikeThePlatform) {
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    HDC stale;
    {
        DeviceContext dc(painter);
        stale = dc.handle();
        EXPECT_EQ(GetTextColor(stale), 0u);
    }
    const HDC unknown = gdi::dcFromLong(0x7FFFFFF0);
    const HBRUSH brush = CreateSolidBrush(0);
    for (HDC h : {stale, unknown, HDC(nullptr)}) {
        RECT r{0, 0, 4, 4};
        POINT p{};
        EXPECT_FALSE(MoveToEx(h, 1, 1, &p));
        EXPECT_FALSE(LineTo(h, 5, 5));
        EXPECT_FALSE(Rectangle(h, 0, 0, 4, 4));
        EXPECT_EQ(FillRect(h, &r, brush), 0);
        EXPECT_EQ(DrawTextA(h, "x", 1, &r, DT_CALCRECT), 0);
        EXPECT_EQ(SelectObject(h, brush), nullptr);
        EXPECT_EQ(GetTextColor(h), CLR_INVALID);
        EXPECT_EQ(SetTextColor(h, 0), CLR_INVALID);
        EXPECT_EQ(SetBkMode(h, TRANSPARENT), 0);
    }
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_FALSE(DeleteObject(reinterpret_cast<HGDIOBJ>(stale))) << "a context is not an object";
    painter.end();
    EXPECT_EQ(image.pixelColor(1, 1), QColor(Qt::white));
}

TEST(GdiHandles, NumbersAreNotReusedAndFitIn32Bits) {
    const HBRUSH first = CreateSolidBrush(0);
    DeleteObject(first);
    const HBRUSH second = CreateSolidBrush(0);
    EXPECT_NE(first, second);
    EXPECT_GT(gdi::handleToLong(second), 0);
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(gdi::dcFromLong(gdi::handleToLong(second))), second);
    DeleteObject(second);
}

TEST(GdiState, TextColourAndBackgroundModeReturnPreviousValues) {
    Canvas canvas;
    EXPECT_EQ(SetTextColor(canvas.hdc(), Red), 0u);
    EXPECT_EQ(GetTextColor(canvas.hdc()), Red);
    EXPECT_EQ(SetBkMode(canvas.hdc(), TRANSPARENT), OPAQUE);
    EXPECT_EQ(SetBkMode(canvas.hdc(), 3), 0) << "no such mode";
    EXPECT_EQ(GetBkMode(canvas.hdc()), TRANSPARENT);
}

namespace {

QFontMetrics metricsOf(const Canvas& c) {
    return QFontMetrics(c.painter->font(), c.painter->device());
}

RECT measure(HDC hdc, const QByteArray& text, UINT extra = 0) {
    RECT r{0, 0, 0, 0};
    DrawTextA(hdc, text.constData(), int(text.size()), &r, DT_CALCRECT | extra);
    return r;
}

} // namespace

TEST(GdiText, CalcRectMeasuresWithoutDrawing) {
    Canvas canvas;
    const QFontMetrics fm = metricsOf(canvas);
    const RECT one = measure(canvas.hdc(), "Custom Drawn");
    EXPECT_EQ(one.right, fm.horizontalAdvance("Custom Drawn"));
    EXPECT_EQ(one.bottom, fm.height());

    const RECT two = measure(canvas.hdc(), "ab\r\nlonger line");
    EXPECT_EQ(two.right, fm.horizontalAdvance("longer line"));
    EXPECT_EQ(two.bottom, 2 * fm.height()) << "breaks at its own line breaks";
    EXPECT_EQ(measure(canvas.hdc(), "ab\nc", DT_SINGLELINE).bottom, fm.height());
    EXPECT_EQ(measure(canvas.hdc(), "a&&b").right, fm.horizontalAdvance("a&b"));
    EXPECT_EQ(measure(canvas.hdc(), "a&&b", DT_NOPREFIX).right, fm.horizontalAdvance("a&&b"));
    EXPECT_TRUE(canvas.untouched(canvas.image.rect()));
}

TEST(GdiText, LengthIsACountOfUtf8Bytes) {
    Canvas canvas;
    const QFontMetrics fm = metricsOf(canvas);
    const QByteArray text = QString::fromUtf8("\xC3\xA9t\xC3\xA9").toUtf8(); // 3 letters, 5 bytes
    RECT r{0, 0, 0, 0};
    DrawTextA(canvas.hdc(), text.constData(), 3, &r, DT_CALCRECT);
    EXPECT_EQ(r.right, fm.horizontalAdvance(QString::fromUtf8("\xC3\xA9t")));
    r = {0, 0, 0, 0};
    DrawTextA(canvas.hdc(), text.constData(), -1, &r, DT_CALCRECT);
    EXPECT_EQ(r.right, fm.horizontalAdvance(QString::fromUtf8(text)));
}

struct AlignCase {
    const char* name;
    UINT format;
};

class TextAlignment : public ::testing::TestWithParam<AlignCase> {};

TEST_P(TextAlignment, InkLiesWhereTheFlagsPutIt) {
    const AlignCase& c = GetParam();
    Canvas canvas(120, 40);
    SetTextColor(canvas.hdc(), 0);
    SetBkMode(canvas.hdc(), TRANSPARENT);
    const QFontMetrics fm = metricsOf(canvas);
    const int w = fm.horizontalAdvance("WW"), h = fm.height();
    RECT r{0, 0, 120, 40};
    DrawTextA(canvas.hdc(), "WW", 2, &r, c.format);

    // Bounding box of the painted pixels.
    QRect ink;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 120; ++x)
            if (canvas.at(x, y) != Background)
                ink |= QRect(x, y, 1, 1);
    ASSERT_FALSE(ink.isNull());
    const int left = c.format & DT_CENTER ? (120 - w) / 2 : c.format & DT_RIGHT ? 120 - w : 0;
    EXPECT_GE(ink.left(), left - 1);
    EXPECT_LE(ink.right(), left + w);
    const int top = (c.format & DT_VCENTER) && (c.format & DT_SINGLELINE) ? (40 - h) / 2 : 0;
    EXPECT_GE(ink.top(), top);
    EXPECT_LE(ink.bottom(), top + h);
}

INSTANTIATE_TEST_SUITE_P(
    Gdi, TextAlignment,
    ::testing::Values(AlignCase{"Left", DT_LEFT}, AlignCase{"Centred", DT_CENTER},
                      AlignCase{"Right", DT_RIGHT},
                      AlignCase{"VCentredSingleLine", DT_VCENTER | DT_SINGLELINE},
                      AlignCase{"VCentreIgnoredOnMultiLine", DT_VCENTER}),
    tav::test::caseName);

TEST(GdiText, OpaqueModePaintsTheBackgroundTransparentDoesNot) {
    for (int mode : {OPAQUE, TRANSPARENT}) {
        Canvas canvas;
        SetBkMode(canvas.hdc(), mode);
        SetBkColor(canvas.hdc(), Green);
        RECT r{0, 0, 40, 30};
        EXPECT_EQ(DrawTextA(canvas.hdc(), "i", 1, &r, 0), metricsOf(canvas).height());
        const int green = canvas.countOf(Green, canvas.image.rect());
        if (mode == OPAQUE)
            EXPECT_GT(green, 0);
        else
            EXPECT_EQ(green, 0);
    }
}

TEST(GdiText, ClippedToTheRectangleUnlessNoClip) {
    for (UINT extra : {0u, DT_NOCLIP}) {
        Canvas canvas(80, 30);
        RECT r{0, 0, 6, 30};
        DrawTextA(canvas.hdc(), "WWWWWW", 6, &r, extra);
        EXPECT_EQ(canvas.untouched(QRect(6, 0, 74, 30)), extra == 0) << "format " << extra;
    }
}
