#pragma once
// Reads a subtree of the store through the registry functions, and checks the store file
// with SQLite's own integrity check on a connection of its own.
#include "faultscript.h"
#include "winreg.h"

#include <sqlite3.h>
#include <string>

namespace tav::test {

namespace detail {
inline LONG readInto(HKEY key, const std::string& path, winreg::script::Tree& tree) {
    if (!path.empty())
        tree[path];
    char name[300];
    for (DWORD i = 0;; ++i) {
        DWORD len = sizeof name, size = 0;
        const LONG s = RegEnumValueA(key, i, name, &len, nullptr, nullptr, nullptr, &size);
        if (s == ERROR_NO_MORE_ITEMS)
            break;
        if (s != ERROR_SUCCESS)
            return s;
        std::string data(size, '\0');
        if (const LONG q = RegQueryValueExA(key, name, nullptr, nullptr,
                                            reinterpret_cast<BYTE*>(data.data()), &size))
            return q;
        data.resize(size);
        tree[path][name] = data;
    }
    for (DWORD i = 0;; ++i) {
        const LONG s = RegEnumKeyA(key, i, name, sizeof name);
        if (s == ERROR_NO_MORE_ITEMS)
            break;
        if (s != ERROR_SUCCESS)
            return s;
        HKEY child = nullptr;
        if (const LONG o = RegOpenKeyExA(key, name, 0, KEY_READ, &child))
            return o;
        const LONG r = readInto(child, path.empty() ? std::string(name) : path + "\\" + name, tree);
        RegCloseKey(child);
        if (r != ERROR_SUCCESS)
            return r;
    }
    return ERROR_SUCCESS;
}
} // namespace detail

// Every key and value under HKEY_CURRENT_USER\root, by path relative to root; a missing
// root reads as an empty tree. Answers the first status that was not success.
inline LONG snapshot(const char* root, winreg::script::Tree& tree) {
    tree.clear();
    HKEY key = nullptr;
    const LONG s = RegOpenKeyExA(HKEY_CURRENT_USER, root, 0, KEY_READ, &key);
    if (s == ERROR_FILE_NOT_FOUND)
        return ERROR_SUCCESS;
    if (s != ERROR_SUCCESS)
        return s;
    // The root itself is not part of the tree; its values would be.
    const LONG r = detail::readInto(key, std::string(), tree);
    tree.erase(std::string());
    RegCloseKey(key);
    return r;
}

// "ok" when SQLite finds the file sound; its first complaint otherwise.
inline std::string integrityCheck(const std::string& file) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        const std::string why = db ? sqlite3_errmsg(db) : "cannot open";
        sqlite3_close(db);
        return why;
    }
    // Closing this connection must leave the log as it was for the next check.
    sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    sqlite3_busy_timeout(db, 30000);
    std::string result = "no answer";
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check(1)", -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW)
        result = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
    else
        result = sqlite3_errmsg(db);
    sqlite3_finalize(st);
    sqlite3_close(db);
    return result;
}

} // namespace tav::test
