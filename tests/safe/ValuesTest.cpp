#include <gtest/gtest.h>

#include "safe/Sem.h"
#include "safe/Values.h"

namespace tav {
namespace {

TEST(IsNumeric, AcceptsTheAmountFormsAReportCanHold) {
    for (const char* text : {"0", "12", "-12", "+12", "1234.5", ".5", "5.", "  7  ", "$12.50",
                             "-$12.50", "(12.50)", "$(12.50)", "($12.50)", " (3) "})
        EXPECT_TRUE(isNumeric(text)) << text;
}

TEST(IsNumeric, RefusesEverythingElse) {
    for (const char* text : {"", " ", ".", "abc", "1,234.50", "1e5", "12-", "1.2.3", "(-12)", "(12",
                             "12)", "- 12", "$", "$-12", "0x10", "12 34"})
        EXPECT_FALSE(isNumeric(text)) << text;
}

struct AmountCase {
    const char* text;
    const char* fixed;
    const char* whole;
};

TEST(Money, FormatsExactlyWithHalfAwayFromZero) {
    const AmountCase cases[] = {
        {"1234", "1234.00", "1234"},
        {"-1234.5", "-1234.50", "-1235"},
        {".5", "0.50", "1"},
        {"-0.456", "-0.46", "0"},
        {"0.005", "0.01", "0"},
        {"-0.005", "-0.01", "0"},
        {"-0.004", "0.00", "0"},
        {"1234567.89", "1234567.89", "1234568"},
        {"12345678.90", "12345678.90", "12345679"},
        {"-2500000.00", "-2500000.00", "-2500000"},
        {"(12.345)", "-12.35", "-12"},
        {"$99999999999999.995", "100000000000000.00", "100000000000000"},
        // Either side of the most cents 64 bits hold.
        {"184467440737095516.15", "184467440737095516.15", "184467440737095516"},
        {"-184467440737095516.16", "-184467440737095516.16", "-184467440737095516"},
        {"-999999999999999999999999999999.99", "-999999999999999999999999999999.99",
         "-1000000000000000000000000000000"},
    };
    for (const AmountCase& c : cases) {
        const auto m = parseMoney(c.text);
        ASSERT_TRUE(m) << c.text;
        EXPECT_EQ(m->fixed(), c.fixed) << c.text;
        EXPECT_EQ(m->whole(), c.whole) << c.text;
    }
}

// Amounts in the report's own form are read by a shortcut; it must agree with the full
// numeric test on what is numeric and on every cent.
TEST(Money, PlainAmountsReadAsTheFullTestReadsThem) {
    for (const char* text :
         {"0", "-0", "-0.00", "007.5", "12.34", "-99.99", "5.", ".5", "-.5", "1.234", "1.-5", "-",
          "--1", "1.2.3", "-1,000.00", "123456789012345.67", "1234567890123456.7", " 12", "+12"}) {
        const auto d = parseDecimal(text);
        const auto m = parseMoney(text);
        ASSERT_EQ(m.has_value(), d.has_value()) << text;
        if (m) {
            EXPECT_TRUE(m->cents() == Money::fromDecimal(*d).cents()) << text;
        }
    }
}

TEST(Money, AddsWithoutLosingCents) {
    EXPECT_EQ((*parseMoney("12345678.89") + *parseMoney("0.01")).fixed(), "12345678.90");
    EXPECT_EQ((*parseMoney("-10.00") + *parseMoney("10")).fixed(), "0.00");
}

TEST(Money, AnAmountNoBookCouldHoldIsAnOverflow) {
    try {
        parseMoney(std::string(31, '9'));
        FAIL();
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), err::Overflow);
    }
}

TEST(Decimal, ComparesExactly) {
    EXPECT_EQ(compare(*parseDecimal("1.0000001"), 1), 1);
    EXPECT_EQ(compare(*parseDecimal("-1.5"), -1), -1);
    EXPECT_EQ(compare(*parseDecimal("0"), 0), 0);
    EXPECT_EQ(compare(*parseDecimal("4"), 4), 0);
    EXPECT_EQ(compare(*parseDecimal("-0.1"), 0), -1);
}

TEST(Dates, ReadDayMonthYear) {
    struct Case {
        const char* text;
        const char* formatted;  // "" = not a date
    };
    const Case cases[] = {
        {"3/7/2010", "03/07/2010"},
        {"28-06-2011", "28/06/2011"},
        {"1.1.11", "01/01/2011"},
        {"31/12/29", "31/12/2029"},
        {"1/1/30", "01/01/1930"},
        {"29/02/2012", "29/02/2012"},
        {"29/02/2011", ""},
        {"29/02/2000", "29/02/2000"},  // a leap year: divisible by 400
        {"29/02/1900", ""},            // not one: divisible by 100 only
        {"31/04/2011", ""},
        {"0/1/2011", ""},
        {"1/13/2011", ""},
        {"1/1/99999", ""},
        {"1/1-2011", ""},
        {"1/1/2011/1", ""},
        {" 1/1/2011", ""},
        {"Date", ""},
        {"", ""},
        {"1/1/0100", "01/01/0100"},
        {"1/1/099", ""},
        {"1//2011", ""},
        {"/1/2011", ""},
        {"1/1/", ""},
        {"123/1/2011", ""},
        {"1.1/2011", ""},
        {"01/001/2011", ""},
    };
    // The conversion's dates, remembered from one text to the next: each text is read
    // twice, after a different one (of the same length, often) and after itself.
    DateTexts dates;
    for (const Case& c : cases) {
        EXPECT_EQ(SafeDateText(c.text, "dd/mm/yyyy"), c.formatted) << c.text;
        EXPECT_EQ(dates.ddmmyyyy(c.text), c.formatted) << c.text;
        EXPECT_EQ(dates.ddmmyyyy(c.text), c.formatted) << c.text;
    }
}

TEST(Dates, OrderAsCalendarDays) {
    EXPECT_LT(*parseDate("31/12/2010"), *parseDate("1/1/2011"));
    EXPECT_LT(Date::earliest(), *parseDate("1/1/1900"));
}

TEST(ValueFunctions, FallBackToZeroOrEmpty) {
    EXPECT_EQ(SafeString("  a b  "), "a b");
    EXPECT_EQ(SafeLong("12"), 12);
    EXPECT_EQ(SafeLong("abc"), 0);
    EXPECT_EQ(SafeLong("99999999999"), 0);
    EXPECT_EQ(SafeInteger("40000"), 0);
    EXPECT_EQ(SafeInteger("-2.5"), -3);
}

}  // namespace
}  // namespace tav
