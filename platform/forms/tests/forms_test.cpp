#include "appinfo.h"
#include "formstyle.h"
#include "messagebox.h"
#include "olecolor.h"
#include "testsupport.h"
#include "units.h"

#include <QApplication>
#include <QLabel>
#include <QProcess>
#include <QPushButton>

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

// Whatever escapes a handler or the start-up, the program object shows the run-time error
// report and ends with a non-zero status.
TEST(ProgramObject, EveryUntrappedFailureEndsWithTheRunTimeErrorReport) {
    struct Case {
        const char* where;
        const char* kind;
        const char* report;
    };
    const Case cases[] = {
        {"start", "vb", "Run-time error '1234':\n\nStopped here"},
        {"event", "vb", "Run-time error '1234':\n\nStopped here"},
        {"start", "std", "Run-time error '51':\n\nInternal error: broken invariant"},
        {"event", "std", "Run-time error '51':\n\nInternal error: broken invariant"},
        {"event", "alloc", "Run-time error '7':\n\nOut of memory"},
        {"event", "other", "Run-time error '51':\n\nInternal error\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.where) + " " + c.kind);
        QProcess probe;
        probe.start(QStringLiteral(TAV_UNHANDLED_PROBE),
                    {QLatin1String(c.where), QLatin1String(c.kind)});
        ASSERT_TRUE(probe.waitForFinished(30000));
        EXPECT_EQ(probe.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(probe.exitCode(), 1);
        const QString err = QString::fromUtf8(probe.readAllStandardError());
        EXPECT_TRUE(err.contains(QStringLiteral("[probe] ") + QString::fromUtf8(c.report)))
            << err.toStdString();
    }
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
