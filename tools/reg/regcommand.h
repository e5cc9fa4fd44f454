#pragma once
// The `reg` tool's operations: query, add, delete, export and import, with the output and
// exit codes (0 success, 1 failure) of the platform's own registry tool.
#include <QStringList>
#include <QTextStream>

namespace tav::regtool {

// Runs one command line (without the program name). `in` answers Yes/No prompts; without
// it every prompt is answered No.
int runReg(const QStringList& args, QTextStream& out, QTextStream& err, QTextStream* in = nullptr);

} // namespace tav::regtool
