#include "layouterror.h"

namespace tav::gridlayout {

LayoutError::LayoutError(QString document, int line, QString element, QString message)
    : m_document(std::move(document)), m_line(line), m_element(std::move(element)),
      m_message(std::move(message)), m_what(text().toUtf8()) {}

QString LayoutError::text() const {
    QString where = m_document;
    if (m_line > 0)
        where += QStringLiteral(", line %1").arg(m_line);
    if (!m_element.isEmpty())
        where += QStringLiteral(", <%1>").arg(m_element);
    return where + QStringLiteral(": ") + m_message;
}

} // namespace tav::gridlayout
