#include "regusage.h"

namespace tav::regtool {

namespace {

// kUsage_reg, kUsage_query, ...: the texts of usage/*.txt, which the manual page shows too.
#include "regusage_text.inc"

} // namespace

QString usageText(const QString& operation) {
    const QString op = operation.toUpper();
    const char* text = op == QLatin1String("QUERY")     ? kUsage_query
                       : op == QLatin1String("ADD")     ? kUsage_add
                       : op == QLatin1String("DELETE")  ? kUsage_delete
                       : op == QLatin1String("EXPORT")  ? kUsage_export
                       : op == QLatin1String("IMPORT")  ? kUsage_import
                       : op == QLatin1String("COPY")    ? kUsage_copy
                       : op == QLatin1String("COMPARE") ? kUsage_compare
                                                        : kUsage_reg;
    return QString::fromLatin1(text);
}

} // namespace tav::regtool
