#include "autopilot.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QScreen>
#include <QKeySequence>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <QtTest/QTest>

#include <cstdio>
#include <functional>
#include <memory>

namespace tav {

namespace {

using Match = std::function<bool(QAccessibleInterface*)>;

QAccessibleInterface* findIn(QAccessibleInterface* node, const Match& matches, int depth) {
    if (!node || depth > 64)
        return nullptr;
    if (!node->state().invisible && matches(node))
        return node;
    for (int i = 0; i < node->childCount(); ++i)
        if (QAccessibleInterface* hit = findIn(node->child(i), matches, depth + 1))
            return hit;
    return nullptr;
}

QAccessibleInterface* findShown(const Match& matches) {
    // Modal boxes first: they are what a person sees on top.
    QList<QWidget*> windows;
    if (QWidget* m = QApplication::activeModalWidget())
        windows.append(m);
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && !windows.contains(w))
            windows.append(w);
    for (QWidget* w : windows)
        if (QAccessibleInterface* hit = findIn(QAccessible::queryAccessibleInterface(w), matches, 0))
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
        } else if (verb == QLatin1String("expect")) {
            if (!Autopilot::findByNameStart(arg))
                fail(step, QStringLiteral("no shown control has a name that begins so"));
        } else if (verb == QLatin1String("pick")) {
            const qsizetype eq = arg.indexOf(u'=');
            const QString why = eq < 0 ? QStringLiteral("expected pick:NAME=ENTRY")
                                       : Autopilot::pick(arg.left(eq), arg.mid(eq + 1));
            if (!why.isEmpty())
                fail(step, why);
        } else if (verb == QLatin1String("screen")) {
            const QPixmap picture = Autopilot::windowsPicture();
            if (picture.isNull())
                fail(step, QStringLiteral("no window is shown"));
            if (!picture.save(arg, "PNG"))
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
    return findShown([&](QAccessibleInterface* a) { return a->text(QAccessible::Name) == name; });
}

QAccessibleInterface* Autopilot::findByNameStart(const QString& start) {
    return findShown([&](QAccessibleInterface* a) { return a->text(QAccessible::Name).startsWith(start); });
}

QString Autopilot::pick(const QString& name, const QString& entry) {
    // A drop-down list reports its current entry as its accessible name, so look for the
    // list whose widget carries the name.
    QAccessibleInterface* target = findShown([&](QAccessibleInterface* a) {
        auto* c = qobject_cast<QComboBox*>(a->object());
        return c && (c->accessibleName() == name || a->text(QAccessible::Name) == name);
    });
    auto* combo = target ? qobject_cast<QComboBox*>(target->object()) : nullptr;
    if (!combo)
        return QStringLiteral("no drop-down list has that accessible name");
    const int index = combo->findText(entry, Qt::MatchExactly);
    if (index < 0)
        return QStringLiteral("the list has no such entry");
    // As a click on the entry in the open list: the current entry changes, then the list
    // reports it as activated.
    combo->setCurrentIndex(index);
    Q_EMIT combo->activated(index);
    Q_EMIT combo->textActivated(combo->itemText(index));
    return {};
}

QPixmap Autopilot::windowsPicture() {
    QRect covered;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->isWindow())
            covered |= w->frameGeometry();
    QScreen* screen = QGuiApplication::primaryScreen();
    if (covered.isEmpty() || !screen)
        return {};
    covered &= screen->geometry();
    return screen->grabWindow(0, covered.x(), covered.y(), covered.width(), covered.height());
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
