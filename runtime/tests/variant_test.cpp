#include "appinfo.h"
#include "casename.h"
#include "raisederror.h"
#include "variant.h"

#include <limits>

#include <gtest/gtest.h>

using namespace tav;
using tav::test::errorNumberOf;

struct IntCase {
    const char* name;
    Variant input;
    int16_t expected;
};

class ToIntegerTest : public ::testing::TestWithParam<IntCase> {};

TEST_P(ToIntegerTest, RoundsHalvesToEven) {
    EXPECT_EQ(GetParam().input.toInteger(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Conversions, ToIntegerTest,
                         ::testing::Values(IntCase{"OneAndHalf", Variant(1.5), 2},
                                           IntCase{"TwoAndHalf", Variant(2.5), 2},
                                           IntCase{"MinusHalf", Variant(-0.5), 0},
                                           IntCase{"MinusOneAndHalf", Variant(-1.5), -2},
                                           IntCase{"TextNumber", Variant("  255 "), 255},
                                           IntCase{"TextHalf", Variant("0.5"), 0},
                                           IntCase{"Empty", Variant(), 0},
                                           IntCase{"True", Variant(true), -1},
                                           IntCase{"Lowest", Variant(-32768.4), -32768},
                                           IntCase{"Highest", Variant(int32_t(32767)), 32767},
                                           IntCase{"LowestHalfToEven", Variant(-32768.5), -32768},
                                           IntCase{"LowestAsText", Variant("-32768"), -32768},
                                           IntCase{"HighestAsText", Variant("32767"), 32767},
                                           IntCase{"HexPrefixAnyCase", Variant("&h1f"), 31},
                                           IntCase{"OctalPrefixAnyCase", Variant("&o17"), 15}),
                         tav::test::caseName);

TEST(VariantConversion, EachIntegerTypeHoldsItsRangeAndOverflowsJustOutside) {
    // One row per edge: the extreme itself converts, the next value out is overflow.
    EXPECT_EQ(errorNumberOf([] { Variant(40000.0).toInteger(); }), err::Overflow);
    EXPECT_EQ(errorNumberOf([] { Variant(int32_t(-32769)).toInteger(); }), err::Overflow);
    EXPECT_EQ(errorNumberOf([] { Variant(32767.5).toInteger(); }), err::Overflow);
    EXPECT_EQ(errorNumberOf([] { Variant(int32_t(32768)).toInteger(); }), err::Overflow);
    EXPECT_EQ(Variant(2147483647.0).toLong(), 2147483647);
    EXPECT_EQ(Variant(-2147483648.0).toLong(), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(Variant("-2147483648.4").toLong(), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(Variant(int16_t(-32768)).toLong(), -32768);
    EXPECT_EQ(errorNumberOf([] { Variant(2147483648.0).toLong(); }), err::Overflow);
    EXPECT_EQ(errorNumberOf([] { Variant(2147483647.5).toLong(); }), err::Overflow);
    EXPECT_EQ(errorNumberOf([] { Variant(-2147483649.0).toLong(); }), err::Overflow);
    EXPECT_EQ(Variant(-2147483648.5).toLong(), std::numeric_limits<int32_t>::min())
        << "a half rounds to the even extreme";
    EXPECT_EQ(Variant(std::numeric_limits<double>::denorm_min()).toBool(), true);
    EXPECT_EQ(Variant(-std::numeric_limits<double>::max()).toDouble(),
              std::numeric_limits<double>::lowest());
}

TEST(VariantConversion, BadInputRaisesTheStandardErrors) {
    EXPECT_EQ(errorNumberOf([] { Variant("a word").toInteger(); }), err::TypeMismatch);
    EXPECT_EQ(errorNumberOf([] { Variant("").toLong(); }), err::TypeMismatch);
    EXPECT_EQ(errorNumberOf([] { Variant("&O8").toLong(); }), err::TypeMismatch);
    EXPECT_EQ(errorNumberOf([] { Variant::null().toText(); }), err::InvalidUseOfNull);
    EXPECT_EQ(errorNumberOf([] { Variant(VariantArray(0, {Variant(1)})).toText(); }),
              err::TypeMismatch);
}

TEST(VariantConversion, TextOfEachKind) {
    EXPECT_EQ(Variant().toText(), QString());
    EXPECT_EQ(Variant(int16_t(-12)).toText(), "-12");
    EXPECT_EQ(Variant(int32_t(100000)).toText(), "100000");
    EXPECT_EQ(Variant(1.5).toText(), "1.5");
    EXPECT_EQ(Variant(0.0001).toText(), "0.0001");
    EXPECT_EQ(Variant(1e20).toText(), "1E+20");
    EXPECT_EQ(Variant(true).toText(), "True");
    EXPECT_EQ(Variant(false).toText(), "False");
    // The extremes of each type, and fifteen significant digits either side of the cut.
    EXPECT_EQ(Variant(int16_t(-32768)).toText(), "-32768");
    EXPECT_EQ(Variant(std::numeric_limits<int32_t>::min()).toText(), "-2147483648");
    EXPECT_EQ(Variant(std::numeric_limits<int32_t>::max()).toText(), "2147483647");
    EXPECT_EQ(Variant(std::numeric_limits<double>::max()).toText(), "1.79769313486232E+308");
    EXPECT_EQ(Variant(std::numeric_limits<double>::lowest()).toText(), "-1.79769313486232E+308");
    EXPECT_EQ(Variant(std::numeric_limits<double>::denorm_min()).toText(), "4.94065645841247E-324");
    EXPECT_EQ(Variant(123456789012345.0).toText(), "123456789012345");
    EXPECT_EQ(Variant(1234567890123456.0).toText(), "1.23456789012346E+15");
    EXPECT_EQ(Variant(1e-5).toText(), "1E-05");
    EXPECT_EQ(Variant(-0.0).toText(), "0");
    // A byte array reads as the text its bytes spell in the code page (UTF-8 here).
    EXPECT_EQ(Variant(ByteArray(0, {'C', ':', 0xC3, 0xA9})).toText(),
              QString::fromUtf8("C:\xC3\xA9"));
}

TEST(VbArrayBounds, IndexOutsideBoundsIsSubscriptError) {
    StringArray a(1, {"x", "y", "z"});
    EXPECT_EQ(a.lbound(), 1);
    EXPECT_EQ(a.ubound(), 3);
    EXPECT_EQ(a(3), "z");
    EXPECT_EQ(errorNumberOf([&] { a(0); }), err::SubscriptOutOfRange);
    EXPECT_EQ(errorNumberOf([&] { a(4); }), err::SubscriptOutOfRange);
    StringArray empty(1);
    EXPECT_EQ(empty.ubound(), 0);
}

TEST(VbErrorText, StandardErrorsCarryTheirUsualText) {
    AppInfo::setTitle("prjTest");
    const VbError e = VbError::standard(err::DivisionByZero);
    EXPECT_EQ(e.number(), 11);
    EXPECT_EQ(e.description(), "Division by zero");
    EXPECT_EQ(e.source(), "prjTest");
    EXPECT_EQ(VbError::standardText(94), "Invalid use of Null");
    EXPECT_EQ(VbError::standardText(5), "Invalid procedure call or argument");
}
