#pragma once
// Readers of the three import layouts, as the check reads a written import file back:
// each line becomes the figures the target takes from it. They know nothing of the
// writers; what a target's importer would read is what they read.

#include <array>
#include <bit>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "check/PostingDigest.h"
#include "convert/ConversionLookups.h"
#include "safe/ByteScan.h"
#include "safe/TextReader.h"
#include "safe/UiPort.h"
#include "safe/Values.h"

namespace tav::check {

enum class Layout { Mas, Accounts, AccountantsOffice };
// The layout of a target's import file.
Layout layoutOf(std::int16_t target);

// What a target takes from one import line, and what the check compares: two lines are
// the same posting when all of these agree.
struct Posting {
    std::string date;       // dd/mm/yyyy
    std::string kind;       // the MAS journal code, the Accountant's Office type letter,
                            // the 'Accounts' cash/non-cash basis
    std::string reference;  // as cut to the target's length
    std::string account;    // the target account ('Accounts': the QuickBooks number)
    Money amount;           // 'Accounts': including tax, whole dollars where it rounds
    std::string taxCode;    // MAS, 'Accounts'; Accountant's Office: the noted tax item
    Money tax;              // MAS, 'Accounts'; Accountant's Office: the noted tax amount
    bool operator==(const Posting&) const = default;
};

// The figures as a line of the page shows them.
std::string describe(const Posting& p, Layout layout);

// One line of the import file after its header.
struct ImportLine {
    std::uint64_t line = 0;  // in the import file, from 1
    bool readable = false;   // false: not a line of the layout (problem says why)
    Posting posting;
    std::string description;  // Accountant's Office: where the tax is noted
    std::string problem;
};

// Reads one line of a layout. The first lines of the file are its header: header()
// tells whether a line is one, before lines are taken as postings.
class ImportLineReader {
public:
    explicit ImportLineReader(Layout layout) : layout_(layout) {}
    // The line belongs to the file header ('Accounts': the XLON2 line and the AC lines).
    bool header(std::string_view text, bool firstLine) const;
    ImportLine read(std::string_view text, std::uint64_t lineNumber) const;

private:
    Layout layout_;
};

// The import file read in one lean pass: its header, its lines and the digest of its
// postings (see ReportTally), for comparing with what the report calls for as a whole. It
// reads the lines as the writers write them (fields without commas, amounts as written);
// any other line ends it, unread, and the file is then read line by line. It touches
// nothing but the file it reads, so that it can read on a thread of its own.
class ImportDigestReader {
public:
    // The blocks marked as `how` marks them where it is Avx2 or Avx512 (on a processor
    // that has it: bytescan::markerRuns), else in the build's native way.
    ImportDigestReader(Layout layout, std::uint64_t digestBase,
                       bytescan::Marker how = bytescan::fastestMarker());
    // It keeps views of its own table.
    ImportDigestReader(const ImportDigestReader&) = delete;
    ImportDigestReader& operator=(const ImportDigestReader&) = delete;
    // Reads the file's lines from where its reader stands; false at the first line it
    // does not read. The bytes are looked at 64 at a time, into a bit for each comma,
    // line end and ('Accounts') quote: lines end in CR LF as the writers end them (any
    // other line end is not read), and an 'Accounts' line's commas each stand between
    // two quotes, tested for a whole block at once.
    bool read(TextReader& file, EventThrottle* throttle = nullptr);

    std::uint64_t headerLines() const { return headerLines_; }
    std::uint64_t lines() const { return lines_; }
    // The digest of the postings read. An Accountant's Office line notes a tax item only
    // when the report's lines note it (notes), which is known once the whole report has
    // been converted; nothing when that cannot be told from what was read (an item noted
    // holds " (", and a description holds more than one).
    std::optional<PostingDigest> digest(const std::function<bool(std::string_view)>& notes,
                                        bool notedItemHoldsOpening) const;

private:
    template <Layout L, class Masks>
    bool readLines(TextReader& file, EventThrottle* throttle);
#ifdef TAV_MARK_AVX2
    // The same on a processor with AVX2, or AVX-512.
    template <Layout L>
    [[gnu::target("avx2,bmi,popcnt"), gnu::flatten]] bool readAvx2(TextReader& file,
                                                                   EventThrottle* throttle);
    template <Layout L>
    [[gnu::target("avx512f,avx512bw,avx512vbmi,avx512vbmi2,bmi,popcnt"), gnu::flatten]] bool
    readAvx512(TextReader& file, EventThrottle* throttle);
#endif
    // Takes the next 'Accounts' line, given where its first commas lie (as many as there
    // are, up to kCommasHeld) and how many it holds, and whether a comma of it is not
    // between two quotes with a value between it and the next; false when it is not read.
    static constexpr size_t kCommasHeld = 16, kWordsHeld = 11;
    bool line(std::string_view text, const std::uint32_t* commas, size_t commaCount,
              bool quotesAmiss);
    // MAS and Accountant's Office read two of a line's commas: they keep the bits of each
    // block that holds some of its commas (up to kWordsHeld, one comma at least each) with
    // where the block's first byte lies in the line, and find the two there.
    struct CommaWord {
        std::uint64_t bits;
        std::uint32_t from;
    };
    // A line's commas from the first, in its words.
    struct CommaWalk {
        explicit CommaWalk(const CommaWord* first) : word(first), bits(first->bits) {}
        // Moves on by `by` commas.
        void skip(int by) {
#pragma GCC unroll 8
            for (; by > 0; --by) {
                bits &= bits - 1;
                if (bits == 0) bits = (++word)->bits;
            }
        }
        // Where the comma lies in the line.
        std::uint32_t at() const {
            return word->from + static_cast<std::uint32_t>(std::countr_zero(bits));
        }
        const CommaWord* word;
        std::uint64_t bits;
    };
    // A MAS line, given its words of commas, how many they are and how many commas it
    // holds.
    bool masLine(std::string_view text, const CommaWord* words, size_t wordCount,
                 size_t commaCount);
    // An Accountant's Office line, given its words of commas and how many it holds.
    bool aoLine(std::string_view text, const CommaWord* words, size_t commaCount);
    // Counts the line; true when it is not a posting's: a line of the file's header (read
    // on) or the first line of a file without one (read no further).
    bool header(std::string_view text, bool& read);

    // Accountant's Office lines whose description ends as if it noted a tax item: by that
    // item, their postings as noting it and as noting none.
    struct Undecided {
        PostingDigest::Later noting, none;
        std::uint64_t last = 0;  // their last place
        std::uint64_t item = 0;  // the hash of the item's text
    };
    static constexpr size_t kMaxUndecided = 4096;
    Undecided* undecided(std::string_view item);

    Layout layout_;
    bytescan::Marker how_;
    std::uint64_t headerLines_ = 0, lines_ = 0;
    bool inHeader_ = true;
    PostingDigest digest_;
    // 'Accounts': the basis and date, and the reference, of the line before (views of the
    // bytes read), and their hash.
    std::string_view lastHead_, lastReference_;
    std::uint64_t lastHeadHash_ = 0;
    std::unordered_map<std::string, Undecided, TextHash, std::equal_to<>> undecided_;
    struct Recent {
        std::string_view item;
        Undecided* sums = nullptr;
    };
    std::array<Recent, 4> recent_;
    size_t nextRecent_ = 0;
    bool severalOpenings_ = false;
};

// An amount as the program writes one: an optional minus, digits, and at most two
// decimals after a point; nothing when the text is anything else.
std::optional<Money> writtenAmount(std::string_view text);
// The same for nearly all: at most sixteen digits, two of them decimals after the point,
// read into cents inline; false for every other text, which writtenAmount reads.
[[gnu::always_inline]] inline bool writtenCents(std::string_view text, std::int64_t& cents) {
    const char* p = text.data();
    const char* const end = p + text.size();
    const bool negative = p != end && *p == '-';
    p += negative;
    if (end - p < 4 || end - p > 17 || end[-3] != '.') return false;
    std::uint64_t value = 0;
    for (; p != end - 3; ++p) {
        const unsigned digit = static_cast<unsigned char>(*p) - unsigned{'0'};
        if (digit > 9) return false;
        value = value * 10 + digit;
    }
    const unsigned tens = static_cast<unsigned char>(end[-2]) - unsigned{'0'},
                   units = static_cast<unsigned char>(end[-1]) - unsigned{'0'};
    if (tens > 9 || units > 9) return false;
    value = value * 100 + tens * 10 + units;
    cents = negative ? -static_cast<std::int64_t>(value) : static_cast<std::int64_t>(value);
    return true;
}

// The tax an Accountant's Office description notes for a tax item: " (ITEM AMOUNT)" at
// its end; nothing when it notes none.
std::optional<Money> notedTax(std::string_view description, std::string_view item);

}  // namespace tav::check
