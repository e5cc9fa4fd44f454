#include "gdi.h"
#include "keycodes_p.h"
#include "propertylist.h"
#include "recordingsink.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

using namespace tav;
using namespace tav::propertylist;
using tav::test::RecordingSink;

namespace {

class PropertyListTest : public ::testing::Test {
  public:
    void SetUp() override {
        window.resize(420, 320);
        list = new PropertyList(&window);
        list->setGeometry(0, 0, 400, 280);
        other = new QLineEdit(&window);
        other->setGeometry(0, 290, 100, 20);
        list->setEventSink(&sink);
        PropertyCollection& p = list->properties();
        header = &p.add("Header 1", 7, "");
        text = &p.add("Text String", 0, "Hello World");
        boolean = &p.add("Boolean Value", 2, "True");
        browseRow = &p.add("Browse Button", 3, "Click Me!");
        drop = &p.add("Drop Down", 5, "Drop Down List");
        VariantArray entries(0);
        for (int16_t i = 1; i <= 6; ++i)
            entries.append(Variant(i));
        drop->setListEntries(entries);
        numeric = &p.add("Numeric Value Only", 1, "0");
        custom = &p.add("Custom Drawn", 6, "1");
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        sink.calls.clear();
    }

    QLineEdit* lineEditor() const { return qobject_cast<QLineEdit*>(list->editorWidget()); }
    QComboBox* listEditor() const { return qobject_cast<QComboBox*>(list->editorWidget()); }
    void edit(PropertyItem* item) {
        list->select(item);
        ASSERT_TRUE(list->beginEdit());
    }
    QAbstractButton* browseButton() const {
        for (auto* b : list->findChildren<QAbstractButton*>())
            if (b->accessibleName() == "...")
                return b;
        return nullptr;
    }

    RecordingSink sink; // outlives the list, which detaches it when destroyed
    QWidget window;
    PropertyList* list = nullptr;
    QLineEdit* other = nullptr;
    PropertyItem *header, *text, *boolean, *browseRow, *drop, *numeric, *custom;
};

TEST_F(PropertyListTest, EachKindGetsItsEditor) {
    struct Case {
        const char* name;
        PropertyItem* PropertyListTest::*row;
        const char* editor; // "line", "list" or "none"
    };
    const Case cases[] = {{"text", &PropertyListTest::text, "line"},
                          {"numeric", &PropertyListTest::numeric, "line"},
                          {"custom-drawn", &PropertyListTest::custom, "line"},
                          {"Boolean", &PropertyListTest::boolean, "list"},
                          {"drop-down", &PropertyListTest::drop, "list"},
                          {"browse", &PropertyListTest::browseRow, "none"},
                          {"header", &PropertyListTest::header, "none"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        edit(this->*c.row);
        const QString kind = lineEditor() ? "line" : listEditor() ? "list" : "none";
        EXPECT_EQ(kind, c.editor);
        list->cancelEdit();
        list->setExpanded(*header, true);
    }
    edit(boolean);
    ASSERT_TRUE(listEditor());
    EXPECT_EQ(listEditor()->count(), 2);
    EXPECT_EQ(listEditor()->currentText(), "True");
}

TEST_F(PropertyListTest, ListEditorsStartOnTheEntryOfTheStoredValue) {
    struct Case {
        const char* name;
        PropertyItem* PropertyListTest::*row;
        const char* value;
        int index; // -1: no entry picked, the stored value shows
    };
    const Case cases[] = {{"first drop-down entry", &PropertyListTest::drop, "1", 0},
                          {"last drop-down entry", &PropertyListTest::drop, "6", 5},
                          {"no drop-down entry", &PropertyListTest::drop, "7", -1},
                          {"first Boolean entry, any case", &PropertyListTest::boolean, "TRUE", 0},
                          {"last Boolean entry, any case", &PropertyListTest::boolean, "false", 1},
                          {"no Boolean entry", &PropertyListTest::boolean, "Maybe", -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        (this->*c.row)->setValue(c.value);
        edit(this->*c.row);
        ASSERT_TRUE(listEditor());
        EXPECT_EQ(listEditor()->currentIndex(), c.index);
        list->cancelEdit();
    }
}

TEST_F(PropertyListTest, NumericEditorTakesSignDigitsAndOnePointAndPassesTheTextOn) {
    struct Case {
        const char* typed;
        const char* shown;
    };
    const Case cases[] = {{"-12.5", "-12.5"}, {"1a2", "12"},  {"1.2.3", "1.23"},
                          {"+7", "+7"},       {"007", "007"}, {"3-4", "34"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        sink.calls.clear();
        edit(numeric);
        ASSERT_TRUE(lineEditor());
        QTest::keyClicks(lineEditor(), c.typed);
        EXPECT_EQ(lineEditor()->text(), c.shown);
        QTest::keyClick(lineEditor(), Qt::Key_Return);
        EXPECT_EQ(sink.named("ValueChanged"),
                  QStringList(QString("ValueChanged Numeric Value Only = ") + c.shown));
        EXPECT_EQ(numeric->value(), c.shown);
    }
}

TEST_F(PropertyListTest, AnEditCommitsOnceAtEachCommitPoint) {
    const std::pair<const char*, std::function<void(PropertyListTest&)>> points[] = {
        {"Enter", [](PropertyListTest& t) { QTest::keyClick(t.lineEditor(), Qt::Key_Return); }},
        {"Tab", [](PropertyListTest& t) { QTest::keyClick(t.lineEditor(), Qt::Key_Tab); }},
        {"loss of focus", [](PropertyListTest& t) { t.other->setFocus(Qt::MouseFocusReason); }},
        {"another row selected", [](PropertyListTest& t) { t.list->select(t.numeric); }},
    };
    for (const auto& [name, commit] : points) {
        SCOPED_TRACE(name);
        text->setValue("Hello World");
        edit(text);
        ASSERT_TRUE(lineEditor());
        QTest::keyClicks(lineEditor(), "abc");
        EXPECT_TRUE(sink.named("ValueChanged").isEmpty()) << "no commit per keystroke";
        commit(*this);
        EXPECT_EQ(sink.named("ValueChanged"), QStringList("ValueChanged Text String = abc"));
        EXPECT_EQ(text->value(), "abc");
        EXPECT_EQ(list->editingItem() == text, false);
        sink.calls.clear();
        list->cancelEdit();
    }
}

TEST_F(PropertyListTest, EscRevertsAndAnUntouchedEditorCommitsNothing) {
    edit(text);
    QTest::keyClicks(lineEditor(), "abc");
    QTest::keyClick(lineEditor(), Qt::Key_Escape);
    EXPECT_FALSE(list->isEditing());
    EXPECT_EQ(text->value(), "Hello World");
    edit(text);
    QTest::keyClick(lineEditor(), Qt::Key_Return);
    EXPECT_TRUE(sink.named("ValueChanged").isEmpty()) << "an editor left untouched commits nothing";
    EXPECT_EQ(sink.named("HideEditControl").size(), 2);

    // Typing the stored text again is still a commit the host hears of.
    edit(text);
    QTest::keyClicks(lineEditor(), "Hello World");
    QTest::keyClick(lineEditor(), Qt::Key_Return);
    EXPECT_EQ(sink.named("ValueChanged"), QStringList("ValueChanged Text String = Hello World"));
}

TEST_F(PropertyListTest, ValueChangedAnswersAreHonoured) {
    sink.cancel = true;
    edit(text);
    QTest::keyClicks(lineEditor(), "abc");
    QTest::keyClick(lineEditor(), Qt::Key_Return);
    EXPECT_EQ(sink.named("ValueChanged").size(), 1);
    EXPECT_EQ(text->value(), "Hello World") << "Cancel keeps the old value";

    sink.cancel = false;
    sink.replaceValue = "changed by host";
    edit(text);
    QTest::keyClicks(lineEditor(), "abc");
    QTest::keyClick(lineEditor(), Qt::Key_Return);
    EXPECT_EQ(text->value(), "changed by host");
}

TEST_F(PropertyListTest, TabMovesBetweenEditableRowsSkippingHeaders) {
    PropertyItem& second = list->properties().add("Header 2", 7, "");
    PropertyItem& extra = list->properties().add("Extra", 0, "x");
    edit(numeric);
    QTest::keyClick(lineEditor(), Qt::Key_Tab);
    EXPECT_EQ(list->editingItem(), custom);
    QTest::keyClick(lineEditor(), Qt::Key_Tab);
    EXPECT_EQ(list->editingItem(), &extra) << "Header 2 is skipped";
    QTest::keyClick(lineEditor(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(list->editingItem(), custom);
    list->cancelEdit();
    EXPECT_NE(list->selectedItem(), &second);

    // Without an editor open, Tab moves the selection only; the browse row takes it.
    list->select(boolean);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Tab);
    EXPECT_EQ(list->selectedItem(), browseRow);
    EXPECT_FALSE(list->isEditing());
}

TEST_F(PropertyListTest, DropDownShowsItsValueUntilAPickWhichCommitsOnce) {
    edit(drop);
    QComboBox* combo = listEditor();
    ASSERT_TRUE(combo);
    EXPECT_EQ(combo->count(), 6);
    EXPECT_EQ(combo->currentIndex(), -1);
    EXPECT_EQ(combo->placeholderText(), "Drop Down List");

    QTest::keyClick(combo, Qt::Key_Down);
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(combo->currentText(), "2");
    EXPECT_TRUE(sink.named("ValueChanged").isEmpty()) << "moving through the entries is no pick";

    combo->showPopup();
    QAbstractItemView* view = combo->view();
    view->setCurrentIndex(view->model()->index(2, 0));
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_EQ(sink.named("PreDropWindow"), QStringList("PreDropWindow Drop Down"));
    EXPECT_EQ(sink.named("DropdownPick"), QStringList("DropdownPick Drop Down 2"));
    EXPECT_EQ(sink.named("ValueChanged"), QStringList("ValueChanged Drop Down = 3"));
    EXPECT_EQ(drop->value(), "3");
    EXPECT_FALSE(list->isEditing());

    // Keyboard: the entry moved to is committed by Enter.
    sink.calls.clear();
    edit(drop);
    EXPECT_EQ(listEditor()->currentText(), "3");
    QTest::keyClick(listEditor(), Qt::Key_Down);
    QTest::keyClick(listEditor(), Qt::Key_Return);
    EXPECT_EQ(sink.named("ValueChanged"), QStringList("ValueChanged Drop Down = 4"));
}

TEST_F(PropertyListTest, TheHostCanSupplyListEntries) {
    PropertyItem& empty = list->properties().add("Empty Drop", 5, "none");
    sink.needData = {"a", "b"};
    edit(&empty);
    EXPECT_EQ(sink.named("NeedData"), QStringList("NeedData Empty Drop"));
    EXPECT_EQ(empty.listTexts(), QStringList({"a", "b"})) << "NeedData's answer is stored";
    ASSERT_TRUE(listEditor());
    EXPECT_EQ(listEditor()->count(), 2);
    list->cancelEdit();

    sink.predefined = QStringList{"x", "y", "z"};
    edit(&empty);
    EXPECT_EQ(sink.named("NeedData").size(), 1) << "asked only while the row has no entries";
    EXPECT_EQ(listEditor()->itemText(2), "z");
    EXPECT_EQ(empty.listTexts(), QStringList({"a", "b"}));
}

TEST_F(PropertyListTest, BrowseButtonRaisesBrowseAndAFilledAnswerBecomesTheValue) {
    QAbstractButton* button = browseButton();
    ASSERT_TRUE(button);
    EXPECT_TRUE(button->isVisible());
    button->click();
    EXPECT_EQ(sink.named("Browse"), QStringList("Browse Browse Button = Click Me!"));
    EXPECT_TRUE(sink.named("ValueChanged").isEmpty()) << "an untouched answer changes nothing";
    EXPECT_EQ(list->selectedItem(), browseRow);

    sink.calls.clear();
    sink.fillWith = "C:/picked.txt";
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(sink.named("ValueChanged"),
              QStringList("ValueChanged Browse Button = C:/picked.txt"));
    EXPECT_EQ(browseRow->value(), "C:/picked.txt");
}

TEST_F(PropertyListTest, EditControlCallbacksFrameTheEdit) {
    edit(custom);
    QTest::keyClicks(lineEditor(), "255");
    QTest::keyClick(lineEditor(), Qt::Key_Return);
    EXPECT_EQ(sink.calls.filter(QRegularExpression("^(Show|Hide|ODCommit|ValueChanged)")),
              QStringList({"ShowEditControl Custom Drawn", "ODCommitPending Custom Drawn",
                           "HideEditControl", "ValueChanged Custom Drawn = 255"}));

    // A host that edits the row itself: no built-in editor, and the commit point asks it.
    sink.calls.clear();
    sink.useIntrinsic = false;
    edit(custom);
    EXPECT_TRUE(list->isEditing());
    EXPECT_EQ(list->editorWidget(), nullptr);
    list->select(text);
    EXPECT_EQ(sink.calls.filter(QRegularExpression("^(ODCommit|Hide)")),
              QStringList({"ODCommitPending Custom Drawn", "HideEditControl"}));
    EXPECT_FALSE(list->isEditing());

    // A host that commits again from inside ODCommitPending: the commit under way is not
    // entered a second time, and the value is applied once.
    sink.calls.clear();
    sink.useIntrinsic = true;
    int reentries = 0;
    sink.commitPending = [&](PropertyItem&) {
        if (reentries++ == 0)
            list->commitEdit();
    };
    edit(custom);
    QTest::keyClicks(lineEditor(), "7");
    QTest::keyClick(lineEditor(), Qt::Key_Return);
    EXPECT_EQ(sink.calls.filter(QRegularExpression("^(ODCommit|Hide|ValueChanged)")),
              QStringList({"ODCommitPending Custom Drawn", "HideEditControl",
                           "ValueChanged Custom Drawn = 7"}));
    EXPECT_EQ(custom->value(), "7");
    sink.commitPending = nullptr;
}

TEST_F(PropertyListTest, KeyCallbacksSeeVirtualKeysAndCanSwallowOrReplaceThem) {
    edit(text);
    QTest::keyClick(lineEditor(), 'A', Qt::ShiftModifier);
    EXPECT_EQ(sink.calls.mid(sink.calls.indexOf("KeyDownEdit 65 1"), 3),
              QStringList({"KeyDownEdit 65 1", "KeyPressEdit 65", "KeyUpEdit 65 1"}));
    EXPECT_EQ(lineEditor()->text(), "A");

    sink.keyAscii = int16_t('z');
    QTest::keyClicks(lineEditor(), "bc");
    EXPECT_EQ(lineEditor()->text(), "Azz");
    sink.keyAscii = int16_t(0);
    QTest::keyClicks(lineEditor(), "de");
    EXPECT_EQ(lineEditor()->text(), "Azz");

    sink.keyDownCode = int16_t(0);
    QTest::keyClick(lineEditor(), Qt::Key_Return);
    EXPECT_TRUE(list->isEditing()) << "a swallowed Enter does not commit";
    sink.keyDownCode.reset();
    QTest::keyClick(lineEditor(), Qt::Key_Return);
    EXPECT_EQ(text->value(), "Azz");
}

TEST(PropertyListKeys, EdgesOfEachKeyRangeAndEachModifier) {
    const std::pair<int, int16_t> keys[] = {
        {Qt::Key_0, 48},          {Qt::Key_9, 57},        {Qt::Key_Colon, 0}, // digits end at 9
        {Qt::Key_At, 0},          {Qt::Key_A, 65},        {Qt::Key_Z, 90},
        {Qt::Key_BracketLeft, 0}, {Qt::Key_F1, 112},      {Qt::Key_F24, 135},
        {Qt::Key_F25, 0},         {Qt::Key_Backspace, 8}, {Qt::Key_Comma, 188}, // first, last named
        {Qt::Key_Escape, 27},     {Qt::Key_unknown, 0}};
    for (auto [qtKey, code] : keys)
        EXPECT_EQ(virtualKeyCode(qtKey), code) << QKeySequence(qtKey).toString().toStdString();
    const std::pair<Qt::KeyboardModifiers, int16_t> modifiers[] = {
        {Qt::NoModifier, 0},
        {Qt::ShiftModifier, 1},
        {Qt::ControlModifier, 2},
        {Qt::AltModifier, 4},
        {Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier, 7},
        {Qt::MetaModifier | Qt::KeypadModifier, 0}};
    for (auto [held, bits] : modifiers)
        EXPECT_EQ(shiftBits(held), bits) << held.toInt();
}

TEST_F(PropertyListTest, AFailingHostIsContained) {
    sink.throwEverywhere = true;
    edit(text);
    ASSERT_TRUE(lineEditor());
    QTest::keyClicks(lineEditor(), "x");
    QTest::keyClick(lineEditor(), Qt::Key_Return);
    EXPECT_EQ(text->value(), "x") << "the commit goes on as if the host had answered nothing";
    browseButton()->click();
    list->setExpanded(*header, false);
    EXPECT_EQ(list->visibleRows().size(), 1u);
    list->setExpanded(*header, true);
    const QImage img = list->viewport()->grab().toImage();
    EXPECT_FALSE(img.isNull());
    EXPECT_FALSE(sink.named("DrawItem").isEmpty());
    EXPECT_EQ(custom->value(), "1");
}

TEST_F(PropertyListTest, HeadersFoldTheirGroup) {
    list->select(numeric);
    list->setFocus();
    sink.calls.clear();
    list->select(header);
    QTest::keyClick(list, Qt::Key_Left);
    EXPECT_EQ(list->visibleRows().size(), 1u);
    QTest::keyClick(list, Qt::Key_Right);
    EXPECT_EQ(list->visibleRows().size(), 7u);
    EXPECT_EQ(sink.calls.filter(QRegularExpression("^(Collapse|PreExpand|Expand)")),
              QStringList({"Collapse Header 1", "PreExpand Header 1", "Expand Header 1"}));

    // A selected row folded away hands the selection to its header.
    list->select(drop);
    list->setExpanded(*header, false);
    EXPECT_EQ(list->selectedItem(), header);
    EXPECT_FALSE(browseButton()->isVisible());
}

TEST_F(PropertyListTest, SelectionHighlightsOneRowAndIsReported) {
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(list->selectedItem(), text);
    EXPECT_EQ(text->highlightState(), VbTrue);
    EXPECT_EQ(header->highlightState(), VbFalse);
    EXPECT_EQ(sink.named("SelChange"),
              QStringList({"SelChange - -> Header 1", "SelChange Header 1 -> Text String"}));
    QTest::keyClick(list, Qt::Key_End);
    EXPECT_EQ(list->selectedItem(), custom);
    QTest::keyClick(list, Qt::Key_F2);
    EXPECT_EQ(list->editingItem(), custom);
}

TEST_F(PropertyListTest, MouseSelectsEditsFoldsAndMovesTheDivider) {
    QWidget* vp = list->viewport();
    const int divider = list->dividerPosition();
    QTest::mouseClick(vp, Qt::LeftButton, {},
                      QPoint(divider - 20, list->rowRect(*numeric).center().y()));
    EXPECT_EQ(list->selectedItem(), numeric);
    EXPECT_FALSE(list->isEditing()) << "a click on the label only selects";
    QTest::mouseClick(vp, Qt::LeftButton, {},
                      QPoint(divider + 20, list->rowRect(*text).center().y()));
    EXPECT_EQ(list->editingItem(), text);
    list->cancelEdit();

    const int y = list->rowRect(*text).center().y();
    QTest::mousePress(vp, Qt::LeftButton, {}, QPoint(divider + 1, y));
    QTest::mouseMove(vp, QPoint(divider + 40, y));
    QTest::mouseRelease(vp, Qt::LeftButton, {}, QPoint(divider + 40, y));
    EXPECT_EQ(list->dividerPosition(), divider + 40);
    EXPECT_FALSE(list->isEditing()) << "grabbing the divider starts no edit";

    QTest::mouseClick(vp, Qt::LeftButton, {}, QPoint(5, list->rowRect(*header).center().y()));
    EXPECT_FALSE(header->isExpanded());
    EXPECT_EQ(list->visibleRows().size(), 1u);
}

TEST_F(PropertyListTest, DrawItemGetsTheRowAndMayPaintOutsideIt) {
    int32_t left = 0, top = 0, right = 0, bottom = 0, startText = 0, startValue = 0;
    sink.draw = [&](PropertyItem&, HDC dc, int l, int t, int r, int b, int st, int sv) {
        left = l, top = t, right = r, bottom = b, startText = st, startValue = sv;
        // A red band two pixels left of the row, where the row itself does not reach.
        const RECT band{l - 2, t, l - 1, b};
        HBRUSH red = CreateSolidBrush(0x0000FF);
        FillRect(dc, &band, red);
        DeleteObject(red);
    };
    const QImage img = list->viewport()->grab().toImage();
    const QRect row = list->rowRect(*custom);
    EXPECT_EQ(QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)), row);
    EXPECT_EQ(startValue, list->dividerPosition());
    EXPECT_GT(startText, left);
    EXPECT_LT(startText, startValue);
    EXPECT_EQ(img.pixelColor(left - 2, top + 1), QColor(Qt::red));

    // Writing the value repaints the row on the next paint pass, without being asked.
    QCoreApplication::processEvents();
    sink.calls.clear();
    custom->setValue("2");
    QCoreApplication::processEvents();
    EXPECT_EQ(sink.named("DrawItem"), QStringList("DrawItem Custom Drawn"));
}

TEST_F(PropertyListTest, AccessibleNamesReachRowsCellsAndTheBrowseButton) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(list);
    ASSERT_TRUE(iface);
    EXPECT_EQ(iface->role(), QAccessible::Table);
    QAccessibleInterface* row = iface->child(1);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->role(), QAccessible::Row);
    EXPECT_EQ(row->text(QAccessible::Name), "Text String");
    EXPECT_EQ(row->child(0)->text(QAccessible::Name), "Text String");
    EXPECT_EQ(row->child(1)->text(QAccessible::Name), "Hello World");
    EXPECT_EQ(row->child(1)->parent(), row);
    EXPECT_EQ(iface->indexOfChild(row), 1);

    QAccessibleInterface* button = nullptr;
    for (int i = 0; i < iface->childCount(); ++i)
        if (iface->child(i)->text(QAccessible::Name) == "...")
            button = iface->child(i);
    ASSERT_TRUE(button);
    ASSERT_TRUE(button->actionInterface());
    button->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(sink.named("Browse").size(), 1);
}

TEST_F(PropertyListTest, ValuesTooLongToShowGetAToolTip) {
    const QPoint inValue(list->dividerPosition() + 10, list->rowRect(*text).center().y());
    EXPECT_EQ(list->toolTipAt(inValue), "");
    text->setValue(QString(200, 'w'));
    EXPECT_EQ(list->toolTipAt(inValue), QString(200, 'w'));
}

TEST(PropertyListLifetime, DestroyingTheListMidEditRaisesNothing) {
    RecordingSink sink;
    QWidget window;
    auto* list = new PropertyList(&window);
    list->resize(300, 200);
    list->setEventSink(&sink);
    PropertyItem& item = list->properties().add("Text", 0, "a");
    window.show();
    list->select(&item);
    ASSERT_TRUE(list->beginEdit());
    QTest::keyClicks(list->editorWidget(), "bc");
    sink.calls.clear();
    delete list;
    EXPECT_TRUE(sink.calls.isEmpty()) << sink.calls.join("; ").toStdString();
}

} // namespace
