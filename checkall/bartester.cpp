#include "bartester.h"

#include "tester.h"

#include <X11/keysym.h>

namespace checkall {

QString clickAnswer(const QString& tool) {
    return QStringLiteral("you clicked ") + tool +
           QStringLiteral(" it looks like the toolbars are working");
}

Node BarTester::band(int wanted, const QString& label) const {
    for (Node& c : m_frame.children())
        if (c.role() == wanted && (label.isNull() || c.name() == label))
            return c;
    return {};
}

Node BarTester::bandOf(const BarBand& b) const {
    return band(b.dock == QLatin1String("status") ? role::StatusBar : role::ToolBar, b.label);
}

std::map<size_t, Node> BarTester::entryNodes(const BarBand& band, const Node& bandNode) const {
    std::map<size_t, Node> out;
    const std::vector<Node> kids = bandNode.children();
    size_t next = 0;
    for (size_t e = 0; e < band.entries.size(); ++e) {
        // Widget tools may carry their tool name rather than their caption.
        for (size_t k = next; k < kids.size(); ++k)
            if (const QString n = kids[k].name();
                sameLabel(n, band.entries[e].label) || n == band.entries[e].name) {
                out[e] = kids[k];
                next = k + 1;
                break;
            }
    }
    return out;
}

void BarTester::use(const BarEntry& e, const Node& node) {
    switch (e.use) {
    case Use::Click:
        if (!node.act({QStringLiteral("Press"), QStringLiteral("click"), QStringLiteral("Toggle")}))
            throw StepFailed{QStringLiteral("%1 to be pressed").arg(e.name),
                             QStringLiteral("no press action")};
        break;
    case Use::Enter:
        m_t.focus(m_frame, node);
        pressKey(XK_Return);
        break;
    case Use::Pick:
        pick(e, node);
        break;
    case Use::Silent:
        break;
    }
}

// The first entry of the list, picked with the keyboard as a tester would.
void BarTester::pick(const BarEntry& e, const Node& node) {
    // The closed list is not shown, but its entries are there to count.
    int entries = 0;
    for (const Node& c : node.children())
        if (c.role() == role::List)
            entries = c.childCount();
    if (entries <= 0)
        throw StepFailed{QStringLiteral("an entry to pick in %1").arg(e.name),
                         QStringLiteral("an empty list")};
    // Opened as a click on its arrow would; the open list takes the keys.
    m_t.focus(m_frame, Node());
    if (!node.act({QStringLiteral("ShowMenu")}))
        throw StepFailed{QStringLiteral("%1 to open its list").arg(e.name),
                         QStringLiteral("no show-menu action")};
    m_t.waitUntil(
        [&] {
            for (const Node& c : node.children())
                if (c.role() == role::List && c.showing())
                    return true;
            return false;
        },
        QStringLiteral("the list of %1 open").arg(e.name),
        [] { return QStringLiteral("a closed list"); });
    pressKey(XK_Down);
    pressKey(XK_Return);
}

void BarTester::expectAnswer(const BarEntry& e, const Node& node, CheckResult* shot) {
    use(e, node);
    const Box box = m_t.waitForBox(
        m_frame, QStringLiteral("the box \"%1\" for %2").arg(clickAnswer(e.name), e.name));
    if (shot)
        m_t.picture(*shot, {m_frame, box.node},
                    QStringLiteral("the answer to %1 over the frame").arg(e.name));
    const QString caption = box.caption, text = box.text;
    m_t.closeBox(m_frame, box);
    if (caption != QLatin1String("prjBarCheck") || text != clickAnswer(e.name))
        throw StepFailed{QStringLiteral("box \"prjBarCheck\": %1").arg(clickAnswer(e.name)),
                         QStringLiteral("box \"%1\": %2").arg(caption, oneLine(text))};
}

} // namespace checkall
