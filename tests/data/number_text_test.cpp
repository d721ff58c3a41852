#include "data/number_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "tests/support/comma_locale.h"

TEST(ParseInt, ReadsLeadingDigitsLikeStrtol) {
    EXPECT_EQ(parse_int("123"), 123);
    EXPECT_EQ(parse_int("+45"), 45);
    EXPECT_EQ(parse_int("-45"), -45);
    EXPECT_EQ(parse_int("12.9"), 12);
    EXPECT_EQ(parse_int("1e3"), 1);
    EXPECT_EQ(parse_int("abc"), 0);
    EXPECT_EQ(parse_int(""), 0);
    EXPECT_EQ(parse_int("-"), 0);
    EXPECT_EQ(parse_int(" \t7"), 7);
    EXPECT_EQ(parse_int("99999999999999999999"), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(parse_int("-99999999999999999999"), std::numeric_limits<int32_t>::min());
}

TEST(ParseReal, ReadsDecimalTextLikeStrtod) {
    EXPECT_DOUBLE_EQ(parse_real("1.5"), 1.5);
    EXPECT_DOUBLE_EQ(parse_real("+1.5"), 1.5);
    EXPECT_DOUBLE_EQ(parse_real("-0.25"), -0.25);
    EXPECT_DOUBLE_EQ(parse_real(".5"), 0.5);
    EXPECT_DOUBLE_EQ(parse_real("5."), 5.0);
    EXPECT_DOUBLE_EQ(parse_real("1e2"), 100.0);
    EXPECT_DOUBLE_EQ(parse_real("2.5abc"), 2.5);
    EXPECT_DOUBLE_EQ(parse_real("3.25\r"), 3.25);
    EXPECT_DOUBLE_EQ(parse_real("abc"), 0.0);
    EXPECT_DOUBLE_EQ(parse_real(""), 0.0);
    EXPECT_DOUBLE_EQ(parse_real("+-1"), 0.0);
    EXPECT_DOUBLE_EQ(parse_real("1e999"), std::numeric_limits<double>::infinity());
    EXPECT_DOUBLE_EQ(parse_real("-1e999"), -std::numeric_limits<double>::infinity());
}

TEST(ParseWholeNumber, TakesOnlyTheWholeText) {
    int i = 7;
    EXPECT_TRUE(parse_whole_int("-12", i));
    EXPECT_EQ(i, -12);
    for (const char* bad : {"", "12x", " 12", "+12", "1.5", "99999999999"}) {
        EXPECT_FALSE(parse_whole_int(bad, i)) << bad;
        EXPECT_EQ(i, -12) << bad;
    }
    double r = 0;
    EXPECT_TRUE(parse_whole_real("2.5e3", r));
    EXPECT_EQ(r, 2500);
    for (const char* bad : {"", "1,5", "1.5 ", "+1", "nan(", "x"}) {
        EXPECT_FALSE(parse_whole_real(bad, r)) << bad;
        EXPECT_EQ(r, 2500) << bad;
    }
}

// Dialogs show their numbers this way: a comma-decimal locale must not turn
// "17.50" into "17,50", which the fields' comma separators would cut to 17.
TEST(FormatFixed, PrintsADecimalPointWhateverTheLocale) {
    ASSERT_NE(std::setlocale(LC_ALL, test_support::kCommaDecimalLocale), nullptr)
        << "tools/bootstrap makes it";
    EXPECT_EQ(format_fixed(17.5, 2), "17.50");
    EXPECT_EQ(format_fixed(-0.125, 2), "-0.12");
    EXPECT_EQ(format_fixed(1.234, 0), "1");
    EXPECT_EQ(format_fixed(1e300, 2).size(), 304u);  // 301 digits, the point and 2 decimals
    EXPECT_EQ(format_int(-2147483648LL), "-2147483648");
    std::setlocale(LC_ALL, "C");
}
