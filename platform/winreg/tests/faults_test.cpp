// Writes that cannot reach the disk: injected write and sync errors, a file-size limit, a
// full file system and a read-only store folder. Each write answers an error status (never
// success, never a crash), earlier data stays readable, and writes work again afterwards.
// Then who may use the store: the modes it creates, tightens, and another user's store.
#include "childprocess.h"
#include "faultvfs.h"
#include "registrystore.h"
#include "registrytest.h"
#include "storesnapshot.h"
#include "storetransaction.h"
#include "unprivileged.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <map>
#include <memory>
#include <sys/mount.h>
#include <sys/stat.h>

using tav::test::RegistryTest;

namespace {

namespace script = tav::winreg::script;
using tav::test::ChildOptions;
using tav::test::ChildProcess;
using tav::test::FaultVfs;

// Closes the store before the file layer under it goes away.
struct StoreCloser {
    ~StoreCloser() { tav::winreg::resetStoreForTests(); }
};

std::string storeFile() {
    return tav::winreg::storeFilePath().toStdString();
}

// Runs the writer with the given arguments to its end; its output lines and wait status.
struct Finished {
    std::vector<std::string> lines;
    int status = -1;
    std::string errors;
    // The number after "<word> " on the first line starting with it, or nullopt.
    std::optional<long> field(const std::string& word) const {
        for (const auto& l : lines)
            if (l.rfind(word + " ", 0) == 0)
                return std::stol(l.substr(word.size() + 1));
        return std::nullopt;
    }
    bool exitedCleanly() const { return WIFEXITED(status) && WEXITSTATUS(status) == 0; }
};

Finished runWriter(const std::vector<std::string>& args, const ChildOptions& options = {}) {
    std::vector<std::string> argv{TAV_WINREG_WRITER};
    argv.insert(argv.end(), args.begin(), args.end());
    ChildProcess child(argv, options);
    Finished f;
    if (!child.started())
        return f;
    while (auto line = child.readLine(120000))
        f.lines.push_back(*line);
    f.status = child.wait();
    f.errors = child.errorOutput();
    return f;
}

std::string repeated(char c, size_t n) {
    return std::string(n, c);
}

} // namespace

TEST_F(RegistryTest, InjectedWriteFaultsFailCleanlyAndKeepEarlierData) {
    struct Case {
        const char* name;
        FaultVfs::Fault fault;
        LONG status;
    };
    const Case cases[] = {
        {"disk full on write", FaultVfs::Fault::WriteFull, ERROR_DISK_FULL},
        {"I/O error on write", FaultVfs::Fault::WriteIoError, ERROR_REGISTRY_IO_FAILED},
        {"I/O error on sync", FaultVfs::Fault::SyncError, ERROR_REGISTRY_IO_FAILED},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        qputenv("TAV_REGISTRY_DIR", (m_dir.path() + "/vfs" + QString::number(n++)).toLocal8Bit());
        FaultVfs vfs;
        StoreCloser closer;
        tav::winreg::resetStoreForTests();

        HKEY k = create(HKEY_CURRENT_USER, "Software\\Faults");
        ASSERT_NE(k, nullptr);
        script::Tree want;
        for (int i = 0; i < 20; ++i) {
            const std::string name = "seed_" + std::to_string(i);
            want["Faults"][name] = repeated(char('a' + i), 100 + i);
            ASSERT_EQ(set(k, name.c_str(), REG_BINARY, want["Faults"][name]), ERROR_SUCCESS);
        }
        HKEY keep = create(k, "Keep");
        ASSERT_EQ(set(keep, "v", REG_BINARY, "kept"), ERROR_SUCCESS);
        want["Faults\\Keep"]["v"] = "kept";

        vfs.arm(c.fault);
        HKEY made = nullptr;
        EXPECT_EQ(set(k, "new", REG_BINARY, "x"), c.status);
        EXPECT_EQ(set(k, "seed_1", REG_BINARY, "overwritten"), c.status);
        EXPECT_EQ(set(k, "big", REG_BINARY, repeated('b', 300000)), c.status);
        EXPECT_EQ(
            RegCreateKeyExA(k, "A\\B\\C", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &made, nullptr),
            c.status);
        EXPECT_EQ(made, nullptr);
        EXPECT_EQ(RegDeleteValueA(k, "seed_3"), c.status);
        EXPECT_EQ(RegDeleteKeyA(k, "Keep"), c.status);
        {
            tav::winreg::StoreTransaction batch;
            if (batch.status() == ERROR_SUCCESS) {
                EXPECT_EQ(set(k, "batched", REG_BINARY, "y"), ERROR_SUCCESS); // not yet written
                EXPECT_EQ(batch.commit(), c.status);
            } else {
                EXPECT_EQ(batch.status(), c.status);
            }
        }
        EXPECT_GT(vfs.refused(), 0);
        // Reading goes on while writing fails.
        EXPECT_EQ(read(k, "seed_3"), want["Faults"]["seed_3"]);
        EXPECT_EQ(subkeys(k), std::vector<std::string>{"Keep"});

        vfs.arm(FaultVfs::Fault::None);
        ASSERT_EQ(set(k, "after", REG_BINARY, "written"), ERROR_SUCCESS)
            << "no write after the fault cleared";
        want["Faults"]["after"] = "written";

        tav::winreg::resetStoreForTests();
        script::Tree got;
        ASSERT_EQ(tav::test::snapshot("Software", got), ERROR_SUCCESS);
        EXPECT_EQ(got, want);
        EXPECT_EQ(tav::test::integrityCheck(storeFile()), "ok");
    }
}

TEST_F(RegistryTest, FileSizeLimitFailsWritesCleanlyAndKeepsEarlierData) {
    HKEY k = create(HKEY_CURRENT_USER, "Software\\Full");
    ASSERT_NE(k, nullptr);
    for (int i = 0; i < 40; ++i)
        ASSERT_EQ(set(k, ("seed_" + std::to_string(i)).c_str(), REG_BINARY, repeated('s', 1000)),
                  ERROR_SUCCESS);
    tav::winreg::resetStoreForTests(); // folds the log into the store file and removes it
    const off_t storeSize = QFileInfo(tav::winreg::storeFilePath()).size();
    ASSERT_GT(storeSize, 0);

    // The log may grow to 512 KiB: room for a few 32 KiB values, then EFBIG.
    ChildOptions limited;
    limited.fileSizeLimit = rlim_t(storeSize + (512 << 10));
    const Finished run = runWriter({"fill", "32768", "1000"}, limited);
    ASSERT_TRUE(run.exitedCleanly()) << "status " << run.status << ": " << run.errors;
    int acked = 0;
    for (const auto& l : run.lines)
        acked += l.rfind("ok ", 0) == 0;
    const auto failedAt = run.field("fail");
    ASSERT_TRUE(failedAt.has_value());
    EXPECT_EQ(*failedAt, acked);
    EXPECT_GT(acked, 0) << "no write fitted under the limit";
    EXPECT_LT(acked, 1000) << "the limit never stopped a write";
    const std::string& failLine = run.lines[size_t(acked)];
    const LONG failStatus = LONG(std::stol(failLine.substr(failLine.rfind(' ') + 1)));
    std::printf("file-size limit: %d writes of 32 KiB before status %d\n", acked, int(failStatus));
    // SQLite reports only "no space" as a full disk; a refused write past the file-size
    // limit (EFBIG) is an I/O error, which the store answers as 1016.
    EXPECT_EQ(failStatus, ERROR_REGISTRY_IO_FAILED);
    EXPECT_EQ(run.field("again"), long(ERROR_REGISTRY_IO_FAILED)) << "the same write again";
    EXPECT_EQ(run.field("read"), long(ERROR_SUCCESS)) << "reading in the limited process";
    EXPECT_EQ(run.field("lifted"), long(ERROR_SUCCESS)) << "writing after the limit was lifted";

    // Everything acknowledged is there for a process without the limit, and nothing else.
    const Finished dump = runWriter({"dump", "Software\\Full"});
    ASSERT_TRUE(dump.exitedCleanly()) << dump.errors;
    std::set<std::string> names;
    for (const auto& l : dump.lines)
        if (l.rfind("V ", 0) == 0)
            names.insert(l.substr(3, l.find('|', 3) - 3));
    for (int i = 0; i < 40; ++i)
        EXPECT_TRUE(names.count("seed_" + std::to_string(i))) << i;
    for (int i = 0; i < acked; ++i)
        EXPECT_TRUE(names.count("fill_" + std::to_string(i))) << i;
    EXPECT_FALSE(names.count("fill_" + std::to_string(acked))) << "the failed write";
    EXPECT_FALSE(names.count("again"));
    EXPECT_TRUE(names.count("after_lift"));
    EXPECT_EQ(tav::test::integrityCheck(storeFile()), "ok");
    HKEY again = nullptr;
    ASSERT_EQ(open(HKEY_CURRENT_USER, "Software\\Full", KEY_ALL_ACCESS, &again), ERROR_SUCCESS);
    EXPECT_EQ(read(again, "fill_0"), repeated('a', 32768));
    EXPECT_EQ(setText(again, "here", "too"), ERROR_SUCCESS);
}

TEST_F(RegistryTest, FullFileSystemFailsWritesWithDiskFullAndRecovers) {
    if (geteuid() != 0)
        GTEST_SKIP() << "mounting a small file system needs root";
    const QString mountPoint = m_dir.path() + "/small";
    ASSERT_TRUE(QDir().mkpath(mountPoint));
    if (::mount("tmpfs", mountPoint.toLocal8Bit().constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                "size=1m,mode=0755") != 0)
        GTEST_SKIP() << "cannot mount a small file system here: " << std::strerror(errno);
    struct Unmount {
        QByteArray path;
        ~Unmount() {
            tav::winreg::resetStoreForTests();
            ::umount2(path.constData(), MNT_DETACH);
        }
    } unmount{mountPoint.toLocal8Bit()};
    qputenv("TAV_REGISTRY_DIR", mountPoint.toLocal8Bit());
    tav::winreg::resetStoreForTests();

    HKEY k = create(HKEY_CURRENT_USER, "Software\\Full");
    ASSERT_NE(k, nullptr);
    int written = 0;
    LONG status = ERROR_SUCCESS;
    for (; written < 200; ++written) {
        status = set(k, ("fill_" + std::to_string(written)).c_str(), REG_BINARY,
                     repeated(char('a' + written % 26), 32768));
        if (status != ERROR_SUCCESS)
            break;
    }
    std::printf("1 MiB file system: %d writes of 32 KiB before status %d\n", written, int(status));
    ASSERT_GT(written, 0);
    ASSERT_LT(written, 200) << "the file system never filled";
    EXPECT_EQ(status, ERROR_DISK_FULL);
    EXPECT_EQ(set(k, "again", REG_BINARY, repeated('z', 32768)), ERROR_DISK_FULL);
    EXPECT_EQ(read(k, "fill_0"), repeated('a', 32768)) << "reading on the full file system";

    ASSERT_EQ(::mount(nullptr, mountPoint.toLocal8Bit().constData(), nullptr,
                      MS_REMOUNT | MS_NOSUID | MS_NODEV, "size=16m"),
              0)
        << std::strerror(errno);
    EXPECT_EQ(set(k, "after", REG_BINARY, "room again"), ERROR_SUCCESS);

    tav::winreg::resetStoreForTests();
    const Finished dump = runWriter({"dump", "Software\\Full"});
    ASSERT_TRUE(dump.exitedCleanly()) << dump.errors;
    int values = 0;
    for (const auto& l : dump.lines)
        values += l.rfind("V ", 0) == 0;
    EXPECT_EQ(values, written + 1) << "every acknowledged write and the one after, nothing else";
    EXPECT_EQ(tav::test::integrityCheck(storeFile()), "ok");
}

namespace {

// A folder under /tmp that an unprivileged user can reach; removed with its contents,
// whatever modes the test left on them.
class SharedTempDir {
  public:
    SharedTempDir() {
        char pattern[] = "/tmp/tav-regro-XXXXXX";
        if (::mkdtemp(pattern) && ::chmod(pattern, 0755) == 0)
            m_path = pattern;
    }
    ~SharedTempDir() {
        if (m_path.isEmpty())
            return;
        QDirIterator it(m_path, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            ::chmod(it.next().toLocal8Bit().constData(), 0755);
        QDir(m_path).removeRecursively();
    }
    SharedTempDir(const SharedTempDir&) = delete;
    SharedTempDir& operator=(const SharedTempDir&) = delete;
    const QString& path() const { return m_path; }

  private:
    QString m_path;
};

void chmodAll(const QString& dir, mode_t folderMode, mode_t fileMode) {
    for (const QFileInfo& f : QDir(dir).entryInfoList(QDir::Files | QDir::Hidden))
        ::chmod(f.filePath().toLocal8Bit().constData(), fileMode);
    ::chmod(dir.toLocal8Bit().constData(), folderMode);
}

} // namespace

TEST_F(RegistryTest, ReadOnlyStoreFolderDeniesWritesAndKeepsReads) {
    // Root ignores file modes: the probe then runs as nobody.
    const ChildOptions asUser = tav::test::unprivilegedOptions();
    SharedTempDir base;
    if (base.path().isEmpty())
        GTEST_SKIP() << "cannot make a temporary folder under /tmp";

    enum class Store { OpenElsewhere, Closed, None };
    struct Case {
        const char* name;
        const char* folder; // relative to base; the store folder
        Store store;
        mode_t folderMode;
        mode_t fileMode;
        const char* lockedParent; // made read-only instead, when set
        std::map<std::string, LONG> want;
    };
    const LONG ok = ERROR_SUCCESS, denied = ERROR_ACCESS_DENIED;
    const std::map<std::string, LONG> readsWork = {{"open", ok},         {"read", ok},
                                                   {"enum", ok},         {"set", denied},
                                                   {"create", denied},   {"deletevalue", denied},
                                                   {"deletekey", denied}};
    const std::map<std::string, LONG> allDenied = {
        {"open", denied},   {"read", denied},        {"enum", denied},     {"set", denied},
        {"create", denied}, {"deletevalue", denied}, {"deletekey", denied}};
    // The store files belong to the probe's user, as a store that is not one's own is refused.
    const Case cases[] = {
        {"read-only folder, store in use by another process", "inuse", Store::OpenElsewhere, 0555,
         0444, nullptr, readsWork},
        // A closed store has no log files, and SQLite cannot read it without making them.
        {"read-only folder, store closed", "closed", Store::Closed, 0555, 0644, nullptr, allDenied},
        {"read-only store file in a writable folder", "file", Store::Closed, 0777, 0444, nullptr,
         readsWork},
        {"read-only folder, no store yet", "empty", Store::None, 0555, 0644, nullptr, allDenied},
        {"store folder cannot be created", "locked/registry", Store::None, 0755, 0644, "locked",
         allDenied},
    };

    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString dir = base.path() + "/" + c.folder;
        ASSERT_TRUE(QDir().mkpath(dir));
        qputenv("TAV_REGISTRY_DIR", dir.toLocal8Bit());
        tav::winreg::resetStoreForTests();
        if (c.store != Store::None) {
            HKEY probe = create(HKEY_CURRENT_USER, "Software\\Probe");
            ASSERT_EQ(setText(probe, "v", "value"), ERROR_SUCCESS);
            ASSERT_NE(create(probe, "Leaf"), nullptr);
        }
        if (c.store != Store::OpenElsewhere)
            tav::winreg::resetStoreForTests();
        auto contents = [&] {
            QByteArray all;
            for (const char* suffix : {"", "-wal"}) {
                QFile f(dir + "/registry.db" + suffix);
                if (f.open(QIODevice::ReadOnly))
                    all += f.readAll();
            }
            return all;
        };
        const QByteArray before = contents();
        if (c.lockedParent) {
            QDir().rmdir(dir);
            ::chmod((base.path() + "/" + c.lockedParent).toLocal8Bit().constData(), 0555);
        } else {
            chmodAll(dir, c.folderMode, c.fileMode);
        }
        const auto chownAll = [&](uid_t uid, gid_t gid) {
            for (const QFileInfo& f : QDir(dir).entryInfoList(QDir::Files | QDir::Hidden))
                ASSERT_EQ(::chown(f.filePath().toLocal8Bit().constData(), uid, gid), 0);
        };
        if (asUser.user)
            chownAll(*asUser.user, *asUser.group);

        const Finished run = runWriter({"probe"}, asUser);
        if (asUser.user)
            chownAll(::geteuid(), ::getegid());
        if (WIFEXITED(run.status) &&
            (WEXITSTATUS(run.status) == 126 || WEXITSTATUS(run.status) == 127))
            GTEST_SKIP() << "cannot run the writer as an unprivileged user (" << TAV_WINREG_WRITER
                         << " must be reachable by uid 65534)";
        ASSERT_TRUE(run.exitedCleanly()) << "status " << run.status << ": " << run.errors;
        std::map<std::string, LONG> got;
        for (const auto& l : run.lines)
            got[l.substr(0, l.find(' '))] = LONG(std::stol(l.substr(l.find(' ') + 1)));
        EXPECT_EQ(got, c.want);

        EXPECT_TRUE(contents() == before) << "the read-only store was changed";
        tav::winreg::resetStoreForTests();
        if (!before.isEmpty()) {
            HKEY probe = nullptr;
            EXPECT_EQ(open(HKEY_CURRENT_USER, "Software\\Probe", KEY_READ, &probe), ERROR_SUCCESS);
            EXPECT_EQ(read(probe, "v"), std::string("value", 6));
        }
    }
}

namespace {

// Sets the process's umask for as long as it lives; child processes inherit it.
struct UmaskGuard {
    explicit UmaskGuard(mode_t mask) : saved(::umask(mask)) {}
    ~UmaskGuard() { ::umask(saved); }
    mode_t saved;
};

// The permission bits of a file or folder in octal, "absent" when it does not exist.
std::string modeOf(const QString& path) {
    struct stat st {};
    if (::lstat(path.toLocal8Bit().constData(), &st) != 0)
        return "absent";
    char text[8];
    std::snprintf(text, sizeof text, "%o", unsigned(st.st_mode & 07777));
    return text;
}

} // namespace

TEST_F(RegistryTest, StoreIsPrivateToItsUser) {
    enum class Kind { Created, CreatedByTwoProcesses, OpenToOthers, OtherUsers };
    struct Case {
        const char* name;
        Kind kind;
        mode_t umask;
    };
    const Case cases[] = {
        {"new store, umask 022", Kind::Created, 022},
        {"new store, umask 000", Kind::Created, 0},
        {"two processes create the store at once, umask 000", Kind::CreatedByTwoProcesses, 0},
        {"store and companions open to others are tightened at open", Kind::OpenToOthers, 022},
        {"store of another user is refused and left unchanged", Kind::OtherUsers, 022},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // A folder of the user's own (0755) under which the store makes data/registry.
        const QString base = m_dir.path() + "/home" + QString::number(n++);
        ASSERT_EQ(::mkdir(base.toLocal8Bit().constData(), 0755), 0);
        ASSERT_EQ(::chmod(base.toLocal8Bit().constData(), 0755), 0);
        const QString dir = base + "/data/registry", file = dir + "/registry.db";
        qputenv("TAV_REGISTRY_DIR", dir.toLocal8Bit());
        tav::winreg::resetStoreForTests();
        UmaskGuard mask(c.umask);
        switch (c.kind) {
        case Kind::Created: {
            HKEY k = create(HKEY_CURRENT_USER, "Software\\Secret");
            ASSERT_EQ(setText(k, "Token", "s3cr3t"), ERROR_SUCCESS);
            for (const char* suffix :
                 {"", "-wal", "-shm"}) // the store is open: its log and index exist
                EXPECT_EQ(modeOf(file + suffix), "600") << suffix;
            break;
        }
        case Kind::CreatedByTwoProcesses: {
            ChildProcess a({TAV_WINREG_WRITER, "a", "30"}), b({TAV_WINREG_WRITER, "b", "30"});
            ASSERT_TRUE(a.started() && b.started());
            EXPECT_EQ(a.drainLines().size(), 30u) << a.errorOutput();
            EXPECT_EQ(b.drainLines().size(), 30u) << b.errorOutput();
            EXPECT_EQ(a.wait(), 0);
            EXPECT_EQ(b.wait(), 0);
            EXPECT_EQ(modeOf(file), "600");
            break;
        }
        case Kind::OpenToOthers: {
            ASSERT_EQ(::mkdir((base + "/data").toLocal8Bit().constData(), 0755), 0);
            ASSERT_EQ(::mkdir(dir.toLocal8Bit().constData(), 0755), 0);
            HKEY k = create(HKEY_CURRENT_USER, "Software\\Secret");
            ASSERT_EQ(setText(k, "Token", "s3cr3t"), ERROR_SUCCESS);
            RegCloseKey(k);
            // A second connection keeps the log and its index beside the store once ours closes.
            sqlite3* other = nullptr;
            ASSERT_EQ(sqlite3_open_v2(file.toLocal8Bit().constData(), &other, SQLITE_OPEN_READONLY,
                                      nullptr),
                      SQLITE_OK);
            const std::unique_ptr<sqlite3, int (*)(sqlite3*)> closer(other, sqlite3_close);
            ASSERT_EQ(sqlite3_exec(other, "SELECT count(*) FROM keys", nullptr, nullptr, nullptr),
                      SQLITE_OK);
            tav::winreg::resetStoreForTests();
            for (const char* suffix : {"", "-wal", "-shm"})
                ASSERT_EQ(::chmod((file + suffix).toLocal8Bit().constData(), 0644), 0) << suffix;
            tav::winreg::takeFilesMadePrivate();

            HKEY again = nullptr;
            ASSERT_EQ(open(HKEY_CURRENT_USER, "Software\\Secret", KEY_READ, &again), ERROR_SUCCESS);
            EXPECT_EQ(read(again, "Token"), std::string("s3cr3t", 7));
            for (const char* suffix : {"", "-wal", "-shm"})
                EXPECT_EQ(modeOf(file + suffix), "600") << suffix;
            EXPECT_EQ(tav::winreg::takeFilesMadePrivate().size(), 3u) << "reported once, each file";
            EXPECT_TRUE(tav::winreg::takeFilesMadePrivate().empty());
            EXPECT_EQ(modeOf(dir), "755") << "the user's own folders are left as they are";
            break;
        }
        case Kind::OtherUsers: {
            if (::geteuid() != 0) {
                std::printf("skipped \"%s\": giving a file to another user needs root\n", c.name);
                continue;
            }
            create(HKEY_CURRENT_USER, "Software\\Secret");
            tav::winreg::resetStoreForTests();
            ASSERT_EQ(::chown(file.toLocal8Bit().constData(), 65534, 65534), 0);
            ASSERT_EQ(::chmod(file.toLocal8Bit().constData(), 0644), 0);
            const QByteArray before = tav::test::fileDigest(file);
            HKEY out = nullptr;
            DWORD size = 0;
            char name[8];
            EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &out),
                      ERROR_ACCESS_DENIED);
            EXPECT_EQ(RegQueryValueExA(HKEY_CURRENT_USER, "v", nullptr, nullptr, nullptr, &size),
                      ERROR_ACCESS_DENIED);
            EXPECT_EQ(RegEnumKeyA(HKEY_CURRENT_USER, 0, name, sizeof name), ERROR_ACCESS_DENIED);
            EXPECT_EQ(setText(HKEY_CURRENT_USER, "v", "x"), ERROR_ACCESS_DENIED);
            EXPECT_EQ(tav::test::fileDigest(file), before);
            EXPECT_EQ(modeOf(file), "644");
            EXPECT_EQ(modeOf(file + "-wal"), "absent");
            EXPECT_EQ(QFileInfo(file).ownerId(), 65534u);
            break;
        }
        }
        EXPECT_EQ(modeOf(base), "755") << "the user's own folders are left as they are";
        if (c.kind != Kind::OpenToOthers) {
            EXPECT_EQ(modeOf(base + "/data"), "700");
            EXPECT_EQ(modeOf(dir), "700");
        }
    }
}
