#pragma once
// Test seams of the recordset layer, linked into test binaries only (target
// tav_recordset_testseams); the programs carry none of them.
#include <QtGlobal>

namespace tav::ado {

// Bounds of every statement for as long as it lives: the most a snapshot may hold, SQLite's
// heap limit and the deadline of one statement; the bounds before it come back when it goes.
class StatementBoundsForTests {
  public:
    StatementBoundsForTests(qint64 snapshotBytes, qint64 sqliteHeapBytes, qint64 deadlineMs);
    ~StatementBoundsForTests();
    StatementBoundsForTests(const StatementBoundsForTests&) = delete;
    StatementBoundsForTests& operator=(const StatementBoundsForTests&) = delete;

  private:
    qint64 m_snapshotBytes, m_sqliteHeapBytes, m_deadlineMs, m_heapLimit;
};

} // namespace tav::ado
