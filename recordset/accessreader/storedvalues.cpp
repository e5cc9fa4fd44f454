#include "storedvalues.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace tav::mdbreader {

namespace {

constexpr long long daysFrom1899To1970 = 25569;   // 1899-12-30 to 1970-01-01
constexpr long long daysFromYear1To1970 = 719162; // 0001-01-01 to 1970-01-01
constexpr long long secondsPerDay = 86400;

struct Civil {
    long long year;
    unsigned month, day;
};

// The proleptic Gregorian date `z` days after 1970-01-01 (H. Hinnant's algorithm).
Civil civilFromDays(long long z) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<long long>(yoe) + era * 400 + (m <= 2), m, d};
}

// "YYYY-MM-DD hh:mm:ss" of `seconds` into the day `z` days after 1970-01-01, or empty
// outside the years 100 to 9999.
std::string civilText(long long z, long long seconds) {
    const Civil c = civilFromDays(z);
    if (c.year < 100 || c.year > 9999 || seconds < 0 || seconds >= secondsPerDay)
        return {};
    const auto s = static_cast<unsigned>(seconds);
    char text[64];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", unsigned(c.year), c.month,
                  c.day, s / 3600, s / 60 % 60, s % 60);
    return text;
}

// The number written in `digits` ASCII digits at `p`, or -1.
long long digitsAt(Bytes s, std::size_t at, std::size_t digits) {
    if (at + digits > s.size())
        return -1;
    long long v = 0;
    for (std::size_t i = at; i < at + digits; ++i) {
        if (s[i] < '0' || s[i] > '9')
            return -1;
        v = v * 10 + (s[i] - '0');
    }
    return v;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

std::uint32_t le32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

} // namespace

std::string dateText(double days) {
    // Access holds 100-01-01 (-657434) to 9999-12-31 (2958465.99...).
    if (!std::isfinite(days) || days <= -657435.0 || days >= 2958466.0)
        return {};
    const double whole = std::trunc(days);
    long long day = static_cast<long long>(whole);
    long long seconds = std::llround(std::fabs(days - whole) * secondsPerDay);
    if (seconds >= secondsPerDay) { // rounds up to the next midnight
        seconds -= secondsPerDay;
        ++day;
    }
    return civilText(day - daysFrom1899To1970, seconds);
}

std::string extendedDateText(Bytes s) {
    // 19 digits of days, ':', 19 digits of 100-ns ticks into the day, ':', the digits kept.
    const long long days = digitsAt(s, 0, 19);
    const long long ticks = digitsAt(s, 20, 19);
    if (days < 0 || ticks < 0 || s[19] != ':' || s[39] != ':' || ticks >= secondsPerDay * 10000000)
        return {};
    std::string text = civilText(days - daysFromYear1To1970, ticks / 10000000);
    if (text.empty() || ticks % 10000000 == 0)
        return text;
    char fraction[16];
    std::snprintf(fraction, sizeof fraction, ".%07lld", ticks % 10000000);
    std::string f = fraction;
    f.erase(f.find_last_not_of('0') + 1);
    return text + f;
}

std::string guidText(Bytes s) {
    if (s.size() != 16)
        return {};
    // The first three groups are little-endian numbers; the last two are bytes in order.
    static constexpr int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    std::string text = "{";
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text += '-';
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", s[std::size_t(order[i])]);
        text += hex;
    }
    return text + '}';
}

std::string unicodeText(Bytes s) {
    std::u16string units;
    if (s.size() >= 2 && s[0] == 0xFF && s[1] == 0xFE) {
        // Compressed: runs of one byte per character and runs of UTF-16 units, each 0x00
        // byte at a character's start switching between them, starting with single bytes.
        bool single = true;
        for (std::size_t i = 2; i < s.size();) {
            if (s[i] == 0) {
                single = !single;
                ++i;
            } else if (single) {
                units += char16_t(s[i++]);
            } else if (i + 1 < s.size()) {
                units += char16_t(s[i] | s[i + 1] << 8);
                i += 2;
            } else {
                break;
            }
        }
    } else {
        for (std::size_t i = 0; i + 1 < s.size(); i += 2)
            units += char16_t(s[i] | s[i + 1] << 8);
    }
    std::string out;
    out.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char16_t u = units[i];
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] < 0xE000) {
            appendUtf8(out, 0x10000 + ((char32_t(u) - 0xD800) << 10) + (units[++i] - 0xDC00));
        } else if (u >= 0xD800 && u < 0xE000) {
            appendUtf8(out, 0xFFFD); // half a pair has no UTF-8 form
        } else {
            appendUtf8(out, u);
        }
    }
    return out;
}

Bytes calculatedResult(Bytes s) {
    // 16 bytes Access does not document, the result's length in 4, the result, padding.
    constexpr std::size_t lengthAt = 16, resultAt = 20;
    if (s.size() < resultAt)
        return s;
    const std::size_t length = le32(s.data() + lengthAt);
    return s.substr(resultAt, std::min(length, s.size() - resultAt));
}

std::optional<double> calculatedDecimal(Bytes r) {
    // Total length (2), scale, sign, then the magnitude: its 4-byte head and 8-byte groups
    // each little-endian, most significant first.
    if (r.size() < 8)
        return std::nullopt;
    const std::size_t total = std::size_t(r[0] | r[1] << 8);
    std::size_t n = (total > 0 && total + 2 <= r.size() ? total : r.size() - 2) - 2;
    n = std::min<std::size_t>(n / 4 * 4, 16);
    if (r.size() < 4 + n)
        return std::nullopt;
    const int scale = r[2];
    const bool negative = r[3] != 0;
    double magnitude = 0;
    std::size_t at = 4;
    const auto group = [&](std::size_t bytes) {
        for (std::size_t k = bytes; k-- > 0;)
            magnitude = magnitude * 256 + r[at + k];
        at += bytes;
    };
    if (n % 8 != 0)
        group(4);
    while (at < 4 + n)
        group(8);
    const double v = magnitude / std::pow(10.0, scale);
    return negative ? -v : v;
}

} // namespace tav::mdbreader
