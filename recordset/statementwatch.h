#pragma once
// What a long statement asks while it runs. A program installs a watch around a statement
// (one at a time per thread, the innermost asked); the statement calls it about every 50 ms
// and stops, failing with the reason it gives, once it answers with one. A program's window
// uses it to let Done or a close end a statement that would otherwise hold it.
#include <QString>

#include <functional>

namespace tav::ado {

class StatementWatch {
  public:
    // `stop` answers empty to go on, or why the statement stops ("the window was closed").
    explicit StatementWatch(std::function<QString()> stop);
    ~StatementWatch();
    StatementWatch(const StatementWatch&) = delete;
    StatementWatch& operator=(const StatementWatch&) = delete;

    // The answer of the innermost watch; empty when there is none.
    static QString ask();

  private:
    std::function<QString()> m_stop;
    StatementWatch* m_outer;
};

} // namespace tav::ado
