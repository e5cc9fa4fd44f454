// The component's widgets built from a small layout: entries as separate objects, a
// fitting widget per tool kind, shared popups, clicks, and the built-in tools.
#include "customizedialog_p.h"
#include "layoutloader.h"
#include "testsupport.h"
#include "toolbars.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace tav::toolbars;

namespace {

const char* const kLayout = R"(<layout version="1">
<images><imageset id="1" size="18" ids="1"/></images>
<tools>
<tool name="t" id="1" caption="&amp;Tee" tooltip="Tip" description="Desc" image="1" shortcut="Ctrl+T" category="Cat A"/>
<tool name="d" id="2" kind="dropdown" caption="Drop" subband="pop" category="Cat B"/>
<tool name="o" id="3" caption="&amp;Open" subband="pop"/>
<tool name="cb" id="4" kind="combo" width="96"><item text="Alpha"/><item text="Beta"/></tool>
<tool name="tx" id="5" kind="text" width="50" text="0 , 0"/>
<tool name="pb" id="6" kind="progress" caption="Progress Bar"/>
<tool name="h" id="7" kind="host"/>
<tool name="wl" id="8" kind="windowlist"/>
<tool name="Tool9" id="9" kind="separator"/>
<tool name="Tool10" id="10" kind="separator"/>
<tool name="x" id="11" caption="Lost" subband="popNowhere"/>
<tool id="0x80000000" builtin="customize" caption="&amp;Customize..."/>
<tool id="0x80000002" builtin="bandtoggle" band="bar" caption="Basic Bar"/>
</tools>
<bands>
<band name="menu" caption="Main" kind="menubar">
<entry name="o" id="3"/>
<entry name="pb" id="6"/>
<entry name="t" id="1"/>
</band>
<band name="pop" caption="Pop" kind="popup">
<entry name="t" id="1"/>
<entry name="Tool9" id="9"/>
<entry name="t" id="1" shortcut=""/>
<entry name="wl" id="8"/>
</band>
<band name="bar" caption="Basic Bar" kind="toolbar">
<entry name="t" id="1"/>
<entry name="t" id="1"/>
<entry name="d" id="2"/>
<entry name="o" id="3"/>
<entry name="cb" id="4"/>
<entry name="tx" id="5"/>
<entry name="Tool10" id="10"/>
<entry name="x" id="11"/>
<entry name="h" id="7"/>
</band>
<band name="status" caption="Status" kind="toolbar" dock="status">
<entry name="t" id="1"/>
<entry name="pb" id="6"/>
</band>
<band name="child" caption="Child" kind="childmenubar">
<entry name="o" id="3"/>
</band>
</bands>
</layout>
)";

class ToolBarsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        bars = new ToolBars(&frame);
        bars->load(LayoutLoader::fromXml(kLayout, QStringLiteral("test.xml")));
    }
    QWidget* widgetOn(const char* band, int entry) {
        return bars->toolBar(QLatin1String(band))
            ->widgetForAction(bars->entries(QLatin1String(band))[entry]);
    }

    QMainWindow frame;
    ToolBars* bars = nullptr;
};

TEST_F(ToolBarsTest, EveryEntryIsItsOwnObjectAndReportsItsBand) {
    QSignalSpy clicks(bars, &ToolBars::toolClick);
    const QList<QAction*> bar = bars->entries(QStringLiteral("bar"));
    ASSERT_EQ(bar.size(), 9);
    EXPECT_NE(bar[0], bar[1]);
    EXPECT_EQ(bars->toolOf(bar[0])->name, QStringLiteral("t"));
    EXPECT_EQ(bars->toolOf(bar[1])->name, QStringLiteral("t"));
    bar[1]->trigger();
    const QList<QAction*> pop = bars->entries(QStringLiteral("pop"));
    ASSERT_EQ(pop.size(), 4);
    pop[2]->trigger();
    ASSERT_EQ(clicks.size(), 2);
    const auto first = clicks[0][0].value<ToolClick>();
    EXPECT_EQ(first.name, QStringLiteral("t"));
    EXPECT_EQ(first.caption, QStringLiteral("&Tee"));
    EXPECT_EQ(first.id, 1u);
    EXPECT_EQ(first.band, QStringLiteral("bar"));
    EXPECT_EQ(clicks[1][0].value<ToolClick>().band, QStringLiteral("pop"));
    // Entries of one tool may differ: only the first popup entry shows the shortcut.
    EXPECT_TRUE(pop[0]->text().endsWith(
        QStringLiteral("\t") +
        QKeySequence(QStringLiteral("Ctrl+T")).toString(QKeySequence::NativeText)));
    EXPECT_EQ(pop[2]->text(), QStringLiteral("&Tee"));
    EXPECT_TRUE(pop[1]->isSeparator());
    EXPECT_FALSE(pop[3]->isVisible()); // the window list is empty
}

TEST_F(ToolBarsTest, EachKindGetsAFittingWidget) {
    auto* combo = qobject_cast<QComboBox*>(widgetOn("bar", 4));
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->width(), 96);
    EXPECT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->itemText(1), QStringLiteral("Beta"));
    auto* text = qobject_cast<QLineEdit*>(widgetOn("bar", 5));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text(), QStringLiteral("0 , 0"));
    EXPECT_EQ(text->width(), 50);
    auto* drop = qobject_cast<QToolButton*>(widgetOn("bar", 2));
    ASSERT_NE(drop, nullptr);
    EXPECT_EQ(drop->popupMode(), QToolButton::MenuButtonPopup);
    auto* opener = qobject_cast<QToolButton*>(widgetOn("bar", 3));
    ASSERT_NE(opener, nullptr);
    EXPECT_EQ(opener->popupMode(), QToolButton::InstantPopup);
    EXPECT_TRUE(bars->entries(QStringLiteral("bar"))[6]->isSeparator());
    EXPECT_NE(qobject_cast<QFrame*>(widgetOn("bar", 8)), nullptr); // empty window host
}

// A menu bar shows its widget tools between its titles in stored order, on screen and to
// assistive technology.
TEST_F(ToolBarsTest, MenuBarShowsWidgetToolsInStoredOrder) {
    frame.resize(600, 300);
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    QMenuBar* menu = bars->menuBar(QStringLiteral("menu"));
    EXPECT_EQ(menu->cornerWidget(), nullptr);
    auto* progress = menu->findChild<QProgressBar*>();
    ASSERT_NE(progress, nullptr);
    EXPECT_TRUE(progress->isVisible());
    const QList<QAction*> titles = menu->actions();
    ASSERT_EQ(titles.size(), 3);
    EXPECT_LE(menu->actionGeometry(titles[0]).right(), progress->geometry().left());
    EXPECT_LE(progress->geometry().right(), menu->actionGeometry(titles[2]).left());
    EXPECT_TRUE(menu->actionGeometry(titles[1]).contains(progress->geometry()));

    QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(menu);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->role(), QAccessible::MenuBar);
    EXPECT_EQ(tav::test::accessibleChildNames(bar), (QStringList{"Open", "pb", "Tee"}));
    const QAccessible::Role roles[] = {QAccessible::MenuItem, QAccessible::ProgressBar,
                                       QAccessible::MenuItem};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        QAccessibleInterface* child = bar->child(i);
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(child->role(), roles[i]);
        EXPECT_EQ(bar->indexOfChild(child), i);
        EXPECT_EQ(child->parent()->object(), menu);
        const QRect room = menu->actionGeometry(titles[i]);
        EXPECT_TRUE(QRect(menu->mapToGlobal(room.topLeft()), room.size()).contains(child->rect()));
    }
    EXPECT_TRUE(bar->child(0)->state().hasPopup);
    // Moving along the bar from the keyboard passes over the progress bar's room.
    menu->setActiveAction(titles[0]);
    QWidget* open = QApplication::activePopupWidget();
    ASSERT_NE(open, nullptr);
    QTest::keyClick(open, Qt::Key_Right);
    EXPECT_EQ(menu->activeAction(), titles[2]);
}

TEST_F(ToolBarsTest, ProgressBarStaysVisibleWhileAStatusTextShows) {
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    auto* progress = bars->statusBand()->findChild<QProgressBar*>();
    ASSERT_NE(progress, nullptr);
    bars->statusBand()->showMessage(QStringLiteral("Desc"));
    EXPECT_TRUE(progress->isVisible());
}

TEST_F(ToolBarsTest, WhatRaisesAClick) {
    frame.show();
    QSignalSpy clicks(bars, &ToolBars::toolClick);
    const QList<QAction*> bar = bars->entries(QStringLiteral("bar"));
    bar[3]->trigger(); // opens its popup only
    EXPECT_EQ(clicks.size(), 0);
    struct Case {
        const char* name;
        std::function<void()> act;
        const char* tool;
    };
    const Case cases[] = {
        {"drop-down main part", [&] { bar[2]->trigger(); }, "d"},
        {"drop-down main part pressed through accessibility",
         [&] {
             QAccessible::queryAccessibleInterface(widgetOn("bar", 2))
                 ->actionInterface()
                 ->doAction(QAccessibleActionInterface::pressAction());
         },
         "d"},
        {"missing popup: plain tool", [&] { bar[7]->trigger(); }, "x"},
        {"combo pick through accessibility",
         [&] {
             tav::test::pickAccessibly(QAccessible::queryAccessibleInterface(widgetOn("bar", 4)),
                                       "Beta");
         },
         "cb"},
        {"combo pick of the current entry",
         [&] {
             tav::test::pickAccessibly(QAccessible::queryAccessibleInterface(widgetOn("bar", 4)),
                                       "Beta");
         },
         "cb"},
        {"menu bar title pressed through accessibility",
         [&] {
             QAccessibleInterface* menu =
                 QAccessible::queryAccessibleInterface(bars->menuBar(QStringLiteral("menu")));
             menu->child(2)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
         },
         "t"},
        {"Enter in a text field", [&] { QTest::keyClick(widgetOn("bar", 5), Qt::Key_Return); },
         "tx"},
        {"shortcut", [&] { bars->pressShortcut(QKeySequence(QStringLiteral("Ctrl+T"))); }, "t"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clicks.clear();
        c.act();
        ASSERT_EQ(clicks.size(), 1);
        EXPECT_EQ(clicks[0][0].value<ToolClick>().name, QLatin1String(c.tool));
    }
    EXPECT_EQ(qobject_cast<QComboBox*>(widgetOn("bar", 4))->currentText(), QStringLiteral("Beta"));
    EXPECT_EQ(bars->entries(QStringLiteral("bar"))[7]->menu(), nullptr);
}

// A tool whose popup belongs to its action offers that popup to assistive technology. The
// popup opens after the call returns, since it then runs its own loop until closed.
TEST_F(ToolBarsTest, PopupToolsOpenTheirPopupsThroughAccessibility) {
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    QMenu* pop = bars->popup(QStringLiteral("pop"));
    for (int entry : {2, 3}) {
        SCOPED_TRACE(entry);
        QAccessibleInterface* tool = QAccessible::queryAccessibleInterface(widgetOn("bar", entry));
        ASSERT_EQ(tool->childCount(), 1);
        EXPECT_EQ(tool->child(0)->object(), pop);
        const QStringList actions = tool->actionInterface()->actionNames();
        EXPECT_TRUE(actions.contains(QAccessibleActionInterface::showMenuAction()));
        EXPECT_EQ(actions.contains(QAccessibleActionInterface::pressAction()),
                  entry == 2); // drop-down only
        bool seenOpen = false;
        QObject::connect(
            pop, &QMenu::aboutToShow, pop,
            [&] {
                QTimer::singleShot(0, pop, [&] {
                    seenOpen = pop->isVisible() && tool->child(0)->state().invisible == 0;
                    pop->close();
                });
            },
            Qt::SingleShotConnection);
        tool->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
        EXPECT_FALSE(pop->isVisible());
        EXPECT_TRUE(QTest::qWaitFor([&] { return seenOpen; }));
    }
}

TEST_F(ToolBarsTest, APopupIsOneObjectWhereverItOpens) {
    QMenu* pop = bars->popup(QStringLiteral("pop"));
    ASSERT_NE(pop, nullptr);
    EXPECT_EQ(bars->menuBar(QStringLiteral("menu"))->actions()[0]->menu(), pop);
    EXPECT_EQ(bars->menuBar(QStringLiteral("child"))->actions()[0]->menu(), pop);
    EXPECT_EQ(bars->entries(QStringLiteral("bar"))[2]->menu(), pop);
    EXPECT_EQ(bars->entries(QStringLiteral("bar"))[3]->menu(), pop);
    EXPECT_TRUE(bars->menuBar(QStringLiteral("child"))->isHidden());
}

TEST_F(ToolBarsTest, TextsTipsAndAccessibleNames) {
    const QList<QAction*> bar = bars->entries(QStringLiteral("bar"));
    EXPECT_EQ(bar[0]->toolTip(),
              QStringLiteral("Tip (%1)")
                  .arg(QKeySequence(QStringLiteral("Ctrl+T")).toString(QKeySequence::NativeText)));
    EXPECT_EQ(bar[0]->statusTip(), QStringLiteral("Desc"));
    EXPECT_FALSE(bar[0]->icon().isNull());
    EXPECT_EQ(widgetOn("bar", 0)->accessibleName(), QStringLiteral("Tee"));
    // Widget tools are named by their tool names; a combo box's value is its entry.
    QAccessibleInterface* combo = QAccessible::queryAccessibleInterface(widgetOn("bar", 4));
    EXPECT_EQ(combo->role(), QAccessible::ComboBox);
    EXPECT_EQ(combo->text(QAccessible::Name), QStringLiteral("cb"));
    EXPECT_EQ(combo->text(QAccessible::Value), QStringLiteral("Alpha"));
    EXPECT_EQ(tav::test::accessibleChildNames(combo->child(0)), (QStringList{"Alpha", "Beta"}));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(widgetOn("bar", 5))->text(QAccessible::Name),
              QStringLiteral("tx"));
    EXPECT_EQ(bars->toolBar(QStringLiteral("bar"))->accessibleName(), QStringLiteral("Basic Bar"));
    EXPECT_EQ(bars->toolBar(QStringLiteral("bar"))->iconSize(), QSize(18, 18));
}

TEST_F(ToolBarsTest, BarMenuShowsAndHidesToolbarsWithoutClicks) {
    QSignalSpy clicks(bars, &ToolBars::toolClick);
    std::unique_ptr<QMenu> menu(bars->createBarMenu(&frame));
    QStringList names;
    for (QAction* a : menu->actions())
        if (!a->isSeparator())
            names << a->objectName();
    EXPECT_EQ(names, (QStringList{"bar", "status", "customize"}));
    EXPECT_EQ(menu->actions().last()->text(), QStringLiteral("&Customize..."));
    menu->actions()[0]->trigger();
    EXPECT_FALSE(bars->isBandShown(QStringLiteral("bar")));
    menu->actions()[0]->trigger();
    EXPECT_TRUE(bars->isBandShown(QStringLiteral("bar")));
    menu->actions().last()->trigger();
    EXPECT_EQ(clicks.size(), 0);
}

TEST_F(ToolBarsTest, CustomizeDialogListsCategoriesToolbarsAndTheBandTool) {
    CustomizeDialog* dialog = bars->customize();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->categoryList()->count(), 2);
    dialog->showCategory(1);
    ASSERT_EQ(dialog->commandList()->count(), 1);
    EXPECT_EQ(dialog->commandList()->item(0)->text(), QStringLiteral("Drop"));
    QListWidget* list = dialog->toolbarList();
    ASSERT_EQ(list->count(), 3); // bar, status, then the built-in band tool
    EXPECT_EQ(list->item(2)->text(), QStringLiteral("Basic Bar"));
    list->item(2)->setCheckState(Qt::Unchecked);
    EXPECT_FALSE(bars->isBandShown(QStringLiteral("bar")));
    EXPECT_EQ(list->item(0)->checkState(), Qt::Unchecked);
    dialog->close();
}

} // namespace
