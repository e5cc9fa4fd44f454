#include "adoerror.h"
#include "casename.h"
#include "connectionstring.h"

#include <gtest/gtest.h>

using tav::ado::ConnectionString;

namespace {

struct ParseCase {
    const char* name;
    const char* text;
    const char* key;
    const char* expected; // nullptr: the key is not set
};

class ParseTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseTest, ReadsValue) {
    const ParseCase& c = GetParam();
    const auto cs = ConnectionString::parse(QString::fromUtf8(c.text));
    const auto v = cs.value(QString::fromUtf8(c.key));
    if (!c.expected)
        EXPECT_FALSE(v.has_value()) << v.value_or(QString()).toStdString();
    else
        EXPECT_EQ(v.value_or(QStringLiteral("<unset>")), QString::fromUtf8(c.expected));
}

const ParseCase parseCases[] = {
    {"BlanksAroundEquals", "Provider = Microsoft.Jet.OLEDB.4.0;Data Source=/db/x.mdb;", "Provider",
     "Microsoft.Jet.OLEDB.4.0"},
    {"KeyAnyCase", "Provider = P;DATA source=/db/x.mdb", "data Source", "/db/x.mdb"},
    {"KeyOuterBlanksIgnored", "  Data Source  =/db/x.mdb", "Data Source", "/db/x.mdb"},
    {"InnerKeyBlanksMatter", "DataSource=/db/x.mdb", "Data Source", nullptr},
    {"DoubleQuotedSemicolon", "Data Source=\"/a;b/x.mdb\";Persist Security Info=False",
     "Data Source", "/a;b/x.mdb"},
    {"AfterQuotedValue", "Data Source=\"/a;b/x.mdb\";Persist Security Info=False",
     "Persist Security Info", "False"},
    {"SingleQuotes", "Data Source='/a;\"b\"/x.mdb'", "Data Source", "/a;\"b\"/x.mdb"},
    {"DoubledQuoteInsideQuotes", "Data Source=\"a\"\"b\"", "Data Source", "a\"b"},
    {"QuotedKeepsOuterBlanks", "Data Source=\" x \"", "Data Source", " x "},
    {"BlanksAroundQuotedValue", "Data Source= \t\"/a;b\" \t;Provider=P", "Data Source", "/a;b"},
    {"PairAfterBlanksAfterQuotedValue", "Data Source= \t\"/a;b\" \t;Provider=P", "Provider", "P"},
    {"UnquotedTrimmed", "Data Source=  /db/x.mdb  ;", "Data Source", "/db/x.mdb"},
    {"EqualsInsideValue", "Password=a=b", "Password", "a=b"},
    {"DoubledEqualsInKey", "a==b=1", "a=b", "1"},
    {"LastOccurrenceWins", "Data Source=/one;data source=/two", "Data Source", "/two"},
    {"EmptySegmentsIgnored", ";;Provider=P;;", "Provider", "P"},
    {"EmptyValue", "Data Source=;Provider=P", "Data Source", ""},
    {"BackslashesKept", "Data Source=C:\\db\\dbEquip.MDB", "Data Source", "C:\\db\\dbEquip.MDB"},
};

INSTANTIATE_TEST_SUITE_P(ConnectionString, ParseTest, ::testing::ValuesIn(parseCases),
                         tav::test::caseName);

class MalformedTest : public ::testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(MalformedTest, RaisesBadInitString) {
    try {
        ConnectionString::parse(QString::fromUtf8(GetParam().second));
        FAIL() << "parsed";
    } catch (const tav::VbError& e) {
        EXPECT_EQ(e.number(), tav::ado::errc::BadInitString);
        EXPECT_TRUE(e.description().contains(QString::fromUtf8(GetParam().second))) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(ConnectionString, MalformedTest,
                         ::testing::Values(std::pair{"NoEquals", "Provider=P;Data Source"},
                                           std::pair{"NoKey", "=value"},
                                           std::pair{"UnclosedQuote", "Data Source=\"/a;b"},
                                           std::pair{"TextAfterQuote", "Data Source=\"/a\"b;"}),
                         tav::test::caseName);

TEST(ConnectionStringQuote, RoundTripsAndQuotesOnlyWhenNeeded) {
    const QString values[] = {QStringLiteral("/plain/path/db.mdb"),
                              QStringLiteral("/a;b/db.mdb"),
                              QStringLiteral("\"/q/db.mdb"),
                              QStringLiteral("'/q;\"x\"/db.mdb"),
                              QStringLiteral(" lead"),
                              QStringLiteral("a=b"),
                              QString()};
    for (const QString& v : values) {
        const QString text = QStringLiteral("Provider=P;Data Source=") +
                             ConnectionString::quoteValue(v) +
                             QStringLiteral(";Persist Security Info=False");
        const auto cs = ConnectionString::parse(text);
        EXPECT_EQ(cs.value(QStringLiteral("Data Source")), v) << text.toStdString();
        EXPECT_EQ(cs.value(QStringLiteral("Persist Security Info")), QStringLiteral("False"));
    }
    EXPECT_EQ(ConnectionString::quoteValue(QStringLiteral("/plain/db.mdb")),
              QStringLiteral("/plain/db.mdb"));
    EXPECT_EQ(ConnectionString::quoteValue(QStringLiteral("/a;b")), QStringLiteral("\"/a;b\""));
}

// Values that once read back differently after quoteValue (found by fuzzing): each is
// written after a key, followed by another pair, and must come back unchanged.
struct QuoteCase {
    const char* name;
    const char* value; // UTF-8
};

class QuoteRoundTrip : public ::testing::TestWithParam<QuoteCase> {};

TEST_P(QuoteRoundTrip, ReadsBackUnchanged) {
    const QString v = QString::fromUtf8(GetParam().value);
    const QString text = QStringLiteral("Provider=P;Data Source=") +
                         ConnectionString::quoteValue(v) +
                         QStringLiteral(";Persist Security Info=False");
    const auto cs = ConnectionString::parse(text);
    EXPECT_EQ(cs.value(QStringLiteral("Data Source")), v) << text.toStdString();
    EXPECT_EQ(cs.value(QStringLiteral("Persist Security Info")), QStringLiteral("False"))
        << text.toStdString();
    ASSERT_EQ(cs.pairs().size(), 3u) << text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    ConnectionString, QuoteRoundTrip,
    ::testing::Values(QuoteCase{"LeadingEquals", "=\xEF\xBF\xBD"
                                                 "Data"}, // "Data Source==..." joined into the key
                      QuoteCase{"OnlyEquals", "="}, QuoteCase{"TrailingVerticalTab", "/db/x.mdb\v"},
                      QuoteCase{"LeadingFormFeed", "\f/db/x.mdb"},
                      QuoteCase{"TrailingNoBreakSpace", "/db/x.mdb\xC2\xA0"},
                      QuoteCase{"LeadingIdeographicSpace", "\xE3\x80\x80x"}),
    tav::test::caseName);

} // namespace
