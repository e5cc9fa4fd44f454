#include "registrystore.h"

#include "keyhandletable_p.h"
#include "keypath_p.h"
#include "sqlitestmt.h"
#include "storeerror_p.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tav::winreg {

namespace {

// Marks the file as this system's registry store, so that another program's database is
// recognised and left alone.
constexpr int kApplicationId = 0x54415652; // "TAVR"

const char* const kSchema = R"sql(
CREATE TABLE keys(
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    parent INTEGER NOT NULL,
    name TEXT NOT NULL,
    fold TEXT NOT NULL,
    class TEXT NOT NULL DEFAULT '',
    written INTEGER NOT NULL,
    UNIQUE(parent, fold));
CREATE TABLE vals(
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    key INTEGER NOT NULL,
    name TEXT NOT NULL,
    fold TEXT NOT NULL,
    type INTEGER NOT NULL,
    data BLOB NOT NULL,
    UNIQUE(key, fold));
CREATE INDEX vals_by_key ON vals(key);
)sql";

const char* const kHiveNames[4] = {"HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS",
                                   "HKEY_CURRENT_CONFIG"};

enum Stmt {
    SAlive,
    SFind,
    SCreate,
    SChildren,
    SHasChildren,
    SParent,
    SDelVals,
    SDelKey,
    SKeyRow,
    SValueStats,
    SChildClass,
    SValue,
    SSetValue,
    SDelValue,
    SValueIds,
    SValueById,
    STouch,
    SDataVersion,
    SCount
};

// The store file and the files SQLite keeps beside it: log, its shared-memory index, journal.
const char* const kStoreFileSuffixes[] = {"", "-wal", "-shm", "-journal"};

std::unique_ptr<RegistryStore> g_store;
LONG g_badStatus = ERROR_SUCCESS; // sticky: set when the file proved unusable
std::vector<QString> g_madePrivate;

int64_t fileTimeNow() {
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    return int64_t(ms) * 10000 + 116444736000000000LL;
}

void check(int rc) {
    if (rc != SQLITE_OK && rc != SQLITE_ROW && rc != SQLITE_DONE)
        throw StoreError{statusForSqlite(rc)};
}

// Prepares `sql` on `db`; throws StoreError when it cannot be prepared.
SqliteStmt prepared(sqlite3* db, const char* sql, unsigned flags = 0) {
    SqliteStmt s(db, sql, flags);
    if (s.rc() != SQLITE_OK)
        throw StoreError{statusForSqlite(s.rc())};
    return s;
}

// True while a row is available; throws StoreError on failure.
bool next(SqliteStmt::Run& r) {
    const int rc = r.step();
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    throw StoreError{statusForSqlite(rc)};
}

// Runs a statement that changes the store; throws StoreError on failure.
void change(SqliteStmt::Run& r) {
    next(r);
}

int64_t scalar(sqlite3* db, const char* sql) {
    const SqliteStmt s = prepared(db, sql);
    SqliteStmt::Run r(s);
    return next(r) ? r.integer(0) : 0;
}

std::string scalarText(sqlite3* db, const char* sql) {
    const SqliteStmt s = prepared(db, sql);
    SqliteStmt::Run r(s);
    return next(r) ? r.text(0) : std::string();
}

// Why the store folder or file could not be made: access denied when the nearest folder
// that exists may not be written by this user, else the store cannot be opened.
int32_t folderFailure(const QString& dir) {
    QString existing = QDir::cleanPath(dir);
    while (!QFileInfo::exists(existing) && existing != QFileInfo(existing).path())
        existing = QFileInfo(existing).path();
    const bool denied = ::access(existing.toLocal8Bit().constData(), W_OK | X_OK) != 0 &&
                        (errno == EACCES || errno == EPERM || errno == EROFS);
    return denied ? ERROR_ACCESS_DENIED : ERROR_CANTOPEN;
}

// Makes `dir` and its missing parents; each folder made here is private to this user (0700,
// as the XDG rules ask of folders an application creates under the data home). Folders
// that exist are left as they are.
bool makePrivateFolder(const QString& dir) {
    std::vector<QByteArray> missing;
    QByteArray path = QFile::encodeName(QDir::cleanPath(dir));
    struct stat st {};
    while (::stat(path.constData(), &st) != 0) {
        if (errno != ENOENT)
            return false;
        missing.push_back(path);
        const qsizetype slash = path.lastIndexOf('/');
        if (slash <= 0)
            break;
        path.truncate(slash);
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (::mkdir(it->constData(), 0700) == 0)
            ::chmod(it->constData(), 0700); // the umask may have taken some of the owner's bits
        else if (errno != EEXIST)
            return false;
    }
    return ::stat(QFile::encodeName(dir).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Whose a store file is: absent, this user's (effective uid, root included), or another's.
// A symbolic link is judged by what it points to.
enum class Owner { Absent, Me, Other };

Owner ownerOf(const QByteArray& path, struct stat& st) {
    if (::lstat(path.constData(), &st) != 0)
        return Owner::Absent; // missing, or not reachable: SQLite's open reports the latter
    if (S_ISLNK(st.st_mode)) {
        struct stat target {};
        if (::stat(path.constData(), &target) != 0)
            return Owner::Absent;
        return target.st_uid == ::geteuid() ? Owner::Me : Owner::Other;
    }
    return st.st_uid == ::geteuid() ? Owner::Me : Owner::Other;
}

// Makes the store file itself, when it is missing, so that it is never readable by others
// whatever the umask. O_EXCL leaves a store another process made a moment earlier as it
// is. SQLite creates the log, its index and the journal with the store file's own
// permissions and sets those explicitly, so the umask has no say over them either; no
// process-wide umask change is needed.
void createPrivateStoreFile(const QString& dir, const QByteArray& path) {
    const int fd =
        ::open(path.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::fchmod(fd, 0600); // a umask may have taken some of the owner's bits
        ::close(fd);
    } else if (errno != EEXIST) {
        throw StoreError{folderFailure(dir)};
    }
}

// Refuses a store of which any file belongs to another user, before anything of it is read
// or changed; then takes group and other access away from this user's files that have
// it, keeping the owner's own bits. Links are never changed through.
void claimStoreFiles(const QByteArray& storeFile) {
    struct stat st {};
    for (const char* suffix : kStoreFileSuffixes)
        if (ownerOf(storeFile + suffix, st) == Owner::Other)
            throw StoreError{ERROR_ACCESS_DENIED};
    for (const char* suffix : kStoreFileSuffixes) {
        const QByteArray path = storeFile + suffix;
        if (ownerOf(path, st) == Owner::Me && S_ISREG(st.st_mode) && (st.st_mode & 077) != 0 &&
            ::fchmodat(AT_FDCWD, path.constData(), st.st_mode & 0700, AT_SYMLINK_NOFOLLOW) == 0)
            g_madePrivate.push_back(QFile::decodeName(path));
    }
}

} // namespace

QString storeDirectory() {
    const QByteArray overridden = qgetenv("TAV_REGISTRY_DIR");
    if (!overridden.isEmpty())
        return QString::fromLocal8Bit(overridden);
    QString data = QString::fromLocal8Bit(qgetenv("XDG_DATA_HOME"));
    if (data.isEmpty())
        data = QDir::homePath() + QStringLiteral("/.local/share");
    return data + QStringLiteral("/tavrion/registry");
}

QString storeFilePath() {
    return storeDirectory() + QStringLiteral("/registry.db");
}

std::vector<QString> takeFilesMadePrivate() {
    return std::exchange(g_madePrivate, {});
}

RegistryStore& RegistryStore::instance() {
    if (g_badStatus != ERROR_SUCCESS)
        throw StoreError{g_badStatus};
    if (g_store)
        return *g_store;

    const QString dir = storeDirectory();
    if (!makePrivateFolder(dir))
        throw StoreError{folderFailure(dir)};
    const QByteArray file = QFile::encodeName(storeFilePath());
    createPrivateStoreFile(dir, file);
    claimStoreFiles(file);
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(file.constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close(db);
        throw StoreError{folderFailure(dir)};
    }
    std::unique_ptr<RegistryStore> store(new RegistryStore(db));
    try {
        store->openSchema();
    } catch (const StoreError& e) {
        if (e.status == ERROR_BADDB)
            g_badStatus = ERROR_BADDB;
        throw;
    }
    g_store = std::move(store);
    return *g_store;
}

void RegistryStore::markBad() {
    // The connection stays open (a running transaction may still refer to it) but is no
    // longer handed out.
    g_badStatus = ERROR_BADDB;
}

void RegistryStore::close() {
    g_store.reset();
    g_badStatus = ERROR_SUCCESS;
}

RegistryStore::RegistryStore(sqlite3* db) : m_db(db), m_statements(SCount) {
    sqlite3_busy_timeout(m_db, 30000);
}

RegistryStore::~RegistryStore() {
    m_statements.clear();
    sqlite3_close(m_db);
}

void RegistryStore::openSchema() {
    // Every page read checks its cells, so that a damaged page answers "corrupt" (1009)
    // where it is met rather than wrong data; the store is never walked whole at open, so
    // opening costs the same whatever its size.
    exec("PRAGMA cell_size_check=ON");
    // Reading the header first: a file that is not a database fails here, before any write.
    const int64_t tables = scalar(m_db, "SELECT count(*) FROM sqlite_master");
    if (tables > 0) {
        if (scalar(m_db, "PRAGMA application_id") != kApplicationId || !schemaIsOurs())
            throw StoreError{ERROR_BADDB};
    }
    // Write-ahead log with a full sync per commit: each call is durable when it returns and
    // a writer killed half-way leaves the last committed state.
    // Switching a new file to the log needs the file to itself for a moment; when another
    // process is creating or opening the store at the same time, wait for it as the busy
    // timeout would (the switch answers busy at once instead of waiting).
    bool wal = false;
    for (int attempt = 0; attempt < 300 && !wal; ++attempt) {
        try {
            wal = scalarText(m_db, "PRAGMA journal_mode=WAL") == "wal";
        } catch (const StoreError& e) {
            // Only a busy or locked file is worth waiting for; a file SQLite may not write
            // (a damaged header naming a newer format) would keep failing for the whole wait.
            if (e.status != ERROR_CANTWRITE)
                throw;
        }
        if (!wal)
            sqlite3_sleep(100);
    }
    if (!wal)
        throw StoreError{ERROR_CANTOPEN};
    exec("PRAGMA synchronous=FULL");

    if (tables == 0) {
        Write w(*this);
        if (scalar(m_db, "SELECT count(*) FROM sqlite_master") == 0) {
            exec(kSchema);
            exec(("PRAGMA application_id=" + std::to_string(kApplicationId)).c_str());
            for (const char* hive : kHiveNames)
                createChild(0, hive, std::string());
            // The machine's classes key backs HKEY_CLASSES_ROOT; the user's key is made on demand.
            const int64_t machine = childId(0, "HKEY_LOCAL_MACHINE");
            createChild(createChild(machine, "SOFTWARE", std::string()), "Classes", std::string());
            createChild(childId(0, "HKEY_CURRENT_USER"), "Software", std::string());
        }
        w.commit();
    }
    for (int i = 0; i < 4; ++i) {
        m_roots[i] = childId(0, kHiveNames[i]);
        if (!m_roots[i])
            throw StoreError{ERROR_BADDB};
    }
}

// The store's catalogue must be exactly the one kSchema makes: same tables, indexes and
// definitions. Compared with the catalogue of a scratch in-memory database, so that the
// check costs the same whatever the store holds.
bool RegistryStore::schemaIsOurs() {
    const char* const catalogue =
        "SELECT group_concat(type || '|' || name || '|' || tbl_name || '|' || "
        "coalesce(sql, ''), char(10)) FROM "
        "(SELECT * FROM sqlite_master ORDER BY type, name)";
    sqlite3* scratch = nullptr;
    std::string expected;
    if (sqlite3_open_v2(":memory:", &scratch, SQLITE_OPEN_READWRITE | SQLITE_OPEN_MEMORY,
                        nullptr) == SQLITE_OK &&
        sqlite3_exec(scratch, kSchema, nullptr, nullptr, nullptr) == SQLITE_OK) {
        // sqlite_sequence appears with the first row of an AUTOINCREMENT table.
        sqlite3_exec(scratch, "INSERT INTO keys(parent, name, fold, written) VALUES(0, '', '', 0)",
                     nullptr, nullptr, nullptr);
        expected = scalarText(scratch, catalogue);
    }
    sqlite3_close(scratch);
    if (expected.empty())
        throw StoreError{ERROR_OUTOFMEMORY};
    return scalarText(m_db, catalogue) == expected;
}

const SqliteStmt& RegistryStore::stmt(int index, const char* sql) {
    auto& slot = m_statements[size_t(index)];
    if (!slot)
        slot = std::make_unique<SqliteStmt>(prepared(m_db, sql, SQLITE_PREPARE_PERSISTENT));
    return *slot;
}

void RegistryStore::exec(const char* sql) {
    check(sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr));
}

bool RegistryStore::inTransaction() const {
    return sqlite3_get_autocommit(m_db) == 0;
}

bool RegistryStore::keyAlive(int64_t id) {
    SqliteStmt::Run r(stmt(SAlive, "SELECT 1 FROM keys WHERE id=?"));
    return next(r.bind(1, id));
}

int64_t RegistryStore::childId(int64_t parent, const std::string& fold) {
    SqliteStmt::Run r(stmt(SFind, "SELECT id FROM keys WHERE parent=? AND fold=?"));
    r.bind(1, parent).bind(2, fold);
    return next(r) ? r.integer(0) : 0;
}

int64_t RegistryStore::createChild(int64_t parent, const std::string& name,
                                   const std::string& className) {
    const int64_t now = fileTimeNow();
    {
        SqliteStmt::Run r(stmt(
            SCreate, "INSERT INTO keys(parent, name, fold, class, written) VALUES(?,?,?,?,?)"));
        change(r.bind(1, parent)
                   .bind(2, name)
                   .bind(3, foldName(name))
                   .bind(4, className)
                   .bind(5, now));
    }
    const int64_t id = sqlite3_last_insert_rowid(m_db);
    if (parent != 0)
        touch(parent);
    return id;
}

std::vector<RegistryStore::Child> RegistryStore::children(int64_t parent) {
    std::vector<Child> out;
    SqliteStmt::Run r(
        stmt(SChildren, "SELECT id, name, fold FROM keys WHERE parent=? ORDER BY fold"));
    r.bind(1, parent);
    while (next(r))
        out.push_back(Child{r.integer(0), r.text(1), r.text(2)});
    return out;
}

bool RegistryStore::hasChildren(int64_t id) {
    SqliteStmt::Run r(stmt(SHasChildren, "SELECT 1 FROM keys WHERE parent=? LIMIT 1"));
    return next(r.bind(1, id));
}

int64_t RegistryStore::parentOf(int64_t id) {
    SqliteStmt::Run r(stmt(SParent, "SELECT parent FROM keys WHERE id=?"));
    return next(r.bind(1, id)) ? r.integer(0) : 0;
}

void RegistryStore::deleteKey(int64_t id) {
    const int64_t parent = parentOf(id);
    change(SqliteStmt::Run(stmt(SDelVals, "DELETE FROM vals WHERE key=?")).bind(1, id));
    change(SqliteStmt::Run(stmt(SDelKey, "DELETE FROM keys WHERE id=?")).bind(1, id));
    if (parent != 0)
        touch(parent);
}

RegistryStore::KeyInfo RegistryStore::keyInfo(int64_t id) {
    KeyInfo info;
    {
        SqliteStmt::Run r(stmt(SKeyRow, "SELECT class, written FROM keys WHERE id=?"));
        if (next(r.bind(1, id))) {
            info.className = r.text(0);
            info.written = r.integer(1);
        }
    }
    {
        SqliteStmt::Run r(stmt(SChildClass, "SELECT coalesce(max(length(CAST(class AS BLOB))), 0) "
                                            "FROM keys WHERE parent=?"));
        if (next(r.bind(1, id)))
            info.maxChildClassLen = DWORD(r.integer(0));
    }
    SqliteStmt::Run r(stmt(SValueStats,
                           "SELECT count(*), coalesce(max(length(CAST(name AS BLOB))), 0), "
                           "coalesce(max(length(data)), 0) FROM vals WHERE key=?"));
    if (next(r.bind(1, id))) {
        info.values = DWORD(r.integer(0));
        info.maxValueNameLen = DWORD(r.integer(1));
        info.maxValueLen = DWORD(r.integer(2));
    }
    return info;
}

RegistryStore::Lookup RegistryStore::value(int64_t key, const std::string& fold, ValueRow& out) {
    {
        SqliteStmt::Run r(stmt(SValue, "SELECT type, data FROM vals WHERE key=? AND fold=?"));
        if (next(r.bind(1, key).bind(2, fold))) {
            // Deleting a key deletes its values in the same transaction, so a value found
            // means its key is there.
            out.type = DWORD(r.integer(0));
            out.data = r.blob(1);
            return Lookup::Found;
        }
    }
    return keyAlive(key) ? Lookup::NoValue : Lookup::KeyGone;
}

void RegistryStore::setValue(int64_t key, const std::string& name, DWORD type,
                             const std::string& data) {
    // A rewrite keeps the row, so the value keeps its first spelling and its place.
    SqliteStmt::Run r(stmt(SSetValue,
                           "INSERT INTO vals(key, name, fold, type, data) VALUES(?,?,?,?,?) "
                           "ON CONFLICT(key, fold) DO UPDATE SET type=excluded.type, "
                           "data=excluded.data"));
    change(r.bind(1, key)
               .bind(2, name)
               .bind(3, foldName(name))
               .bind(4, int64_t(type))
               .bindBlob(5, data));
    touch(key);
}

bool RegistryStore::deleteValue(int64_t key, const std::string& fold) {
    change(SqliteStmt::Run(stmt(SDelValue, "DELETE FROM vals WHERE key=? AND fold=?"))
               .bind(1, key)
               .bind(2, fold));
    if (sqlite3_changes(m_db) == 0)
        return false;
    touch(key);
    return true;
}

std::vector<int64_t> RegistryStore::valueIds(int64_t key) {
    std::vector<int64_t> ids;
    SqliteStmt::Run r(stmt(SValueIds, "SELECT id FROM vals WHERE key=? ORDER BY id"));
    r.bind(1, key);
    while (next(r))
        ids.push_back(r.integer(0));
    return ids;
}

bool RegistryStore::valueById(int64_t id, ValueRow& out) {
    SqliteStmt::Run r(stmt(SValueById, "SELECT name, type, data FROM vals WHERE id=?"));
    if (!next(r.bind(1, id)))
        return false;
    out.name = r.text(0);
    out.type = DWORD(r.integer(1));
    out.data = r.blob(2);
    return true;
}

void RegistryStore::touch(int64_t id) {
    change(SqliteStmt::Run(stmt(STouch, "UPDATE keys SET written=? WHERE id=?"))
               .bind(1, fileTimeNow())
               .bind(2, id));
}

uint64_t RegistryStore::changeStamp() {
    SqliteStmt::Run r(stmt(SDataVersion, "PRAGMA data_version"));
    const uint64_t version = next(r) ? uint64_t(r.integer(0)) : 0;
    return version ^ (m_localWrites << 32);
}

RegistryStore::Write::Write(RegistryStore& store)
    : m_store(store), m_nested(store.inTransaction()) {
    ++m_store.m_localWrites;
    m_store.exec(m_nested ? "SAVEPOINT reg_write" : "BEGIN IMMEDIATE");
}

RegistryStore::Write::~Write() {
    if (m_done)
        return;
    ++m_store.m_localWrites;
    if (m_nested)
        sqlite3_exec(m_store.m_db, "ROLLBACK TO reg_write; RELEASE reg_write", nullptr, nullptr,
                     nullptr);
    else
        sqlite3_exec(m_store.m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

void RegistryStore::Write::commit() {
    m_store.exec(m_nested ? "RELEASE reg_write" : "COMMIT");
    m_done = true;
}

} // namespace tav::winreg
