// tav-mdbreader: copies the catalog or some tables of one Access database file into a
// SQLite database image written to standard output. It runs as a child process so that a
// crash or an endless loop in the file library on a damaged file cannot take the caller
// with it.
//
//   tav-mdbreader /absolute/path/file.mdb > catalog.sqlite
//   tav-mdbreader /absolute/path/file.mdb PAGE:TABLE... > tables.sqlite
//
// Without tables it writes the catalog: every user table as an empty typed table of the
// same name, the system tables the caller needs to rebuild saved queries copied as
// "__msysobjects" (its names, types, ids and the sources of linked tables only) and
// "__msysqueries", "__catalog" listing every object (name, type, header row count, counted
// rows for the tables copied with their rows, the page of a table's definition), and
// "__refused" listing the columns this reader does not read, with the reason. Given tables, each
// as the page of its definition and its name as the catalog lists them, it writes only those user
// tables with their rows, each listed in "__catalog" with its counted rows; the file's catalog is
// not read again. Both forms declare a table's columns the same way.
// With TAV_MDBREADER_SERVE=1 and no tables, it serves: each image is preceded by its length
// (8 bytes, little-endian) and followed by an empty line on standard error, and after the catalog
// it reads one line per load from standard input, the tables separated by tabs, until the input
// ends (see serve()). Exit status: 0 done, 2 usage, 3 not an Access file or damaged, 4 SQLite
// failure, 5 protected by a database password. Messages go to standard error, one line each.
// Standard headers first: the library's header opens an extern "C" block around glib's.
#include "storedvalues.h"

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mdbtools.h>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace {

using tav::mdbreader::Bytes;

// Kinds the library's header does not name.
constexpr int extendedDateTime = 0x14; // Date/Time Extended, 42 bytes of ASCII
constexpr int calculatedFlags = 0xC0;  // in a column's extended flags: a calculated column
constexpr int odbcLinkedTable = 4;     // an object type: a table linked through ODBC

// How a column's values are read.
enum class Reading {
    Library,  // the library's text (Jet 3 text and memo, booleans, decimals)
    Stored,   // converted here from the row's bytes
    LongValue // a long value (memo or OLE object) read whole, then converted here
};

struct ColumnPlan {
    int number; // 1-based, in the table's definition
    MdbColumn* col;
    std::string declared; // SQLite declared type
    std::vector<char> buffer;
    int length = 0;
    Reading reading = Reading::Library;
    int kind = 0;            // the kind of value held: the column's, or a calculated result's
    bool calculated = false; // its stored value is wrapped in the calculated-result header
    std::string refusal;     // why the column is not read, or empty
};

template <typename T> T littleEndian(const unsigned char* p) {
    T v;
    std::memcpy(&v, p, sizeof v); // the files are little-endian, as is this machine
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

void bindText(sqlite3_stmt* st, int index, const std::string& text) {
    sqlite3_bind_text(st, index, text.data(), int(text.size()), SQLITE_TRANSIENT);
}

void bindBytes(sqlite3_stmt* st, int index, Bytes v) {
    sqlite3_bind_blob(st, index, v.data(), int(v.size()), SQLITE_TRANSIENT);
}

// Binds a value of kind `kind` from its stored bytes. A value whose bytes do not have the
// kind's form is given as its bytes, never as a made-up value.
void bindStored(sqlite3_stmt* st, int index, int kind, Bytes v) {
    const auto fits = [&](std::size_t n) { return v.size() >= n; };
    const unsigned char* p = v.data();
    switch (kind) {
    case MDB_BOOL: // only calculated results are stored as a byte
        return (void)sqlite3_bind_int(st, index, v.empty() || v[0] == 0 ? 0 : -1);
    case MDB_BYTE:
        if (fits(1))
            return (void)sqlite3_bind_int(st, index, p[0]);
        break;
    case MDB_INT:
        if (fits(2))
            return (void)sqlite3_bind_int(st, index, littleEndian<int16_t>(p));
        break;
    case MDB_LONGINT:
        if (fits(4))
            return (void)sqlite3_bind_int(st, index, littleEndian<int32_t>(p));
        break;
    case MDB_MONEY:
        if (fits(8))
            return (void)sqlite3_bind_double(st, index, double(littleEndian<int64_t>(p)) / 10000.0);
        break;
    case MDB_FLOAT:
        if (fits(4))
            return (void)sqlite3_bind_double(st, index, singleAsDouble(littleEndian<float>(p)));
        break;
    case MDB_DOUBLE:
        if (fits(8))
            return (void)sqlite3_bind_double(st, index, littleEndian<double>(p));
        break;
    case MDB_DATETIME:
        if (fits(8))
            if (const std::string t = tav::mdbreader::dateText(littleEndian<double>(p)); !t.empty())
                return bindText(st, index, t);
        break;
    case extendedDateTime:
        if (const std::string t = tav::mdbreader::extendedDateText(v); !t.empty())
            return bindText(st, index, t);
        break;
    case MDB_REPID:
        if (const std::string t = tav::mdbreader::guidText(v); !t.empty())
            return bindText(st, index, t);
        break;
    case MDB_TEXT:
    case MDB_MEMO:
        return bindText(st, index, tav::mdbreader::unicodeText(v));
    case MDB_NUMERIC: // only calculated results are converted here
        if (const auto d = tav::mdbreader::calculatedDecimal(v))
            return (void)sqlite3_bind_double(st, index, *d);
        break;
    default:
        break;
    }
    bindBytes(st, index, v);
}

// The stored bytes of the current row's value of a column read here.
void bindRaw(sqlite3_stmt* st, int index, const ColumnPlan& p, MdbHandle* mdb) {
    const MdbColumn* col = p.col;
    if (col->cur_value_len <= 0)
        return (void)sqlite3_bind_null(st, index);
    Bytes v(mdb->pg_buf + col->cur_value_start, std::size_t(col->cur_value_len));
    bindStored(st, index, p.kind, p.calculated ? tav::mdbreader::calculatedResult(v) : v);
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

std::string declaredType(int kind) {
    switch (kind) {
    case MDB_BOOL:
        return "BIT";
    case MDB_BYTE:
        return "BYTE";
    case MDB_INT:
        return "SMALLINT";
    case MDB_LONGINT:
        return "INTEGER";
    case MDB_MONEY:
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_NUMERIC:
        return "DOUBLE";
    case MDB_DATETIME:
    case extendedDateTime:
        return "DATETIME";
    case MDB_TEXT:
    case MDB_MEMO:
        return "TEXT COLLATE ACCESSTEXT";
    case MDB_REPID:
        return "GUID";
    case MDB_COMPLEX:
        return "";
    default: // binary, OLE objects and kinds this reader does not know: their bytes
        return "BLOB";
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

// A long value read whole: an OLE object's bytes, or a memo's text converted here.
void bindLongValue(sqlite3_stmt* st, int index, ColumnPlan& p, MdbHandle* mdb) {
    size_t size = 0;
    void* data = p.length ? mdb_ole_read_full(mdb, p.col, &size) : nullptr;
    if (!data)
        return (void)sqlite3_bind_null(st, index);
    Bytes v(static_cast<const unsigned char*>(data), size);
    if (p.kind == MDB_OLE)
        bindBytes(st, index, v);
    else
        bindStored(st, index, p.kind, p.calculated ? tav::mdbreader::calculatedResult(v) : v);
    std::free(data);
}

// A value through the library's text.
void bindValue(sqlite3_stmt* st, int index, ColumnPlan& p, MdbHandle* mdb) {
    (void)mdb;
    const int type = p.col->col_type;
    if (type == MDB_BOOL) {
        // Booleans are never null; the bound text is "1" or "0".
        sqlite3_bind_int(st, index, p.buffer[0] == '1' ? -1 : 0);
        return;
    }
    if (p.length <= 0) {
        sqlite3_bind_null(st, index);
        return;
    }
    const char* text = p.buffer.data();
    if (type == MDB_NUMERIC)
        sqlite3_bind_double(st, index, std::strtod(text, nullptr));
    else
        sqlite3_bind_text(st, index, text, int(std::strlen(text)), SQLITE_TRANSIENT);
}

// A table's definition and columns, read or the reader fails naming the table.
MdbTableDef* readDefinition(MdbCatalogEntry* entry) {
    MdbTableDef* table = mdb_read_table(entry);
    if (!table)
        fail(3, "Cannot read the definition of table '" + std::string(entry->object_name) + "'.");
    if (!mdb_read_columns(table)) {
        mdb_free_tabledef(table);
        fail(3, "Cannot read the columns of table '" + std::string(entry->object_name) + "'.");
    }
    return table;
}

// The flags and extended flags of each column (by its number), read from the table's
// definition, whose pages the library does not keep. Jet 3 columns have no extended flags.
std::map<int, std::pair<int, int>> columnFlags(MdbHandle* mdb, MdbTableDef* table) {
    std::map<int, std::pair<int, int>> flags;
    const MdbFormatConstants* fmt = mdb->fmt;
    if (mdb->f->jet_version == MDB_VER_JET3 || !mdb_read_pg(mdb, table->entry->table_pg))
        return flags;
    // The definition continues on the pages chained through bytes 4-7, after their header.
    std::size_t pos = fmt->tab_cols_start_offset + table->num_real_idxs * fmt->tab_ridx_entry_size;
    const auto byteAt = [&](std::size_t& at) -> int {
        while (at >= std::size_t(fmt->pg_size)) {
            if (!mdb_read_pg(mdb, littleEndian<uint32_t>(mdb->pg_buf + 4)))
                return -1;
            at -= std::size_t(fmt->pg_size) - 8;
        }
        return mdb->pg_buf[at++];
    };
    for (unsigned i = 0; i < table->num_cols; ++i) {
        int entry[32] = {};
        for (unsigned k = 0; k < fmt->tab_col_entry_size && k < 32; ++k)
            if ((entry[k] = byteAt(pos)) < 0)
                return flags;
        flags[entry[fmt->col_num_offset]] = {entry[fmt->col_flags_offset],
                                             entry[fmt->col_flags_offset + 1]};
    }
    return flags;
}

// The result kinds of the calculated columns of the table defined on `page`, by column
// name: the column's "ResultType" property, kept in the table's row of MSysObjects.
std::map<std::string, int> resultKinds(MdbHandle* mdb, unsigned long page);

// How a column of `table` is read, its declared type, and why it is refused, if it is.
ColumnPlan planColumn(MdbHandle* mdb, MdbColumn* col, int number, int extFlags,
                      const std::map<std::string, int>& results) {
    ColumnPlan p{number, col, {}, {}, 0, Reading::Library, col->col_type, false, {}};
    const bool jet3 = mdb->f->jet_version == MDB_VER_JET3;
    p.calculated = (extFlags & calculatedFlags) != 0;
    if (p.calculated) {
        const auto it = results.find(col->name);
        if (it != results.end())
            p.kind = it->second;
        // The result is stored as a value of its own, not in the row's null mask; a long
        // text result is a long value.
        col->col_type = p.kind == MDB_MEMO ? MDB_OLE : MDB_BINARY;
        p.reading = p.kind == MDB_MEMO ? Reading::LongValue : Reading::Stored;
    } else if (p.kind == MDB_OLE || (p.kind == MDB_MEMO && !jet3)) {
        col->col_type = MDB_OLE; // memo text is converted here from the long value's bytes
        p.reading = Reading::LongValue;
    } else if (p.kind == MDB_COMPLEX) {
        p.refusal = "it holds attachments, several values or a version history, which this "
                    "reader does not read";
    } else if (!(p.kind == MDB_BOOL || p.kind == MDB_NUMERIC ||
                 ((p.kind == MDB_TEXT || p.kind == MDB_MEMO) && jet3))) {
        p.reading = Reading::Stored;
    }
    p.declared = declaredType(p.kind);
    return p;
}

// One row of __refused: a column of `table` this reader does not read, and why.
void listRefusal(sqlite3* db, const std::string& table, const std::string& column,
                 const std::string& why) {
    char* sql = sqlite3_mprintf("INSERT INTO __refused VALUES (%Q, %Q, %Q)", table.c_str(),
                                column.c_str(), why.c_str());
    const std::string text = sql ? sql : "";
    sqlite3_free(sql);
    exec(db, text);
}

// Creates `target` with the columns of `table` (only those named in `only`, when given);
// returns how each column is read, with the buffers for reading rows when `withRows`.
std::vector<ColumnPlan> createTable(MdbHandle* mdb, sqlite3* db, MdbTableDef* table,
                                    const std::string& target, bool withRows,
                                    const std::vector<std::string>& only = {}) {
    const std::map<int, std::pair<int, int>> flags = columnFlags(mdb, table);
    const bool anyCalculated = std::any_of(flags.begin(), flags.end(), [](const auto& f) {
        return (f.second.second & calculatedFlags) != 0;
    });
    const std::map<std::string, int> results =
        anyCalculated ? resultKinds(mdb, table->entry->table_pg) : std::map<std::string, int>{};
    std::vector<ColumnPlan> plan;
    std::string create = "CREATE TABLE " + quoteName(target) + " (";
    for (unsigned i = 0; i < table->num_cols; ++i) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
        if (!only.empty() && std::find(only.begin(), only.end(), col->name) == only.end())
            continue;
        const auto f = flags.find(col->col_num);
        ColumnPlan p =
            planColumn(mdb, col, int(i) + 1, f == flags.end() ? 0 : f->second.second, results);
        if (withRows && p.reading != Reading::Stored)
            p.buffer.assign(size_t(mdb->bind_size) + 1, 0);
        if (!plan.empty())
            create += ", ";
        create += quoteName(col->name) + " " + p.declared;
        if (!p.refusal.empty())
            listRefusal(db, target, col->name, p.refusal);
        plan.push_back(std::move(p));
    }
    exec(db, create + ")");
    return plan;
}

sqlite3_stmt* g_catalogInsert = nullptr; // prepared once, finalized before the database closes

// One row of __catalog; a negative number is unknown (NULL).
void listObject(sqlite3* db, const std::string& name, int type, long long headerRows = -1,
                long long rows = -1, long long page = -1) {
    sqlite3_stmt*& cat = g_catalogInsert;
    if (!cat && sqlite3_prepare_v2(db, "INSERT INTO __catalog VALUES (?, ?, ?, ?, ?)", -1, &cat,
                                   nullptr) != SQLITE_OK)
        fail(4, std::string("SQLite refused the catalog insert: ") + sqlite3_errmsg(db));
    sqlite3_bind_text(cat, 1, name.c_str(), int(name.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int(cat, 2, type);
    const long long numbers[] = {headerRows, rows, page};
    for (int i = 0; i < 3; ++i)
        if (numbers[i] >= 0)
            sqlite3_bind_int64(cat, i + 3, numbers[i]);
        else
            sqlite3_bind_null(cat, i + 3);
    const int rc = sqlite3_step(cat);
    sqlite3_reset(cat);
    if (rc != SQLITE_DONE)
        fail(4, "SQLite refused the catalog row of '" + name + "': " + sqlite3_errmsg(db));
}

// Copies one table with its rows (only the columns named in `only`, when given); returns
// the number of rows read and gives the header's count in `headerRows`.
long copyTable(MdbHandle* mdb, sqlite3* db, MdbCatalogEntry* entry, const std::string& target,
               unsigned& headerRows, const std::vector<std::string>& only = {}) {
    MdbTableDef* table = readDefinition(entry);
    std::vector<ColumnPlan> plan = createTable(mdb, db, table, target, true, only);
    std::string insert = "INSERT INTO " + quoteName(target) + " VALUES (";
    for (unsigned i = 0; i < plan.size(); ++i)
        insert += i ? ", ?" : "?";
    for (ColumnPlan& p : plan)
        if (p.reading != Reading::Stored)
            mdb_bind_column(table, p.number, p.buffer.data(), &p.length);

    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, (insert + ")").c_str(), -1, &st, nullptr) != SQLITE_OK)
        fail(4, "SQLite refused the insert into '" + target + "': " + sqlite3_errmsg(db));
    long rows = 0;
    mdb_rewind_table(table);
    while (mdb_fetch_row(table)) {
        // Long values last: reading them moves the library off the row's page.
        for (unsigned i = 0; i < plan.size(); ++i)
            if (!plan[i].refusal.empty())
                sqlite3_bind_null(st, int(i) + 1);
            else if (plan[i].reading == Reading::Stored)
                bindRaw(st, int(i) + 1, plan[i], mdb);
            else if (plan[i].reading == Reading::Library)
                bindValue(st, int(i) + 1, plan[i], mdb);
        for (unsigned i = 0; i < plan.size(); ++i)
            if (plan[i].reading == Reading::LongValue)
                bindLongValue(st, int(i) + 1, plan[i], mdb);
        if (sqlite3_step(st) != SQLITE_DONE)
            fail(4, "SQLite refused a row of '" + target + "': " + sqlite3_errmsg(db));
        sqlite3_reset(st);
        ++rows;
    }
    sqlite3_finalize(st);
    headerRows = table->num_rows;
    mdb_free_tabledef(table);
    return rows;
}

// The catalog entry of the object whose definition is on `page`.
MdbCatalogEntry entryOf(MdbHandle* mdb, const std::string& name, int type, unsigned long page,
                        int flags = 0) {
    MdbCatalogEntry entry{};
    entry.mdb = mdb;
    std::snprintf(entry.object_name, sizeof entry.object_name, "%s", name.c_str());
    entry.object_type = type;
    entry.table_pg = page;
    entry.flags = flags;
    return entry;
}

std::map<std::string, int> resultKinds(MdbHandle* mdb, unsigned long page) {
    MdbCatalogEntry objects = entryOf(mdb, "MSysObjects", MDB_TABLE, 2);
    MdbTableDef* table = readDefinition(&objects);
    MdbColumn* id = nullptr;
    MdbColumn* properties = nullptr;
    for (unsigned i = 0; i < table->num_cols; ++i) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
        if (std::strcmp(col->name, "Id") == 0)
            id = col;
        else if (std::strcmp(col->name, "LvProp") == 0)
            properties = col;
    }
    std::map<std::string, int> kinds;
    std::vector<char> header(size_t(mdb->bind_size) + 1, 0);
    int length = 0;
    if (id && properties && properties->col_type == MDB_OLE) {
        properties->bind_ptr = header.data();
        properties->len_ptr = &length;
        mdb_rewind_table(table);
        while (mdb_fetch_row(table)) {
            if (id->cur_value_len < 4 ||
                (littleEndian<uint32_t>(mdb->pg_buf + id->cur_value_start) & 0x00FFFFFF) != page)
                continue;
            size_t size = 0;
            void* data = length ? mdb_ole_read_full(mdb, properties, &size) : nullptr;
            GPtrArray* all = data ? mdb_kkd_to_props(mdb, data, size) : nullptr;
            for (unsigned i = 0; all && i < all->len; ++i) {
                auto* props = static_cast<MdbProperties*>(g_ptr_array_index(all, i));
                const auto* kind =
                    props->name && props->hash
                        ? static_cast<const char*>(g_hash_table_lookup(props->hash, "ResultType"))
                        : nullptr;
                if (kind)
                    kinds[props->name] = std::atoi(kind);
                mdb_free_props(props);
            }
            if (all)
                g_ptr_array_free(all, TRUE);
            std::free(data);
            break;
        }
    }
    mdb_free_tabledef(table);
    return kinds;
}

// The catalog. The objects are read from MSysObjects (its definition is always on page 2)
// without their property blobs, which the library's own catalog reads and this one needs not.
void writeCatalog(MdbHandle* mdb, sqlite3* db) {
    MdbCatalogEntry objects = entryOf(mdb, "MSysObjects", MDB_TABLE, 2);
    unsigned headerRows = 0;
    const long count = copyTable(
        mdb, db, &objects, "__msysobjects", headerRows,
        {"Id", "ParentId", "Name", "Type", "Flags", "Database", "Connect", "ForeignName"});
    if (count == 0)
        fail(3, "The file is not an Access database, is encrypted or is damaged (its catalog "
                "cannot be read).");
    listObject(db, objects.object_name, MDB_TABLE, headerRows, count, 2);

    struct Object {
        unsigned long page;
        std::string name;
        int type;
        int flags;
        int storedType; // as MSysObjects holds it: a report (-32764) is 4 once masked
    };
    std::vector<Object> list;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db,
                           "SELECT Id, Name, Type, Flags FROM __msysobjects WHERE Name IS NOT NULL",
                           -1, &st, nullptr) != SQLITE_OK)
        fail(4, std::string("SQLite refused the catalog scan: ") + sqlite3_errmsg(db));
    while (sqlite3_step(st) == SQLITE_ROW)
        // Types as the library numbers them; the low 24 bits of an id are its definition's page.
        list.push_back({(unsigned long)(sqlite3_column_int64(st, 0)) & 0x00FFFFFF,
                        reinterpret_cast<const char*>(sqlite3_column_text(st, 1)),
                        sqlite3_column_int(st, 2) & 0x7F, sqlite3_column_int(st, 3),
                        sqlite3_column_int(st, 2)});
    sqlite3_finalize(st);

    for (const Object& o : list) {
        MdbCatalogEntry entry = entryOf(mdb, o.name, o.type, o.page, o.flags);
        if (mdb_is_user_table(&entry)) {
            MdbTableDef* table = readDefinition(&entry);
            createTable(mdb, db, table, o.name, false);
            const unsigned tableRows = table->num_rows;
            mdb_free_tabledef(table);
            listObject(db, o.name, o.type, tableRows, -1, (long long)o.page);
        } else if (o.type == MDB_TABLE && o.name == "MSysQueries") {
            const long rows = copyTable(mdb, db, &entry, "__msysqueries", headerRows);
            listObject(db, o.name, o.type, headerRows, rows, (long long)o.page);
        } else if (o.type == MDB_QUERY || o.type == MDB_LINKED_TABLE ||
                   o.storedType == odbcLinkedTable) {
            listObject(db, o.name, o.type);
        }
    }
}

// The user tables asked for, each given as "PAGE:NAME", with their rows.
void writeTables(MdbHandle* mdb, sqlite3* db, const std::vector<std::string>& tables) {
    for (const std::string& table : tables) {
        const std::size_t colon = table.find(':');
        char* end = nullptr;
        const unsigned long page = std::strtoul(table.c_str(), &end, 10);
        if (colon == std::string::npos || colon == 0 || end != table.c_str() + colon ||
            colon + 1 == table.size())
            fail(2, "usage: a table is given as PAGE:NAME, not '" + table + "'.");
        const std::string name = table.substr(colon + 1);
        MdbCatalogEntry entry = entryOf(mdb, name, MDB_TABLE, page);
        unsigned headerRows = 0;
        const long rows = copyTable(mdb, db, &entry, name, headerRows);
        listObject(db, name, MDB_TABLE, headerRows, rows, (long long)page);
    }
}

// The image of the catalog (no tables) or of the tables given, written to standard output;
// in serve mode preceded by its length (8 bytes, little-endian).
void writeImage(MdbHandle* mdb, const std::vector<std::string>& tables, bool framed) {
    sqlite3* db = nullptr;
    if (sqlite3_open(":memory:", &db) != SQLITE_OK)
        fail(4, "Cannot create the in-memory database.");
    sqlite3_create_collation(db, "ACCESSTEXT", SQLITE_UTF8, nullptr, plainCollation);
    exec(db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN");
    exec(db, "CREATE TABLE __catalog (name TEXT, type INTEGER, header_rows INTEGER, rows INTEGER, "
             "page INTEGER)");
    exec(db, "CREATE TABLE __refused (table_name TEXT, column_name TEXT, why TEXT)");
    if (tables.empty())
        writeCatalog(mdb, db);
    else
        writeTables(mdb, db, tables);
    sqlite3_finalize(g_catalogInsert);
    g_catalogInsert = nullptr;
    exec(db, "COMMIT");

    sqlite3_int64 size = 0;
    unsigned char* image = sqlite3_serialize(db, "main", &size, 0);
    if (!image)
        fail(4, "Cannot serialize the in-memory database.");
    if (framed) {
        unsigned char length[8];
        for (int i = 0; i < 8; ++i)
            length[i] =
                static_cast<unsigned char>(static_cast<unsigned long long>(size) >> (8 * i));
        std::fwrite(length, 1, sizeof length, stdout);
    }
    std::fwrite(image, 1, size_t(size), stdout);
    std::fflush(stdout);
    // The caller waits on the messages (so that a flood of them never piles up): an empty
    // line tells it the image is there.
    if (framed)
        std::fputc('\n', stderr);
    sqlite3_free(image);
    sqlite3_close(db);
}

// Serve mode: after the catalog, one load per line of standard input (its tables as
// PAGE:NAME, separated by tabs), until the input ends. The file stays open in between, so a
// load costs no start of this program and no second reading of the file's header.
void serve(MdbHandle* mdb) {
    for (;;) {
        std::string line;
        int c;
        while ((c = std::getchar()) != EOF && c != '\n')
            line += char(c);
        if (line.empty()) {
            if (c == EOF)
                return;
            fail(2, "usage: a load names at least one table.");
        }
        std::vector<std::string> tables;
        for (std::size_t from = 0; from <= line.size();) {
            const std::size_t tab = std::min(line.find('\t', from), line.size());
            const std::string table = line.substr(from, tab - from);
            if (std::find(tables.begin(), tables.end(), table) == tables.end())
                tables.push_back(table);
            from = tab + 1;
        }
        writeImage(mdb, tables, true);
        if (c == EOF)
            return;
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argv[1][0] != '/')
        fail(2, "usage: tav-mdbreader /absolute/path/to/file.mdb [PAGE:TABLE...]");
    // The library formats numbers with the process locale; keep it at C.
    std::setlocale(LC_ALL, "C");
    unsetenv("MDBPATH");
    // Asked for by the provider, which then keeps this reader for the file's later loads.
    const char* serving = std::getenv("TAV_MDBREADER_SERVE");
    const bool serveMode = argc == 2 && serving && std::strcmp(serving, "1") == 0;

    MdbHandle* mdb = mdb_open(argv[1], MDB_NOFLAGS);
    if (!mdb)
        fail(3, "The file is not an Access database or is damaged (its header cannot be read).");
    // The library reveals a Jet 3 file's database password; Jet 4 and newer files that are
    // protected or encrypted fail at the catalog.
    if (mdb->f->jet_version == MDB_VER_JET3 && mdb->f->db_passwd[0] != '\0')
        fail(5, "The file is protected by a database password.");
    mdb_set_date_fmt(mdb, "%Y-%m-%d %H:%M:%S");
    mdb_set_shortdate_fmt(mdb, "%Y-%m-%d %H:%M:%S");
    mdb_set_boolean_fmt_numbers(mdb);

    // One thread: SQLite need not lock.
    sqlite3_config(SQLITE_CONFIG_SINGLETHREAD);
    std::vector<std::string> tables;
    for (int i = 2; i < argc; ++i)
        if (std::find(tables.begin(), tables.end(), argv[i]) == tables.end())
            tables.emplace_back(argv[i]);
    writeImage(mdb, tables, serveMode);
    if (serveMode)
        serve(mdb);
    mdb_close(mdb);
    return 0;
}
