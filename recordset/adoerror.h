#pragma once
// Error numbers and sources the recordset layer raises, as tav::VbError values.
// Recordset-level failures carry the small numbers a caller traps (3265, 3704 ...);
// provider failures carry the provider's signed 32-bit codes.
#include "vberror.h"

#include <QString>

#include <cstdint>

namespace tav::ado {

namespace errc {
// Raised by the recordset itself.
inline constexpr int32_t NoCurrentRecord = 3021;      // BOF or EOF, no current row
inline constexpr int32_t NotUpdatable = 3251;         // the recordset refuses changes
inline constexpr int32_t ItemNotFound = 3265;         // no field of that name
inline constexpr int32_t ObjectClosed = 3704;         // operation on a closed recordset
inline constexpr int32_t ObjectOpen = 3705;           // operation needs a closed recordset
inline constexpr int32_t ProviderNotFound = 3706;     // unknown provider name
inline constexpr int32_t NoConnection = 3709;         // Open without a connection
// Raised by the provider.
inline constexpr int32_t ProviderFailure = -2147467259;   // 0x80004005: file missing, unreadable, not a database
inline constexpr int32_t BadInitString = -2147217805;     // 0x80040E73: malformed connection string
inline constexpr int32_t NoSuchTable = -2147217865;       // 0x80040E37: table or query missing
inline constexpr int32_t MissingParameter = -2147217904;  // 0x80040E10: unknown name in the query
inline constexpr int32_t CommandError = -2147217900;      // 0x80040E14: syntax error in the query
} // namespace errc

// Source texts of the two layers.
inline const QString recordsetSource() { return QStringLiteral("ADODB.Recordset"); }
inline const QString providerSource() { return QStringLiteral("Microsoft JET Database Engine"); }

// Failures of the recordset layer. `subject` names what failed (a field, a provider)
// where the number's description has a place for it.
VbError recordsetError(int32_t number, const QString& subject = {});
// A provider failure with its own description.
VbError providerError(int32_t number, const QString& description);

} // namespace tav::ado
