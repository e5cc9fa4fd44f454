// gridcheck: its window with no box before it, and the manufacturers in the grid in order
// of their names.
#include "checkrunner.h"
#include "programchecks.h"
#include "tester.h"

namespace checkall {

namespace {

const QString& gridTitle() {
    static const QString title = QStringLiteral("Data Access Test");
    return title;
}

// The program reports a database it cannot open in a box before its window opens.
Node checkWindow(Tester& t, CheckResult& r) {
    std::vector<Box> early;
    const Node first = t.waitFor(
        [&]() -> Node {
            early = t.boxes(Node());
            if (!early.empty())
                return early.front().node;
            for (Node& w : t.windows())
                if (w.name() == gridTitle())
                    return w;
            return {};
        },
        QStringLiteral("the window \"%1\"").arg(gridTitle()), [&] { return t.describeWindows(); });
    if (!early.empty()) {
        const Box box = early.front();
        t.picture(r, {box.node}, QStringLiteral("the box before the window"));
        t.closeBox(Node(), box);
        throw StepFailed{QStringLiteral("the window \"%1\" and no box").arg(gridTitle()),
                         QStringLiteral("box \"%1\": %2").arg(box.caption, oneLine(box.text))};
    }
    return first;
}

int nameColumn(const Node& grid, int cols) {
    for (int c = 0; c < cols; ++c)
        if (grid.columnHeader(c).contains(QLatin1String("ManufacturerName"), Qt::CaseInsensitive))
            return c;
    return -1;
}

void checkManufacturers(Tester& t, const Node& window, CheckResult& r) {
    const Node grid = window.find([](const Node& x) { return x.role() == role::Table; }, 4);
    if (!grid)
        throw StepFailed{QStringLiteral("a grid"), QStringLiteral("none")};
    const int rows = grid.rows(), cols = grid.columns();
    const int nameCol = nameColumn(grid, cols);
    r.figures.push_back({QStringLiteral("rows"), QString::number(rows)});
    if (rows <= 0)
        throw StepFailed{QStringLiteral("manufacturers in the grid"),
                         QStringLiteral("an empty grid")};
    if (nameCol < 0)
        throw StepFailed{QStringLiteral("a ManufacturerName column"),
                         QStringLiteral("%1 columns").arg(cols)};
    QString previous;
    for (int row = 0; row < rows; ++row) {
        const QString name = grid.cell(row, nameCol).name();
        if (row > 0 && QString::compare(previous, name, Qt::CaseInsensitive) > 0)
            throw StepFailed{
                QStringLiteral("names in order"),
                QStringLiteral("\"%1\" before \"%2\" in row %3").arg(previous, name).arg(row + 1)};
        previous = name;
    }
    t.picture(r, {window}, QStringLiteral("the loaded grid"));
}

} // namespace

void checkGridcheck(Tester& t, CheckRunner& checks) {
    t.setMainTitle(gridTitle());
    Node window;
    checks.run(QStringLiteral("window"), [&](CheckResult& r) {
        window = checkWindow(t, r);
        checks.setMain(window);
    });
    checks.run(QStringLiteral("manufacturers"), [&](CheckResult& r) {
        if (!window) {
            window = t.window(gridTitle());
            checks.setMain(window);
        }
        checkManufacturers(t, window, r);
    });
}

} // namespace checkall
