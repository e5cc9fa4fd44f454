#pragma once
// The error a presentation layout document is refused with: which document, the line
// and element where the fault was found, and what is wrong there.
#include <QByteArray>
#include <QString>

#include <stdexcept>

namespace tav::gridlayout {

class LayoutError : public std::exception {
  public:
    // `line` 0 means the fault belongs to no single line (a missing style, a cycle).
    LayoutError(QString document, int line, QString element, QString message);

    const QString& document() const noexcept { return m_document; }
    int line() const noexcept { return m_line; }
    const QString& element() const noexcept { return m_element; }
    const QString& message() const noexcept { return m_message; }
    // "styles, line 12, <Prop>: not a number: 'x'"
    QString text() const;
    const char* what() const noexcept override { return m_what.constData(); }

  private:
    QString m_document;
    int m_line;
    QString m_element;
    QString m_message;
    QByteArray m_what;
};

} // namespace tav::gridlayout
