#pragma once
// Error numbers and sources the recordset layer raises, as tav::VbError values.
// Recordset-level failures carry the small numbers a caller traps (3265, 3704 ...);
// provider failures carry the provider's signed 32-bit codes.
#include "vberror.h"

#include <QString>

#include <cstdint>

namespace tav::ado {

// The numbers this layer raises are in the one list (errornumbers.h).
namespace errc = ::tav::err;

// Source texts of the two layers.
inline const QString recordsetSource() {
    return QStringLiteral("ADODB.Recordset");
}
inline const QString providerSource() {
    return QStringLiteral("Microsoft JET Database Engine");
}

// Failures of the recordset layer. `subject` names what failed (a field, a provider)
// where the number's description has a place for it.
VbError recordsetError(int32_t number, const QString& subject = {});
// A provider failure with its own description.
VbError providerError(int32_t number, const QString& description);

} // namespace tav::ado
