#pragma once
// The connection string the programs open their equipment database with, for any file:
// the path quoted where a plain value would not read back.
#include "connectionstring.h"

#include <QString>

namespace tav::test {

inline QString connectionTo(const QString& path) {
    return QStringLiteral("Provider = Microsoft.Jet.OLEDB.4.0;Data Source=") +
           ado::ConnectionString::quoteValue(path) + QStringLiteral(";Persist Security Info=False");
}

} // namespace tav::test
