#pragma once
// A full key name as the tool takes it: a root (short or long name) and the path below it.
#include "winreg.h"

#include <QString>

#include <optional>

namespace tav::regtool {

struct KeyName {
    HKEY root = nullptr;
    QString rootName; // long form, HKEY_CURRENT_USER ...
    QString path;     // below the root, no leading or trailing backslash; empty for the root

    QString full() const { return path.isEmpty() ? rootName : rootName + QLatin1Char('\\') + path; }
    QByteArray pathAnsi() const;
    KeyName child(const QString& name) const;

    // HKCU, HKLM, HKCR, HKU, HKCC or their long names, any case, then an optional path.
    static std::optional<KeyName> parse(const QString& text);
};

} // namespace tav::regtool
