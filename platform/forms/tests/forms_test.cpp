#include "appinfo.h"
#include "autopilot.h"
#include "formstyle.h"
#include "messagebox.h"
#include "olecolor.h"
#include "testsupport.h"
#include "units.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace tav;

TEST(OleColor, RgbIsLowByteRedAndHighByteDecidesKind) {
    EXPECT_EQ(rgbColor(0x000000FF), QColor(255, 0, 0));
    EXPECT_EQ(rgbColor(0x00C0C0C0), QColor(192, 192, 192));
    EXPECT_EQ(toBgr(QColor(0x12, 0x34, 0x56)), 0x00563412u);
    EXPECT_EQ(translateOleColor(0x00FF0000).value(), QColor(0, 0, 255));
    EXPECT_TRUE(translateOleColor(syscolor::WindowBackground).has_value());
    EXPECT_FALSE(translateOleColor(0x80000040).has_value());
    EXPECT_FALSE(translateOleColor(0x01000000).has_value());
}

TEST(Units, TwipsFollowTheLogicalResolution) {
    const double dpi = logicalDpi();
    EXPECT_EQ(twipsToPixels(1440), qRound(dpi));
    EXPECT_EQ(twipsRect(0, 0, 2880, 720).size(), QSize(qRound(2 * dpi), qRound(dpi / 2)));
}

TEST(MessageBoxSeam, HandlerAnswersAndCaptionDefaultsToTitle) {
    AppInfo::setTitle("prjSeam");
    test::MessageBoxRecorder rec;
    EXPECT_EQ(MessageBox::show("hello"), mb::OK);
    MessageBox::show("again", mb::OKOnly, "other");
    ASSERT_EQ(rec.boxes().size(), 2u);
    EXPECT_EQ(rec.boxes()[0].caption, "prjSeam");
    EXPECT_EQ(rec.boxes()[1].caption, "other");
}

TEST(FormStyle, AccessibleNamesComeFromTextThenControlName) {
    QWidget form;
    auto* b = new QPushButton("&Done", &form);
    auto* l = new QLabel(&form);
    l->setObjectName("Label1");
    applyAccessibleNames(&form);
    EXPECT_EQ(b->accessibleName(), "Done");
    EXPECT_EQ(l->accessibleName(), "Label1");
}

TEST(FormStyle, FixedDialogHasNoMinimiseOrMaximise) {
    QWidget form;
    applyFormStyle(&form, BorderStyle::FixedDialog, 1440, 720);
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    // The window ends the program itself; a message box closing over it must not.
    EXPECT_FALSE(QGuiApplication::quitOnLastWindowClosed());
}

TEST(Autopilot, FindsControlsByAccessibleNameOnlyWhenVisible) {
    QWidget form;
    auto* b = new QPushButton("&Fill Grid", &form);
    applyAccessibleNames(&form);
    EXPECT_EQ(Autopilot::findByName("Fill Grid"), nullptr); // nothing shown yet
    form.show();
    QAccessibleInterface* hit = Autopilot::findByName("Fill Grid");
    ASSERT_NE(hit, nullptr);
    EXPECT_EQ(hit->object(), b);
    EXPECT_EQ(Autopilot::findByName("Done"), nullptr);
    EXPECT_EQ(Autopilot::findByName("Fill"), nullptr); // names match whole
    ASSERT_NE(Autopilot::findByNameStart("Fill"), nullptr);
    EXPECT_EQ(Autopilot::findByNameStart("Fill")->object(), b);
    EXPECT_EQ(Autopilot::findByNameStart("Grid"), nullptr);
}

TEST(Autopilot, PickChoosesAnEntryOfANamedDropDownAndReportsItActivated) {
    QWidget form;
    auto* combo = new QComboBox(&form);
    combo->addItems({"1", "2", "3"});
    combo->setAccessibleName("Drop Down");
    auto* plain = new QPushButton("Done", &form);
    plain->setAccessibleName("Done");
    form.show();
    QSignalSpy activated(combo, &QComboBox::activated);

    EXPECT_TRUE(Autopilot::pick("Drop Down", "3").isEmpty());
    EXPECT_EQ(combo->currentIndex(), 2);
    ASSERT_EQ(activated.size(), 1);
    EXPECT_EQ(activated.front().front().toInt(), 2);

    struct Refused { const char* name; const char* entry; };
    for (const Refused& r : {Refused{"Drop Down", "7"}, Refused{"Done", "1"}, Refused{"Nowhere", "1"}}) {
        SCOPED_TRACE(std::string(r.name) + "=" + r.entry);
        EXPECT_FALSE(Autopilot::pick(r.name, r.entry).isEmpty());
    }
    EXPECT_EQ(activated.size(), 1);
    EXPECT_EQ(combo->currentIndex(), 2);
}

TEST(Autopilot, WindowsPictureCoversOnlyTheShownWindows) {
    EXPECT_TRUE(Autopilot::windowsPicture().isNull()); // nothing shown
    QWidget form;
    form.setAutoFillBackground(true);
    QPalette p = form.palette();
    p.setColor(QPalette::Window, Qt::red);
    form.setPalette(p);
    form.setGeometry(40, 30, 120, 80);
    form.show();
    QApplication::processEvents();
    const QImage picture = Autopilot::windowsPicture().toImage();
    ASSERT_FALSE(picture.isNull());
    const qreal dpr = form.devicePixelRatioF();
    EXPECT_EQ(picture.size(), form.frameGeometry().size() * dpr);
    EXPECT_EQ(picture.pixelColor(picture.width() / 2, picture.height() / 2), QColor(Qt::red));
}
