#pragma once
// The steps every check is made of, for one program under test: start it, find its windows
// and message boxes, wait for a state of its tree within the step's time, give it the focus,
// read what it wrote and take pictures of it.
#include "a11y.h"
#include "checks.h"
#include "session.h"

#include <QImage>
#include <QString>

#include <functional>
#include <vector>

namespace checkall {

// A step that did not reach what it wanted.
struct StepFailed {
    QString expected;
    QString seen;
};

// A message box: a shown top-level window other than the main one.
struct Box {
    Node node;
    QString caption;
    QString text;
};

// Whether an accessible name shows `label` (its '&' markers and shortcut text left out).
bool sameLabel(const QString& accessibleName, const QString& label);
// `text` on one line, its line breaks shown as " / ".
QString oneLine(QString text);
bool isMenu(const Node& n);

class Tester {
  public:
    Tester(const Context& ctx, const QString& program) : m_ctx(ctx), m_program(program) {}

    const QString& program() const { return m_program; }
    int stepMs() const { return m_ctx.options.stepTimeoutMs; }
    const Node& app() const { return m_app; }
    const QString& mainTitle() const { return m_mainTitle; }
    void setMainTitle(const QString& title) { m_mainTitle = title; }

    // Starts the program and waits for it on the accessibility bus.
    void start();
    // Works on an application already on the bus, with no process of its own to watch.
    void attach(const Node& app) { m_app = app; }
    void stop() { m_child.stop(); }

    // Polls `probe` until it gives an object, within the step time.
    Node waitFor(const std::function<Node()>& probe, const QString& expected,
                 const std::function<QString()>& seen, int timeoutMs = -1);
    // Polls `cond` until it holds, within what is left of the step (and `timeoutMs` when
    // given); a program that ended fails at once.
    void waitUntil(const std::function<bool()>& cond, const QString& expected,
                   const std::function<QString()>& seen, int timeoutMs = -1);

    // The shown top-level windows of the program.
    std::vector<Node> windows() const;
    Node window(const QString& title);
    // Message boxes over `main`.
    std::vector<Box> boxes(const Node& main) const;
    Box waitForBox(const Node& main, const QString& expected);
    // Presses the box's OK and waits until it is gone.
    void closeBox(const Node& main, const Box& box);
    QString describeWindows() const;

    // Saves a picture of the screen part that `nodes` cover for the report.
    void picture(CheckResult& r, const std::vector<Node>& nodes, const QString& caption);
    // The screen under `area`, given in the programs' units.
    QImage grab(const QRect& area) const;
    // Gives the main window the keyboard focus, then `control` within it, as a click on
    // them would; keys sent afterwards go to `control`.
    void focus(const Node& window, const Node& control);

  private:
    bool running();
    QString ending();
    QString lastOutput() const;

    const Context& m_ctx;
    QString m_program;
    Child m_child;
    bool m_started = false;
    QString m_log;
    Node m_app;
    QString m_mainTitle;
};

} // namespace checkall
