#include "regkeyname.h"

#include "codepage.h"

namespace tav::regtool {

namespace {

struct Root {
    const char* shortName;
    const char* longName;
    HKEY handle;
};

const Root kRoots[] = {
    {"HKCU", "HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {"HKLM", "HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {"HKCR", "HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
    {"HKU", "HKEY_USERS", HKEY_USERS},
    {"HKCC", "HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
};

} // namespace

QByteArray KeyName::pathAnsi() const {
    return toAnsi(path);
}

KeyName KeyName::child(const QString& name) const {
    KeyName k = *this;
    k.path = path.isEmpty() ? name : path + QLatin1Char('\\') + name;
    return k;
}

std::optional<KeyName> KeyName::parse(const QString& text) {
    const qsizetype cut = text.indexOf(QLatin1Char('\\'));
    const QString rootText = cut < 0 ? text : text.left(cut);
    QString path = cut < 0 ? QString() : text.mid(cut + 1);
    // One trailing backslash is allowed; two name an empty key.
    if (path.endsWith(QLatin1Char('\\')))
        path.chop(1);
    // The registry functions take names as C strings: a NUL would cut the path short and
    // name another key (for a deletion, the whole root).
    if (path.startsWith(QLatin1Char('\\')) || path.endsWith(QLatin1Char('\\')) ||
        path.contains(QChar(0)))
        return std::nullopt;
    for (const Root& r : kRoots) {
        if (rootText.compare(QLatin1String(r.shortName), Qt::CaseInsensitive) == 0 ||
            rootText.compare(QLatin1String(r.longName), Qt::CaseInsensitive) == 0)
            return KeyName{r.handle, QString::fromLatin1(r.longName), path};
    }
    return std::nullopt;
}

} // namespace tav::regtool
