// The icon-keeping style hands out one icon per standard picture and direction, also to
// the toolbar extension buttons that ask with an option.
#include "cachedstyle.h"

#include <QStyleFactory>
#include <QStyleOption>

#include <gtest/gtest.h>

using namespace tav::toolbars;

namespace {

TEST(CachedIconStyle, KeepsOneIconPerPictureAndDirection) {
    CachedIconStyle style(QStyleFactory::create(QStringLiteral("Fusion")));
    QStyleOption ltr;
    ltr.direction = Qt::LeftToRight;
    QStyleOption rtl;
    rtl.direction = Qt::RightToLeft;
    const auto key = [&](QStyle::StandardPixmap sp, const QStyleOption* o) {
        return style.standardIcon(sp, o).cacheKey();
    };
    for (auto sp :
         {QStyle::SP_ToolBarHorizontalExtensionButton, QStyle::SP_ToolBarVerticalExtensionButton}) {
        SCOPED_TRACE(int(sp));
        EXPECT_FALSE(style.standardIcon(sp, &ltr).isNull());
        EXPECT_EQ(key(sp, &ltr), key(sp, &ltr));
        EXPECT_EQ(key(sp, &rtl), key(sp, &rtl));
        EXPECT_NE(key(sp, &ltr), key(sp, &rtl)); // mirrored pictures are kept apart
    }
    EXPECT_NE(key(QStyle::SP_ToolBarHorizontalExtensionButton, &ltr),
              key(QStyle::SP_ToolBarVerticalExtensionButton, &ltr));
    // Other pictures asked with an option depend on its state: not kept.
    EXPECT_NE(key(QStyle::SP_ArrowBack, &ltr), key(QStyle::SP_ArrowBack, &ltr));
    EXPECT_EQ(key(QStyle::SP_ArrowBack, nullptr), key(QStyle::SP_ArrowBack, nullptr));
}

} // namespace
