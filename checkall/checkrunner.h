#pragma once
// Runs the named checks of one program, each timed and each one step: a failure is recorded
// with a picture of the program's windows, and a message box left open is closed and
// reported. After a check that saw the program end, the rest fail with that reason.
#include "a11y.h"
#include "checks.h"
#include "report.h"

#include <QString>

#include <functional>
#include <vector>

class QElapsedTimer;

namespace checkall {

class Tester;

class CheckRunner {
  public:
    // How the step time applies: to the whole check, or to each part the check opens a step
    // for itself (a walk through many tools).
    enum class Limit { WholeCheck, EachPart };

    CheckRunner(const Context& ctx, Tester& t) : m_ctx(ctx), m_t(t) {}

    void run(const QString& name, const std::function<void(CheckResult&)>& body,
             Limit limit = Limit::WholeCheck);

    // Marks the program as unusable for the checks that follow.
    void broken(const QString& why) { m_broken = why; }
    void setMain(const Node& main) { m_main = main; }

    const std::vector<CheckResult>& results() const { return m_results; }

  private:
    void attempt(CheckResult& r, const std::function<void(CheckResult&)>& body);
    void closeLeftBoxes(CheckResult& r);
    void finish(CheckResult& r, const QElapsedTimer& timer);

    const Context& m_ctx;
    Tester& m_t;
    Node m_main;
    QString m_broken;
    std::vector<CheckResult> m_results;
};

} // namespace checkall
