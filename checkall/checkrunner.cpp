#include "checkrunner.h"

#include "tester.h"

#include <QElapsedTimer>

#include <optional>

namespace checkall {

namespace {

bool programEnded(const StepFailed& f) {
    return f.seen.startsWith(QLatin1String("the program "));
}

} // namespace

void CheckRunner::run(const QString& name, const std::function<void(CheckResult&)>& body,
                      Limit limit) {
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
    std::optional<Step> step;
    if (limit == Limit::WholeCheck)
        step.emplace(m_t.stepMs());
    attempt(r, body);
    // Nobody expects a box once a check is over.
    closeLeftBoxes(r);
    if (!r.passed && r.picture.isEmpty() && m_broken.isEmpty()) {
        try {
            m_t.picture(r, m_t.windows(), QStringLiteral("at the failure"));
        } catch (const StepFailed&) {
            // No picture of a program that no longer answers; the failure stands as it is.
        }
    }
    finish(r, timer);
}

void CheckRunner::attempt(CheckResult& r, const std::function<void(CheckResult&)>& body) {
    try {
        body(r);
        r.passed = true;
    } catch (const StepFailed& f) {
        r.expected = f.expected;
        r.seen = f.seen;
        if (programEnded(f))
            m_broken = f.seen;
    }
}

void CheckRunner::closeLeftBoxes(CheckResult& r) {
    if (!m_main || !m_broken.isEmpty())
        return;
    try {
        const auto left = m_t.boxes(m_main);
        if (left.empty())
            return;
        if (r.picture.isEmpty() || r.passed)
            m_t.picture(r, m_t.windows(), QStringLiteral("the box left open"));
        for (const Box& b : left) {
            if (r.passed) {
                r.passed = false;
                r.expected = QStringLiteral("no message box");
            }
            r.seen += (r.seen.isEmpty() ? QString() : QStringLiteral("; ")) +
                      QStringLiteral("box \"%1\": %2").arg(b.caption, oneLine(b.text));
            m_t.closeBox(m_main, b);
        }
    } catch (const StepFailed& f) {
        // A box that will not close is already reported above; only an ended program
        // changes what follows.
        if (programEnded(f))
            m_broken = f.seen;
    }
}

void CheckRunner::finish(CheckResult& r, const QElapsedTimer& timer) {
    r.seconds = timer.elapsed() / 1000.0;
    if (m_ctx.onResult)
        m_ctx.onResult(r);
    m_results.push_back(r);
}

} // namespace checkall
