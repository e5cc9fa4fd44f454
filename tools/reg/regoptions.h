#pragma once
// The command line of one `reg` operation: its switches, each at most once, and the
// positional arguments (keys, file names).
#include "regcompare.h"

#include <QStringList>

#include <optional>

namespace tav::regtool {

// The switches of one command line.
struct Options {
    QString operation;
    QStringList positional;
    std::optional<QString> valueName; // /v NAME, or "" for /ve
    bool allValues = false;           // /va
    bool force = false;               // /f, /y
    bool recurse = false;             // /s outside add
    std::optional<QString> type;
    std::optional<QString> data;
    QString separator = QStringLiteral("\\0");
    CompareOptions::Show show = CompareOptions::Show::Differences;
};

// Reads the arguments after the operation's name into `o` (its `operation` set, upper case,
// and one of the tool's operations). False on a syntax error: a switch given twice, switches
// that exclude each other, a switch without its argument.
bool parseSwitches(const QStringList& args, Options& o);

} // namespace tav::regtool
