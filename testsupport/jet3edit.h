#pragma once
// Edits an in-memory copy of a Jet 3 (.mdb) file so that tests can give a sample file the
// table and column names a program asks for: renames a table in the file's catalog and a
// column in a table's definition. Only what these two edits need is handled (rows under
// 256 bytes, single-page table definitions); anything else leaves the bytes untouched and
// answers false.
#include <QByteArray>

namespace tav::test {

bool renameJet3Table(QByteArray& file, const QByteArray& from, const QByteArray& to);
bool renameJet3Column(QByteArray& file, const QByteArray& table, const QByteArray& from,
                      const QByteArray& to);

} // namespace tav::test
