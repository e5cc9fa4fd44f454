// The Access SQL translator: any text either translates or is refused with an
// AccessSqlRefusal. The first byte says whether it is a saved query (its LIKE wildcards
// differ). What translates is run on a small in-memory table with the acc_* functions and
// the Access text order, as the provider runs it, so the functions meet the values the
// translated expressions hand them.
#include "accesscollation.h"
#include "accessfunctions.h"
#include "accesssql.h"
#include "fuzzsupport.h"

#include <cstdio>
#include <sqlite3.h>

namespace {

sqlite3* g_db = nullptr;
long g_translated = 0;
long g_refused = 0;
long g_notRunnable = 0;
int g_steps = 0;

void exec(const char* sql) {
    if (sqlite3_exec(g_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        tav::fuzz::fail("cannot build the table", QString::fromUtf8(sqlite3_errmsg(g_db)));
}

// Stops a statement after this many virtual machine steps: a translated statement may
// legitimately run long (cross joins), which is not the translator's fault.
int progress(void*) {
    return ++g_steps > 200;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    tav::fuzz::initialize(argc, argv);
    sqlite3_open(":memory:", &g_db);
    tav::access::registerCollation(g_db);
    tav::access::registerFunctions(g_db);
    sqlite3_db_config(g_db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(g_db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    sqlite3_limit(g_db, SQLITE_LIMIT_LENGTH, 1 << 20);
    exec("CREATE TABLE t (id INTEGER, name TEXT COLLATE ACCESSTEXT, price DOUBLE, born DATETIME, "
         "pic BLOB);"
         "INSERT INTO t VALUES (1, 'Émile', 2.5, '1996-07-04 00:00:00', x'00ff'),"
         "(2, 'o''Brien', 10, '1995-12-31 23:59:00', NULL), (3, 'zoe', NULL, NULL, x''),"
         "(4, 'Co-op', -7.25, '1995-01-01 00:00:00', NULL), (5, '', 1e300, '9999-12-31 23:59:59', "
         "NULL);"
         "CREATE TABLE [Order Details] (OrderID INTEGER, Quantity INTEGER, Discount DOUBLE);"
         "INSERT INTO [Order Details] VALUES (1, 3, 0.25), (2, -1, NULL);");
    sqlite3_progress_handler(g_db, 1000, progress, nullptr);
    std::atexit([] {
        std::fprintf(stderr,
                     "accesssql: %ld translated (%ld of them not runnable here), %ld refused\n",
                     g_translated, g_notRunnable, g_refused);
        sqlite3_close(g_db);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const bool saved = data[0] & 1;
    const QString text = tav::fuzz::utf8(data + 1, size - 1);
    QString sql;
    try {
        sql = tav::access::translateAccessSql(text, saved);
    } catch (const tav::access::AccessSqlRefusal& r) {
        if (r.why().isEmpty())
            tav::fuzz::fail("a refusal without a reason");
        ++g_refused;
        return 0;
    }
    ++g_translated;
    g_steps = 0;
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(g_db, utf8.constData(), int(utf8.size()), &st, nullptr) != SQLITE_OK ||
        !st) {
        ++g_notRunnable;
        // TAV_FUZZ_VERBOSE=1 lists why SQLite refused a translation (for a look at the
        // corpus; names the table lacks are expected, syntax errors are worth a look).
        static const bool verbose = qEnvironmentVariableIntValue("TAV_FUZZ_VERBOSE") != 0;
        if (verbose)
            std::fprintf(stderr, "not runnable: %s\n  %s\n  %s\n", sqlite3_errmsg(g_db),
                         text.toUtf8().constData(), utf8.constData());
        sqlite3_finalize(st);
        return 0;
    }
    for (int rows = 0; rows < 1000 && sqlite3_step(st) == SQLITE_ROW; ++rows)
        for (int c = 0; c < sqlite3_column_count(st); ++c)
            (void)sqlite3_column_text(st, c);
    sqlite3_finalize(st);
    return 0;
}
