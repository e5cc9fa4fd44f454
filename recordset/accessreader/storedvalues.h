// Conversions of values as an Access file stores them, for the kinds the file library
// converts wrongly or not at all. Plain functions over bytes, without the library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tav::mdbreader {

using Bytes = std::basic_string_view<unsigned char>;

// A date as "YYYY-MM-DD hh:mm:ss" from its stored days since 1899-12-30, whose fraction
// counts forward within the day even before that day (-1.25 is 1899-12-29 06:00). Empty
// when the value is outside the years 100 to 9999 that Access holds.
std::string dateText(double days);

// A Date/Time Extended value ("days since 0001-01-01:100-ns ticks:digits" in ASCII) as
// "YYYY-MM-DD hh:mm:ss", with ".fffffff" (trailing zeros cut) when it has a fraction of
// a second. Empty when the bytes are not of that form.
std::string extendedDateText(Bytes stored);

// A replication ID as {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}; empty unless 16 bytes.
std::string guidText(Bytes stored);

// Text of a Jet 4 or later file (UTF-16, possibly in the compressed form that starts
// FF FE) as UTF-8, characters beyond the basic plane included.
std::string unicodeText(Bytes stored);

// The stored result of a calculated column, without the header Access puts around it.
Bytes calculatedResult(Bytes stored);

// The decimal result of a calculated column; nothing when the bytes are too short.
std::optional<double> calculatedDecimal(Bytes result);

} // namespace tav::mdbreader
