#include "adoerror.h"

namespace tav::ado {

VbError recordsetError(int32_t number, const QString& subject) {
    QString text;
    switch (number) {
    case errc::NoCurrentRecord:
        text = QStringLiteral("There is no current record: the recordset is past its last row.");
        break;
    case errc::NotUpdatable:
        text = QStringLiteral("The recordset does not accept changes.");
        break;
    case errc::ItemNotFound:
        text = QStringLiteral("The recordset has no field named '%1'.").arg(subject);
        break;
    case errc::ObjectClosed:
        text = QStringLiteral("The recordset is closed; this operation needs an open recordset.");
        break;
    case errc::ObjectOpen:
        text = QStringLiteral("The recordset is open; close it before this operation.");
        break;
    case errc::ProviderNotFound:
        text = QStringLiteral("No data provider named '%1' is available.").arg(subject);
        break;
    case errc::NoConnection:
        text = QStringLiteral("The recordset has no connection; set ActiveConnection before Open.");
        break;
    default:
        text = VbError::standardText(number);
        break;
    }
    return VbError(number, recordsetSource(), text);
}

VbError providerError(int32_t number, const QString& description) {
    return VbError(number, providerSource(), description);
}

} // namespace tav::ado
