#pragma once
// The one SQLite store per user that holds every hive. Its folder is TAV_REGISTRY_DIR when
// that is set, else $XDG_DATA_HOME/tavrion/registry (~/.local/share/tavrion/registry when
// XDG_DATA_HOME is unset); the file in it is registry.db.
//
// A store file that is not a database, a database of some other program, or one whose
// header or catalogue is damaged is never written to: every registry call then answers
// ERROR_BADDB (1009). Opening reads only the header and catalogue, so it costs the same
// whatever the store holds; a damaged page is recognised where a call meets it, and from
// then on every call answers ERROR_BADDB as well.
//
// The store is private to its user: folders it creates are 0700, its files 0600 whatever
// the umask. A store file of this user that others may read or write loses that access
// when the store opens; a store with any file owned by another user is neither read nor
// changed, and every call answers ERROR_ACCESS_DENIED (5), for root as for anyone.
#include "winregtypes.h"

#include <QString>

#include <memory>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace tav {
class SqliteStmt;
}

namespace tav::winreg {

inline constexpr LONG kCorruptStoreStatus = ERROR_BADDB;

QString storeDirectory();
QString storeFilePath();

// The store files that opening the store took other users' access from, in this process
// since the last call; the reg tool reports them, the programs stay silent.
std::vector<QString> takeFilesMadePrivate();

enum class Hive { CurrentUser, LocalMachine, Users, CurrentConfig };

class RegistryStore {
  public:
    struct Child {
        int64_t id;
        std::string name;
        std::string fold;
    };
    struct ValueRow {
        std::string name;
        DWORD type = REG_NONE;
        std::string data;
    };
    struct KeyInfo {
        std::string className;
        DWORD values = 0;
        DWORD maxValueNameLen = 0;
        DWORD maxValueLen = 0;
        DWORD maxChildClassLen = 0;
        int64_t written = 0; // FILETIME ticks
    };
    enum class Lookup { KeyGone, NoValue, Found };

    // The process's store, opened on first use. Throws StoreError (storeerror_p.h) when
    // it cannot be used.
    static RegistryStore& instance();
    static void close();
    // Remembers that the file proved corrupt: every later call answers ERROR_BADDB.
    static void markBad();

    ~RegistryStore();

    int64_t hiveRoot(Hive hive) const { return m_roots[int(hive)]; }

    bool keyAlive(int64_t id);
    // The id of the child of `parent` whose folded name is `fold`, or 0 when there is none.
    int64_t childId(int64_t parent, const std::string& fold);
    int64_t createChild(int64_t parent, const std::string& name, const std::string& className);
    std::vector<Child> children(int64_t parent);
    bool hasChildren(int64_t id);
    int64_t parentOf(int64_t id);
    void deleteKey(int64_t id);
    KeyInfo keyInfo(int64_t id);

    // The type and data of a value (not its name: the caller named it).
    Lookup value(int64_t key, const std::string& fold, ValueRow& out);
    void setValue(int64_t key, const std::string& name, DWORD type, const std::string& data);
    bool deleteValue(int64_t key, const std::string& fold);
    std::vector<int64_t> valueIds(int64_t key);
    bool valueById(int64_t id, ValueRow& out);

    // Changes whenever this process or another one commits to the store.
    uint64_t changeStamp();

    // True inside a StoreTransaction (or any explicit transaction on the connection).
    bool inTransaction() const;
    void exec(const char* sql);

    // Makes the enclosed writes one atomic, durable step. Starts an IMMEDIATE transaction
    // at the outermost level and a savepoint inside one that is already running.
    class Write {
      public:
        explicit Write(RegistryStore& store);
        ~Write();
        Write(const Write&) = delete;
        Write& operator=(const Write&) = delete;
        void commit();

      private:
        RegistryStore& m_store;
        bool m_nested;
        bool m_done = false;
    };

  private:
    explicit RegistryStore(sqlite3* db);
    void openSchema();
    bool schemaIsOurs();
    void touch(int64_t id);
    const SqliteStmt& stmt(int index, const char* sql);

    sqlite3* m_db;
    int64_t m_roots[4] = {};
    uint64_t m_localWrites = 0;
    std::vector<std::unique_ptr<SqliteStmt>> m_statements;
};

} // namespace tav::winreg
