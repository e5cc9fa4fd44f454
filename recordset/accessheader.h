#pragma once
// The signature of an Access database file in its first page, known to the recordset
// whether or not this build reads Access files: it tells the file's version, and a build
// without the Access format refuses such a file as what it is.
#include <QByteArray>
#include <QString>

namespace tav::ado {

// "Jet 3", "Jet 4", "ACE" or empty for a header that is not an Access file's.
QString accessVersionOf(const QByteArray& header);

} // namespace tav::ado
