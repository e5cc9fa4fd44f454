#include "tester.h"

#include "picture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <atspi/atspi-constants.h>

namespace checkall {

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

bool isMenu(const Node& n) {
    const int r = n.role();
    return r == role::Menu || r == role::PopupMenu;
}

void Tester::start() {
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
        throw StepFailed{QStringLiteral("the program to start"), QString::fromLocal8Bit(e.what())};
    }
    m_started = true;
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

bool Tester::running() {
    return !m_started || m_child.running();
}

QString Tester::ending() {
    return QStringLiteral("the program %1%2").arg(m_child.ending(), lastOutput());
}

Node Tester::waitFor(const std::function<Node()>& probe, const QString& expected,
                     const std::function<QString()>& seen, int timeoutMs) {
    Node found;
    waitUntil([&] { return bool(found = probe()); }, expected, seen, timeoutMs);
    return found;
}

void Tester::waitUntil(const std::function<bool()>& cond, const QString& expected,
                       const std::function<QString()>& seen, int timeoutMs) {
    // The wait is a step of its own inside the step under way, never longer than it.
    const Step* outer = Step::current();
    const int stepLimit = outer ? outer->limitMs() : stepMs();
    const int left = outer ? outer->remainingMs() : stepMs();
    const bool ownLimit = timeoutMs >= 0 && timeoutMs < left;
    const int limit = ownLimit ? timeoutMs : left;
    QElapsedTimer t;
    t.start();
    Step wait(limit);
    for (;;) {
        throwIfInterrupted();
        pumpEvents();
        if (!running())
            throw StepFailed{expected, ending()};
        if (cond())
            return;
        if (t.elapsed() >= limit) {
            // A moment to say what was there instead, the program permitting.
            const Step describe(250);
            throw StepFailed{
                expected,
                seen() +
                    QStringLiteral(" after %1 s").arg((ownLimit ? limit : stepLimit) / 1000.0)};
        }
        QThread::msleep(std::clamp<qint64>(limit - t.elapsed(), 1, t.elapsed() < 200 ? 5 : 25));
    }
}

std::vector<Node> Tester::windows() const {
    std::vector<Node> out;
    for (Node& w : m_app.children())
        if (w.showing())
            out.push_back(std::move(w));
    return out;
}

Node Tester::window(const QString& title) {
    return waitFor(
        [&]() -> Node {
            for (Node& w : windows())
                if (w.name() == title)
                    return w;
            return {};
        },
        QStringLiteral("the window \"%1\"").arg(title), [&] { return describeWindows(); });
}

std::vector<Box> Tester::boxes(const Node& main) const {
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

Box Tester::waitForBox(const Node& main, const QString& expected) {
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

void Tester::closeBox(const Node& main, const Box& box) {
    const Node ok = box.node.find([](const Node& n) {
        return n.role() == role::PushButton && sameLabel(n.name(), QStringLiteral("OK"));
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

QString Tester::describeWindows() const {
    QStringList names;
    for (const Node& w : windows())
        names << QStringLiteral("\"%1\" (%2)").arg(w.name(), w.roleName());
    return names.isEmpty() ? QStringLiteral("no window")
                           : QStringLiteral("windows ") + names.join(u',');
}

QString Tester::lastOutput() const {
    QFile f(m_log);
    if (m_log.isEmpty() || !f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray all = f.readAll();
    const QString tail = QString::fromLocal8Bit(all.right(400)).trimmed();
    return tail.isEmpty() ? QString() : QStringLiteral(", its last output: ") + oneLine(tail);
}

void Tester::picture(CheckResult& r, const std::vector<Node>& nodes, const QString& caption) {
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

QImage Tester::grab(const QRect& area) const {
    const double k = m_ctx.scale;
    const QRect pixels(QPoint(int(area.left() * k), int(area.top() * k)),
                       QPoint(int((area.right() + 1) * k) - 1, int((area.bottom() + 1) * k) - 1));
    return grabScreen(m_ctx.display, pixels);
}

void Tester::focus(const Node& window, const Node& control) {
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

} // namespace checkall
