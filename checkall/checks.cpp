#include "checks.h"

#include "a11y.h"
#include "barlayout.h"
#include "picture.h"
#include "session.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>

#include <X11/keysym.h>
#include <atspi/atspi-constants.h>
#include <map>
#include <set>

namespace checkall {

namespace {

// A step that did not reach what it wanted.
struct StepFailed {
    QString expected;
    QString seen;
};

bool isMenu(const Node& n) {
    const int r = n.role();
    return r == role::Menu || r == role::PopupMenu;
}

bool sameLabel(const QString& accessibleName, const QString& label) {
    QString n = accessibleName;
    const qsizetype tab = n.indexOf(u'\t');
    if (tab >= 0)
        n.truncate(tab);
    n.remove(u'&');
    return n.trimmed() == label.trimmed();
}

QString oneLine(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String(" / "));
    text.replace(u'\n', QLatin1String(" / "));
    text.replace(u'\r', QLatin1String(" / "));
    return text;
}

struct Box {
    Node node;
    QString caption;
    QString text;
};

// One program under test: its process, its place in the accessibility tree, and the
// bounded waits every step goes through.
class Tester {
  public:
    Tester(const Context& ctx, const QString& program) : m_ctx(ctx), m_program(program) {}

    const QString& program() const { return m_program; }
    int stepMs() const { return m_ctx.options.stepTimeoutMs; }

    void start() {
        const QString path = QDir(m_ctx.programDir).filePath(m_program);
        const QFileInfo info(path);
        if (!info.exists())
            throw StepFailed{QStringLiteral("the program at %1").arg(path),
                             QStringLiteral("no such file")};
        if (!info.isExecutable() || info.isDir())
            throw StepFailed{QStringLiteral("the program at %1").arg(path),
                             QStringLiteral("a file that cannot be run")};
        m_log = QDir(m_ctx.workDir).filePath(m_program + QStringLiteral(".log"));
        try {
            m_child = Child::start({path}, m_ctx.env, m_log, -1, m_ctx.workDir);
        } catch (const std::runtime_error& e) {
            throw StepFailed{QStringLiteral("the program to start"),
                             QString::fromLocal8Bit(e.what())};
        }
        const int pid = m_child.pid();
        m_app = waitFor(
            [&]() -> Node {
                for (const Node& a : Node::desktop().children())
                    if (a.processId() == pid) {
                        // Read everything afresh: the checks watch texts and states change.
                        a.uncached();
                        return a;
                    }
                return {};
            },
            QStringLiteral("the program on the accessibility bus"),
            [] { return QStringLiteral("nothing"); });
    }

    void stop() { m_child.stop(); }

    // Polls `probe` until it gives an object, within the step time.
    Node waitFor(const std::function<Node()>& probe, const QString& expected,
                 const std::function<QString()>& seen, int timeoutMs = -1) {
        Node found;
        waitUntil([&] { return bool(found = probe()); }, expected, seen, timeoutMs);
        return found;
    }

    // Polls `cond` until it holds, within the step time; a program that ended fails at once.
    void waitUntil(const std::function<bool()>& cond, const QString& expected,
                   const std::function<QString()>& seen, int timeoutMs = -1) {
        QElapsedTimer t;
        t.start();
        const int limit = timeoutMs < 0 ? stepMs() : timeoutMs;
        for (;;) {
            throwIfInterrupted();
            pumpEvents();
            if (!m_child.running())
                throw StepFailed{
                    expected,
                    QStringLiteral("the program %1%2").arg(m_child.ending(), lastOutput())};
            if (cond())
                return;
            if (t.elapsed() > limit)
                throw StepFailed{expected,
                                 seen() + QStringLiteral(" after %1 s").arg(limit / 1000.0)};
            QThread::msleep(t.elapsed() < 200 ? 5 : 25);
        }
    }

    // The shown top-level windows of the program.
    std::vector<Node> windows() const {
        std::vector<Node> out;
        for (Node& w : m_app.children())
            if (w.showing())
                out.push_back(std::move(w));
        return out;
    }

    Node window(const QString& title) {
        return waitFor(
            [&]() -> Node {
                for (Node& w : windows())
                    if (w.name() == title)
                        return w;
                return {};
            },
            QStringLiteral("the window \"%1\"").arg(title), [&] { return describeWindows(); });
    }

    // Message boxes: shown top-level windows other than `main`.
    std::vector<Box> boxes(const Node& main) const {
        std::vector<Box> out;
        for (Node& w : windows()) {
            if (w == main || w.name() == m_mainTitle)
                continue;
            Box b{w, w.name(), {}};
            std::vector<Node> labels;
            w.findAll([](const Node& n) { return n.role() == role::Label && !n.name().isEmpty(); },
                      labels, 6);
            QStringList texts;
            for (const Node& l : labels)
                texts << l.name();
            b.text = texts.join(u'\n');
            out.push_back(std::move(b));
        }
        return out;
    }

    Box waitForBox(const Node& main, const QString& expected) {
        Box found;
        waitUntil(
            [&] {
                const auto b = boxes(main);
                if (b.empty())
                    return false;
                found = b.front();
                return true;
            },
            expected, [] { return QStringLiteral("no message box"); });
        return found;
    }

    // Presses the box's OK (or its only button) and waits until it is gone.
    void closeBox(const Node& main, const Box& box) {
        const Node ok = box.node.find([](const Node& n) {
            return n.role() == role::PushButton && (sameLabel(n.name(), QStringLiteral("OK")));
        });
        if (!ok || !ok.act({QStringLiteral("Press"), QStringLiteral("click")}))
            throw StepFailed{QStringLiteral("an OK button on the box \"%1\"").arg(box.caption),
                             QStringLiteral("none that could be pressed")};
        waitUntil(
            [&] {
                for (const Box& b : boxes(main))
                    if (b.node == box.node)
                        return false;
                return true;
            },
            QStringLiteral("the box \"%1\" to close").arg(box.caption),
            [] { return QStringLiteral("the box still shown"); });
    }

    QString describeWindows() const {
        QStringList names;
        for (const Node& w : windows())
            names << QStringLiteral("\"%1\" (%2)").arg(w.name(), w.roleName());
        return names.isEmpty() ? QStringLiteral("no window")
                               : QStringLiteral("windows ") + names.join(u',');
    }

    QString lastOutput() const {
        QFile f(m_log);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        const QByteArray all = f.readAll();
        const QString tail = QString::fromLocal8Bit(all.right(400)).trimmed();
        return tail.isEmpty() ? QString() : QStringLiteral(", its last output: ") + oneLine(tail);
    }

    // Saves a picture of the screen part that `nodes` cover for the report.
    void picture(CheckResult& r, const std::vector<Node>& nodes, const QString& caption) {
        if (m_ctx.reportDir.isEmpty())
            return;
        QRect covered;
        for (const Node& n : nodes)
            covered |= n.extents();
        if (covered.isEmpty())
            return;
        const QImage img = grab(covered);
        if (img.isNull())
            return;
        QString file = QStringLiteral("%1-%2.png").arg(m_program, r.check);
        file.replace(u' ', u'-');
        if (img.save(QDir(m_ctx.reportDir).filePath(file), "PNG")) {
            r.picture = file;
            r.pictureCaption = caption;
        }
    }

    // The screen under `area`, given in the programs' units.
    QImage grab(const QRect& area) const {
        const double k = m_ctx.scale;
        const QRect pixels(
            QPoint(int(area.left() * k), int(area.top() * k)),
            QPoint(int((area.right() + 1) * k) - 1, int((area.bottom() + 1) * k) - 1));
        return grabScreen(m_ctx.display, pixels);
    }

    // Gives the program's main window the keyboard focus, then `control` within it, as a
    // click on them would; keys sent afterwards go to `control`.
    void focus(const Node& window, const Node& control) {
        waitUntil(
            [&] {
                if (!window.hasState(ATSPI_STATE_ACTIVE))
                    focusWindow(m_ctx.display, m_child.pid(), m_mainTitle);
                return window.hasState(ATSPI_STATE_ACTIVE);
            },
            QStringLiteral("the window \"%1\" active").arg(m_mainTitle),
            [] { return QStringLiteral("not active"); });
        if (!control)
            return;
        waitUntil(
            [&] {
                if (!control.hasState(ATSPI_STATE_FOCUSED))
                    control.grabFocus();
                return control.hasState(ATSPI_STATE_FOCUSED);
            },
            QStringLiteral("\"%1\" to take the focus").arg(control.name()),
            [] { return QStringLiteral("no focus"); });
    }

    Node m_app;
    QString m_mainTitle;

  private:
    const Context& m_ctx;
    QString m_program;
    Child m_child;
    QString m_log;
};

// Runs one named check, timing it; a failure is recorded with a picture of the program's
// windows, and any message box left open is closed and reported.
class Checks {
  public:
    Checks(const Context& ctx, Tester& t) : m_ctx(ctx), m_t(t) {}

    void run(const QString& name, const std::function<void(CheckResult&)>& body) {
        CheckResult r;
        r.program = m_t.program();
        r.check = name;
        QElapsedTimer timer;
        timer.start();
        if (!m_broken.isEmpty()) {
            r.expected = QStringLiteral("the check to run");
            r.seen = m_broken;
            finish(r, timer);
            return;
        }
        try {
            body(r);
            r.passed = true;
        } catch (const StepFailed& f) {
            r.expected = f.expected;
            r.seen = f.seen;
            if (f.seen.startsWith(QLatin1String("the program ")))
                m_broken = f.seen;
        }
        // Nobody expects a box once a check is over.
        try {
            if (m_main && m_broken.isEmpty()) {
                const auto left = m_t.boxes(m_main);
                if (!left.empty()) {
                    if (r.picture.isEmpty() || r.passed) {
                        std::vector<Node> shown = m_t.windows();
                        m_t.picture(r, shown, QStringLiteral("the box left open"));
                    }
                    for (const Box& b : left) {
                        if (r.passed) {
                            r.passed = false;
                            r.expected = QStringLiteral("no message box");
                        }
                        r.seen += (r.seen.isEmpty() ? QString() : QStringLiteral("; ")) +
                                  QStringLiteral("box \"%1\": %2").arg(b.caption, oneLine(b.text));
                        m_t.closeBox(m_main, b);
                    }
                }
            }
        } catch (const StepFailed& f) {
            if (f.seen.startsWith(QLatin1String("the program ")))
                m_broken = f.seen;
        }
        if (!r.passed && r.picture.isEmpty() && m_broken.isEmpty()) {
            try {
                m_t.picture(r, m_t.windows(), QStringLiteral("at the failure"));
            } catch (const StepFailed&) {
            }
        }
        finish(r, timer);
    }

    // Marks the program as unusable for the checks that follow.
    void broken(const QString& why) { m_broken = why; }
    void setMain(const Node& main) { m_main = main; }

    std::vector<CheckResult> results;

  private:
    void finish(CheckResult& r, const QElapsedTimer& timer) {
        r.seconds = timer.elapsed() / 1000.0;
        if (m_ctx.onResult)
            m_ctx.onResult(r);
        results.push_back(r);
    }

    const Context& m_ctx;
    Tester& m_t;
    Node m_main;
    QString m_broken;
};

// ----- barcheck -----

QString clickAnswer(const QString& tool) {
    return QStringLiteral("you clicked ") + tool +
           QStringLiteral(" it looks like the toolbars are working");
}

class BarTester {
  public:
    BarTester(Tester& t, const BarLayout& layout) : m_t(t), m_layout(layout) {}

    Node frame;

    // The frame's bands are its direct children.
    Node band(int wanted, const QString& label) const {
        for (Node& c : frame.children())
            if (c.role() == wanted && (label.isNull() || c.name() == label))
                return c;
        return {};
    }
    Node menuBar() const { return band(role::MenuBar, QString()); }
    Node toolBar(const QString& label) const { return band(role::ToolBar, label); }

    // The accessible objects of a shown band's entries, matched in order by their names.
    std::map<size_t, Node> entryNodes(const BarBand& band, const Node& bandNode) const {
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

    // Uses the entry as a tester would and returns the answer box, if any.
    void use(const BarEntry& e, const Node& node) {
        switch (e.use) {
        case Use::Click:
            if (!node.act(
                    {QStringLiteral("Press"), QStringLiteral("click"), QStringLiteral("Toggle")}))
                throw StepFailed{QStringLiteral("%1 to be pressed").arg(e.name),
                                 QStringLiteral("no press action")};
            break;
        case Use::Enter:
            m_t.focus(frame, node);
            pressKey(XK_Return);
            break;
        case Use::Pick: {
            // The first entry of the list, picked with the keyboard as a tester would.
            // The closed list is not shown, but its entries are there to count.
            int entries = 0;
            for (const Node& c : node.children())
                if (c.role() == role::List)
                    entries = c.childCount();
            if (entries <= 0)
                throw StepFailed{QStringLiteral("an entry to pick in %1").arg(e.name),
                                 QStringLiteral("an empty list")};
            // Opened as a click on its arrow would; the open list takes the keys.
            m_t.focus(frame, Node());
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
            break;
        }
        case Use::Silent:
            break;
        }
    }

    // Uses the entry and expects exactly its own answer; closes the box.
    void expectAnswer(const BarEntry& e, const Node& node, CheckResult* shot = nullptr) {
        use(e, node);
        const Box box = m_t.waitForBox(
            frame, QStringLiteral("the box \"%1\" for %2").arg(clickAnswer(e.name), e.name));
        if (shot)
            m_t.picture(*shot, {frame, box.node},
                        QStringLiteral("the answer to %1 over the frame").arg(e.name));
        const QString caption = box.caption, text = box.text;
        m_t.closeBox(frame, box);
        if (caption != QLatin1String("prjBarCheck") || text != clickAnswer(e.name))
            throw StepFailed{QStringLiteral("box \"prjBarCheck\": %1").arg(clickAnswer(e.name)),
                             QStringLiteral("box \"%1\": %2").arg(caption, oneLine(text))};
    }

    Tester& m_t;
    const BarLayout& m_layout;
};

// Every named tool of the stored layout accounted for: each one a tester can reach on the
// shown bands is used once and must answer with its own name; the rest are silent by
// design or not shown.
void checkEveryTool(BarTester& bar, const BarLayout& layout, CheckResult& r) {
    Tester& t = bar.m_t;
    // Where each band is reached from: (band, entry) of its opener, in first-reached order.
    std::map<QString, std::pair<const BarBand*, size_t>> openedBy;
    // The menu bar's popups first, through their menus, then what only the toolbars open.
    const std::vector<const BarBand*> shown = layout.shownBands();
    std::vector<const BarBand*> order{shown.front()};
    bool toolbarsAdded = false;
    for (size_t i = 0;; ++i) {
        if (i == order.size()) {
            if (toolbarsAdded)
                break;
            toolbarsAdded = true;
            order.insert(order.end(), shown.begin() + 1, shown.end());
            if (i == order.size())
                break;
        }
        for (size_t e = 0; e < order[i]->entries.size(); ++e) {
            const BarBand* p = order[i]->entries[e].opens.isEmpty()
                                   ? nullptr
                                   : layout.band(order[i]->entries[e].opens);
            if (p && !openedBy.count(p->name) && p->name != order.front()->name) {
                bool shownBand = false;
                for (const BarBand* b : layout.shownBands())
                    shownBand = shownBand || b == p;
                if (shownBand)
                    continue;
                openedBy[p->name] = {order[i], e};
                order.push_back(p);
            }
        }
    }

    enum class Outcome { NotShown, Silent, Answered, Failed };
    std::map<QString, Outcome> outcome;
    for (const QString& name : layout.namedTools)
        outcome[name] = Outcome::NotShown;
    QStringList failures;
    std::set<QString> tried;
    std::map<QString, QString> unusable; // tool name: why an entry of it could not be used

    // The accessible object of each band reached, found by opening the way to it.
    std::map<QString, Node> bandNodes;
    const Node menuBar = bar.menuBar();
    std::vector<Node> opened; // menus opened on the way to a popup, outermost first
    const auto closeMenus = [&] {
        for (int i = 0; i < 8 && !opened.empty(); ++i) {
            bool open = false;
            for (const Node& m : opened)
                open = open || m.showing();
            if (!open)
                break;
            pressKey(XK_Escape);
            QThread::msleep(40);
        }
        opened.clear();
    };
    std::function<Node(const BarBand*)> nodeOf = [&](const BarBand* band) -> Node {
        if (auto it = bandNodes.find(band->name); it != bandNodes.end())
            return it->second;
        Node n;
        if (band == order.front()) {
            n = menuBar;
        } else if (band->kind == QLatin1String("toolbar")) {
            n = bar.band(band->dock == QLatin1String("status") ? role::StatusBar : role::ToolBar,
                         band->label);
        } else if (auto it = openedBy.find(band->name); it != openedBy.end()) {
            // Open the way from a shown band, then keep the popup's object: its entries stay
            // reachable once it has been filled.
            std::vector<std::pair<const BarBand*, size_t>> path;
            for (const BarBand* b = band; openedBy.count(b->name); b = openedBy[b->name].first)
                path.insert(path.begin(), openedBy[b->name]);
            Node menu;
            for (const auto& [from, entry] : path) {
                const Node parent = menu ? menu : nodeOf(from);
                const auto items = bar.entryNodes(*from, parent);
                if (!items.count(entry))
                    break;
                const Node item = items.at(entry);
                const int before = callTimeout();
                setCallTimeout(2000);
                // Only "show menu" opens the way: pressing a drop-down tool would use it.
                if (!item.act({QStringLiteral("ShowMenu")}))
                    break;
                setCallTimeout(before);
                try {
                    menu = t.waitFor(
                        [&]() -> Node {
                            const Node m = item.child(0);
                            return m && isMenu(m) && m.showing() ? m : Node();
                        },
                        QStringLiteral("the popup \"%1\" open").arg(band->label),
                        [] { return QStringLiteral("none"); }, 3000);
                } catch (const StepFailed&) {
                    menu = Node();
                    break;
                }
                opened.push_back(menu);
            }
            if (menu)
                t.waitUntil(
                    [&] { return !bar.entryNodes(*band, menu).empty() || band->entries.empty(); },
                    QStringLiteral("the entries of \"%1\"").arg(band->label),
                    [] { return QStringLiteral("none"); });
            closeMenus();
            n = menu;
        }
        bandNodes[band->name] = n;
        return n;
    };

    for (const BarBand* band : order) {
        // Silent tools count once seen on a reached band; a tool that answers anywhere wins.
        bool needed = false;
        for (const BarEntry& e : band->entries) {
            if (e.use == Use::Silent) {
                if (outcome[e.name] == Outcome::NotShown)
                    outcome[e.name] = Outcome::Silent;
            } else if (!tried.count(e.name)) {
                needed = true;
            }
        }
        if (!needed)
            continue;
        const Node bandNode = nodeOf(band);
        const auto nodes = bandNode ? bar.entryNodes(*band, bandNode) : std::map<size_t, Node>();
        for (size_t i = 0; i < band->entries.size(); ++i) {
            const BarEntry& e = band->entries[i];
            if (e.use == Use::Silent || tried.count(e.name))
                continue;
            // An entry that cannot be used here (not found, or a menu entry that only opens
            // its popup) leaves the tool to its other entries.
            if (!nodes.count(i)) {
                unusable[e.name] =
                    QStringLiteral("%1 (%2): not found on %3").arg(e.name, e.label, band->label);
                continue;
            }
            if (e.use == Use::Click) {
                bool pressable = false;
                for (const QString& a : nodes.at(i).actions())
                    pressable =
                        pressable || a.compare(QLatin1String("Press"), Qt::CaseInsensitive) == 0;
                if (!pressable) {
                    unusable[e.name] =
                        QStringLiteral("%1 on %2: no press action").arg(e.name, band->label);
                    continue;
                }
            }
            tried.insert(e.name);
            try {
                bar.expectAnswer(e, nodes.at(i));
                outcome[e.name] = Outcome::Answered;
            } catch (const StepFailed& f) {
                if (f.seen.startsWith(QLatin1String("the program ")))
                    throw;
                outcome[e.name] = Outcome::Failed;
                failures << QStringLiteral("%1 on %2: expected %3, seen %4")
                                .arg(e.name, band->label, f.expected, f.seen);
                // Whatever the tool left open is closed before the next one.
                for (const Box& b : t.boxes(bar.frame))
                    t.closeBox(bar.frame, b);
                closeMenus();
            }
        }
    }

    for (const auto& [name, why] : unusable)
        if (!tried.count(name)) {
            outcome[name] = Outcome::Failed;
            failures << why;
        }
    int counts[4] = {};
    for (const auto& [name, o] : outcome)
        ++counts[int(o)];
    const int answered = counts[int(Outcome::Answered)], silent = counts[int(Outcome::Silent)],
              notShown = counts[int(Outcome::NotShown)], failed = counts[int(Outcome::Failed)];
    r.figures.push_back(
        {QStringLiteral("tools"),
         QStringLiteral("%1 answered, %2 silent by design, %3 not shown, %4 failed (of %5)")
             .arg(answered)
             .arg(silent)
             .arg(notShown)
             .arg(failed)
             .arg(layout.namedTools.size())});
    if (failed > 0)
        throw StepFailed{
            QStringLiteral("every tool a tester can reach to answer with its own name"),
            failures.mid(0, 40).join(QStringLiteral("; ")) +
                (failures.size() > 40 ? QStringLiteral("; and %1 more").arg(failures.size() - 40)
                                      : QString())};
}

void checkBarcheck(const Context& ctx, Tester& t, Checks& checks) {
    BarLayout layout;
    QString layoutError;
    const bool haveLayout = storedBarLayout(layout, layoutError);
    BarTester bar(t, layout);
    t.m_mainTitle = QStringLiteral("MDIForm1");

    checks.run(QStringLiteral("frame"), [&](CheckResult&) {
        if (!haveLayout)
            throw StepFailed{QStringLiteral("the stored layout"), layoutError};
        bar.frame = t.window(QStringLiteral("MDIForm1"));
        checks.setMain(bar.frame);
        const BarBand* main = layout.shownBands().front();
        QStringList titles;
        for (const BarEntry& e : main->entries)
            if (!e.opens.isEmpty())
                titles << e.label;
        QStringList seen;
        t.waitUntil(
            [&] {
                seen.clear();
                if (const Node mb = bar.menuBar())
                    for (const Node& c : mb.children())
                        seen << c.name();
                for (const QString& title : titles)
                    if (!seen.contains(title))
                        return false;
                return true;
            },
            QStringLiteral("the menu titles %1").arg(titles.join(QStringLiteral(", "))),
            [&] {
                return QStringLiteral("menu bar entries %1").arg(seen.join(QStringLiteral(", ")));
            });
        if (titles.size() != 11)
            throw StepFailed{QStringLiteral("11 menu titles"), QString::number(titles.size())};
    });

    checks.run(QStringLiteral("toolbars"), [&](CheckResult& r) {
        QStringList missing;
        int shown = 0;
        for (const BarBand* b : layout.shownBands()) {
            if (b->kind != QLatin1String("toolbar"))
                continue;
            const int wanted = b->dock == QLatin1String("status") ? role::StatusBar : role::ToolBar;
            const Node n = bar.band(wanted, b->label);
            if (n)
                ++shown;
            else
                missing << b->label;
        }
        r.figures.push_back({QStringLiteral("bands shown"), QString::number(shown)});
        if (!missing.isEmpty())
            throw StepFailed{QStringLiteral("every toolbar of the layout shown"),
                             QStringLiteral("missing: ") + missing.join(QStringLiteral(", "))};
    });

    checks.run(QStringLiteral("tool click"), [&](CheckResult& r) {
        const BarBand* band = layout.band(QStringLiteral("bndDWGTools"));
        const Node tb = band ? bar.toolBar(band->label) : Node();
        if (!tb)
            throw StepFailed{QStringLiteral("the toolbar \"Basic Drawing Tools\""),
                             QStringLiteral("none")};
        const auto nodes = bar.entryNodes(*band, tb);
        const BarEntry& line = band->entries.front();
        if (!nodes.count(0))
            throw StepFailed{QStringLiteral("the tool \"%1\"").arg(line.label),
                             QStringLiteral("none")};
        const QStringList before = [&] {
            QStringList names;
            for (const Node& c : tb.children())
                names << c.name();
            return names;
        }();
        bar.expectAnswer(line, nodes.at(0), &r);
        QStringList after;
        for (const Node& c : tb.children())
            after << c.name();
        if (after != before || !bar.frame.showing())
            throw StepFailed{QStringLiteral("the unchanged frame after OK"),
                             QStringLiteral("a changed toolbar")};
    });

    checks.run(QStringLiteral("menu click"), [&](CheckResult&) {
        const BarBand* main = layout.shownBands().front();
        const Node mb = bar.menuBar();
        const auto titles = bar.entryNodes(*main, mb);
        // The first entry of the first menu that answers.
        const BarEntry& opener = main->entries.front();
        const BarBand* popup = layout.band(opener.opens);
        if (!popup || !titles.count(0))
            throw StepFailed{QStringLiteral("the menu \"%1\"").arg(opener.label),
                             QStringLiteral("none")};
        const Node title = titles.at(0);
        if (!title.act({QStringLiteral("ShowMenu"), QStringLiteral("Press")}))
            throw StepFailed{QStringLiteral("the menu \"%1\" to open").arg(opener.label),
                             QStringLiteral("no action")};
        Node menu = t.waitFor(
            [&] {
                const Node m = title.child(0);
                return m && isMenu(m) && m.showing() ? m : Node();
            },
            QStringLiteral("the menu \"%1\" open").arg(opener.label),
            [] { return QStringLiteral("no menu"); });
        std::map<size_t, Node> items;
        t.waitUntil(
            [&] {
                items = bar.entryNodes(*popup, menu);
                return !items.empty();
            },
            QStringLiteral("the entries of \"%1\"").arg(popup->label),
            [] { return QStringLiteral("none"); });
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
    });

    checks.run(QStringLiteral("shortcut"), [&](CheckResult&) {
        // F7 is the shortcut of one tool only, Toggle Grid.
        t.focus(bar.frame, Node());
        pressKey(XK_F7);
        const Box box = t.waitForBox(bar.frame, QStringLiteral("the answer to F7"));
        const QString text = box.text;
        t.closeBox(bar.frame, box);
        if (text != clickAnswer(QStringLiteral("catDToggleGrid")))
            throw StepFailed{clickAnswer(QStringLiteral("catDToggleGrid")), oneLine(text)};
        // A second answer to the same key would come at once.
        QThread::msleep(500);
        pumpEvents();
        const auto more = t.boxes(bar.frame);
        if (!more.empty())
            throw StepFailed{QStringLiteral("exactly one answer"),
                             QStringLiteral("a second box: ") + oneLine(more.front().text)};
    });

    if (!ctx.options.exhaustive)
        return;
    checks.run(QStringLiteral("every tool"),
               [&](CheckResult& r) { checkEveryTool(bar, layout, r); });
}

// ----- datacheck -----

void checkDatacheck(Tester& t, Checks& checks) {
    t.m_mainTitle = QStringLiteral("Test Data Access");
    Node window;
    const auto response = [&]() -> Node {
        return window.find(
            [](const Node& n) {
                return n.role() == role::Label && n.name().startsWith(QLatin1String("Response:"));
            },
            4);
    };
    const QRegularExpression counted(
        QStringLiteral("Retreived (\\d+) records in: ([0-9.,]+) Milliseconds"));
    const auto test = [&](CheckResult& r, const QString& button, bool fill) {
        const Node b = window.find(
            [&](const Node& n) { return n.role() == role::PushButton && n.name() == button; }, 4);
        if (!b)
            throw StepFailed{QStringLiteral("the button \"%1\"").arg(button),
                             QStringLiteral("none")};
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
                const Node label = response();
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
        const auto m = counted.match(text);
        if (!m.hasMatch())
            throw StepFailed{QStringLiteral("\"Retreived N records in: T Milliseconds\""),
                             oneLine(text)};
        r.figures.push_back({QStringLiteral("records"), m.captured(1)});
        r.figures.push_back({QStringLiteral("milliseconds"), m.captured(2)});
        return m.captured(1).toInt();
    };

    checks.run(QStringLiteral("window"), [&](CheckResult&) {
        window = t.window(QStringLiteral("Test Data Access"));
        checks.setMain(window);
    });
    checks.run(QStringLiteral("test connection"),
               [&](CheckResult& r) { test(r, QStringLiteral("Test Connection"), false); });
    checks.run(QStringLiteral("fill grid"), [&](CheckResult& r) {
        const int n = test(r, QStringLiteral("Fill Grid"), true);
        const Node grid = window.find([](const Node& x) { return x.role() == role::Table; }, 4);
        int rows = -1;
        t.waitUntil([&] { return (rows = grid.rows()) == n; },
                    QStringLiteral("%1 rows in the grid").arg(n),
                    [&] { return QStringLiteral("%1 rows").arg(rows); });
        r.figures.push_back({QStringLiteral("grid rows"), QString::number(rows)});
        t.picture(r, {window}, QStringLiteral("after Fill Grid"));
    });
}

// ----- gridcheck -----

void checkGridcheck(Tester& t, Checks& checks) {
    const QString title = QStringLiteral("Data Access Test");
    t.m_mainTitle = title;
    Node window;
    checks.run(QStringLiteral("window"), [&](CheckResult& r) {
        // The program reports a database it cannot open in a box before its window opens.
        std::vector<Box> early;
        const Node first = t.waitFor(
            [&]() -> Node {
                early = t.boxes(Node());
                if (!early.empty())
                    return early.front().node;
                for (Node& w : t.windows())
                    if (w.name() == title)
                        return w;
                return {};
            },
            QStringLiteral("the window \"%1\"").arg(title), [&] { return t.describeWindows(); });
        if (!early.empty()) {
            const Box box = early.front();
            t.picture(r, {box.node}, QStringLiteral("the box before the window"));
            t.closeBox(Node(), box);
            throw StepFailed{QStringLiteral("the window \"%1\" and no box").arg(title),
                             QStringLiteral("box \"%1\": %2").arg(box.caption, oneLine(box.text))};
        }
        window = first;
        checks.setMain(window);
    });
    checks.run(QStringLiteral("manufacturers"), [&](CheckResult& r) {
        if (!window) {
            window = t.window(title);
            checks.setMain(window);
        }
        const Node grid = window.find([](const Node& x) { return x.role() == role::Table; }, 4);
        if (!grid)
            throw StepFailed{QStringLiteral("a grid"), QStringLiteral("none")};
        const int rows = grid.rows(), cols = grid.columns();
        int nameCol = -1;
        for (int c = 0; c < cols && nameCol < 0; ++c)
            if (grid.columnHeader(c).contains(QLatin1String("ManufacturerName"),
                                              Qt::CaseInsensitive))
                nameCol = c;
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
                throw StepFailed{QStringLiteral("names in order"),
                                 QStringLiteral("\"%1\" before \"%2\" in row %3")
                                     .arg(previous, name)
                                     .arg(row + 1)};
            previous = name;
        }
        t.picture(r, {window}, QStringLiteral("the loaded grid"));
    });
}

// ----- propcheck -----

void checkPropcheck(Tester& t, Checks& checks) {
    const QString title = QStringLiteral("Test Property List");
    t.m_mainTitle = title;
    Node window, list;
    const auto row = [&](const QString& caption) -> Node {
        for (const Node& r : list.children())
            if (r.role() == role::Row && r.name() == caption)
                return r;
        return {};
    };
    const auto valueCell = [&](const QString& caption) -> Node {
        const Node r = row(caption);
        return r ? r.child(1) : Node();
    };
    checks.run(QStringLiteral("rows"), [&](CheckResult&) {
        window = t.window(title);
        checks.setMain(window);
        list = window.find([](const Node& n) { return n.role() == role::Table; }, 4);
        if (!list)
            throw StepFailed{QStringLiteral("the property list"), QStringLiteral("none")};
        const QStringList expected{QStringLiteral("Header 1="),
                                   QStringLiteral("Boolean Value=True"),
                                   QStringLiteral("Browse Button=Click Me!"),
                                   QStringLiteral("Custom Drawn=1"),
                                   QStringLiteral("Drop Down=Drop Down List"),
                                   QStringLiteral("Numeric Value Only=0"),
                                   QStringLiteral("Text String=Hello World")};
        QStringList seen;
        for (const Node& r : list.children())
            if (r.role() == role::Row)
                seen << r.name() + u'=' + (r.child(1) ? r.child(1).name() : QString());
        QStringList sortedSeen = seen, sortedExpected = expected;
        sortedSeen.sort();
        sortedExpected.sort();
        if (sortedSeen != sortedExpected)
            throw StepFailed{expected.join(QStringLiteral(", ")), seen.join(QStringLiteral(", "))};
    });

    checks.run(QStringLiteral("drop-down pick"), [&](CheckResult& r) {
        const Node custom = valueCell(QStringLiteral("Custom Drawn"));
        const QRect box = custom.extents();
        const QImage before = t.grab(box);
        const int redBefore = countColour(before, before.rect(), 0xFF0000);
        if (redBefore == 0)
            throw StepFailed{QStringLiteral("a red box in the Custom Drawn row before the pick"),
                             QStringLiteral("no red pixel")};
        const Node cell = valueCell(QStringLiteral("Drop Down"));
        if (!cell.act({QStringLiteral("Press")}))
            throw StepFailed{QStringLiteral("the Drop Down row to open its list"),
                             QStringLiteral("no press action")};
        const Node combo = t.waitFor(
            [&] {
                return list.find(
                    [](const Node& n) {
                        return n.role() == role::ComboBox && n.name() == QLatin1String("Drop Down");
                    },
                    3);
            },
            QStringLiteral("the Drop Down list"), [] { return QStringLiteral("none"); });
        t.focus(window, combo);
        typeText(QStringLiteral("3"));
        pressKey(XK_Return);
        QString value;
        t.waitUntil(
            [&] {
                return (value = valueCell(QStringLiteral("Custom Drawn")).name()) ==
                       QLatin1String("3");
            },
            QStringLiteral("Custom Drawn to show 3"),
            [&] { return QStringLiteral("\"%1\"").arg(value); });
        // The box follows the value: colour 3 is red 3, green 0, blue 0.
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
                return QStringLiteral("%1 red and %2 colour-3 pixels")
                    .arg(redAfter)
                    .arg(threeAfter);
            });
        r.figures.push_back({QStringLiteral("Custom Drawn"), value});
        t.picture(r, {window}, QStringLiteral("after picking 3"));
    });

    checks.run(QStringLiteral("browse"), [&](CheckResult&) {
        const Node cell = valueCell(QStringLiteral("Browse Button"));
        if (!cell.act({QStringLiteral("Press")}))
            throw StepFailed{QStringLiteral("the Browse Button row to be pressed"),
                             QStringLiteral("no press action")};
        const Box box =
            t.waitForBox(window, QStringLiteral("the box \"Browse Button - Click Me!\""));
        const QString caption = box.caption, text = box.text;
        t.closeBox(window, box);
        if (caption != QLatin1String("propcheck") ||
            text != QLatin1String("Browse Button - Click Me!"))
            throw StepFailed{QStringLiteral("box \"propcheck\": Browse Button - Click Me!"),
                             QStringLiteral("box \"%1\": %2").arg(caption, oneLine(text))};
    });

    checks.run(QStringLiteral("numeric"), [&](CheckResult&) {
        const Node cell = valueCell(QStringLiteral("Numeric Value Only"));
        if (!cell.act({QStringLiteral("Press")}))
            throw StepFailed{QStringLiteral("the Numeric Value Only row to be edited"),
                             QStringLiteral("no press action (cell \"%1\", actions %2)")
                                 .arg(cell.name(), cell.actions().join(u','))};
        const Node edit = t.waitFor(
            [&] {
                return list.find(
                    [](const Node& n) {
                        return (n.role() == role::Text || n.role() == role::Entry) &&
                               n.name() == QLatin1String("Numeric Value Only");
                    },
                    3);
            },
            QStringLiteral("the Numeric Value Only field"), [] { return QStringLiteral("none"); });
        t.focus(window, edit);
        pressKey(XK_End);
        typeText(QStringLiteral("7x"));
        QString text;
        t.waitUntil([&] { return (text = edit.text()) == QLatin1String("07"); },
                    QStringLiteral("\"07\" after typing 7 and x"),
                    [&] { return QStringLiteral("\"%1\"").arg(text); });
        pressKey(XK_Escape);
    });
}

} // namespace

std::vector<CheckResult> checkProgram(const Context& ctx, const QString& program) {
    Tester t(ctx, program);
    Checks checks(ctx, t);
    bool started = false;
    checks.run(QStringLiteral("start"), [&](CheckResult&) {
        t.start();
        started = true;
    });
    if (started) {
        if (program == QLatin1String("barcheck"))
            checkBarcheck(ctx, t, checks);
        else if (program == QLatin1String("datacheck"))
            checkDatacheck(t, checks);
        else if (program == QLatin1String("gridcheck"))
            checkGridcheck(t, checks);
        else if (program == QLatin1String("propcheck"))
            checkPropcheck(t, checks);
    }
    t.stop();
    return checks.results;
}

} // namespace checkall
