#include "recordset_testseams.h"

#include "statementbounds_p.h"

#include <sqlite3.h>

namespace tav::ado {

StatementBoundsForTests::StatementBoundsForTests(qint64 snapshotBytes, qint64 sqliteHeapBytes,
                                                 qint64 deadlineMs) {
    detail::StatementBounds& b = detail::statementBounds();
    m_snapshotBytes = b.snapshotBytes;
    m_sqliteHeapBytes = b.sqliteHeapBytes;
    m_deadlineMs = b.deadlineMs;
    m_heapLimit = sqlite3_hard_heap_limit64(-1);
    b = {snapshotBytes, sqliteHeapBytes, deadlineMs};
    sqlite3_hard_heap_limit64(sqlite3_memory_used() + sqliteHeapBytes);
}

StatementBoundsForTests::~StatementBoundsForTests() {
    detail::statementBounds() = {m_snapshotBytes, m_sqliteHeapBytes, m_deadlineMs};
    sqlite3_hard_heap_limit64(m_heapLimit);
}

} // namespace tav::ado
