// tav-mdbreader: copies the tables of one Access database file into a SQLite database
// image written to standard output. It runs as a child process so that a crash or an
// endless loop in the file library on a damaged file cannot take the caller with it.
//
//   tav-mdbreader /absolute/path/file.mdb > image.sqlite
//
// Every user table becomes a typed table of the same name. The system tables the caller
// needs to rebuild saved queries are copied as "__msysobjects" and "__msysqueries", and
// "__catalog" lists every object (name, type, header row count, counted rows).
// Exit status: 0 done, 2 usage, 3 not an Access file or damaged, 4 SQLite failure,
// 5 protected by a database password.
// Messages go to standard error, one line each.
// Standard headers first: the library's header opens an extern "C" block around glib's.
#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <mdbtools.h>
#include <sqlite3.h>

namespace {

struct ColumnPlan {
    MdbColumn* col;
    std::string declared;   // SQLite declared type
    std::vector<char> buffer;
    int length = 0;
    bool raw = false;       // read from the row's bytes rather than the library's text
};

// Fixed-size numbers and dates are decoded from the row's bytes: the library's text form
// costs more than the rest of the load together and rounds.
bool readsRaw(int mdbType) {
    switch (mdbType) {
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
    case MDB_MONEY:
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_DATETIME:
        return true;
    default:
        return false;
    }
}

template <typename T>
T littleEndian(const unsigned char* p) {
    T v;
    std::memcpy(&v, p, sizeof v);  // the files are little-endian, as is this machine
    return v;
}

// A single-precision value as the double of its shortest decimal form (0.15f gives 0.15,
// not 0.150000005960464), which is how it is shown.
double singleAsDouble(float f) {
    char text[32];
    for (int digits = 6; digits < 9; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, double(f));
        if (std::strtof(text, nullptr) == f)
            return std::strtod(text, nullptr);
    }
    return double(f);
}

void bindRaw(sqlite3_stmt* st, int index, const ColumnPlan& p, MdbHandle* mdb) {
    const MdbColumn* col = p.col;
    if (col->cur_value_len <= 0)
        return (void)sqlite3_bind_null(st, index);
    const unsigned char* v = mdb->pg_buf + col->cur_value_start;
    switch (col->col_type) {
    case MDB_BYTE: sqlite3_bind_int(st, index, v[0]); break;
    case MDB_INT: sqlite3_bind_int(st, index, littleEndian<int16_t>(v)); break;
    case MDB_LONGINT: sqlite3_bind_int(st, index, littleEndian<int32_t>(v)); break;
    case MDB_MONEY: sqlite3_bind_double(st, index, double(littleEndian<int64_t>(v)) / 10000.0); break;
    case MDB_FLOAT: sqlite3_bind_double(st, index, singleAsDouble(littleEndian<float>(v))); break;
    case MDB_DOUBLE: sqlite3_bind_double(st, index, littleEndian<double>(v)); break;
    case MDB_DATETIME: {
        struct tm t {};
        mdb_date_to_tm(littleEndian<double>(v), &t);
        char text[32];
        const int n = std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.tm_year + 1900,
                                    t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
        sqlite3_bind_text(st, index, text, n, SQLITE_TRANSIENT);
        break;
    }
    }
}

std::string quoteName(const std::string& name) {
    std::string out = "\"";
    for (char c : name) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + '"';
}

std::string declaredType(int mdbType) {
    switch (mdbType) {
    case MDB_BOOL: return "BIT";
    case MDB_BYTE: return "BYTE";
    case MDB_INT: return "SMALLINT";
    case MDB_LONGINT: return "INTEGER";
    case MDB_MONEY:
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_NUMERIC: return "DOUBLE";
    case MDB_DATETIME: return "DATETIME";
    case MDB_BINARY:
    case MDB_OLE: return "BLOB";
    case MDB_TEXT:
    case MDB_MEMO: return "TEXT COLLATE ACCESSTEXT";
    case MDB_REPID: return "GUID";
    default: return "";
    }
}

// Text columns declare the ACCESSTEXT collation, which the reading side supplies; here it
// only has to exist, since nothing is compared or sorted.
int plainCollation(void*, int lenA, const void* a, int lenB, const void* b) {
    const int c = std::memcmp(a, b, size_t(std::min(lenA, lenB)));
    return c != 0 ? c : lenA - lenB;
}

[[noreturn]] void fail(int code, const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    std::exit(code);
}

void exec(sqlite3* db, const std::string& sql) {
    char* err = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        const std::string why = err ? err : "unknown error";
        sqlite3_free(err);
        fail(4, "SQLite refused '" + sql + "': " + why);
    }
}

void bindValue(sqlite3_stmt* st, int index, ColumnPlan& p, MdbHandle* mdb) {
    const int type = p.col->col_type;
    if (type == MDB_BOOL) {
        // Booleans are never null; the bound text is "1" or "0".
        sqlite3_bind_int(st, index, p.buffer[0] == '1' ? -1 : 0);
        return;
    }
    if (type == MDB_OLE) {
        size_t size = 0;
        void* data = p.length ? mdb_ole_read_full(mdb, p.col, &size) : nullptr;
        if (data) {
            sqlite3_bind_blob(st, index, data, int(size), SQLITE_TRANSIENT);
            std::free(data);
        } else {
            sqlite3_bind_null(st, index);
        }
        return;
    }
    if (p.length <= 0) {
        sqlite3_bind_null(st, index);
        return;
    }
    const char* text = p.buffer.data();
    switch (type) {
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
        sqlite3_bind_int64(st, index, std::strtoll(text, nullptr, 10));
        break;
    case MDB_MONEY:
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_NUMERIC:
        sqlite3_bind_double(st, index, std::strtod(text, nullptr));
        break;
    case MDB_BINARY:
        sqlite3_bind_blob(st, index, text, p.length, SQLITE_TRANSIENT);
        break;
    default:
        sqlite3_bind_text(st, index, text, int(std::strlen(text)), SQLITE_TRANSIENT);
        break;
    }
}

// Copies one table; returns the number of rows read.
long copyTable(MdbHandle* mdb, sqlite3* db, MdbCatalogEntry* entry, const std::string& target) {
    MdbTableDef* table = mdb_read_table(entry);
    if (!table)
        fail(3, "Cannot read the definition of table '" + std::string(entry->object_name) + "'.");
    if (!mdb_read_columns(table))
        fail(3, "Cannot read the columns of table '" + std::string(entry->object_name) + "'.");

    std::vector<ColumnPlan> plan;
    std::string create = "CREATE TABLE " + quoteName(target) + " (";
    std::string insert = "INSERT INTO " + quoteName(target) + " VALUES (";
    for (unsigned i = 0; i < table->num_cols; ++i) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
        ColumnPlan p{col, declaredType(col->col_type), std::vector<char>(mdb->bind_size + 1, 0), 0,
                     readsRaw(col->col_type)};
        if (i) {
            create += ", ";
            insert += ", ";
        }
        create += quoteName(col->name) + " " + p.declared;
        insert += "?";
        plan.push_back(std::move(p));
    }
    exec(db, create + ")");
    for (unsigned i = 0; i < plan.size(); ++i)
        if (!plan[i].raw)
            mdb_bind_column(table, int(i) + 1, plan[i].buffer.data(), &plan[i].length);

    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, (insert + ")").c_str(), -1, &st, nullptr) != SQLITE_OK)
        fail(4, "SQLite refused the insert into '" + target + "': " + sqlite3_errmsg(db));
    long rows = 0;
    mdb_rewind_table(table);
    while (mdb_fetch_row(table)) {
        // Long binary values last: reading them moves the library off the row's page.
        for (unsigned i = 0; i < plan.size(); ++i)
            if (plan[i].raw)
                bindRaw(st, int(i) + 1, plan[i], mdb);
            else if (plan[i].col->col_type != MDB_OLE)
                bindValue(st, int(i) + 1, plan[i], mdb);
        for (unsigned i = 0; i < plan.size(); ++i)
            if (plan[i].col->col_type == MDB_OLE)
                bindValue(st, int(i) + 1, plan[i], mdb);
        if (sqlite3_step(st) != SQLITE_DONE)
            fail(4, "SQLite refused a row of '" + target + "': " + sqlite3_errmsg(db));
        sqlite3_reset(st);
        ++rows;
    }
    sqlite3_finalize(st);
    const unsigned headerRows = table->num_rows;
    mdb_free_tabledef(table);

    sqlite3_stmt* cat = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO __catalog VALUES (?, ?, ?, ?)", -1, &cat, nullptr);
    sqlite3_bind_text(cat, 1, entry->object_name, -1, SQLITE_TRANSIENT);
    sqlite3_bind_int(cat, 2, entry->object_type);
    sqlite3_bind_int64(cat, 3, headerRows);
    sqlite3_bind_int64(cat, 4, rows);
    sqlite3_step(cat);
    sqlite3_finalize(cat);
    return rows;
}

void listObject(sqlite3* db, MdbCatalogEntry* entry) {
    sqlite3_stmt* cat = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO __catalog VALUES (?, ?, NULL, NULL)", -1, &cat, nullptr);
    sqlite3_bind_text(cat, 1, entry->object_name, -1, SQLITE_TRANSIENT);
    sqlite3_bind_int(cat, 2, entry->object_type);
    sqlite3_step(cat);
    sqlite3_finalize(cat);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 || argv[1][0] != '/')
        fail(2, "usage: tav-mdbreader /absolute/path/to/file.mdb");
    // The library formats numbers with the process locale; keep it at C.
    std::setlocale(LC_ALL, "C");
    unsetenv("MDBPATH");

    MdbHandle* mdb = mdb_open(argv[1], MDB_NOFLAGS);
    if (!mdb)
        fail(3, "The file is not an Access database or is damaged (its header cannot be read).");
    // The library reveals a Jet 3 file's database password; Jet 4 and newer files that are
    // protected or encrypted fail at the catalog below.
    if (mdb->f->jet_version == MDB_VER_JET3 && mdb->f->db_passwd[0] != '\0')
        fail(5, "The file is protected by a database password.");
    mdb_set_date_fmt(mdb, "%Y-%m-%d %H:%M:%S");
    mdb_set_shortdate_fmt(mdb, "%Y-%m-%d %H:%M:%S");
    mdb_set_boolean_fmt_numbers(mdb);
    mdb_set_repid_fmt(mdb, MDB_BRACES_4_2_2_8);
    if (!mdb_read_catalog(mdb, MDB_ANY) || mdb->num_catalog == 0)
        fail(3, "The file is not an Access database, is encrypted or is damaged (its catalog cannot be read).");

    sqlite3* db = nullptr;
    if (sqlite3_open(":memory:", &db) != SQLITE_OK)
        fail(4, "Cannot create the in-memory database.");
    sqlite3_create_collation(db, "ACCESSTEXT", SQLITE_UTF8, nullptr, plainCollation);
    exec(db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN");
    exec(db, "CREATE TABLE __catalog (name TEXT, type INTEGER, header_rows INTEGER, rows INTEGER)");

    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        const std::string name = entry->object_name;
        if (entry->object_type == MDB_TABLE && mdb_is_user_table(entry))
            copyTable(mdb, db, entry, name);
        else if (entry->object_type == MDB_TABLE && (name == "MSysObjects" || name == "MSysQueries"))
            copyTable(mdb, db, entry, name == "MSysObjects" ? "__msysobjects" : "__msysqueries");
        else if (entry->object_type == MDB_QUERY || entry->object_type == MDB_LINKED_TABLE)
            listObject(db, entry);
    }
    exec(db, "COMMIT");
    mdb_close(mdb);

    sqlite3_int64 size = 0;
    unsigned char* image = sqlite3_serialize(db, "main", &size, 0);
    if (!image)
        fail(4, "Cannot serialize the in-memory database.");
    std::fwrite(image, 1, size_t(size), stdout);
    std::fflush(stdout);
    sqlite3_free(image);
    sqlite3_close(db);
    return 0;
}
