#include "autopilot.h"

#include <QAccessible>
#include <QApplication>
#include <QKeySequence>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <QtTest/QTest>

#include <cstdio>
#include <memory>

namespace tav {

namespace {

QAccessibleInterface* findIn(QAccessibleInterface* node, const QString& name, int depth) {
    if (!node || depth > 64)
        return nullptr;
    if (!node->state().invisible && node->text(QAccessible::Name) == name)
        return node;
    for (int i = 0; i < node->childCount(); ++i)
        if (QAccessibleInterface* hit = findIn(node->child(i), name, depth + 1))
            return hit;
    return nullptr;
}

QWidget* activeWindow() {
    if (QWidget* w = QApplication::activeModalWidget())
        return w;
    if (QWidget* w = QApplication::activeWindow())
        return w;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible())
            return w;
    return nullptr;
}

[[noreturn]] void fail(const QString& step, const QString& why) {
    std::fprintf(stderr, "autopilot: step '%s' failed: %s\n", qPrintable(step), qPrintable(why));
    std::fflush(stderr);
    std::_Exit(3);
}

class Runner : public QObject {
public:
    explicit Runner(QStringList steps) : QObject(qApp), m_steps(std::move(steps)) {}

    void next() {
        if (m_steps.isEmpty())
            return;
        const QString step = m_steps.takeFirst().trimmed();
        int delay = 0;
        run(step, delay);
        // Queue the next step so that modal loops opened by this one keep running.
        QTimer::singleShot(delay, this, [this] { next(); });
    }

private:
    void run(const QString& step, int& delay) {
        const qsizetype colon = step.indexOf(u':');
        const QString verb = colon < 0 ? step : step.left(colon);
        const QString arg = colon < 0 ? QString() : step.mid(colon + 1);
        if (verb.isEmpty())
            return;
        if (verb == QLatin1String("wait")) {
            delay = arg.toInt();
        } else if (verb == QLatin1String("press") || verb == QLatin1String("focus")) {
            QAccessibleInterface* target = Autopilot::findByName(arg);
            if (!target)
                fail(step, QStringLiteral("no control has that accessible name"));
            if (verb == QLatin1String("focus")) {
                if (QWidget* w = qobject_cast<QWidget*>(target->object()))
                    w->setFocus(Qt::OtherFocusReason);
                else if (auto* a = target->actionInterface())
                    a->doAction(QAccessibleActionInterface::setFocusAction());
                return;
            }
            QAccessibleActionInterface* actions = target->actionInterface();
            if (!actions)
                fail(step, QStringLiteral("the control offers no actions"));
            const QStringList names = actions->actionNames();
            for (const QString& a : {QAccessibleActionInterface::pressAction(),
                                     QAccessibleActionInterface::showMenuAction(),
                                     QAccessibleActionInterface::toggleAction()}) {
                if (names.contains(a)) {
                    // Pressing may open a modal box: do it from the event loop.
                    QTimer::singleShot(0, qApp, [actions, a] { actions->doAction(a); });
                    delay = 50;
                    return;
                }
            }
            fail(step, QStringLiteral("the control cannot be pressed"));
        } else if (verb == QLatin1String("type")) {
            QWidget* f = QApplication::focusWidget();
            if (!f)
                fail(step, QStringLiteral("nothing has the focus"));
            QTest::keyClicks(f, arg);
        } else if (verb == QLatin1String("key")) {
            QWidget* f = QApplication::focusWidget();
            if (!f)
                f = activeWindow();
            const QKeySequence seq(arg);
            if (!f || seq.isEmpty())
                fail(step, QStringLiteral("no focus or unknown key"));
            QTest::keyClick(f, Qt::Key(seq[0].key()), seq[0].keyboardModifiers());
        } else if (verb == QLatin1String("shot")) {
            QWidget* w = activeWindow();
            if (!w)
                fail(step, QStringLiteral("no window is shown"));
            if (!w->grab().save(arg, "PNG"))
                fail(step, QStringLiteral("the picture could not be written"));
        } else if (verb == QLatin1String("quit")) {
            std::fflush(stdout);
            std::_Exit(0);
        } else {
            fail(step, QStringLiteral("unknown step"));
        }
    }

    QStringList m_steps;
};

} // namespace

QAccessibleInterface* Autopilot::findByName(const QString& name) {
    // Modal boxes first: they are what a person sees on top.
    QList<QWidget*> windows;
    if (QWidget* m = QApplication::activeModalWidget())
        windows.append(m);
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && !windows.contains(w))
            windows.append(w);
    for (QWidget* w : windows)
        if (QAccessibleInterface* hit = findIn(QAccessible::queryAccessibleInterface(w), name, 0))
            return hit;
    return nullptr;
}

bool Autopilot::startFromEnvironment() {
    const QString script = qEnvironmentVariable("TAV_AUTOPILOT");
    if (script.isEmpty())
        return false;
    auto* runner = new Runner(script.split(u';', Qt::SkipEmptyParts));
    QTimer::singleShot(200, runner, [runner] { runner->next(); });
    return true;
}

} // namespace tav
