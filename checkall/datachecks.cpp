// datacheck: its window, Test Connection and Fill Grid answering in the response label with
// the records read, and the grid holding every record.
#include "checkrunner.h"
#include "programchecks.h"
#include "tester.h"

#include <QRegularExpression>

namespace checkall {

namespace {

Node responseLabel(const Node& window) {
    return window.find(
        [](const Node& n) {
            return n.role() == role::Label && n.name().startsWith(QLatin1String("Response:"));
        },
        4);
}

// Presses `button` and waits for "Response: Connection OK" (with the caution a filled grid
// adds when `fill`); gives the records read.
int pressAndCount(Tester& t, const Node& window, CheckResult& r, const QString& button, bool fill) {
    const Node b = window.find(
        [&](const Node& n) { return n.role() == role::PushButton && n.name() == button; }, 4);
    if (!b)
        throw StepFailed{QStringLiteral("the button \"%1\"").arg(button), QStringLiteral("none")};
    if (!b.act({QStringLiteral("Press"), QStringLiteral("click")}))
        throw StepFailed{QStringLiteral("\"%1\" to be pressed").arg(button),
                         QStringLiteral("no press action")};
    QString text;
    std::vector<Box> shownBoxes;
    t.waitUntil(
        [&] {
            shownBoxes = t.boxes(window);
            if (!shownBoxes.empty())
                return true;
            const Node label = responseLabel(window);
            text = label ? label.name() : QString();
            return text.startsWith(QLatin1String("Response: Connection OK")) &&
                   (!fill || text.contains(QLatin1String("Caution!")));
        },
        QStringLiteral("\"Response: Connection OK\""),
        [&] { return QStringLiteral("\"%1\"").arg(oneLine(text)); });
    if (!shownBoxes.empty()) {
        const Box box = shownBoxes.front();
        t.picture(r, {window, box.node}, QStringLiteral("the box over the window"));
        t.closeBox(window, box);
        throw StepFailed{QStringLiteral("\"Response: Connection OK\""),
                         QStringLiteral("box \"%1\": %2").arg(box.caption, oneLine(box.text))};
    }
    static const QRegularExpression counted(
        QStringLiteral("Retreived (\\d+) records in: ([0-9.,]+) Milliseconds"));
    const auto m = counted.match(text);
    if (!m.hasMatch())
        throw StepFailed{QStringLiteral("\"Retreived N records in: T Milliseconds\""),
                         oneLine(text)};
    r.figures.push_back({QStringLiteral("records"), m.captured(1)});
    r.figures.push_back({QStringLiteral("milliseconds"), m.captured(2)});
    return m.captured(1).toInt();
}

void checkFillGrid(Tester& t, const Node& window, CheckResult& r) {
    const int n = pressAndCount(t, window, r, QStringLiteral("Fill Grid"), true);
    const Node grid = window.find([](const Node& x) { return x.role() == role::Table; }, 4);
    int rows = -1;
    t.waitUntil([&] { return (rows = grid.rows()) == n; },
                QStringLiteral("%1 rows in the grid").arg(n),
                [&] { return QStringLiteral("%1 rows").arg(rows); });
    r.figures.push_back({QStringLiteral("grid rows"), QString::number(rows)});
    t.picture(r, {window}, QStringLiteral("after Fill Grid"));
}

} // namespace

void checkDatacheck(Tester& t, CheckRunner& checks) {
    t.setMainTitle(QStringLiteral("Test Data Access"));
    Node window;
    checks.run(QStringLiteral("window"), [&](CheckResult&) {
        window = t.window(QStringLiteral("Test Data Access"));
        checks.setMain(window);
    });
    checks.run(QStringLiteral("test connection"), [&](CheckResult& r) {
        pressAndCount(t, window, r, QStringLiteral("Test Connection"), false);
    });
    checks.run(QStringLiteral("fill grid"), [&](CheckResult& r) { checkFillGrid(t, window, r); });
}

} // namespace checkall
