// .reg files: parse any bytes; what parses is written back and must read again, the
// same when every name and text is valid UTF-8; then the file is imported with the reg
// tool into a registry store in the process's private folder.
#include "fuzzsupport.h"
#include "regcommand.h"
#include "regfile.h"
#include "registrystore.h"
#include "winreg_testseams.h"

#include <QDir>
#include <QTextStream>

using namespace tav::regtool;

namespace {

using KeyList = std::vector<std::pair<KeyName, std::vector<RegValue>>>;

// What a file sets, in the form writeRegFile takes: removals are left out.
KeyList settings(const RegFile& file) {
    KeyList out;
    for (const RegFileKey& k : file.keys) {
        if (k.remove)
            continue;
        std::vector<RegValue> values;
        for (const RegFileValue& v : k.values)
            if (!v.remove)
                values.push_back(v.value);
        out.emplace_back(k.key, std::move(values));
    }
    return out;
}

bool sameSettings(const KeyList& a, const KeyList& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].first.full() != b[i].first.full() || a[i].second != b[i].second)
            return false;
    return true;
}

bool validUtf8(const std::string& s) {
    const QByteArray b = QByteArray::fromStdString(s);
    return QString::fromUtf8(b).toUtf8() == b;
}

// True when the writer can carry every name and text unchanged: valid UTF-8, names
// without NULs.
bool faithfulText(const KeyList& keys) {
    for (const auto& [key, values] : keys)
        for (const RegValue& v : values) {
            if (!validUtf8(v.name) || v.name.find('\0') != std::string::npos)
                return false;
            if ((v.type == REG_SZ || v.type == REG_EXPAND_SZ || v.type == REG_MULTI_SZ) &&
                !validUtf8(v.data))
                return false;
        }
    return true;
}

QString describe(const KeyList& keys) {
    QString out;
    for (const auto& [key, values] : keys) {
        out += QStringLiteral("[%1]\n").arg(key.full());
        for (const RegValue& v : values)
            out += QStringLiteral("  '%1' type %2 data %3\n")
                       .arg(QString::fromStdString(v.name))
                       .arg(v.type)
                       .arg(QString::fromLatin1(QByteArray::fromStdString(v.data).toHex(' ')));
    }
    return out;
}

RegFile reparse(const QByteArray& written, const char* what) {
    RegFile file;
    RegFileError error;
    if (!parseRegFile(written, file, error))
        tav::fuzz::fail(what, QStringLiteral("line %1: %2\n%3")
                                  .arg(error.line)
                                  .arg(error.reason, QString::fromUtf8(written.toHex(' '))));
    return file;
}

int g_imports = 0;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    tav::fuzz::initialize(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input = tav::fuzz::bytes(data, size);
    RegFile file;
    RegFileError error;
    if (!parseRegFile(input, file, error)) {
        if (error.line < 1 || error.reason.isEmpty())
            tav::fuzz::fail("a refusal without line or reason");
        return 0;
    }

    const KeyList first = settings(file);
    const QByteArray written = writeRegFile(first);
    const KeyList second = settings(reparse(written, "the written file does not read"));
    if (faithfulText(first) && !sameSettings(first, second))
        tav::fuzz::fail(
            "the written file reads differently",
            QStringLiteral("before:\n%1after:\n%2").arg(describe(first), describe(second)));
    const KeyList third =
        settings(reparse(writeRegFile(second), "the rewritten file does not read"));
    if (!sameSettings(second, third))
        tav::fuzz::fail(
            "writing is not stable",
            QStringLiteral("once:\n%1twice:\n%2").arg(describe(second), describe(third)));

    // Start from an empty store now and then, so that it does not grow without end.
    if (++g_imports % 64 == 0) {
        tav::winreg::resetStoreForTests();
        QDir(tav::winreg::storeDirectory()).removeRecursively();
    }
    const QString path = tav::fuzz::workDir() + QStringLiteral("/input.reg");
    tav::fuzz::writeFile(path, input);
    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    const int code = runReg({QStringLiteral("import"), path}, outStream, errStream);
    if (code != 0 && code != 1)
        tav::fuzz::fail("reg import exit code", QString::number(code));
    return 0;
}
