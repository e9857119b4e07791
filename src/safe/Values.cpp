#include "safe/Values.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>

#include "safe/Sem.h"
#include "safe/TextCodec.h"

namespace tav {

std::string_view trimView(std::string_view text) {
    size_t first = 0, last = text.size();
    while (first < last && text[first] == ' ') ++first;
    while (last > first && text[last - 1] == ' ') --last;
    return text.substr(first, last - first);
}

std::string trim(std::string_view text) { return std::string(trimView(text)); }

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Digits with at most one decimal point and at least one digit.
bool readDigits(std::string_view s, Decimal& out) {
    if (s.empty()) return false;
    const size_t point = s.find('.');
    std::string_view whole = s.substr(0, point);
    std::string_view fraction =
        point == std::string_view::npos ? std::string_view{} : s.substr(point + 1);
    if (whole.empty() && fraction.empty()) return false;
    if (!std::all_of(whole.begin(), whole.end(), isDigit)) return false;
    if (!std::all_of(fraction.begin(), fraction.end(), isDigit)) return false;
    while (!whole.empty() && whole.front() == '0') whole.remove_prefix(1);
    while (!fraction.empty() && fraction.back() == '0') fraction.remove_suffix(1);
    out.whole = whole;
    out.fraction = fraction;
    return true;
}

}  // namespace

std::optional<Decimal> parseDecimal(std::string_view text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return std::nullopt;
    std::string_view s = text.substr(first, text.find_last_not_of(' ') - first + 1);
    Decimal d;
    if (s.front() == '+' || s.front() == '-') {
        d.negative = s.front() == '-';
        s.remove_prefix(1);
        if (!s.empty() && s.front() == '$') s.remove_prefix(1);
    } else {
        if (s.front() == '$') s.remove_prefix(1);
        if (!s.empty() && s.front() == '(') {
            if (s.size() < 2 || s.back() != ')') return std::nullopt;
            s = s.substr(1, s.size() - 2);
            if (!s.empty() && s.front() == '$') s.remove_prefix(1);
            d.negative = true;
        }
    }
    if (!readDigits(s, d)) return std::nullopt;
    if (d.isZero()) d.negative = false;
    return d;
}

int compare(const Decimal& d, long long n) {
    const bool nNegative = n < 0;
    if (d.isZero() && n == 0) return 0;
    if (d.negative != nNegative) return d.negative ? -1 : 1;
    // Same sign: compare magnitudes, then flip for negatives.
    std::string nDigits = n == 0 ? std::string() : std::to_string(n);
    if (nNegative) nDigits.erase(0, 1);
    int magnitude;
    if (d.whole.size() != nDigits.size())
        magnitude = d.whole.size() < nDigits.size() ? -1 : 1;
    else if (d.whole != nDigits)
        magnitude = d.whole < nDigits ? -1 : 1;
    else
        magnitude = d.fraction.empty() ? 0 : 1;
    return nNegative || d.negative ? -magnitude : magnitude;
}

std::optional<long long> roundedWhole(const Decimal& d) {
    if (d.whole.size() > 18) return std::nullopt;
    long long value = d.whole.empty() ? 0 : std::stoll(d.whole);
    if (!d.fraction.empty() && d.fraction[0] >= '5') ++value;
    return d.negative ? -value : value;
}

Money Money::fromDecimal(const Decimal& d) {
    if (d.whole.size() > 30) raise(err::Overflow);
    Int128 cents = 0;
    for (char c : d.whole) cents = cents * 10 + (c - '0');
    for (size_t i = 0; i < 2; ++i)
        cents = cents * 10 + (i < d.fraction.size() ? d.fraction[i] - '0' : 0);
    if (d.fraction.size() > 2 && d.fraction[2] >= '5') ++cents;
    return Money(d.negative ? -cents : cents);
}

namespace {

// The numbers 00 to 99, two digits each.
constexpr char kDigitPairs[] =
    "0001020304050607080910111213141516171819202122232425262728293031323334353637383940414243444546"
    "474849"
    "5051525354555657585960616263646566676869707172737475767778798081828384858687888990919293949596"
    "979899";

// Writes the digits of v backwards, ending before end; returns where they begin. Amounts
// are written for every line and nearly all fit 64 bits, whose division is cheap: two
// digits are written at a time.
char* digitsBefore(char* end, std::uint64_t v) {
    for (; v >= 100; v /= 100) {
        end -= 2;
        std::memcpy(end, kDigitPairs + 2 * (v % 100), 2);
    }
    if (v >= 10) {
        end -= 2;
        std::memcpy(end, kDigitPairs + 2 * v, 2);
    } else {
        *--end = static_cast<char>('0' + v);
    }
    return end;
}

char* digitsBefore(char* end, UInt128 v) {
    for (; v > std::numeric_limits<std::uint64_t>::max(); v /= 10)
        *--end = static_cast<char>('0' + static_cast<int>(v % 10));
    return digitsBefore(end, static_cast<std::uint64_t>(v));
}

UInt128 magnitudeOf(Int128 v) { return v < 0 ? -static_cast<UInt128>(v) : static_cast<UInt128>(v); }

// v / 100 and v % 100, in 64 bits where v fits them (a division of 128 bits is a library
// call).
std::pair<UInt128, unsigned> hundreds(UInt128 v) {
    if (v <= std::numeric_limits<std::uint64_t>::max()) {
        const auto small = static_cast<std::uint64_t>(v);
        return {small / 100, static_cast<unsigned>(small % 100)};
    }
    return {v / 100, static_cast<unsigned>(v % 100)};
}

}  // namespace

std::string_view Money::fixed(TextBuffer& buffer) const {
    if (cents_ == 0) return "0.00";
    const UInt128 magnitude = magnitudeOf(cents_);
    char* const end = buffer + kTextChars;
    char* p;
    if (magnitude <= std::numeric_limits<std::uint64_t>::max()) {
        const auto small = static_cast<std::uint64_t>(magnitude);
        std::memcpy(end - 2, kDigitPairs + 2 * (small % 100), 2);
        end[-3] = '.';
        p = digitsBefore(end - 3, small / 100);
    } else {
        std::memcpy(end - 2, kDigitPairs + 2 * static_cast<unsigned>(magnitude % 100), 2);
        end[-3] = '.';
        p = digitsBefore(end - 3, magnitude / 100);
    }
    if (cents_ < 0) *--p = '-';
    return {p, static_cast<size_t>(end - p)};
}

std::string_view Money::whole(TextBuffer& buffer) const {
    const UInt128 units = hundreds(magnitudeOf(cents_) + 50).first;
    if (units == 0) return "0";
    char* const end = buffer + kTextChars;
    char* p = digitsBefore(end, units);
    if (cents_ < 0) *--p = '-';
    return {p, static_cast<size_t>(end - p)};
}

std::string Money::fixed() const {
    TextBuffer buffer;
    return std::string(fixed(buffer));
}

std::string Money::whole() const {
    TextBuffer buffer;
    return std::string(whole(buffer));
}

namespace {

// An amount as the report and the reader write it: an optional minus, at most fifteen
// digits, and optionally a point and one or two decimals. Read straight into cents;
// nullopt for anything else, which takes the full numeric test.
std::optional<Money> plainMoney(std::string_view s) {
    const bool negative = !s.empty() && s.front() == '-';
    if (negative) s.remove_prefix(1);
    const size_t point = s.find('.');
    const std::string_view whole = s.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view{} : s.substr(point + 1);
    if (whole.empty() || whole.size() > 15 || fraction.size() > 2 ||
        (point != std::string_view::npos && fraction.empty()))
        return std::nullopt;
    std::int64_t cents = 0;
    for (char c : whole) {
        if (!isDigit(c)) return std::nullopt;
        cents = cents * 10 + (c - '0');
    }
    for (size_t i = 0; i < 2; ++i) {
        const char c = i < fraction.size() ? fraction[i] : '0';
        if (!isDigit(c)) return std::nullopt;
        cents = cents * 10 + (c - '0');
    }
    return Money::fromCents(negative ? -cents : cents);
}

}  // namespace

std::optional<Money> parseMoney(std::string_view text) {
    if (const std::optional<Money> m = plainMoney(text)) return m;
    const std::optional<Decimal> d = parseDecimal(text);
    if (!d) return std::nullopt;
    return Money::fromDecimal(*d);
}

// ---- Dates --------------------------------------------------------------

namespace {

bool isLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m) {
    static constexpr std::array<int, 12> kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeap(y) ? 29 : kDays[static_cast<size_t>(m - 1)];
}

}  // namespace

std::optional<Date> parseDate(std::string_view text) {
    // One pass, as every transaction's date is read: day, month and year are digits only,
    // split by two of the same separator.
    constexpr size_t kMaxDigits[3] = {2, 2, 4};
    int values[3] = {};
    size_t digits[3] = {}, part = 0;
    char separator = 0;
    for (const char c : text) {
        if (isDigit(c)) {
            if (++digits[part] > kMaxDigits[part]) return std::nullopt;
            values[part] = values[part] * 10 + (c - '0');
        } else if (separator ? c == separator : c == '/' || c == '-' || c == '.') {
            if (part == 2) return std::nullopt;
            separator = c;
            ++part;
        } else {
            return std::nullopt;
        }
    }
    if (part != 2 || digits[0] == 0 || digits[1] == 0 || digits[2] == 0) return std::nullopt;
    const int day = values[0], month = values[1];
    int year = values[2];
    if (digits[2] <= 2)
        year += year < 30 ? 2000 : 1900;
    else if (year < 100)
        return std::nullopt;
    if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month)) return std::nullopt;
    return Date{year, month, day};
}

std::string_view DateTexts::ddmmyyyy(std::string_view text) {
    if (text.size() > kLongest) return {};
    if (text.size() == size_ && sameAsLast(text)) return {formatted_, formattedSize_};
    std::copy(text.begin(), text.end(), text_);
    size_ = text.size();
    const std::optional<Date> date = parseDate(text);
    const std::string formatted = date ? formatDate(*date) : std::string();
    std::copy(formatted.begin(), formatted.end(), formatted_);
    formattedSize_ = formatted.size();
    return {formatted_, formattedSize_};
}

std::string formatDate(const Date& date, std::string_view pattern) {
    // The import files' pattern, written for every transaction.
    if (pattern == "dd/mm/yyyy" && date.day >= 0 && date.day <= 99 && date.month >= 0 &&
        date.month <= 99 && date.year >= 0 && date.year <= 9999) {
        std::string out = "00/00/0000";
        auto digits = [&](size_t end, int v, int count) {
            for (; count > 0; --count, v /= 10) out[end--] = static_cast<char>('0' + v % 10);
        };
        digits(1, date.day, 2);
        digits(4, date.month, 2);
        digits(9, date.year, 4);
        return out;
    }
    std::string out;
    size_t i = 0;
    auto run = [&](char c) {
        size_t n = 0;
        while (i + n < pattern.size() && pattern[i + n] == c) ++n;
        return n;
    };
    auto padded = [](int v, size_t width) {
        std::string s = std::to_string(v);
        if (s.size() < width) s.insert(0, width - s.size(), '0');
        return s;
    };
    while (i < pattern.size()) {
        const char c = pattern[i];
        if (c == 'd' || c == 'm') {
            const size_t n = std::min<size_t>(run(c), 2);
            out += padded(c == 'd' ? date.day : date.month, n);
            i += n;
        } else if (c == 'y') {
            const size_t n = run(c);
            out += n >= 4 ? padded(date.year, 4) : padded(date.year % 100, 2);
            i += n;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

// ---- Value functions ----------------------------------------------------

std::string SafeString(std::string_view value) { return trim(value); }

std::string SafeDateText(std::string_view value, std::string_view pattern) {
    const std::optional<Date> date = parseDate(value);
    return date ? formatDate(*date, pattern) : std::string();
}

long SafeLong(std::string_view value) {
    try {
        const std::optional<Decimal> d = parseDecimal(value);
        const std::optional<long long> v = d ? roundedWhole(*d) : std::nullopt;
        if (!v || *v < std::numeric_limits<int>::min() || *v > std::numeric_limits<int>::max())
            return 0;
        return static_cast<long>(*v);
    } catch (...) {
        return 0;
    }
}

short SafeInteger(std::string_view value) {
    const long v = SafeLong(value);
    return v < std::numeric_limits<short>::min() || v > std::numeric_limits<short>::max()
               ? short{0}
               : static_cast<short>(v);
}

}  // namespace tav
