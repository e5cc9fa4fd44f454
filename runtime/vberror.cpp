#include "vberror.h"

#include "appinfo.h"

namespace tav {

VbError::VbError(int32_t number, QString source, QString description)
    : m_number(number), m_source(std::move(source)), m_description(std::move(description)),
      m_what(QString::number(number).append(u' ').append(m_description).toUtf8()) {}

VbError VbError::standard(int32_t number, const QString& source) {
    return VbError(number, source.isEmpty() ? AppInfo::title() : source, standardText(number));
}

QString VbError::standardText(int32_t number) {
    switch (number) {
    case 3:
        return QStringLiteral("Return without GoSub");
    case 5:
        return QStringLiteral("Invalid procedure call or argument");
    case 6:
        return QStringLiteral("Overflow");
    case 7:
        return QStringLiteral("Out of memory");
    case 9:
        return QStringLiteral("Subscript out of range");
    case 11:
        return QStringLiteral("Division by zero");
    case 13:
        return QStringLiteral("Type mismatch");
    case 35:
        return QStringLiteral("Sub or Function not defined");
    case 51:
        return QStringLiteral("Internal error");
    case 53:
        return QStringLiteral("File not found");
    case 91:
        return QStringLiteral("Object variable or With block variable not set");
    case 94:
        return QStringLiteral("Invalid use of Null");
    case 380:
        return QStringLiteral("Invalid property value");
    case 438:
        return QStringLiteral("Object doesn't support this property or method");
    default:
        return QStringLiteral("Application-defined or object-defined error");
    }
}

} // namespace tav
