#pragma once
// Whole-file helpers for tests that write, damage, swap or compare files. readFile gives an
// empty array for a file it cannot read; the writers fail the current test on error (wrap a
// call in ASSERT_NO_FATAL_FAILURE where the test must stop there).
#include <QByteArray>
#include <QString>

namespace tav::test {

QByteArray readFile(const QString& path);
void writeFile(const QString& path, const QByteArray& bytes);
// Writes a shell script and makes it executable by its owner.
void writeScript(const QString& path, const QByteArray& text);
void renameOver(const QString& from, const QString& to);
// SHA-256 of a file's bytes, to prove a file was left unchanged; empty when unreadable.
QByteArray fileDigest(const QString& path);

} // namespace tav::test
