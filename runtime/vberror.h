#pragma once
// The one error type of the suite: a 32-bit number, a source and a description,
// raised as a C++ exception and trapped where a handler says so.
#include "errornumbers.h"

#include <QString>

#include <cstdint>
#include <stdexcept>

namespace tav {

class VbError : public std::exception {
  public:
    VbError(int32_t number, QString source, QString description);

    // One of the standard run-time errors (5, 6, 9, 11, 13, 94, ...) with its usual text.
    // The source defaults to the program's title, as the run-time does.
    static VbError standard(int32_t number, const QString& source = {});

    int32_t number() const noexcept { return m_number; }
    const QString& source() const noexcept { return m_source; }
    const QString& description() const noexcept { return m_description; }
    const char* what() const noexcept override { return m_what.constData(); }

    // The usual description of a standard error number, or "Application-defined or
    // object-defined error" for numbers the run-time does not know.
    static QString standardText(int32_t number);

  private:
    int32_t m_number;
    QString m_source;
    QString m_description;
    QByteArray m_what;
};

} // namespace tav
