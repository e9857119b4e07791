// Scanning a report line for its tabs (and, when it is split, its commas); its header
// row; the two parts of an account text.

#include "convert/ReportLine.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "safe/ByteScan.h"
#include "safe/Sem.h"
#include "safe/TextCodec.h"
#include "safe/Values.h"

namespace tav {

namespace {

constexpr std::string_view kHeaderWithMemo =
    "Trans #\tType\tDate\tNum\tName\tMemo\tItem\tAccount\tTax Code\tAmount\tTax Amount";
constexpr std::string_view kHeaderWithDescription =
    "Trans #\tType\tDate\tNum\tName\tDescription\tItem\tAccount\tTax Code\tAmount\tTax Amount";

// Where the account middle dot begins, or npos. Account texts are read on every report
// line, so the dot's first byte is looked for alone.
size_t findMiddleDot(std::string_view text) {
    for (size_t at = text.find(kMiddleDot[0]); at != std::string_view::npos;
         at = text.find(kMiddleDot[0], at + 1))
        if (at + 1 < text.size() && text[at + 1] == kMiddleDot[1]) return at;
    return std::string_view::npos;
}

}  // namespace

bool isTotalLine(std::string_view first) {
    constexpr std::string_view kTotal = "TOTAL";
    if (first.size() != kTotal.size()) return false;
    for (size_t i = 0; i < kTotal.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(first[i])) != kTotal[i]) return false;
    return true;
}

std::pair<size_t, size_t> fieldBounds(std::string_view line, size_t i) {
    size_t from = 0;
    const size_t end =
        bytescan::forEach<bytescan::AnyOf<'\t'>>(line.data(), 0, line.size(), [&](size_t tab) {
            if (i == 0) return true;
            --i;
            from = tab + 1;
            return false;
        });
    return {i == 0 ? from : std::string_view::npos, end};
}

std::string_view tabField(std::string_view line, size_t i) {
    if (line.empty()) raise(err::SubscriptOutOfRange);
    const auto [from, end] = fieldBounds(line, i);
    if (from == std::string_view::npos) raise(err::SubscriptOutOfRange);
    return line.substr(from, end - from);
}

size_t ReportFields::split(std::string_view line) {
    return split(line, TextReader::marksOf(line, col::Count));
}

size_t ReportFields::split(std::string_view line, const TextReader::Marks& marks) {
    line_ = line;
    copied_ = 0;
    count_ = 0;
    if (line.empty()) return 0;
    const char* const data = line.data();
    const size_t tabs = marks.tabCount;
    const std::uint32_t* const at = marks.tabs;
    if (tabs == col::Count - 1) {
        // A line of the report has every column: each field from the tab before it, four
        // at a time.
#ifdef __SSE2__
        auto load = [](const std::uint32_t* from) {
            return _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        };
        const __m128i one = _mm_set1_epi32(1), zero = _mm_setzero_si128();
        const __m128i lineStart =
            _mm_set1_epi64x(static_cast<long long>(reinterpret_cast<std::uintptr_t>(data)));
        // Fields k to k + 3 from their ends and the tabs before them.
        auto four = [&](size_t k, __m128i from, __m128i ends) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(sizes_.data() + k),
                             _mm_sub_epi32(ends, from));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(starts_.data() + k),
                             _mm_add_epi64(_mm_unpacklo_epi32(from, zero), lineStart));
            if (k + 2 < col::Count)
                _mm_storeu_si128(reinterpret_cast<__m128i*>(starts_.data() + k + 2),
                                 _mm_add_epi64(_mm_unpackhi_epi32(from, zero), lineStart));
        };
        const __m128i first = load(at);
        // The first field from the line's start: 0, then the tabs before fields 1 to 3.
        four(0, _mm_add_epi32(_mm_slli_si128(first, 4), _mm_slli_si128(one, 4)), first);
        four(4, _mm_add_epi32(load(at + 3), one), load(at + 4));
        four(8, _mm_add_epi32(load(at + 7), one), load(at + 8));
        const std::uint32_t last = at[col::Count - 2] + 1;
        starts_[col::Count - 1] = data + last;
        sizes_[col::Count - 1] = static_cast<std::uint32_t>(line.size() - last);
#else
        std::uint32_t from = 0;
        auto field = [&](size_t i, std::uint32_t end) {
            set(i, std::string_view(data + from, end - from));
            from = end + 1;
        };
        for (size_t i = 0; i + 1 < col::Count; ++i) field(i, at[i]);
        field(col::Count - 1, static_cast<std::uint32_t>(line.size()));
#endif
    } else {
        size_t from = 0;
        for (size_t i = 0; i < tabs && i < col::Count; ++i) {
            set(i, std::string_view(data + from, at[i] - from));
            from = at[i] + 1;
        }
        if (tabs < col::Count) set(tabs, std::string_view(data + from, line.size() - from));
    }
    count_ = tabs + 1;
    constexpr std::uint64_t kColumns = (std::uint64_t{1} << col::Count) - 1;
    for (std::uint64_t commas = marks.commaFields & kColumns; commas != 0; commas &= commas - 1) {
        const auto column = static_cast<size_t>(std::countr_zero(commas));
        set(column, withoutCommas(column, (*this)[column]));
    }
    return count_;
}

std::string_view ReportFields::withoutCommas(size_t column, std::string_view field) {
    copied_ |= 1u << column;
    char* out = room_;
    if (!out) {
        // The copy only grows: the field is its beginning (and a word's room after it).
        std::string& copy = withoutCommas_[column];
        if (copy.size() < field.size() + 8) copy.resize(field.size() + 8);
        out = copy.data();
    }
    char* const start = out;
    // Eight bytes at a time: each comma among them is taken out by moving the bytes above
    // it down by one, highest comma first, and the word is written whole (the room holds
    // eight bytes more than the field). A field holds few commas among its texts.
    static_assert(std::endian::native == std::endian::little, "a word's first byte is its lowest");
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7F, kCommas = 0x2C2C2C2C2C2C2C2C;
    auto put = [&out](std::uint64_t word, size_t bytes) {
        const std::uint64_t x = word ^ kCommas;
        // The top bit of each byte that is a comma, exactly (no borrow between bytes).
        std::uint64_t commas = ~(((x & kLow7) + kLow7) | x | kLow7);
        while (commas != 0) {
            const int top = 63 - std::countl_zero(commas);  // the highest comma's top bit
            const int at = top - 7;
            const std::uint64_t below = (std::uint64_t{1} << at) - 1;
            word = (word & below) | ((word >> 8) & ~below);
            commas &= ~(std::uint64_t{1} << top);
            --bytes;
        }
        std::memcpy(out, &word, 8);
        out += bytes;
    };
    const char* from = field.data();
    const size_t size = field.size();
    if (size >= 8) {
        size_t i = 0;
        for (; i + 8 <= size; i += 8) {
            std::uint64_t word;
            std::memcpy(&word, from + i, 8);
            put(word, 8);
        }
        if (i < size) {
            // The last bytes, from a word that ends with the field, the bytes done shifted out.
            std::uint64_t word;
            std::memcpy(&word, from + size - 8, 8);
            put(word >> (8 * (8 - (size - i))), size - i);
        }
    } else {
        std::uint64_t word = 0;
        for (size_t i = 0; i < size; ++i)
            word |= std::uint64_t{static_cast<unsigned char>(from[i])} << (8 * i);
        put(word, size);
    }
    if (room_) room_ = out;
    return std::string_view(start, static_cast<size_t>(out - start));
}

Sem sfReadAndCheckHeader(SafeState& st, bool& blnHeaderOK) {
    blnHeaderOK = false;
    return guarded(kModConvert, "sfReadAndCheckHeader", [&]() -> Sem {
        const std::string_view line = st.files.lineView(kReportFile);
        blnHeaderOK = line == kHeaderWithMemo || line == kHeaderWithDescription;
        return {};
    });
}

Sem sfNumberOnly(std::string_view accountText, std::string& number) {
    number.clear();
    return guarded(kModConvert, "sfNumberOnly", [&]() -> Sem {
        const std::string_view text = trimView(accountText);
        const size_t dot = findMiddleDot(text);
        if (dot == std::string_view::npos) return {};
        if (dot == 0) raise(err::InvalidCall);  // no room for a number before the dot
        // Everything before the character (a blank) that precedes the dot.
        size_t end = dot - 1;
        while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
        number = text.substr(0, end);
        return {};
    });
}

Sem sfNameOnly(std::string_view accountText, std::string& name) {
    name.clear();
    return guarded(kModConvert, "sfNameOnly", [&]() -> Sem {
        const std::string_view text = trimView(accountText);
        const size_t dot = findMiddleDot(text);
        if (dot == std::string_view::npos) {
            name = text;
            return {};
        }
        // Everything after the character (a blank) that follows the dot.
        const std::string_view rest = text.substr(dot + kMiddleDot.size());
        name = rest.substr(leftChars(rest, 1).size());
        return {};
    });
}

}  // namespace tav
