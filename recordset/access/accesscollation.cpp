#include "accesscollation.h"

#include <sqlite3.h>

namespace tav::access {

QString generalSortKey(const QString& text) {
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString key;
    key.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (c.isMark() || c == u'\'' || c == u'-' || c == QChar(0x2019))
            continue;
        key += c.toCaseFolded();
    }
    return key;
}

int generalCompare(const QString& a, const QString& b) {
    return QString::compare(generalSortKey(a), generalSortKey(b), Qt::CaseSensitive);
}

namespace {

int collate(void*, int lenA, const void* a, int lenB, const void* b) {
    const QString sa = QString::fromUtf8(static_cast<const char*>(a), lenA);
    const QString sb = QString::fromUtf8(static_cast<const char*>(b), lenB);
    const int c = generalCompare(sa, sb);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

} // namespace

void registerCollation(sqlite3* db) {
    sqlite3_create_collation(db, "ACCESSTEXT", SQLITE_UTF8, nullptr, collate);
}

} // namespace tav::access
