#pragma once
// Internal to the recordset: the bounds every statement over a database file runs within.
// The programs keep the defaults; only the test seams (tests/support/recordset_testseams.h)
// change them, to small limits a test can reach quickly.
#include <QtGlobal>

namespace tav::ado::detail {

struct StatementBounds {
    // The most a snapshot's rows may hold, and SQLite's own heap limit: half the machine's
    // memory, at most 4 GiB each.
    qint64 snapshotBytes;
    qint64 sqliteHeapBytes;
    // How long one statement may run: five minutes, far beyond any check's own reads.
    qint64 deadlineMs;
};

StatementBounds& statementBounds();

} // namespace tav::ado::detail
