#pragma once
// An SQLite file layer over the default one that can be told to fail writes or syncs, for
// the store's disk-full and I/O-error tests, or to end the process at an exact write, for the
// kill test's writer. While it lives it is the default layer, so the next store connection
// goes through it.
#include <atomic>
#include <csignal>
#include <cstdio>
#include <memory>
#include <sqlite3.h>

namespace tav::test {

class FaultVfs {
  public:
    enum class Fault { None, WriteFull, WriteIoError, SyncError };

    FaultVfs() {
        s_self = this;
        m_base = sqlite3_vfs_find(nullptr);
        m_vfs = *m_base;
        m_vfs.zName = "tavfault";
        m_vfs.szOsFile = int(sizeof(File)) + m_base->szOsFile;
        m_vfs.xOpen = &FaultVfs::open;
        m_vfs.pNext = nullptr;
        sqlite3_vfs_register(&m_vfs, 1);
    }
    ~FaultVfs() {
        sqlite3_vfs_unregister(&m_vfs);
        sqlite3_vfs_register(m_base, 1);
        s_self = nullptr;
    }
    FaultVfs(const FaultVfs&) = delete;
    FaultVfs& operator=(const FaultVfs&) = delete;

    void arm(Fault f) { m_fault = f; }
    // Writes and syncs refused so far.
    int refused() const { return m_refused; }

    // Ends the process with SIGKILL just before its n-th write from now on (counting from 1)
    // to the store file (`storeFileOnly`) or to any file, after printing "killed before write
    // <i> of the store file" (or "of the log") on standard output: a crash at an exact point
    // of the file traffic rather than after a guessed delay.
    void killBeforeWrite(int n, bool storeFileOnly) {
        m_killAt = n;
        m_killStoreFileOnly = storeFileOnly;
        m_writes = 0;
    }

  private:
    struct File {
        sqlite3_file base;
        sqlite3_file* real;
        bool storeFile; // the main database file, not its log or journal
    };

    static sqlite3_file* real(sqlite3_file* f) { return reinterpret_cast<File*>(f)->real; }

    static int open(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags) {
        File* f = reinterpret_cast<File*>(file);
        f->real = reinterpret_cast<sqlite3_file*>(f + 1);
        f->storeFile = (flags & SQLITE_OPEN_MAIN_DB) != 0;
        const int rc = s_self->m_base->xOpen(s_self->m_base, name, f->real, flags, outFlags);
        f->base.pMethods = f->real->pMethods ? &s_methods : nullptr;
        return rc;
    }

    static bool refuse(Fault f) {
        if (s_self->m_fault != f)
            return false;
        ++s_self->m_refused;
        return true;
    }

    static int close(sqlite3_file* f) { return real(f)->pMethods->xClose(real(f)); }
    static int read(sqlite3_file* f, void* p, int n, sqlite3_int64 o) {
        return real(f)->pMethods->xRead(real(f), p, n, o);
    }
    static int write(sqlite3_file* f, const void* p, int n, sqlite3_int64 o) {
        const bool storeFile = reinterpret_cast<File*>(f)->storeFile;
        if (s_self->m_killAt > 0 && (storeFile || !s_self->m_killStoreFileOnly) &&
            ++s_self->m_writes == s_self->m_killAt) {
            std::printf("killed before write %d of the %s\n", s_self->m_writes,
                        storeFile ? "store file" : "log");
            std::fflush(stdout);
            std::raise(SIGKILL);
        }
        if (refuse(Fault::WriteFull))
            return SQLITE_FULL;
        if (refuse(Fault::WriteIoError))
            return SQLITE_IOERR_WRITE;
        return real(f)->pMethods->xWrite(real(f), p, n, o);
    }
    static int truncate(sqlite3_file* f, sqlite3_int64 s) {
        return real(f)->pMethods->xTruncate(real(f), s);
    }
    static int sync(sqlite3_file* f, int flags) {
        if (refuse(Fault::SyncError))
            return SQLITE_IOERR_FSYNC;
        return real(f)->pMethods->xSync(real(f), flags);
    }
    static int fileSize(sqlite3_file* f, sqlite3_int64* s) {
        return real(f)->pMethods->xFileSize(real(f), s);
    }
    static int lock(sqlite3_file* f, int l) { return real(f)->pMethods->xLock(real(f), l); }
    static int unlock(sqlite3_file* f, int l) { return real(f)->pMethods->xUnlock(real(f), l); }
    static int checkLock(sqlite3_file* f, int* r) {
        return real(f)->pMethods->xCheckReservedLock(real(f), r);
    }
    static int control(sqlite3_file* f, int op, void* arg) {
        return real(f)->pMethods->xFileControl(real(f), op, arg);
    }
    static int sectorSize(sqlite3_file* f) { return real(f)->pMethods->xSectorSize(real(f)); }
    static int device(sqlite3_file* f) {
        return real(f)->pMethods->xDeviceCharacteristics(real(f));
    }
    static int shmMap(sqlite3_file* f, int page, int size, int extend, void volatile** p) {
        return real(f)->pMethods->xShmMap(real(f), page, size, extend, p);
    }
    static int shmLock(sqlite3_file* f, int offset, int n, int flags) {
        return real(f)->pMethods->xShmLock(real(f), offset, n, flags);
    }
    static void shmBarrier(sqlite3_file* f) { real(f)->pMethods->xShmBarrier(real(f)); }
    static int shmUnmap(sqlite3_file* f, int del) {
        return real(f)->pMethods->xShmUnmap(real(f), del);
    }

    // Version 2 of the method table: with shared memory (for the log), without memory-mapped
    // fetches, which SQLite then does not use.
    static constexpr sqlite3_io_methods s_methods = {
        2,        &close,      &read,      &write,   &truncate,   &sync,   &fileSize,
        &lock,    &unlock,     &checkLock, &control, &sectorSize, &device, &shmMap,
        &shmLock, &shmBarrier, &shmUnmap,  nullptr,  nullptr};

    static inline FaultVfs* s_self = nullptr;
    sqlite3_vfs* m_base;
    sqlite3_vfs m_vfs;
    std::atomic<Fault> m_fault{Fault::None};
    std::atomic<int> m_refused{0};
    int m_killAt = 0;
    bool m_killStoreFileOnly = false;
    int m_writes = 0;
};

} // namespace tav::test
