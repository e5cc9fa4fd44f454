// The store on disk: its location, durability, corrupt files, and other processes.
#include "registrystore.h"
#include "registrytest.h"
#include "storetransaction.h"

#include <QFile>
#include <QProcess>

#include <csignal>
#include <set>
#include <sqlite3.h>

using tav::test::RegistryTest;

namespace {

std::set<std::string> raceValues() {
    std::set<std::string> names;
    HKEY k = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Race", 0, KEY_READ, &k) != ERROR_SUCCESS)
        return names;
    char buf[64];
    for (DWORD i = 0;; ++i) {
        DWORD len = sizeof buf;
        if (RegEnumValueA(k, i, buf, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.insert(buf);
    }
    RegCloseKey(k);
    return names;
}

void startWriter(QProcess& p, const char* prefix, int count) {
    p.setProgram(QStringLiteral(TAV_WINREG_WRITER));
    p.setArguments({QString::fromLatin1(prefix), QString::number(count)});
    p.start();
    ASSERT_TRUE(p.waitForStarted());
}

} // namespace

TEST_F(RegistryTest, StoreLivesInTheFolderTheEnvironmentNames) {
    EXPECT_EQ(tav::winreg::storeFilePath(), m_dir.path() + "/registry.db");
    create(HKEY_CURRENT_USER, "Software\\Touch");
    EXPECT_TRUE(QFile::exists(m_dir.path() + "/registry.db"));

    qunsetenv("TAV_REGISTRY_DIR");
    qputenv("XDG_DATA_HOME", QByteArray("/some/data"));
    EXPECT_EQ(tav::winreg::storeDirectory(), "/some/data/tavrion/registry");
    qunsetenv("XDG_DATA_HOME");
    EXPECT_TRUE(tav::winreg::storeDirectory().endsWith("/.local/share/tavrion/registry"));
    qputenv("TAV_REGISTRY_DIR", m_dir.path().toLocal8Bit());
}

TEST_F(RegistryTest, WritesSurviveReopeningTheStore) {
    HKEY k = create(HKEY_LOCAL_MACHINE, "Software\\Kept");
    ASSERT_EQ(set(k, "bin", REG_BINARY, std::string("\0\1\2\xff", 4)), ERROR_SUCCESS);
    tav::winreg::resetStoreForTests();
    HKEY again = nullptr;
    ASSERT_EQ(open(HKEY_LOCAL_MACHINE, "Software\\Kept", KEY_READ, &again), ERROR_SUCCESS);
    DWORD type = 0;
    EXPECT_EQ(read(again, "bin", &type), std::string("\0\1\2\xff", 4));
    EXPECT_EQ(type, REG_BINARY);
}

TEST_F(RegistryTest, CorruptStoreAnswersBadDatabaseAndIsNeverOverwritten) {
    struct Case {
        const char* name;
        QByteArray content;
        const char* sql; // run on a new database, or on a store when onStore is set
        bool onStore = false;
    };
    const std::vector<Case> cases = {
        {"not a database", QByteArray("this is not a registry store\n").repeated(300), nullptr},
        {"another program's database", QByteArray(),
         "CREATE TABLE other(x); INSERT INTO other VALUES(1);"},
        {"a store whose catalogue was changed", QByteArray(), "CREATE TABLE extra(x);", true},
    };
    for (const auto& c : cases) {
        tav::winreg::resetStoreForTests();
        const QString path = tav::winreg::storeFilePath();
        QFile::remove(path);
        if (c.onStore) {
            create(HKEY_CURRENT_USER, "Software\\Kept");
            tav::winreg::resetStoreForTests();
        }
        if (c.sql) {
            sqlite3* db = nullptr;
            ASSERT_EQ(sqlite3_open(path.toLocal8Bit().constData(), &db), SQLITE_OK);
            ASSERT_EQ(sqlite3_exec(db, c.sql, nullptr, nullptr, nullptr), SQLITE_OK) << c.name;
            sqlite3_close(db);
        } else {
            ASSERT_NO_FATAL_FAILURE(tav::test::writeFile(path, c.content));
        }
        const QByteArray before = tav::test::fileDigest(path);

        HKEY out = nullptr;
        DWORD size = 0;
        char name[8];
        EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &out), ERROR_BADDB)
            << c.name;
        EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\X", 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &out, nullptr),
                  ERROR_BADDB)
            << c.name;
        EXPECT_EQ(setText(HKEY_CURRENT_USER, "v", "x"), ERROR_BADDB) << c.name;
        EXPECT_EQ(RegQueryValueExA(HKEY_CURRENT_USER, "v", nullptr, nullptr, nullptr, &size),
                  ERROR_BADDB)
            << c.name;
        EXPECT_EQ(RegEnumKeyA(HKEY_CURRENT_USER, 0, name, sizeof name), ERROR_BADDB) << c.name;
        EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software"), ERROR_BADDB) << c.name;
        EXPECT_EQ(tav::test::fileDigest(path), before) << c.name;
    }
}

TEST_F(RegistryTest, StoreSqliteMayNotWriteAnswersAtOnceAndStaysUnchanged) {
    // Found by fuzzing: an empty store whose header names a file format newer than SQLite
    // writes made every call wait 30 s for the log switch, then answer "cannot open".
    tav::winreg::resetStoreForTests();
    const QString path = tav::winreg::storeFilePath();
    QFile::remove(path);
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.toLocal8Bit().constData(), &db), SQLITE_OK);
        sqlite3_exec(db, "PRAGMA page_size=512; PRAGMA user_version=1;", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_EQ(f.size(), 512);
        f.seek(18); // file format write version
        f.write("\x2a", 1);
    }
    const QByteArray before = tav::test::fileDigest(path);
    HKEY out = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &out), ERROR_ACCESS_DENIED);
    EXPECT_EQ(setText(HKEY_CURRENT_USER, "v", "x"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(tav::test::fileDigest(path), before);
}

TEST_F(RegistryTest, StoreWithDamagedPagesIsRecognisedAtOpen) {
    HKEY k = create(HKEY_CURRENT_USER, "Software\\Filled");
    for (int i = 0; i < 400; ++i)
        ASSERT_EQ(
            set(k, ("value" + std::to_string(i)).c_str(), REG_BINARY, std::string(64, char(i))),
            ERROR_SUCCESS);
    RegCloseKey(k);
    tav::winreg::resetStoreForTests(); // closes the store, folding its log into the file
    const QString path = tav::winreg::storeFilePath();
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_GT(f.size(), 4 * 4096);
        f.seek(2 * 4096);
        f.write(QByteArray(3 * 4096, '\x5a'));
    }
    const QByteArray before = tav::test::fileDigest(path);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(HKEY_CURRENT_USER, "x", nullptr, nullptr, nullptr, &size),
              ERROR_BADDB);
    EXPECT_EQ(setText(HKEY_CURRENT_USER, "x", "y"), ERROR_BADDB);
    EXPECT_EQ(tav::test::fileDigest(path), before);
}

TEST_F(RegistryTest, TwoProcessesWritingAtOnceLoseNothing) {
    // No store file yet: the writers also race to create it.
    ASSERT_FALSE(QFile::exists(tav::winreg::storeFilePath()));
    constexpr int kEach = 60;
    QProcess a, b;
    startWriter(a, "a", kEach);
    startWriter(b, "b", kEach);
    ASSERT_TRUE(a.waitForFinished(120000));
    ASSERT_TRUE(b.waitForFinished(120000));
    EXPECT_EQ(a.exitCode(), 0) << a.readAllStandardError().constData();
    EXPECT_EQ(b.exitCode(), 0) << b.readAllStandardError().constData();

    const auto names = raceValues();
    EXPECT_EQ(names.size(), size_t(2 * kEach));
    for (int i = 0; i < kEach; ++i) {
        EXPECT_TRUE(names.count("a_" + std::to_string(i))) << i;
        EXPECT_TRUE(names.count("b_" + std::to_string(i))) << i;
    }
}

TEST_F(RegistryTest, WriterKilledMidwayKeepsEveryAcknowledgedWrite) {
    create(HKEY_CURRENT_USER, "Software\\Race");
    QProcess w;
    startWriter(w, "k", 100000);
    int acknowledged = -1;
    while (acknowledged < 40 && w.waitForReadyRead(30000)) {
        while (w.canReadLine()) {
            const QByteArray line = w.readLine().trimmed();
            if (line.startsWith("ok "))
                acknowledged = line.mid(3).toInt();
        }
    }
    ASSERT_GE(acknowledged, 40);
    ::kill(pid_t(w.processId()), SIGKILL);
    ASSERT_TRUE(w.waitForFinished(30000));
    // Lines written before the kill but not yet read are acknowledged too.
    for (const QByteArray& line : w.readAllStandardOutput().split('\n'))
        if (line.startsWith("ok "))
            acknowledged = line.mid(3).toInt();

    tav::winreg::resetStoreForTests();
    const auto names = raceValues();
    for (int i = 0; i <= acknowledged; ++i)
        EXPECT_TRUE(names.count("k_" + std::to_string(i))) << i;
    // The store is still writable after the crash.
    EXPECT_NE(create(HKEY_CURRENT_USER, "Software\\AfterCrash"), nullptr);
}

TEST_F(RegistryTest, StoreTransactionIsAllOrNothing) {
    {
        tav::winreg::StoreTransaction t;
        ASSERT_EQ(t.status(), ERROR_SUCCESS);
        HKEY k = create(HKEY_CURRENT_USER, "Software\\Batch\\Dropped");
        ASSERT_EQ(setText(k, "v", "x"), ERROR_SUCCESS);
        // a failing call inside the batch undoes only itself
        EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Batch"), ERROR_ACCESS_DENIED);
    } // no commit
    HKEY out = nullptr;
    EXPECT_EQ(open(HKEY_CURRENT_USER, "Software\\Batch", KEY_READ, &out), ERROR_FILE_NOT_FOUND);
    {
        tav::winreg::StoreTransaction t;
        create(HKEY_CURRENT_USER, "Software\\Batch\\Kept");
        EXPECT_EQ(t.commit(), ERROR_SUCCESS);
    }
    EXPECT_EQ(open(HKEY_CURRENT_USER, "Software\\Batch\\Kept", KEY_READ, &out), ERROR_SUCCESS);
}
