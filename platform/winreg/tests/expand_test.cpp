// ExpandEnvironmentStringsA: references, what is copied as written, and the sizes.
#include "winreg.h"

#include <QByteArray>

#include <string>

#include <gtest/gtest.h>

namespace {

std::string expand(const char* src) {
    const DWORD n = ExpandEnvironmentStringsA(src, nullptr, 0);
    if (n == 0)
        return "<failed>";
    std::string buf(n, 'x');
    EXPECT_EQ(ExpandEnvironmentStringsA(src, buf.data(), n), n) << src;
    EXPECT_EQ(buf[n - 1], '\0') << src;
    buf.resize(n - 1);
    return buf;
}

} // namespace

TEST(ExpandEnvironmentStrings, ReplacesKnownNamesAndCopiesTheRest) {
    qputenv("TAV_EXPAND_ONE", QByteArray("first"));
    qputenv("Tav_Mixed_Case", QByteArray("mixed"));
    qunsetenv("TAV_EXPAND_UNKNOWN");
    struct Case {
        const char* src;
        const char* expected;
    };
    const Case cases[] = {
        {"", ""},
        {"plain", "plain"},
        {"%TAV_EXPAND_ONE%", "first"},
        {"a%TAV_EXPAND_ONE%b%TAV_EXPAND_ONE%c", "afirstbfirstc"},
        {"%tav_expand_one%", "first"}, // case ignored
        {"%TAV_MIXED_CASE%", "mixed"}, // case-insensitive match of a mixed-case name
        {"%TAV_EXPAND_UNKNOWN%", "%TAV_EXPAND_UNKNOWN%"},
        {"%%", "%%"},
        {"50%", "50%"},
        {"%TAV_EXPAND_ONE", "%TAV_EXPAND_ONE"}, // unterminated
        {"%TAV_EXPAND_UNKNOWN%TAV_EXPAND_ONE%", "%TAV_EXPAND_UNKNOWNfirst"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(expand(c.src), c.expected) << c.src;
}

TEST(ExpandEnvironmentStrings, AnswersTheNeededSizeIncludingTerminator) {
    qputenv("TAV_EXPAND_SIZE", QByteArray("12345"));
    EXPECT_EQ(ExpandEnvironmentStringsA("<%TAV_EXPAND_SIZE%>", nullptr, 0), 8u);
    char small[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(ExpandEnvironmentStringsA("<%TAV_EXPAND_SIZE%>", small, sizeof small), 8u);
    EXPECT_EQ(small[0], 'x'); // nothing written into a buffer that is too small
}
