#pragma once
// Another process writing a database file while a test reads it (tav-dblocker).
#include <QProcess>
#include <QString>

namespace tav::test {

class OtherWriter {
  public:
    // Starts the writer on `database` and waits (at most 10 s) until `statements` have run;
    // ready() tells whether they did, error() why not.
    OtherWriter(const QString& database, const QString& statements);
    // Ends the writer normally: its connection closes and an open transaction rolls back.
    ~OtherWriter();
    OtherWriter(const OtherWriter&) = delete;
    OtherWriter& operator=(const OtherWriter&) = delete;

    bool ready() const { return m_ready; }
    const QString& error() const { return m_error; }

    // Stops the writer with SIGKILL, leaving its change half done as a crash would.
    void crash();

  private:
    QProcess m_process;
    bool m_ready = false;
    QString m_error;
};

// Statements that take the exclusive lock and change every row of `table` in place with
// a page cache so small that the changed pages are written into the file before commit.
QString exclusiveChangeOf(const QString& table, const QString& column, const QString& value);

} // namespace tav::test
