#pragma once
// The `reg` tool's usage texts: the whole tool's, and each operation's.
#include <QString>

namespace tav::regtool {

// The usage of one operation (QUERY, ADD, DELETE, EXPORT, IMPORT, in any case), or of the
// whole tool for "REG" and any name that is no operation.
QString usageText(const QString& operation);

} // namespace tav::regtool
