#pragma once
// The text order of Access databases ("general" sort): case and accents do not count,
// apostrophes and hyphens are ignored. Registered on a SQLite connection as the
// collation ACCESSTEXT, which every text column of a loaded Access table declares.
#include <QString>

struct sqlite3;

namespace tav::access {

// The key two texts are compared by: accents stripped, case folded, ' and - removed.
QString generalSortKey(const QString& text);
// <0, 0, >0 as a sorts before, with, or after b.
int generalCompare(const QString& a, const QString& b);
void registerCollation(sqlite3* db);

} // namespace tav::access
