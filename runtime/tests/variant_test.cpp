#include "appinfo.h"
#include "casename.h"
#include "raisederror.h"
#include "variant.h"

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
                                           IntCase{"HexPrefixAnyCase", Variant("&h1f"), 31},
                                           IntCase{"OctalPrefixAnyCase", Variant("&o17"), 15}),
                         tav::test::caseName);

TEST(VariantConversion, IntegerOutOfRangeIsOverflow) {
    EXPECT_EQ(errorNumberOf([] { Variant(40000.0).toInteger(); }), err::Overflow);
    EXPECT_EQ(errorNumberOf([] { Variant(int32_t(-32769)).toInteger(); }), err::Overflow);
    EXPECT_EQ(errorNumberOf([] { Variant(32767.5).toInteger(); }), err::Overflow);
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
