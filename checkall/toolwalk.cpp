#include "toolwalk.h"

#include "bartester.h"
#include "report.h"
#include "tester.h"

#include <QThread>

#include <X11/keysym.h>

namespace checkall {

QString ToolWalk::Tally::text() const {
    return QStringLiteral("%1 answered, %2 silent by design, %3 not shown, %4 failed (of %5)")
        .arg(answered)
        .arg(silent)
        .arg(notShown)
        .arg(failed)
        .arg(of);
}

ToolWalk::ToolWalk(BarTester& bar) : m_bar(bar), m_t(bar.tester()), m_layout(bar.layout()) {
    for (const QString& name : m_layout.namedTools)
        m_outcome[name] = Outcome::NotShown;
}

bool ToolWalk::isShown(const BarBand* band) const {
    for (const BarBand* b : m_layout.shownBands())
        if (b == band)
            return true;
    return false;
}

// The menu bar, the popups reached from it, then the toolbars and what only they open.
void ToolWalk::plan() {
    const std::vector<const BarBand*> shown = m_layout.shownBands();
    if (shown.empty())
        return;
    m_order = {shown.front()};
    bool toolbarsAdded = false;
    for (size_t i = 0;; ++i) {
        if (i == m_order.size()) {
            if (toolbarsAdded)
                break;
            toolbarsAdded = true;
            m_order.insert(m_order.end(), shown.begin() + 1, shown.end());
            if (i == m_order.size())
                break;
        }
        planOpenedFrom(m_order[i]);
    }
}

void ToolWalk::planOpenedFrom(const BarBand* band) {
    for (size_t e = 0; e < band->entries.size(); ++e) {
        const QString& opens = band->entries[e].opens;
        const BarBand* p = opens.isEmpty() ? nullptr : m_layout.band(opens);
        if (!p || m_openedBy.count(p->name) || p->name == m_order.front()->name || isShown(p))
            continue;
        m_openedBy[p->name] = {band, e};
        m_order.push_back(p);
    }
}

void ToolWalk::run() {
    plan();
    for (const BarBand* band : m_order)
        walkBand(band);
    countUnusable();
}

Node ToolWalk::bandNode(const BarBand* band) {
    if (auto it = m_bandNodes.find(band->name); it != m_bandNodes.end())
        return it->second;
    Node n;
    if (band == m_order.front())
        n = m_bar.menuBar();
    else if (band->kind == QLatin1String("toolbar"))
        n = m_bar.bandOf(*band);
    else if (m_openedBy.count(band->name))
        n = openPopup(band);
    m_bandNodes[band->name] = n;
    return n;
}

// Opens the way from a shown band, then keeps the popup's object: its entries stay reachable
// once it has been filled.
Node ToolWalk::openPopup(const BarBand* band) {
    std::vector<Opener> path;
    for (const BarBand* b = band; m_openedBy.count(b->name); b = m_openedBy[b->name].first)
        path.insert(path.begin(), m_openedBy[b->name]);
    Node menu;
    for (const Opener& step : path) {
        menu = openThrough(step, menu ? menu : bandNode(step.first), band->label);
        if (!menu)
            break;
        m_opened.push_back(menu);
    }
    if (menu)
        m_t.waitUntil(
            [&] { return !m_bar.entryNodes(*band, menu).empty() || band->entries.empty(); },
            QStringLiteral("the entries of \"%1\"").arg(band->label),
            [] { return QStringLiteral("none"); });
    closeMenus();
    return menu;
}

// The popup that the opener's entry on `parent` opens, or null.
Node ToolWalk::openThrough(const Opener& opener, const Node& parent, const QString& label) {
    const auto items = m_bar.entryNodes(*opener.first, parent);
    if (!items.count(opener.second))
        return {};
    const Node item = items.at(opener.second);
    {
        // Only "show menu" opens the way: pressing a drop-down tool would use it.
        const ScopedCallTimeout quick(2000);
        if (!item.act({QStringLiteral("ShowMenu")}))
            return {};
    }
    try {
        return m_t.waitFor(
            [&]() -> Node {
                const Node m = item.child(0);
                return m && isMenu(m) && m.showing() ? m : Node();
            },
            QStringLiteral("the popup \"%1\" open").arg(label),
            [] { return QStringLiteral("none"); }, 3000);
    } catch (const StepFailed&) {
        // A popup that does not open leaves its tools unreached; they are counted below.
        return {};
    }
}

void ToolWalk::closeMenus() {
    for (int i = 0; i < 8 && !m_opened.empty(); ++i) {
        bool open = false;
        for (const Node& m : m_opened)
            open = open || m.showing();
        if (!open)
            break;
        pressKey(XK_Escape);
        QThread::msleep(40);
    }
    m_opened.clear();
}

void ToolWalk::walkBand(const BarBand* band) {
    // Silent tools count once seen on a reached band; a tool that answers anywhere wins.
    bool needed = false;
    for (const BarEntry& e : band->entries) {
        if (e.use == Use::Silent) {
            if (m_outcome[e.name] == Outcome::NotShown)
                m_outcome[e.name] = Outcome::Silent;
        } else if (!m_tried.count(e.name)) {
            needed = true;
        }
    }
    if (!needed)
        return;
    std::map<size_t, Node> nodes;
    {
        const Step step(m_t.stepMs());
        if (const Node n = bandNode(band))
            nodes = m_bar.entryNodes(*band, n);
    }
    for (size_t i = 0; i < band->entries.size(); ++i) {
        const BarEntry& e = band->entries[i];
        if (e.use == Use::Silent || m_tried.count(e.name) || !usable(*band, i, nodes))
            continue;
        m_tried.insert(e.name);
        const Step step(m_t.stepMs());
        tryEntry(*band, e, nodes.at(i));
    }
}

// An entry that cannot be used here (not found, or a menu entry that only opens its popup)
// leaves the tool to its other entries.
bool ToolWalk::usable(const BarBand& band, size_t i, const std::map<size_t, Node>& nodes) {
    const BarEntry& e = band.entries[i];
    if (!nodes.count(i)) {
        m_unusable[e.name] =
            QStringLiteral("%1 (%2): not found on %3").arg(e.name, e.label, band.label);
        return false;
    }
    if (e.use != Use::Click)
        return true;
    for (const QString& a : nodes.at(i).actions())
        if (a.compare(QLatin1String("Press"), Qt::CaseInsensitive) == 0)
            return true;
    m_unusable[e.name] = QStringLiteral("%1 on %2: no press action").arg(e.name, band.label);
    return false;
}

void ToolWalk::tryEntry(const BarBand& band, const BarEntry& e, const Node& node) {
    try {
        m_bar.expectAnswer(e, node);
        m_outcome[e.name] = Outcome::Answered;
    } catch (const StepFailed& f) {
        if (f.seen.startsWith(QLatin1String("the program ")))
            throw;
        m_outcome[e.name] = Outcome::Failed;
        m_failures << QStringLiteral("%1 on %2: expected %3, seen %4")
                          .arg(e.name, band.label, f.expected, f.seen);
        // Whatever the tool left open is closed before the next one.
        for (const Box& b : m_t.boxes(m_bar.frame()))
            m_t.closeBox(m_bar.frame(), b);
        closeMenus();
    }
}

void ToolWalk::countUnusable() {
    for (const auto& [name, why] : m_unusable)
        if (!m_tried.count(name)) {
            m_outcome[name] = Outcome::Failed;
            m_failures << why;
        }
}

ToolWalk::Tally ToolWalk::tally() const {
    Tally t;
    for (const auto& [name, o] : m_outcome) {
        switch (o) {
        case Outcome::Answered:
            ++t.answered;
            break;
        case Outcome::Silent:
            ++t.silent;
            break;
        case Outcome::NotShown:
            ++t.notShown;
            break;
        case Outcome::Failed:
            ++t.failed;
            break;
        }
    }
    t.of = int(m_layout.namedTools.size());
    return t;
}

ToolWalk::Outcome ToolWalk::outcome(const QString& tool) const {
    const auto it = m_outcome.find(tool);
    return it == m_outcome.end() ? Outcome::NotShown : it->second;
}

void checkEveryTool(BarTester& bar, CheckResult& r) {
    ToolWalk walk(bar);
    walk.run();
    const ToolWalk::Tally tally = walk.tally();
    r.figures.push_back({QStringLiteral("tools"), tally.text()});
    if (tally.failed == 0)
        return;
    const QStringList& failures = walk.failures();
    throw StepFailed{QStringLiteral("every tool a tester can reach to answer with its own name"),
                     failures.mid(0, 40).join(QStringLiteral("; ")) +
                         (failures.size() > 40
                              ? QStringLiteral("; and %1 more").arg(failures.size() - 40)
                              : QString())};
}

} // namespace checkall
