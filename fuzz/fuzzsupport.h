#pragma once
// What every fuzz target shares: one headless Qt application object, a private temporary
// folder for the process, and a way to stop on a broken invariant with a message.
#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace tav::fuzz {

// Creates the QCoreApplication once (offscreen platform, private temporary folder as
// HOME, XDG_DATA_HOME and TAV_REGISTRY_DIR). Call from LLVMFuzzerInitialize.
void initialize(int* argc, char*** argv);

// The process's temporary folder (removed at exit).
QString workDir();

// The input as bytes (copied) and as text decoded as UTF-8.
inline QByteArray bytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}
inline QString utf8(const uint8_t* data, size_t size) {
    return QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
}

// Writes `data` to `path`, replacing it; aborts when the file cannot be written, since
// every later result would be meaningless.
void writeFile(const QString& path, const QByteArray& data);

// Reports a broken invariant and aborts, so that libFuzzer keeps the input.
[[noreturn]] void fail(const char* what, const QString& detail = {});

} // namespace tav::fuzz
