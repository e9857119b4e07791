#pragma once
// Value functions and the three kinds of value the program reads from text:
// numbers, money and calendar dates.
//
// Money is exact: an amount text is parsed digit by digit into whole cents and
// rounded half away from zero, so no binary floating point ever touches an
// amount and 1234567.89 stays 1234567.89.

#include <algorithm>
#include <compare>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace tav {

// Wide enough for any amount a book can hold, in cents.
__extension__ typedef __int128 Int128;
__extension__ typedef unsigned __int128 UInt128;

// Trims leading and trailing blanks (spaces only, as the program's Trim does).
std::string trim(std::string_view text);
std::string_view trimView(std::string_view text);

// ---- Numbers -------------------------------------------------------------

// The exact value of a numeric text.
struct Decimal {
    bool negative = false;
    std::string whole;     // integer digits without leading zeros ("" for zero)
    std::string fraction;  // fraction digits without trailing zeros

    bool isZero() const { return whole.empty() && fraction.empty(); }
    bool isWhole() const { return fraction.empty(); }
};

// A text is numeric when it is: optional blanks, an optional + or -, an optional $,
// digits with at most one decimal point, optional blanks; or an optional $ and such
// digits in parentheses (a negative, no sign inside). Nothing else: no exponents, no
// thousands separators, no trailing sign. This one test serves every caller.
std::optional<Decimal> parseDecimal(std::string_view text);
inline bool isNumeric(std::string_view text) { return parseDecimal(text).has_value(); }

// -1, 0 or 1 as the decimal is below, equal to or above n.
int compare(const Decimal& d, long long n);

// The value rounded half away from zero to a whole number; nullopt when it does not
// fit 64 bits.
std::optional<long long> roundedWhole(const Decimal& d);

// ---- Money -------------------------------------------------------------

class Money {
public:
    Money() = default;
    static Money fromCents(Int128 cents) { return Money(cents); }
    static Money fromWhole(long long units) { return Money(static_cast<Int128>(units) * 100); }

    // Rounds the exact value half away from zero to whole cents. Raises Overflow for
    // amounts no book could hold (more than 30 integer digits).
    static Money fromDecimal(const Decimal& d);

    Int128 cents() const { return cents_; }
    bool isZero() const { return cents_ == 0; }

    // "-1234.50": optional minus, at least one digit, exactly two decimals, no
    // separators. Zero is always "0.00", never "-0.00".
    std::string fixed() const;
    // The whole number, rounded half away from zero, without a decimal point.
    std::string whole() const;

    // The same two texts written into a buffer, for the lines of an import file: a view of
    // the buffer's end.
    static constexpr size_t kTextChars = 48;
    using TextBuffer = char[kTextChars];
    std::string_view fixed(TextBuffer& buffer) const;
    std::string_view whole(TextBuffer& buffer) const;

    friend Money operator+(Money a, Money b) { return Money(a.cents_ + b.cents_); }
    friend auto operator<=>(const Money&, const Money&) = default;

private:
    explicit Money(Int128 cents) : cents_(cents) {}
    Int128 cents_ = 0;
};

// Parses an amount text; nullopt when it is not numeric.
std::optional<Money> parseMoney(std::string_view text);

// ---- Dates --------------------------------------------------------------

// A calendar day. Dates are read day/month/year with one separator ("/", "-" or
// ".") used twice and no blanks; two-digit years 00-29 are 20xx and 30-99 19xx.
struct Date {
    int year = 100;
    int month = 1;
    int day = 1;

    static constexpr Date earliest() { return Date{100, 1, 1}; }
    friend auto operator<=>(const Date&, const Date&) = default;
};

std::optional<Date> parseDate(std::string_view text);

// Dates read for every transaction: the last date text met and its dd/mm/yyyy form.
// Neighbouring transactions mostly share their date, which is then read once.
class DateTexts {
public:
    // The text's date as dd/mm/yyyy; empty when the text is not a valid date.
    std::string_view ddmmyyyy(std::string_view text);

private:
    static constexpr size_t kLongest = 10;  // "dd/mm/yyyy"; a longer text is no date
    // The text, as long as the last one, is the same: most are, and are compared a word at a
    // time.
    bool sameAsLast(std::string_view text) const {
        const size_t n = text.size();
        if (n < 8) return std::equal(text.begin(), text.end(), text_);
        std::uint64_t a, b, c, d;
        std::memcpy(&a, text.data(), 8);
        std::memcpy(&b, text_, 8);
        std::memcpy(&c, text.data() + n - 8, 8);
        std::memcpy(&d, text_ + n - 8, 8);
        return a == b && c == d;
    }
    char text_[kLongest] = {};
    size_t size_ = kLongest + 1;  // nothing read yet
    char formatted_[kLongest] = {};
    size_t formattedSize_ = 0;
};

// Formats with the tokens d, dd, m, mm, yy and yyyy; other characters are copied.
std::string formatDate(const Date& date, std::string_view pattern = "dd/mm/yyyy");

// ---- Value functions: no error results; a failure yields the fallback ----

std::string SafeString(std::string_view value);
std::string SafeDateText(std::string_view value, std::string_view pattern);
long SafeLong(std::string_view value);      // 32-bit; 0 unless numeric and in range
short SafeInteger(std::string_view value);  // 16-bit; 0 unless numeric and in range

}  // namespace tav
