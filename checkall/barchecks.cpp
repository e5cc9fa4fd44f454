// barcheck: the frame with its menu titles, every toolbar of the stored layout shown, a tool
// and a menu entry that answer, the one shortcut, and with --exhaustive every tool.
#include "bartester.h"
#include "checkrunner.h"
#include "programchecks.h"
#include "tester.h"
#include "toolwalk.h"

#include <QThread>

#include <X11/keysym.h>

namespace checkall {

namespace {

QStringList names(const Node& parent) {
    QStringList out;
    for (const Node& c : parent.children())
        out << c.name();
    return out;
}

void checkFrame(BarTester& bar) {
    Tester& t = bar.tester();
    const BarBand* main = bar.layout().shownBands().front();
    QStringList titles;
    for (const BarEntry& e : main->entries)
        if (!e.opens.isEmpty())
            titles << e.label;
    QStringList seen;
    t.waitUntil(
        [&] {
            const Node mb = bar.menuBar();
            seen = mb ? names(mb) : QStringList();
            for (const QString& title : titles)
                if (!seen.contains(title))
                    return false;
            return true;
        },
        QStringLiteral("the menu titles %1").arg(titles.join(QStringLiteral(", "))),
        [&] { return QStringLiteral("menu bar entries %1").arg(seen.join(QStringLiteral(", "))); });
    if (titles.size() != 11)
        throw StepFailed{QStringLiteral("11 menu titles"), QString::number(titles.size())};
}

void checkToolbars(BarTester& bar, CheckResult& r) {
    QStringList missing;
    int shown = 0;
    for (const BarBand* b : bar.layout().shownBands()) {
        if (b->kind != QLatin1String("toolbar"))
            continue;
        if (bar.bandOf(*b))
            ++shown;
        else
            missing << b->label;
    }
    r.figures.push_back({QStringLiteral("bands shown"), QString::number(shown)});
    if (!missing.isEmpty())
        throw StepFailed{QStringLiteral("every toolbar of the layout shown"),
                         QStringLiteral("missing: ") + missing.join(QStringLiteral(", "))};
}

void checkToolClick(BarTester& bar, CheckResult& r) {
    const BarBand* band = bar.layout().band(QStringLiteral("bndDWGTools"));
    const Node tb = band ? bar.toolBar(band->label) : Node();
    if (!tb)
        throw StepFailed{QStringLiteral("the toolbar \"Basic Drawing Tools\""),
                         QStringLiteral("none")};
    const auto nodes = bar.entryNodes(*band, tb);
    const BarEntry& line = band->entries.front();
    if (!nodes.count(0))
        throw StepFailed{QStringLiteral("the tool \"%1\"").arg(line.label), QStringLiteral("none")};
    const QStringList before = names(tb);
    bar.expectAnswer(line, nodes.at(0), &r);
    if (names(tb) != before || !bar.frame().showing())
        throw StepFailed{QStringLiteral("the unchanged frame after OK"),
                         QStringLiteral("a changed toolbar")};
}

// Opens the menu of the menu bar's first title and gives it with its entries.
Node openFirstMenu(BarTester& bar, const BarEntry& opener, const BarBand& popup,
                   std::map<size_t, Node>& items) {
    Tester& t = bar.tester();
    const auto titles = bar.entryNodes(*bar.layout().shownBands().front(), bar.menuBar());
    if (!titles.count(0))
        throw StepFailed{QStringLiteral("the menu \"%1\"").arg(opener.label),
                         QStringLiteral("none")};
    const Node title = titles.at(0);
    if (!title.act({QStringLiteral("ShowMenu"), QStringLiteral("Press")}))
        throw StepFailed{QStringLiteral("the menu \"%1\" to open").arg(opener.label),
                         QStringLiteral("no action")};
    const Node menu = t.waitFor(
        [&] {
            const Node m = title.child(0);
            return m && isMenu(m) && m.showing() ? m : Node();
        },
        QStringLiteral("the menu \"%1\" open").arg(opener.label),
        [] { return QStringLiteral("no menu"); });
    t.waitUntil(
        [&] {
            items = bar.entryNodes(popup, menu);
            return !items.empty();
        },
        QStringLiteral("the entries of \"%1\"").arg(popup.label),
        [] { return QStringLiteral("none"); });
    return menu;
}

// The first entry of the first menu that answers.
void checkMenuClick(BarTester& bar) {
    const BarEntry& opener = bar.layout().shownBands().front()->entries.front();
    const BarBand* popup = bar.layout().band(opener.opens);
    if (!popup)
        throw StepFailed{QStringLiteral("the menu \"%1\"").arg(opener.label),
                         QStringLiteral("none")};
    std::map<size_t, Node> items;
    const Node menu = openFirstMenu(bar, opener, *popup, items);
    for (size_t e = 0; e < popup->entries.size(); ++e)
        if (popup->entries[e].use == Use::Click && items.count(e)) {
            bar.expectAnswer(popup->entries[e], items.at(e));
            for (int i = 0; i < 4 && menu.showing(); ++i) {
                pressKey(XK_Escape);
                QThread::msleep(40);
            }
            return;
        }
    throw StepFailed{QStringLiteral("an entry that answers in \"%1\"").arg(popup->label),
                     QStringLiteral("none")};
}

// F7 is the shortcut of one tool only, Toggle Grid.
void checkShortcut(BarTester& bar) {
    Tester& t = bar.tester();
    t.focus(bar.frame(), Node());
    pressKey(XK_F7);
    const Box box = t.waitForBox(bar.frame(), QStringLiteral("the answer to F7"));
    const QString text = box.text;
    t.closeBox(bar.frame(), box);
    if (text != clickAnswer(QStringLiteral("catDToggleGrid")))
        throw StepFailed{clickAnswer(QStringLiteral("catDToggleGrid")), oneLine(text)};
    // A second answer to the same key would come at once.
    QThread::msleep(500);
    pumpEvents();
    const auto more = t.boxes(bar.frame());
    if (!more.empty())
        throw StepFailed{QStringLiteral("exactly one answer"),
                         QStringLiteral("a second box: ") + oneLine(more.front().text)};
}

} // namespace

void checkBarcheck(const Context& ctx, Tester& t, CheckRunner& checks) {
    BarLayout layout;
    QString layoutError;
    const bool haveLayout = storedBarLayout(layout, layoutError);
    BarTester bar(t, layout);
    t.setMainTitle(QStringLiteral("MDIForm1"));

    checks.run(QStringLiteral("frame"), [&](CheckResult&) {
        if (!haveLayout)
            throw StepFailed{QStringLiteral("the stored layout"), layoutError};
        bar.setFrame(t.window(QStringLiteral("MDIForm1")));
        checks.setMain(bar.frame());
        checkFrame(bar);
    });
    checks.run(QStringLiteral("toolbars"), [&](CheckResult& r) { checkToolbars(bar, r); });
    checks.run(QStringLiteral("tool click"), [&](CheckResult& r) { checkToolClick(bar, r); });
    checks.run(QStringLiteral("menu click"), [&](CheckResult&) { checkMenuClick(bar); });
    checks.run(QStringLiteral("shortcut"), [&](CheckResult&) { checkShortcut(bar); });
    if (!ctx.options.exhaustive)
        return;
    checks.run(
        QStringLiteral("every tool"), [&](CheckResult& r) { checkEveryTool(bar, r); },
        CheckRunner::Limit::EachPart);
}

} // namespace checkall
