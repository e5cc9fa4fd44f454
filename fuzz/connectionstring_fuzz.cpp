// Connection strings: parse any text; a malformed one is a VbError. A parsed string,
// written back pair by pair (keys with "==", values through quoteValue), parses to the
// same pairs, and value() finds every key.
#include "connectionstring.h"
#include "fuzzsupport.h"
#include "vberror.h"

#include <QStringList>

using tav::ado::ConnectionString;

namespace {

QString escapeKey(QString key) {
    return key.replace(u'=', QStringLiteral("=="));
}

QString describe(const std::vector<std::pair<QString, QString>>& pairs) {
    QString out;
    for (const auto& [k, v] : pairs)
        out += QStringLiteral("[%1]=[%2] ").arg(k, v);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    tav::fuzz::initialize(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = tav::fuzz::utf8(data, size);
    ConnectionString cs;
    try {
        cs = ConnectionString::parse(text);
    } catch (const tav::VbError&) {
        return 0;
    }
    QStringList parts;
    for (const auto& [key, value] : cs.pairs()) {
        const std::optional<QString> found = cs.value(key);
        if (!found || *found != value)
            tav::fuzz::fail("value() misses a parsed key", key);
        parts << escapeKey(key) + u'=' + ConnectionString::quoteValue(value);
    }
    const QString written = parts.join(u';');
    try {
        const ConnectionString again = ConnectionString::parse(written);
        if (again.pairs() != cs.pairs())
            tav::fuzz::fail("written pairs read back differently",
                            QStringLiteral("written: %1\nbefore: %2\nafter:  %3")
                                .arg(written, describe(cs.pairs()), describe(again.pairs())));
    } catch (const tav::VbError& e) {
        tav::fuzz::fail("written pairs do not parse",
                        written + QStringLiteral("\n") + e.description());
    }
    return 0;
}
