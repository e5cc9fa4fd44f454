#pragma once
// Access's expression functions and operators as SQLite functions, named acc_<name>:
// the translator (accesssql.h) turns Access expressions into calls of these.
// Null rules follow Access: most functions return Null for a Null argument;
// `&` (acc_concat) treats one Null as an empty text and two as Null.
struct sqlite3;

namespace tav::access {

void registerFunctions(sqlite3* db);

} // namespace tav::access
