// Placeholder pictures: each identifier's colour and shape, the disabled look, and crisp
// rendering at a higher pixel ratio.
#include "placeholdericon_p.h"

#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

using namespace tav::toolbars;

namespace {

QImage picture(int id, int size, QIcon::Mode mode = QIcon::Normal, qreal scale = 1.0) {
    const QIcon icon = PlaceholderIcon::make(id, size);
    return icon.pixmap(QSize(size, size), scale, mode)
        .toImage()
        .convertToFormat(QImage::Format_ARGB32);
}

TEST(PlaceholderIcon, EveryShapeIsFilledWithItsColourInsideAnOutline) {
    for (int id : {8, 9, 10, 11}) { // the four shapes
        SCOPED_TRACE(id);
        const QImage img = picture(id, 16);
        ASSERT_EQ(img.size(), QSize(16, 16));
        const QColor fill = QColor::fromHsv((id * 47) % 360, 150, 200);
        EXPECT_EQ(img.pixelColor(8, 9).rgba(), fill.rgba());
        EXPECT_EQ(img.pixelColor(0, 0).alpha(), 0); // the margin stays clear
        // Somewhere along the middle row the outline is darker than the fill.
        bool outlined = false;
        for (int x = 0; x < 8; ++x) {
            const QColor c = img.pixelColor(x, 9);
            outlined = outlined || (c.alpha() > 120 && c.value() < fill.value() - 40);
        }
        EXPECT_TRUE(outlined);
    }
}

TEST(PlaceholderIcon, ModesSizesAndPixelRatio) {
    EXPECT_EQ(picture(12, 16, QIcon::Disabled).pixelColor(8, 9).rgb(), QColor(170, 170, 170).rgb());
    EXPECT_NE(picture(12, 16).pixelColor(8, 9), picture(13, 16).pixelColor(8, 9));
    const QIcon icon = PlaceholderIcon::make(5, 18);
    EXPECT_EQ(icon.actualSize(QSize(32, 32)), QSize(18, 18));
    const QPixmap hi = icon.pixmap(QSize(18, 18), 2.0);
    EXPECT_EQ(hi.size(), QSize(36, 36)); // drawn at device pixels, not scaled up
    EXPECT_DOUBLE_EQ(hi.devicePixelRatio(), 2.0);
    // The same picture at both ratios agrees at its centre.
    EXPECT_EQ(hi.toImage().pixelColor(18, 19).rgb(), picture(5, 18).pixelColor(9, 9).rgb());
}

} // namespace
