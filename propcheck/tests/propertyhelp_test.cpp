#include "canvas.h"
#include "casename.h"
#include "devicecontext.h"
#include "gdi.h"
#include "gdi_testseams.h"
#include "modgdi.h"
#include "olecolor.h"
#include "propertyhelp.h"
#include "raisederror.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>

#include <climits>
#include <functional>
#include <memory>

#include <gtest/gtest.h>

using namespace tav;
using namespace tav::propcheck;

namespace {

constexpr uint32_t Background = test::Canvas::Background;
constexpr int32_t Black = 0, White = 0xFFFFFF, Red = 0xFF, Navy = 0x800000;

uint32_t paletteBgr(QPalette::ColorRole role) {
    return toBgr(QGuiApplication::palette().color(QPalette::Active, role));
}

// A canvas with a PropertyHelp pointed at its context.
struct Canvas : test::Canvas {
    explicit Canvas(int w = 40, int h = 30) : test::Canvas(w, h) { help.hDC(hdcLong()); }
    int32_t hdcLong() const { return gdi::handleToLong(hdc()); }

    PropertyHelp help;
};

uint32_t grey(int v) {
    return uint32_t(v) * 0x010101u;
}

} // namespace

struct GradCase {
    const char* name;
    int32_t from, to;
    int32_t y1, y2;
    std::vector<uint32_t> bands; // expected colour of each band from y1 down
    int32_t error = 0;           // raised before painting; 0 for none
    friend void PrintTo(const GradCase& c, std::ostream* os) { *os << c.name; }
};

class FillGradBands : public ::testing::TestWithParam<GradCase> {};

TEST_P(FillGradBands, PaintsOneBandPerPixelRow) {
    const GradCase& c = GetParam();
    Canvas canvas;
    EXPECT_EQ(test::errorNumberOf([&] { canvas.help.FillGrad(3, c.y1, 20, c.y2, c.from, c.to); }),
              c.error);
    if (c.error != 0) {
        EXPECT_TRUE(canvas.untouched(QRect(0, 0, 40, 30))) << "nothing painted";
    }
    for (size_t i = 0; i < c.bands.size(); ++i) {
        const int y = c.y1 + int(i);
        EXPECT_EQ(canvas.at(3, y), c.bands[i]) << "band " << i;
        EXPECT_EQ(canvas.at(19, y), c.bands[i]) << "band " << i;
        EXPECT_EQ(canvas.at(20, y), Background) << "right edge exclusive";
        EXPECT_EQ(canvas.at(2, y), Background);
    }
    EXPECT_EQ(canvas.at(5, c.y1 + int(c.bands.size())), Background) << "bottom edge exclusive";
}

INSTANTIATE_TEST_SUITE_P(
    PropertyHelp, FillGradBands,
    ::testing::Values(
        GradCase{"EqualColoursAreSolid", Navy, Navy, 2, 7, {Navy, Navy, Navy, Navy, Navy}},
        // Steps of 25.5: band i is (i + 1) * 25.5 rounded half to even, clamped at 255.
        GradCase{"BlackToWhiteOverEleven",
                 Black,
                 White,
                 0,
                 11,
                 {grey(26), grey(51), grey(76), grey(102), grey(128), grey(153), grey(178),
                  grey(204), grey(230), grey(255), grey(255)}},
        GradCase{"WhiteToBlackClampsAtZero", White, Black, 0, 3, {grey(128), grey(0), grey(0)}},
        // 127.5 rounds to the even 128 in both channels.
        GradCase{"ChannelsMoveIndependently", Red, 0x00FF00, 4, 7, {0x008080, 0x00FF00, 0x00FF00}},
        GradCase{"OneBandDividesByZero", Red, White, 5, 6, {}, err::DivisionByZero},
        GradCase{"ZeroHeightIsOutOfRange", Red, White, 5, 5, {}, err::SubscriptOutOfRange},
        GradCase{"NegativeHeightIsOutOfRange", Red, White, 9, 4, {}, err::SubscriptOutOfRange}),
    tav::test::caseName);

TEST(PropertyHelpFillGrad, SystemColoursAreTranslatedAndDefaultsAreWindowToBlack) {
    Canvas canvas;
    canvas.help.FillGrad(0, 0, 10, 2, int32_t(syscolor::WindowText), int32_t(syscolor::WindowText));
    canvas.help.FillGrad(0, 10, 10, 12);
    EXPECT_TRUE(canvas.all(paletteBgr(QPalette::Text), QRect(0, 0, 10, 2)));
    EXPECT_EQ(canvas.at(0, 11), 0u) << "the default end colour is black";
}

TEST(PropertyHelpFillGrad, HeightBeyond32BitsOverflows) {
    Canvas canvas;
    try {
        canvas.help.FillGrad(0, INT_MIN, 10, INT_MAX, Red, Red);
        FAIL() << "no error raised";
    } catch (const VbError& e) {
        EXPECT_EQ(e.number(), err::Overflow);
    }
}

TEST(PropertyHelpFill, TranslatesItsColourAndDefaultsToTheWindowBackground) {
    struct Case {
        const char* name;
        std::function<void(PropertyHelp&)> fill;
        uint32_t expected;
    } cases[] = {
        {"Rgb", [](PropertyHelp& h) { h.Fill(1, 1, 6, 4, 0x336699); }, 0x336699},
        {"Default", [](PropertyHelp& h) { h.Fill(1, 1, 6, 4); }, paletteBgr(QPalette::Base)},
        {"Untranslatable is black", [](PropertyHelp& h) { h.Fill(1, 1, 6, 4, 0x01000005); }, 0},
    };
    for (const Case& c : cases) {
        Canvas canvas;
        c.fill(canvas.help);
        EXPECT_TRUE(canvas.all(c.expected, QRect(1, 1, 5, 3))) << c.name;
        EXPECT_EQ(canvas.at(6, 1), Background) << c.name;
        EXPECT_EQ(canvas.at(1, 4), Background) << c.name;
    }
}

TEST(PropertyHelpDrawline, EndPointLeftUnpaintedAndWidthOneByDefault) {
    Canvas canvas;
    canvas.help.drawline(2, 5, 12, 5, int32_t(0xC0C0C0));
    canvas.help.drawline(20, 1, 20, 9, int32_t(syscolor::WindowText));
    EXPECT_TRUE(canvas.all(0xC0C0C0, QRect(2, 5, 10, 1)));
    EXPECT_EQ(canvas.at(12, 5), Background);
    EXPECT_EQ(canvas.at(5, 4), Background);
    EXPECT_EQ(canvas.at(5, 6), Background);
    EXPECT_TRUE(canvas.all(paletteBgr(QPalette::Text), QRect(20, 1, 1, 8)));
    EXPECT_EQ(canvas.at(20, 9), Background);
}

TEST(PropertyHelpDrawText, MissingSizeIsMeasuredAndWrittenBack) {
    Canvas canvas(120, 30);
    const QFontMetrics fm(canvas.painter->font(), canvas.painter->device());
    Variant width, height(int32_t(99));
    canvas.help.DrawText("Custom Drawn", 4, 2, &width, nullptr, White, 1, true);
    // Only width was passed, but it receives the measured width all the same.
    EXPECT_EQ(width, Variant(int32_t(fm.horizontalAdvance("Custom Drawn"))));

    canvas.help.DrawText("Custom Drawn", 4, 2, nullptr, &height);
    EXPECT_EQ(height, Variant(int32_t(fm.height())));
}

TEST(PropertyHelpDrawText, MeasuredTextLiesInsideItsOwnBoxAtTheGivenCorner) {
    Canvas canvas(120, 40);
    const QFontMetrics fm(canvas.painter->font(), canvas.painter->device());
    Variant width;
    canvas.help.DrawText("Hx", 30, 10, &width, nullptr, Red, 0, true);
    const QRect box(30, 10, width.toLong(), fm.height());
    bool inked = false;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 120; ++x)
            if (canvas.at(x, y) != Background) {
                EXPECT_TRUE(box.contains(x, y)) << x << "," << y;
                inked = true;
            }
    EXPECT_TRUE(inked);
    EXPECT_EQ(box.width(), fm.horizontalAdvance("Hx"));
}

TEST(PropertyHelpDrawText, EmptyVariantsAreNotMissingSoNothingIsMeasuredOrDrawn) {
    Canvas canvas;
    Variant width, height;
    canvas.help.DrawText("Hx", 3, 3, &width, &height, Red, 0, false);
    EXPECT_TRUE(width.isEmpty());
    EXPECT_TRUE(height.isEmpty());
    EXPECT_TRUE(canvas.all(Background, canvas.image.rect()))
        << "an empty rectangle clips everything";
}

TEST(PropertyHelpDrawText, TextColourRestoredBackgroundTransparent) {
    Canvas canvas(80, 30);
    const HDC dc = canvas.dc->handle();
    SetTextColor(dc, 0x00ABCDEF);
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, 0x00FF00);
    Variant w(int32_t(70)), h(int32_t(20));
    canvas.help.DrawText("0", 0, 0, &w, &h, Black, 0, false);
    EXPECT_EQ(GetTextColor(dc), 0x00ABCDEFu);
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
    EXPECT_EQ(w, Variant(int32_t(70))) << "a passed size is left alone";
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 80; ++x)
            ASSERT_NE(canvas.at(x, y), 0x00FF00u) << "no opaque background";
}

TEST(PropertyHelpDrawText, RectangleSumOverflowRaisesAndStillRestoresTextColour) {
    Canvas canvas;
    SetTextColor(canvas.dc->handle(), 0x000102);
    Variant w(int32_t(10)), h(int32_t(10));
    try {
        canvas.help.DrawText("x", INT_MAX - 5, 0, &w, &h);
        FAIL() << "no error raised";
    } catch (const VbError& e) {
        EXPECT_EQ(e.number(), err::Overflow);
    }
    EXPECT_EQ(GetTextColor(canvas.dc->handle()), 0x000102u);
}

struct BoxCase {
    const char* name;
    int32_t fill;
    uint32_t inside;
};

class ColourBox : public ::testing::TestWithParam<BoxCase> {};

TEST_P(ColourBox, OnePixelBlackOutlineAndRawFill) {
    const BoxCase& c = GetParam();
    Canvas canvas;
    const HDC dc = canvas.dc->handle();
    const HGDIOBJ pen = GetCurrentObject(dc, OBJ_PEN), brush = GetCurrentObject(dc, OBJ_BRUSH);
    // The box of a custom-drawn row: 12 pixels wide from lStartValue + 3.
    modGDI::PaintColorBox(canvas.hdcLong(), c.fill, 5, 2, 17, 12);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), pen);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), brush);

    EXPECT_TRUE(canvas.all(0, QRect(5, 2, 12, 1))) << "top";
    EXPECT_TRUE(canvas.all(0, QRect(5, 11, 12, 1))) << "bottom";
    EXPECT_TRUE(canvas.all(0, QRect(5, 2, 1, 10))) << "left";
    EXPECT_TRUE(canvas.all(0, QRect(16, 2, 1, 10))) << "right";
    EXPECT_TRUE(canvas.all(c.inside, QRect(6, 3, 10, 8))) << "inside";
    EXPECT_TRUE(canvas.all(Background, QRect(17, 0, 23, 30)));
    EXPECT_TRUE(canvas.all(Background, QRect(0, 12, 40, 18)));
}

INSTANTIATE_TEST_SUITE_P(
    PropertyHelp, ColourBox,
    ::testing::Values(BoxCase{"Red", Red, 0x0000FF}, BoxCase{"White", White, 0xFFFFFF},
                      BoxCase{"NearBlackRgbTwo", 2, 0x000002},
                      BoxCase{"SystemColourUsedRaw", int32_t(0x80000005), 0x000005},
                      BoxCase{"MinusOneIsWhite", -1, 0xFFFFFF}),
    tav::test::caseName);

TEST(PropertyHelpObjects, NoPenOrBrushLeftBehindByAnyMember) {
    const struct {
        const char* name;
        std::function<void(PropertyHelp&, int32_t)> call;
    } members[] = {
        {"drawline", [](PropertyHelp& h, int32_t) { h.drawline(0, 0, 9, 9, Red, 3); }},
        {"DrawText", [](PropertyHelp& h, int32_t) { h.DrawText("abc", 0, 0); }},
        {"Fill", [](PropertyHelp& h, int32_t) { h.Fill(0, 0, 5, 5); }},
        {"FillGrad", [](PropertyHelp& h, int32_t) { h.FillGrad(0, 0, 5, 8, Red, White); }},
        {"PaintColorBox",
         [](PropertyHelp&, int32_t dc) { modGDI::PaintColorBox(dc, Red, 0, 0, 8, 8); }},
    };
    for (const auto& m : members) {
        const int before = gdi::liveObjectCount();
        {
            Canvas canvas;
            const HDC dc = canvas.dc->handle();
            const HGDIOBJ pen = GetCurrentObject(dc, OBJ_PEN),
                          brush = GetCurrentObject(dc, OBJ_BRUSH);
            m.call(canvas.help, canvas.hdcLong());
            EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), pen) << m.name;
            EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), brush) << m.name;
            EXPECT_EQ(gdi::liveObjectCount(), before) << m.name;
        }
        // The same on a context that no longer exists: nothing painted, nothing kept.
        PropertyHelp stale;
        {
            Canvas canvas;
            stale.hDC(canvas.hdcLong());
        }
        EXPECT_NO_THROW(m.call(stale, stale.hDC())) << m.name;
        EXPECT_EQ(gdi::liveObjectCount(), before) << m.name << " on a stale context";
    }
}

TEST(PropertyHelpObjects, HdcStartsAtZeroAndKeepsWhatWasWritten) {
    PropertyHelp help;
    EXPECT_EQ(help.hDC(), 0);
    help.hDC(0x1234);
    EXPECT_EQ(help.hDC(), 0x1234);
}
