#pragma once
// The `reg` tool's operations: query, add, delete, export, import, copy and compare, with the
// output and exit codes (0 success, 1 failure; compare: 0 identical, 2 different) of the
// platform's own registry tool.
#include <QStringList>
#include <QTextStream>

#include <functional>
#include <optional>

namespace tav::regtool {

// Answers the tool's Yes/No questions, one line each; nothing (end of input, or no answer
// waiting) means No.
using Answers = std::function<std::optional<QString>()>;

// Runs one command line (without the program name).
int runReg(const QStringList& args, QTextStream& out, QTextStream& err, const Answers& answers);
// The same with the answers read from `in`; without it every question is answered No.
int runReg(const QStringList& args, QTextStream& out, QTextStream& err, QTextStream* in = nullptr);

} // namespace tav::regtool
