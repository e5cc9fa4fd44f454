// MDIForm1: the window, the click answer, shortcuts and a refused layout.
#include "appinfo.h"
#include "layoutloader.h"
#include "mdiform1.h"
#include "olecolor.h"
#include "testsupport.h"
#include "units.h"
#include "vberror.h"

#include <QAccessible>
#include <QComboBox>
#include <QFile>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <functional>

#include <gtest/gtest.h>

using namespace tav::toolbars;
using tav::barcheck::MDIForm1;

namespace {

class MDIForm1Test : public ::testing::Test {
  protected:
    void SetUp() override { tav::AppInfo::setTitle(QStringLiteral("prjBarCheck")); }

    QToolButton* toolButton(const char* band, const QString& accessibleName) {
        QToolBar* tb = form.ToolBars1()->toolBar(QLatin1String(band));
        if (!tb)
            return nullptr;
        for (auto* b : tb->findChildren<QToolButton*>())
            if (b->accessibleName() == accessibleName)
                return b;
        return nullptr;
    }

    MDIForm1 form;
};

TEST_F(MDIForm1Test, OpensAsAFrameWithTheWorkspaceBackground) {
    EXPECT_EQ(form.windowTitle(), QStringLiteral("MDIForm1"));
    EXPECT_EQ(form.centralWidget(), form.workspace());
    EXPECT_EQ(form.workspace()->background().color(),
              tav::oleColor(tav::syscolor::ApplicationWorkspace));
    EXPECT_EQ(form.size(), tav::twipsSize(12840, 6570));
    EXPECT_EQ(form.statusBar()->objectName(), QStringLiteral("bndStatus"));
}

TEST(MDIForm1Message, JoinsTheToolTextExactly) {
    const std::pair<const char*, const char*> cases[] = {
        {"catDNew", "you clicked catDNew it looks like the toolbars are working"},
        {"", "you clicked  it looks like the toolbars are working"},
        {"&File", "you clicked &File it looks like the toolbars are working"},
    };
    for (auto [text, message] : cases)
        EXPECT_EQ(MDIForm1::clickMessage(QString::fromUtf8(text)), QString::fromUtf8(message))
            << text;
}

TEST_F(MDIForm1Test, ToolbarButtonFoundByAccessibleNameAnswersWithItsName) {
    tav::test::MessageBoxRecorder boxes;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QToolButton* button = toolButton("bndDWGStandard", QStringLiteral("New Drawing "));
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].prompt,
              QStringLiteral("you clicked catDNew it looks like the toolbars are working"));
    EXPECT_EQ(boxes.boxes()[0].caption, QStringLiteral("prjBarCheck"));
    EXPECT_EQ(boxes.boxes()[0].buttons, tav::mb::OKOnly);
}

TEST_F(MDIForm1Test, MenuEntryAnswersAndReportsTheBandItWasClickedOn) {
    tav::test::MessageBoxRecorder boxes;
    QSignalSpy clicks(form.ToolBars1(), &ToolBars::toolClick);
    const QList<QAction*> entries = form.ToolBars1()->entries(QStringLiteral("popMouse"));
    QAction* undo = nullptr;
    for (QAction* a : entries)
        if (a->objectName() == u"catDUndo")
            undo = a;
    ASSERT_NE(undo, nullptr);
    undo->trigger();
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].prompt,
              QStringLiteral("you clicked catDUndo it looks like the toolbars are working"));
    ASSERT_EQ(clicks.size(), 1);
    const auto click = clicks[0][0].value<ToolClick>();
    EXPECT_EQ(click.band, QStringLiteral("popMouse"));
    EXPECT_EQ(click.caption, QStringLiteral("Undo"));
    EXPECT_EQ(click.kind, ToolKind::Button);
}

// Every combo tool lists entries of its own; picking one through accessibility, as a
// checker or screen reader would, answers with exactly one message box. The first four
// stand on shown toolbars, catRFont and catRFontSize on the report format popup of a child
// menu bar, and catDcboFont on no band at all.
TEST_F(MDIForm1Test, EveryComboToolListsEntriesAndAPickAnswers) {
    struct Case {
        const char* tool;
        int entries;
        const char* pick;
        const char* band; // where the test finds it; nullptr: on no band
    };
    const Case cases[] = {
        {"cboFoStyle", 4, "Bold Italic", "bndRPTFormat"},
        {"cboFont", 5, "Times New Roman", "bndRPTFormat"},
        {"cboFoSize", 12, "36", "bndRPTFormat"},
        {"cboInserts", 5, "Title Block", "bndDWGInserts"},
        {"catRFont", 5, "Verdana", "popRPTFormat"},
        {"catRFontSize", 12, "8", "popRPTFormat"},
        {"catDcboFont", 5, nullptr, nullptr},
    };
    tav::test::MessageBoxRecorder boxes;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    int combos = 0;
    for (const Tool& t : form.ToolBars1()->layout().tools)
        combos += t.kind == ToolKind::Combo;
    EXPECT_EQ(combos, int(std::size(cases)));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tool);
        const auto defs = form.ToolBars1()->layout().toolsNamed(QLatin1String(c.tool));
        ASSERT_EQ(defs.size(), 1u);
        EXPECT_EQ(defs[0]->kind, ToolKind::Combo);
        EXPECT_EQ(defs[0]->items.size(), c.entries);
        if (!c.band)
            continue;
        QAccessibleInterface* combo = nullptr;
        if (form.ToolBars1()->toolBar(QLatin1String(c.band))) {
            // On a shown toolbar: found from the window, as assistive technology finds it.
            combo = tav::test::findAccessible(&form, QAccessible::ComboBox, QLatin1String(c.tool));
        } else {
            form.ToolBars1()->entries(
                QLatin1String(c.band)); // a popup builds its entries on first need
            auto* w = form.ToolBars1()
                          ->popup(QLatin1String(c.band))
                          ->findChild<QComboBox*>(QLatin1String(c.tool));
            combo = w ? QAccessible::queryAccessibleInterface(w) : nullptr;
        }
        ASSERT_NE(combo, nullptr);
        EXPECT_EQ(combo->text(QAccessible::Name), QLatin1String(c.tool));
        EXPECT_EQ(combo->child(0)->childCount(), c.entries);
        boxes.clear();
        tav::test::pickAccessibly(combo, QLatin1String(c.pick));
        ASSERT_EQ(boxes.boxes().size(), 1u);
        EXPECT_EQ(boxes.boxes()[0].prompt, MDIForm1::clickMessage(QLatin1String(c.tool)));
        EXPECT_EQ(boxes.boxes()[0].caption, QStringLiteral("prjBarCheck"));
        EXPECT_EQ(combo->text(QAccessible::Value), QLatin1String(c.pick));
    }
}

// Each entry of the popup of a drop-down tool on a shown toolbar answers with its own
// name; entries that open a further popup are followed into it.
TEST_F(MDIForm1Test, EveryEntryOfAShownDropDownPopupAnswers) {
    tav::test::MessageBoxRecorder boxes;
    ToolBars& bars = *form.ToolBars1();
    int answered = 0;
    std::function<void(QMenu*)> walk = [&](QMenu* menu) {
        for (QAction* a : bars.entries(menu->objectName())) {
            const Tool* t = bars.toolOf(a);
            ASSERT_NE(t, nullptr);
            SCOPED_TRACE(qPrintable(menu->objectName() + u' ' + t->name));
            if (t->isSeparator())
                continue;
            if (a->menu() && t->kind != ToolKind::DropDown) {
                walk(a->menu());
                continue;
            }
            boxes.clear();
            a->trigger();
            ASSERT_EQ(boxes.boxes().size(), 1u);
            EXPECT_EQ(boxes.boxes()[0].prompt, MDIForm1::clickMessage(t->name));
            ++answered;
        }
    };
    QStringList dropDowns;
    for (const Band& b : bars.layout().bands) {
        if (b.kind != BandKind::Toolbar || !bars.isBandShown(b.name))
            continue;
        for (QAction* a : bars.entries(b.name))
            if (bars.toolOf(a)->kind == ToolKind::DropDown && a->menu()) {
                dropDowns << bars.toolOf(a)->name;
                walk(a->menu());
            }
    }
    EXPECT_EQ(dropDowns,
              (QStringList{"catDArc", "catRAlign", "catRSize", "catRHSpacing", "catRVSpacing"}));
    EXPECT_EQ(answered, 2 + 6 + 3 + 3 + 3);
}

// The frame's menu bar shows its entries in stored order, the widget tools among the menu
// titles, and lists them so to assistive technology.
TEST_F(MDIForm1Test, MenuBarShowsItsEntriesInStoredOrder) {
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QMenuBar* bar = form.menuBar();
    QAccessibleInterface* access = QAccessible::queryAccessibleInterface(bar);
    ASSERT_NE(access, nullptr);
    EXPECT_EQ(access->role(), QAccessible::MenuBar);
    EXPECT_EQ(tav::test::accessibleChildNames(access),
              (QStringList{"Project", "File", "Edit", "View", "Format", "Tools", "Modify",
                           "Database", "Plugins", "Window", "Help", "Tool4183", "toolPB", "TESTING",
                           "catBGProcessMonitor"}));
    // Left to right on screen, each entry inside the bar.
    int right = -1;
    for (int i = 0; i < access->childCount(); ++i) {
        QAccessibleInterface* child = access->child(i);
        SCOPED_TRACE(qPrintable(child->text(QAccessible::Name)));
        EXPECT_FALSE(child->state().invisible);
        EXPECT_TRUE(access->rect().contains(child->rect()));
        EXPECT_GE(child->rect().left(), right);
        right = child->rect().right();
    }
    EXPECT_EQ(access->child(12)->role(), QAccessible::ProgressBar);
    EXPECT_EQ(access->child(13)->role(), QAccessible::MenuItem);
    tav::test::MessageBoxRecorder boxes;
    access->child(13)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].prompt, MDIForm1::clickMessage(QStringLiteral("TESTING")));
}

TEST_F(MDIForm1Test, ToolThatOnlyOpensAPopupRaisesNoClick) {
    tav::test::MessageBoxRecorder boxes;
    QToolButton* blocks = toolButton("bndDWGTools", QStringLiteral("Blocks"));
    ASSERT_NE(blocks, nullptr);
    EXPECT_EQ(blocks->popupMode(), QToolButton::InstantPopup);
    ASSERT_NE(blocks->defaultAction()->menu(), nullptr);
    EXPECT_EQ(blocks->defaultAction()->menu()->objectName(), QStringLiteral("popDWGInsert"));
    blocks->defaultAction()->trigger();
    EXPECT_TRUE(boxes.boxes().empty());
    // A drop-down's main part is a tool of its own.
    QToolButton* arc = toolButton("bndDWGTools", QStringLiteral("Arc"));
    ASSERT_NE(arc, nullptr);
    EXPECT_EQ(arc->popupMode(), QToolButton::MenuButtonPopup);
    arc->defaultAction()->trigger();
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].prompt,
              QStringLiteral("you clicked catDArc it looks like the toolbars are working"));
}

// Each key press on the shown frame clicks exactly one tool; where several tools hold a
// key, the first on a reachable band in stored order wins (drawing tools, which the
// frame's own menu bar reaches, before report tools).
TEST_F(MDIForm1Test, EveryShortcutRaisesExactlyOneClick) {
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        const char* tool;
    };
    const Case cases[] = {
        {Qt::Key_N, Qt::ControlModifier, "catDNew"},
        {Qt::Key_O, Qt::ControlModifier, "catDOpen"},
        {Qt::Key_S, Qt::ControlModifier, "catDSave"},
        {Qt::Key_A, Qt::ControlModifier, "catDSaveAs"},
        {Qt::Key_P, Qt::ControlModifier, "catDPrint"},
        {Qt::Key_Z, Qt::ControlModifier, "catDUndo"},
        {Qt::Key_X, Qt::ControlModifier, "catDCuttoClip"},
        {Qt::Key_C, Qt::ControlModifier, "catDCopytoClip"},
        {Qt::Key_V, Qt::ControlModifier, "catDPaste"},
        {Qt::Key_D, Qt::ControlModifier, "catGProjectExplorer"},
        {Qt::Key_F7, Qt::NoModifier, "catDToggleGrid"},
        {Qt::Key_F8, Qt::NoModifier, "catDToggleOrtho"},
        {Qt::Key_F9, Qt::NoModifier, "catDToggleSnap"},
        {Qt::Key_F10, Qt::NoModifier, "catDTogglePolarTracking"},
    };
    tav::test::MessageBoxRecorder boxes;
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    EXPECT_EQ(form.ToolBars1()->shortcuts().keys().size(), int(std::size(cases)));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tool);
        boxes.clear();
        QTest::keyClick(&form, c.key, c.mods);
        ASSERT_EQ(boxes.boxes().size(), 1u);
        EXPECT_EQ(boxes.boxes()[0].prompt, MDIForm1::clickMessage(QLatin1String(c.tool)));
    }
}

TEST_F(MDIForm1Test, HidingABandHandsASharedKeyToTheNextReachableHolder) {
    QSignalSpy clicks(form.ToolBars1(), &ToolBars::toolClick);
    tav::test::MessageBoxRecorder boxes;
    ToolBars& bars = *form.ToolBars1();
    // Ctrl+N: catDNew stands on popDwgFile (through the frame's menu bar) and on
    // bndDWGStandard; catRNew on popRPTFile (child menu bar only) and bndRPTStandard.
    form.menuBar()->hide();
    bars.setBandShown(QStringLiteral("bndDWGStandard"), false);
    ASSERT_TRUE(bars.pressShortcut(QKeySequence(QStringLiteral("Ctrl+N"))));
    ASSERT_EQ(clicks.size(), 1);
    EXPECT_EQ(clicks[0][0].value<ToolClick>().name, QStringLiteral("catRNew"));
    EXPECT_EQ(clicks[0][0].value<ToolClick>().band, QStringLiteral("bndRPTStandard"));
    // Nothing reachable holds Ctrl+Z any more but catRUndo's entry on bndRPTStandard
    // carries no key: the first holder in stored order wins.
    bars.setBandShown(QStringLiteral("bndRPTStandard"), false);
    ASSERT_TRUE(bars.pressShortcut(QKeySequence(QStringLiteral("Ctrl+Z"))));
    EXPECT_EQ(clicks[1][0].value<ToolClick>().name, QStringLiteral("catRUndo"));
    EXPECT_FALSE(bars.pressShortcut(QKeySequence(QStringLiteral("Ctrl+Q"))));
    EXPECT_EQ(clicks.size(), 2);
}

TEST_F(MDIForm1Test, ToolTipsShowTheShortcut) {
    QToolButton* button = toolButton("bndDWGStandard", QStringLiteral("New Drawing "));
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->toolTip().endsWith(
        QKeySequence(QStringLiteral("Ctrl+N")).toString(QKeySequence::NativeText) + u')'))
        << qPrintable(button->toolTip());
}

TEST(MDIForm1Load, RefusesAMalformedLayoutNamingThePlace) {
    tav::test::TempDir dir;
    const QString broken = dir.file(QStringLiteral("broken.xml"));
    ASSERT_NO_FATAL_FAILURE(tav::test::writeFile(
        broken, "<layout version=\"1\">\n<bands>\n<band name=\"mnuMain\" kind=\"menubar\">\n"
                "<entry name=\"mnuFile\" id=\"651\"/>\n</band>\n</bands>\n<tools/>\n</layout>\n"));
    try {
        MDIForm1 form(broken);
        FAIL() << "the layout was accepted";
    } catch (const tav::VbError& e) {
        EXPECT_EQ(e.number(), LayoutLoader::LoadError);
        EXPECT_TRUE(e.description().contains(u"broken.xml")) << qPrintable(e.description());
        EXPECT_TRUE(e.description().contains(u"line 4")) << qPrintable(e.description());
        EXPECT_TRUE(e.description().contains(u"mnuFile")) << qPrintable(e.description());
    }
}

} // namespace
