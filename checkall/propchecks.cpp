// propcheck: its rows and values, a drop-down pick that repaints the custom-drawn row, the
// browse button's box and a numeric field that refuses letters.
#include "checkrunner.h"
#include "picture.h"
#include "programchecks.h"
#include "tester.h"

#include <X11/keysym.h>
#include <algorithm>

namespace checkall {

namespace {

// The property list of the window and its rows by caption.
struct PropList {
    Node window, list;

    Node row(const QString& caption) const {
        for (const Node& r : list.children())
            if (r.role() == role::Row && r.name() == caption)
                return r;
        return {};
    }
    Node valueCell(const QString& caption) const {
        const Node r = row(caption);
        return r ? r.child(1) : Node();
    }
    // The in-place editor named `name` with one of the roles, once it is shown.
    Node editor(Tester& t, const QString& name, std::initializer_list<int> roles) const {
        const std::vector<int> wanted(roles);
        return t.waitFor(
            [&] {
                return list.find(
                    [&](const Node& n) {
                        return std::find(wanted.begin(), wanted.end(), n.role()) != wanted.end() &&
                               n.name() == name;
                    },
                    3);
            },
            QStringLiteral("the %1 %2")
                .arg(name, wanted.front() == role::ComboBox ? QStringLiteral("list")
                                                            : QStringLiteral("field")),
            [] { return QStringLiteral("none"); });
    }
};

void checkRows(Tester& t, CheckRunner& checks, PropList& p) {
    p.window = t.window(t.mainTitle());
    checks.setMain(p.window);
    p.list = p.window.find([](const Node& n) { return n.role() == role::Table; }, 4);
    if (!p.list)
        throw StepFailed{QStringLiteral("the property list"), QStringLiteral("none")};
    const QStringList expected{QStringLiteral("Header 1="),
                               QStringLiteral("Boolean Value=True"),
                               QStringLiteral("Browse Button=Click Me!"),
                               QStringLiteral("Custom Drawn=1"),
                               QStringLiteral("Drop Down=Drop Down List"),
                               QStringLiteral("Numeric Value Only=0"),
                               QStringLiteral("Text String=Hello World")};
    QStringList seen;
    for (const Node& r : p.list.children())
        if (r.role() == role::Row)
            seen << r.name() + u'=' + (r.child(1) ? r.child(1).name() : QString());
    QStringList sortedSeen = seen, sortedExpected = expected;
    sortedSeen.sort();
    sortedExpected.sort();
    if (sortedSeen != sortedExpected)
        throw StepFailed{expected.join(QStringLiteral(", ")), seen.join(QStringLiteral(", "))};
}

// The box follows the value: colour 3 is red 3, green 0, blue 0.
void waitForColourThree(Tester& t, const QRect& box) {
    int redAfter = 0, threeAfter = 0;
    t.waitUntil(
        [&] {
            const QImage after = t.grab(box);
            redAfter = countColour(after, after.rect(), 0xFF0000);
            threeAfter = countColour(after, after.rect(), 0x030000);
            return redAfter == 0 && threeAfter > 0;
        },
        QStringLiteral("the colour box to turn from red to colour 3"),
        [&] {
            return QStringLiteral("%1 red and %2 colour-3 pixels").arg(redAfter).arg(threeAfter);
        });
}

void checkDropDownPick(Tester& t, const PropList& p, CheckResult& r) {
    const QRect box = p.valueCell(QStringLiteral("Custom Drawn")).extents();
    const QImage before = t.grab(box);
    if (countColour(before, before.rect(), 0xFF0000) == 0)
        throw StepFailed{QStringLiteral("a red box in the Custom Drawn row before the pick"),
                         QStringLiteral("no red pixel")};
    if (!p.valueCell(QStringLiteral("Drop Down")).act({QStringLiteral("Press")}))
        throw StepFailed{QStringLiteral("the Drop Down row to open its list"),
                         QStringLiteral("no press action")};
    const Node combo = p.editor(t, QStringLiteral("Drop Down"), {role::ComboBox});
    t.focus(p.window, combo);
    typeText(QStringLiteral("3"));
    pressKey(XK_Return);
    QString value;
    t.waitUntil(
        [&] {
            return (value = p.valueCell(QStringLiteral("Custom Drawn")).name()) ==
                   QLatin1String("3");
        },
        QStringLiteral("Custom Drawn to show 3"),
        [&] { return QStringLiteral("\"%1\"").arg(value); });
    waitForColourThree(t, box);
    r.figures.push_back({QStringLiteral("Custom Drawn"), value});
    t.picture(r, {p.window}, QStringLiteral("after picking 3"));
}

void checkBrowse(Tester& t, const PropList& p) {
    if (!p.valueCell(QStringLiteral("Browse Button")).act({QStringLiteral("Press")}))
        throw StepFailed{QStringLiteral("the Browse Button row to be pressed"),
                         QStringLiteral("no press action")};
    const Box box = t.waitForBox(p.window, QStringLiteral("the box \"Browse Button - Click Me!\""));
    const QString caption = box.caption, text = box.text;
    t.closeBox(p.window, box);
    if (caption != QLatin1String("propcheck") || text != QLatin1String("Browse Button - Click Me!"))
        throw StepFailed{QStringLiteral("box \"propcheck\": Browse Button - Click Me!"),
                         QStringLiteral("box \"%1\": %2").arg(caption, oneLine(text))};
}

void checkNumeric(Tester& t, const PropList& p) {
    const Node cell = p.valueCell(QStringLiteral("Numeric Value Only"));
    if (!cell.act({QStringLiteral("Press")}))
        throw StepFailed{QStringLiteral("the Numeric Value Only row to be edited"),
                         QStringLiteral("no press action (cell \"%1\", actions %2)")
                             .arg(cell.name(), cell.actions().join(u','))};
    const Node edit = p.editor(t, QStringLiteral("Numeric Value Only"), {role::Text, role::Entry});
    t.focus(p.window, edit);
    pressKey(XK_End);
    typeText(QStringLiteral("7x"));
    QString text;
    t.waitUntil([&] { return (text = edit.text()) == QLatin1String("07"); },
                QStringLiteral("\"07\" after typing 7 and x"),
                [&] { return QStringLiteral("\"%1\"").arg(text); });
    pressKey(XK_Escape);
}

} // namespace

void checkPropcheck(Tester& t, CheckRunner& checks) {
    t.setMainTitle(QStringLiteral("Test Property List"));
    PropList p;
    checks.run(QStringLiteral("rows"), [&](CheckResult&) { checkRows(t, checks, p); });
    checks.run(QStringLiteral("drop-down pick"),
               [&](CheckResult& r) { checkDropDownPick(t, p, r); });
    checks.run(QStringLiteral("browse"), [&](CheckResult&) { checkBrowse(t, p); });
    checks.run(QStringLiteral("numeric"), [&](CheckResult&) { checkNumeric(t, p); });
}

} // namespace checkall
