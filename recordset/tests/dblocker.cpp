// tav-dblocker: another program writing a database, for the fault tests.
//
//   tav-dblocker <database> <statements>
//
// Opens the database read-write, runs the statements (for example "BEGIN EXCLUSIVE; UPDATE ...")
// and prints "ready" on stdout. It then keeps the connection, with whatever lock or open
// transaction the statements left, until its stdin is closed; closing the connection rolls an
// open transaction back. Killing it instead leaves the change half done, as a crash would.
#include <cstdio>
#include <sqlite3.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: tav-dblocker <database> <statements>\n");
        return 2;
    }
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "cannot open %s: %s\n", argv[1],
                     db ? sqlite3_errmsg(db) : "out of memory");
        sqlite3_close(db);
        return 1;
    }
    char* err = nullptr;
    if (sqlite3_exec(db, argv[2], nullptr, nullptr, &err) != SQLITE_OK) {
        std::fprintf(stderr, "%s\n", err ? err : "statements failed");
        sqlite3_free(err);
        sqlite3_close(db);
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    char buffer[64];
    while (read(STDIN_FILENO, buffer, sizeof buffer) > 0) {
    }
    sqlite3_close(db);
    return 0;
}
