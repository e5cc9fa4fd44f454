#pragma once
// The .reg text format: "Windows Registry Editor Version 5.00" (written as UTF-16LE with a
// byte-order mark and CRLF line ends) and REGEDIT4 (read only), in UTF-16LE or UTF-8/ANSI.
#include "regaccess.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace tav::regtool {

struct RegFileValue {
    RegValue value;
    bool remove = false; // "name"=-
};

struct RegFileKey {
    KeyName key;
    bool remove = false; // [-KEY]
    std::vector<RegFileValue> values;
};

struct RegFile {
    std::vector<RegFileKey> keys;
};

struct RegFileError {
    int line = 0;
    QString reason;
};

// Parses the whole file; on failure `error` names the first malformed line (1-based).
bool parseRegFile(const QByteArray& bytes, RegFile& file, RegFileError& error);

// What of these keys a version 5 file cannot carry exactly, described for a message, or
// empty when it can carry them all: a key name with a line break, a name or a text that is
// not valid UTF-8.
QString notWritable(const std::vector<std::pair<KeyName, std::vector<RegValue>>>& keys);

// The text of a version 5 file for the keys in order (each with its values), encoded as
// UTF-16LE with a byte-order mark and CRLF line ends.
QByteArray writeRegFile(const std::vector<std::pair<KeyName, std::vector<RegValue>>>& keys);

} // namespace tav::regtool
