// Float formatting with user patterns: sections, digit placeholders, grouping, exponents,
// literals, and patterns that printf would misread.
#include "platform/rtl/FloatFormat.h"
#include "TestSupport.h"

#include <cmath>
#include <limits>

using namespace kv;

TEST(FloatFormat, PlaceholdersGroupingAndDecimals)
{
    EXPECT_EQ(FormatFloat("#,##0.00", 1234567.891), "1,234,567.89");
    EXPECT_EQ(FormatFloat("#,##0.00", 12.3), "12.30");
    EXPECT_EQ(FormatFloat("0.00", -3.14159), "-3.14");
    EXPECT_EQ(FormatFloat("0.###", 2.5), "2.5");
    EXPECT_EQ(FormatFloat("0.###", 2), "2");
    EXPECT_EQ(FormatFloat("#.##", 0.5), ".5");
    EXPECT_EQ(FormatFloat("000", 7), "007");
    EXPECT_EQ(FormatFloat("0", 123456), "123456"); // more digits than placeholders
    EXPECT_EQ(FormatFloat("0.0", -0.04), "0.0");   // no sign on a zero result
    // Grouping stays right through every magnitude.
    const QString huge = FormatFloat("#,##0", 1e300);
    EXPECT_EQ(huge.size(), 301 + 100);
    EXPECT_TRUE(huge.startsWith("1,000,000,"));
}

// A value exactly halfway rounds away from zero; one a hair off either side rounds to the
// nearer number.
TEST(FloatFormat, HalfwayValuesRoundAwayFromZero)
{
    EXPECT_EQ(FormatFloat("#,##0", 12.5), "13");
    EXPECT_EQ(FormatFloat("#,##0", 2.5), "3");
    EXPECT_EQ(FormatFloat("#,##0", -12.5), "-13");
    EXPECT_EQ(FormatFloat("0.00", 0.125), "0.13");
    EXPECT_EQ(FormatFloat("0.0", 1234567.25), "1234567.3");
    EXPECT_EQ(FormatFloat("0.0E+0", 1250), "1.3E+3");
    EXPECT_EQ(FormatFloat("0.000", 0.0000152587890625), "0.000"); // 2^-16: no tie at 3 decimals
    EXPECT_EQ(FormatFloat("0", std::nextafter(2.5, 0.0)), "2");
    EXPECT_EQ(FormatFloat("0.00", 2.675), "2.67"); // the double lies below 2.675
    EXPECT_EQ(FormatFloat("0.00", 1.005), "1.00"); // and below 1.005
    EXPECT_EQ(FormatFloat("0.0000000000", 0.00000000005), "0.0000000001");
    EXPECT_EQ(FormatFloat("#,##0", 9007199254740993.0), "9,007,199,254,740,992");
}

TEST(FloatFormat, SectionsExponentsAndLiterals)
{
    EXPECT_EQ(FormatFloat("0.00;(0.00);zero", -2), "(2.00)");
    EXPECT_EQ(FormatFloat("0.00;(0.00);zero", 0), "zero");
    EXPECT_EQ(FormatFloat("0.00;(0.00);zero", 5), "5.00");
    EXPECT_EQ(FormatFloat("0.00;;zero", -5), "-5.00"); // an empty section uses the first
    EXPECT_EQ(FormatFloat("0.00E+00", 12345), "1.23E+04");
    EXPECT_EQ(FormatFloat("0.00E+00", 0.00012), "1.20E-04");
    EXPECT_EQ(FormatFloat("0.0e-0", 1500), "1.5e3");
    EXPECT_EQ(FormatFloat("0.0E+0 'units#'", 25), "2.5E+1 units#");
    EXPECT_EQ(FormatFloat("'$'#,##0", 1000), "$1,000");
    EXPECT_EQ(FormatFloat("0 \"kg;0\"", 3), "3 kg;0"); // quoted text keeps ";" and "0"
    EXPECT_EQ(FormatFloat("", 0.25), "0.25");
    EXPECT_EQ(FormatFloat("0.00", std::numeric_limits<double>::quiet_NaN()), "NAN");
    EXPECT_EQ(FormatFloat("0.00", -std::numeric_limits<double>::infinity()), "-INF");
    // printf directives are plain text here.
    EXPECT_EQ(FormatFloat("%s%n%d", 42), "%s%n%d42");
    EXPECT_EQ(FormatFloat("%s 0.0 %n", 4.26), "%s 4.3 %n");
}
