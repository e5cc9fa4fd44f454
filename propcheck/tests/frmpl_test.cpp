#include "appinfo.h"
#include "canvas.h"
#include "frmpl.h"
#include "printers.h"
#include "testsupport.h"
#include "units.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace tav;
using namespace tav::propertylist;
using namespace tav::propcheck;

namespace {

class FrmPLTest : public ::testing::Test {
  public:
    void SetUp() override {
        AppInfo::setTitle("propcheck");
        form = std::make_unique<frmPL>();
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        list = form->PropertyList1;
    }

    PropertyItem& row(const char* caption) { return list->properties().lookup(Variant(caption)); }
    void edit(const char* caption) {
        list->select(&row(caption));
        ASSERT_TRUE(list->beginEdit());
    }
    QLineEdit* lineEditor() const { return qobject_cast<QLineEdit*>(list->editorWidget()); }
    QComboBox* listEditor() const { return qobject_cast<QComboBox*>(list->editorWidget()); }
    void pick(int index) {
        QComboBox* combo = listEditor();
        ASSERT_TRUE(combo);
        combo->showPopup();
        QAbstractItemView* view = combo->view();
        view->setCurrentIndex(view->model()->index(index, 0));
        QTest::keyClick(view, Qt::Key_Return);
    }

    std::unique_ptr<frmPL> form;
    PropertyList* list = nullptr;
};

TEST_F(FrmPLTest, WindowAndControlsFollowTheirSettings) {
    EXPECT_EQ(form->windowTitle(), "Test Property List");
    EXPECT_EQ(form->size(), twipsSize(6315, 6105));
    EXPECT_TRUE(form->windowFlags() & Qt::Tool);
    EXPECT_FALSE(form->windowFlags() &
                 (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(form->minimumSize(), form->maximumSize());

    EXPECT_EQ(form->Label1->geometry(), twipsRect(120, 120, 6075, 1515));
    EXPECT_TRUE(form->Label1->font().bold());
    EXPECT_TRUE(
        form->Label1->text().startsWith("The Property List below should be populated with data."));
    EXPECT_TRUE(form->Label1->text().endsWith("when you change the Dropdown, or Numeric value."));
    EXPECT_EQ(list->geometry(), twipsRect(60, 1740, 6195, 4335));
    EXPECT_FALSE(list->font().bold());
    EXPECT_TRUE(list->isSorted());
    EXPECT_EQ(list->foreColor(), 0x80000012u);
}

TEST_F(FrmPLTest, LoadAddsSevenRowsShownSortedUnderTheHeader) {
    struct Expected {
        const char* caption;
        PropertyKind kind;
        const char* value;
    };
    const Expected shown[] = {{"Header 1", PropertyKind::Header, ""},
                              {"Boolean Value", PropertyKind::Boolean, "True"},
                              {"Browse Button", PropertyKind::Browse, "Click Me!"},
                              {"Custom Drawn", PropertyKind::Custom, "1"},
                              {"Drop Down", PropertyKind::DropDown, "Drop Down List"},
                              {"Numeric Value Only", PropertyKind::Numeric, "0"},
                              {"Text String", PropertyKind::Text, "Hello World"}};
    ASSERT_EQ(list->visibleRows().size(), std::size(shown));
    for (size_t i = 0; i < std::size(shown); ++i) {
        SCOPED_TRACE(shown[i].caption);
        const PropertyItem* item = list->visibleRows()[i];
        EXPECT_EQ(item->caption(), shown[i].caption);
        EXPECT_EQ(item->kind(), shown[i].kind);
        EXPECT_EQ(item->value(), shown[i].value);
    }
    const VariantArray& entries = row("Drop Down").listEntries();
    ASSERT_EQ(entries.lbound(), 0);
    ASSERT_EQ(entries.ubound(), 5);
    for (int16_t i = 0; i <= 5; ++i)
        EXPECT_EQ(entries(i), Variant(int16_t(i + 1)));
    EXPECT_EQ(form->lastProp(), &row("Custom Drawn"));
    EXPECT_EQ(form->lastProp()->flag(), 0);
}

TEST_F(FrmPLTest, CommittedDropDownAndNumericValuesReachTheCustomRowUnchanged) {
    edit("Drop Down");
    pick(2);
    EXPECT_EQ(row("Custom Drawn").value(), "3");

    const std::pair<const char*, const char*> typed[] = {
        {"0", "0"}, {"-1.50", "-1.50"}, {"007", "007"}, {"255", "255"}};
    for (const auto& [keys, expected] : typed) {
        SCOPED_TRACE(keys);
        edit("Numeric Value Only");
        QTest::keyClicks(lineEditor(), keys);
        QTest::keyClick(lineEditor(), Qt::Key_Return);
        EXPECT_EQ(row("Custom Drawn").value(), expected);
    }
}

TEST_F(FrmPLTest, OtherRowsAndOtherCaptionsLeaveTheCustomRowAlone) {
    edit("Text String");
    QTest::keyClicks(lineEditor(), "42");
    QTest::keyClick(lineEditor(), Qt::Key_Return);
    EXPECT_EQ(row("Text String").value(), "42");
    edit("Boolean Value");
    pick(1);
    EXPECT_EQ(row("Boolean Value").value(), "False");
    EXPECT_EQ(row("Custom Drawn").value(), "1");

    // Captions are compared exactly.
    PropertyCollection elsewhere;
    for (const char* caption : {"drop down", "DROP DOWN", "Drop Down ", "numeric value only"}) {
        SCOPED_TRACE(caption);
        QString newValue = "9";
        bool cancel = false;
        form->IPropEventSink_ValueChanged(elsewhere.add(caption, 5, ""), newValue, cancel);
        EXPECT_EQ(row("Custom Drawn").value(), "1");
    }
    QString newValue = "9";
    bool cancel = false;
    form->IPropEventSink_ValueChanged(elsewhere.add("Drop Down", 5, ""), newValue, cancel);
    EXPECT_EQ(row("Custom Drawn").value(), "9");
    EXPECT_EQ(newValue, "9");
    EXPECT_FALSE(cancel);
}

TEST_F(FrmPLTest, BrowseShowsCaptionAndValueCaptionedWithTheProgramTitle) {
    test::MessageBoxRecorder boxes;
    QAbstractButton* button = list->browseButton(row("Browse Button"));
    ASSERT_TRUE(button);
    button->click();
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].prompt, "Browse Button - Click Me!");
    EXPECT_EQ(boxes.boxes()[0].buttons, 0);
    EXPECT_EQ(boxes.boxes()[0].caption, "propcheck");
    EXPECT_EQ(row("Browse Button").value(), "Click Me!");

    QString fill = "as passed";
    form->IPropEventSink_Browse(row("Browse Button"), fill);
    EXPECT_EQ(fill, "as passed");
}

TEST_F(FrmPLTest, ClosingTheWindowEndsTheProgram) {
    // Only the window's own quit request may end the loop: tool windows do not count
    // as last windows, and this switch keeps any other window from ending it either.
    const bool quitOnLast = QGuiApplication::quitOnLastWindowClosed();
    QGuiApplication::setQuitOnLastWindowClosed(false);
    QTimer::singleShot(0, form.get(), [this] { form->close(); });
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, [] { QCoreApplication::exit(2); });
    timeout.start(10000);
    const int status = QCoreApplication::exec();
    QGuiApplication::setQuitOnLastWindowClosed(quitOnLast);
    EXPECT_EQ(status, 0) << "the event loop ended only by the time-out";
}

TEST_F(FrmPLTest, DestroyingTheWindowInTheMiddleOfAnEditIsSafe) {
    edit("Numeric Value Only");
    QTest::keyClicks(lineEditor(), "12");
    ASSERT_TRUE(lineEditor()->hasFocus());
    // Tearing the window down takes the focus from the editor, a commit point; the
    // commit must not call into the half-destroyed window (that would abort).
    form.reset();
    EXPECT_EQ(QApplication::focusWidget(), nullptr);
}

// ---- the custom-drawn row ------------------------------------------------------------

struct RowPicture {
    QImage image;
    QRect row;
    int startText = 0;
    int startValue = 0;
};

// Dark pixels (text, outline) between x0 and x1 on the row's lines, as their x extent.
std::pair<int, int> darkExtent(const QImage& img, const QRect& row, int x0, int x1) {
    int first = -1, last = -1;
    for (int x = x0; x < x1; ++x)
        for (int y = row.top(); y < row.bottom() - 1; ++y)
            if (qGray(img.pixel(x, y)) < 110) {
                if (first < 0)
                    first = x;
                last = x;
            }
    return {first, last};
}

class CustomRowPixels : public FrmPLTest {
  public:
    RowPicture paint(const QString& value, bool highlighted) {
        PropertyItem& custom = row("Custom Drawn");
        custom.setValue(value);
        list->select(highlighted ? &custom : &row("Text String"));
        RowPicture pic;
        pic.image = list->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        pic.row = list->rowRect(custom);
        pic.startValue = list->dividerPosition();
        return pic;
    }
};

TEST_F(CustomRowPixels, BoxAndTextFollowTheValue) {
    struct Case {
        const char* value;
        QColor box;
        bool text;
    };
    const Case cases[] = {{"1", QColor(255, 0, 0), true},   {"0", QColor(255, 255, 255), true},
                          {"2", QColor(2, 0, 0), true},     {"255", QColor(255, 0, 0), true},
                          {"1.5", QColor(2, 0, 0), true},   {"40000", QColor(0, 0, 0), true},
                          {"Hello", QColor(0, 0, 0), true}, {"", QColor(0, 0, 0), false}};
    const QFontMetrics fm(list->font());
    for (bool highlighted : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.value) + (highlighted ? " highlighted" : ""));
            const RowPicture p = paint(c.value, highlighted);
            const QRect& r = p.row;
            const int sv = p.startValue;
            const QImage& img = p.image;
            auto at = [&](int x, int y) { return img.pixelColor(x, y); };

            // Columns: the label column navy when highlighted, else white; the value column white.
            const QColor label = highlighted ? QColor(0, 0, 0x80) : QColor(255, 255, 255);
            EXPECT_EQ(at(sv - 2, r.top() + 1), label);
            EXPECT_EQ(at(r.right() - 1, r.top() + 1), QColor(255, 255, 255));
            // Grid lines: bottom, divider, two pixels left of the row.
            const QColor silver(0xC0, 0xC0, 0xC0);
            EXPECT_EQ(at(sv - 2, r.bottom()), silver);
            EXPECT_EQ(at(sv, r.top() + 2), silver);
            EXPECT_EQ(at(r.left() - 2, r.center().y()), silver);
            // Box: black outline from (sv + 3, top + 1), 12 pixels wide, filled with the value's
            // colour.
            EXPECT_EQ(at(sv + 3, r.center().y()), QColor(0, 0, 0));
            EXPECT_EQ(at(sv + 14, r.center().y()), QColor(0, 0, 0));
            EXPECT_EQ(at(sv + 9, r.top() + 1), QColor(0, 0, 0));
            EXPECT_EQ(at(sv + 9, r.center().y()), c.box);
            EXPECT_EQ(at(sv + 16, r.center().y()), QColor(255, 255, 255));
            // Value text from sv + 18, as wide as the value.
            const auto [first, last] = darkExtent(img, r, sv + 16, r.right());
            if (!c.text) {
                EXPECT_EQ(first, -1);
                continue;
            }
            ASSERT_GE(first, sv + 18);
            EXPECT_LE(first, sv + 18 + 3);
            EXPECT_NEAR(last + 1 - (sv + 18), fm.horizontalAdvance(c.value), 4);
        }
    }
}

TEST_F(CustomRowPixels, TheLabelIsWhiteOnNavyWhenHighlighted) {
    for (bool highlighted : {false, true}) {
        SCOPED_TRACE(highlighted);
        const RowPicture p = paint("1", highlighted);
        int light = 0, dark = 0;
        for (int x = p.row.left() + 2; x < p.startValue - 1; ++x)
            for (int y = p.row.top(); y < p.row.bottom(); ++y) {
                const int g = qGray(p.image.pixel(x, y));
                light += g > 200;
                dark += g < 60;
            }
        // Text pixels of the contrasting colour on a column of the other.
        const int text = highlighted ? light : dark;
        const int back = highlighted ? dark : light;
        EXPECT_GT(text, 10);
        EXPECT_GT(back, 5 * text);
    }
}

// Rows too short for their fills, painted straight onto a canvas. The handler resumes after
// each failing fill: a row 2 pixels high loses its value background, one 1 pixel high also its
// label background (which its bottom line covers); lines, box and label text still paint.
TEST_F(CustomRowPixels, RowsTooShortForTheirFillsStillPaintLinesBoxAndText) {
    constexpr int left = 10, top = 10, right = 250, startText = 30, startValue = 50;
    constexpr COLORREF silver = 0xC0C0C0, white = 0xFFFFFF, black = 0;
    PropertyItem& custom = row("Custom Drawn");
    custom.setValue(QStringLiteral("1"));
    list->select(&row("Text String"));
    for (int height : {2, 1}) {
        SCOPED_TRACE(height);
        test::Canvas canvas(260, 40);
        const int bottom = top + height;
        form->IPropEventSink_DrawItem(custom, canvas.hdc(), left, top, right, bottom, startText,
                                      startValue);
        // The box (upside down in so short a row) is drawn after the bottom line, over it.
        EXPECT_TRUE(canvas.all(silver, QRect(left, bottom - 1, startValue + 3 - left, 1)));
        EXPECT_TRUE(canvas.all(silver, QRect(startValue + 15, bottom - 1, right - 65, 1)));
        EXPECT_TRUE(canvas.all(silver, QRect(left - 2, top, 1, height)));
        EXPECT_EQ(canvas.at(startValue, top), silver);
        EXPECT_EQ(canvas.at(startValue + 9, top), black) << "the box's outline";
        EXPECT_FALSE(canvas.untouched(QRect(startText, bottom + 1, 60, 12))) << "the label text";
        if (height == 2) {
            EXPECT_EQ(canvas.at(left + 10, top), white) << "the label background";
            EXPECT_EQ(canvas.at(right - 10, top), test::Canvas::Background)
                << "no value background";
        }
    }
}

} // namespace
