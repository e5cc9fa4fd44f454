#include "statementwatch.h"

namespace tav::ado {

namespace {
StatementWatch* g_innermost = nullptr; // one thread per program
} // namespace

StatementWatch::StatementWatch(std::function<QString()> stop)
    : m_stop(std::move(stop)), m_outer(g_innermost) {
    g_innermost = this;
}

StatementWatch::~StatementWatch() {
    g_innermost = m_outer;
}

QString StatementWatch::ask() {
    // A watch that runs a statement itself is not asked again from inside it.
    static bool asking = false;
    if (asking || !g_innermost || !g_innermost->m_stop)
        return {};
    asking = true;
    struct Done {
        ~Done() { asking = false; }
    } done;
    return g_innermost->m_stop();
}

} // namespace tav::ado
