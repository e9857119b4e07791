#include "check/ImportFileReader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <initializer_list>

#include "convert/TextTable.h"
#include "shell/ProgramState.h"

namespace tav::check {

namespace {

constexpr size_t npos = std::string_view::npos;

// The fields of a line, views into it; past the last field the rest of the line stays in
// the last one.
struct Fields {
    static constexpr size_t kMax = 14;
    std::array<std::string_view, kMax> at;
    size_t count = 0;
    std::string_view operator[](size_t i) const { return at[i]; }
};

Fields splitAt(std::string_view text, std::string_view separator) {
    Fields f;
    for (size_t from = 0;;) {
        const size_t next =
            f.count + 1 == Fields::kMax ? std::string_view::npos : text.find(separator, from);
        f.at[f.count++] = text.substr(from, next == std::string_view::npos ? next : next - from);
        if (next == std::string_view::npos) return f;
        from = next + separator.size();
    }
}

std::optional<Money> amountOf(std::string_view text) { return writtenAmount(text); }

// The bytes of a block of 64 the lean reading looks for, a bit each: commas, line feeds,
// carriage returns and ('Accounts') double quotes; and whether it holds a NUL.
template <bool Quotes>
constexpr unsigned kLookedFor = bytescan::kCommas | bytescan::kFeeds | bytescan::kReturns |
                                bytescan::kNul | (Quotes ? unsigned{bytescan::kQuotes} : 0u);

// How a block's commas are taken: with the first way of marking words the build has.
struct NativeMasks {
    static constexpr bool kBitInstructions = false, kGathers = false;
    static std::uint32_t lowest(std::uint64_t bits) {
        return static_cast<std::uint32_t>(std::countr_zero(bits));
    }
    template <bool Quotes>
    [[gnu::always_inline]] static bytescan::WordMarks of(const char* p) {
        return bytescan::NativeWords::of<kLookedFor<Quotes>>(p);
    }
};

#ifdef TAV_MARK_AVX2
// Thirty-two bytes at a time, on a processor that has AVX2 (asked once, at run time).
struct Avx2Masks {
    // Every processor with AVX2 counts bits and finds the lowest in one instruction each.
    static constexpr bool kBitInstructions = true, kGathers = false;
    [[gnu::target("bmi")]] static std::uint32_t lowest(std::uint64_t bits) {
        return static_cast<std::uint32_t>(_tzcnt_u64(bits));  // 64 for none
    }
    [[gnu::target("popcnt")]] static size_t count(std::uint64_t bits) {
        return static_cast<size_t>(_mm_popcnt_u64(bits));
    }
    template <bool Quotes>
    [[gnu::target("avx2")]] static bytescan::WordMarks of(const char* p) {
        return bytescan::Avx2Words::of<kLookedFor<Quotes>>(p);
    }
};

// Sixty-four bytes at a time, the commas placed sixteen at a time, with AVX-512.
struct Avx512Masks {
    static constexpr bool kBitInstructions = true, kGathers = true;
    template <bool Quotes>
    [[gnu::target("avx512f,avx512bw")]] static bytescan::WordMarks of(const char* p) {
        return bytescan::Avx512Words::of<kLookedFor<Quotes>>(p);
    }
    [[gnu::target("avx512f,avx512bw,avx512vbmi,avx512vbmi2,popcnt")]] static size_t place(
        std::uint32_t* out, std::uint64_t bits, std::uint32_t base) {
        return bytescan::Avx512Words::place(out, bits, base);
    }
};
#endif

// The same for the last n (below 64) bytes of what was read.
template <bool Quotes>
bytescan::WordMarks tailMasks(const char* p, size_t n) {
    std::array<char, 64> block;
    block.fill(' ');
    std::memcpy(block.data(), p, n);
    return NativeMasks::of<Quotes>(block.data());
}

// The fields of an 'Accounts' line: each value between double quotes, a quote inside one
// doubled, commas between. The views keep the doubled quotes (unquoted() reads them).
std::optional<Fields> quotedFields(std::string_view text) {
    Fields f;
    for (size_t at = 0;;) {
        if (f.count == Fields::kMax || at == text.size() || text[at] != '"') return std::nullopt;
        size_t end = at + 1;
        while ((end = text.find('"', end)) != std::string_view::npos && end + 1 < text.size() &&
               text[end + 1] == '"')
            end += 2;
        if (end == std::string_view::npos) return std::nullopt;
        f.at[f.count++] = text.substr(at + 1, end - at - 1);
        at = end + 1;
        if (at == text.size()) return f;
        if (text[at++] != ',') return std::nullopt;
    }
}

std::string unquoted(std::string_view field) {
    std::string text(field);
    for (size_t at = 0; (at = text.find("\"\"", at)) != std::string::npos; ++at) text.erase(at, 1);
    return text;
}

}  // namespace

std::optional<Money> writtenAmount(std::string_view text) {
    if (std::int64_t cents; writtenCents(text, cents)) return Money::fromCents(cents);
    const char* p = text.data();
    const char* const end = p + text.size();
    const bool negative = p != end && *p == '-';
    if (negative) ++p;
    // Amounts of up to 16 digits, nearly all, are read in a 64-bit number.
    std::uint64_t low = 0;
    const char* point = nullptr;
    const char* const digitsStart = p;
    for (; p != end; ++p) {
        const unsigned digit = static_cast<unsigned char>(*p) - unsigned{'0'};
        if (digit < 10)
            low = low * 10 + digit;
        else if (*p == '.' && !point)
            point = p;
        else
            return std::nullopt;
    }
    const size_t digits = static_cast<size_t>(end - digitsStart) - (point ? 1 : 0);
    const size_t decimals = point ? static_cast<size_t>(end - point - 1) : 0;
    if (digits == 0 || decimals > 2 || digits > 30) return std::nullopt;
    constexpr std::uint64_t kToCents[] = {100, 10, 1};  // by the decimals written
    Int128 cents = low * kToCents[decimals];
    if (digits > 16) {
        cents = 0;
        for (const char* q = digitsStart; q != end; ++q)
            if (*q != '.') cents = cents * 10 + (*q - '0');
        cents *= kToCents[decimals];
    }
    return Money::fromCents(negative ? -cents : cents);
}

Layout layoutOf(std::int16_t target) {
    if (isMas(target)) return Layout::Mas;
    if (target == target::Accounts) return Layout::Accounts;
    return Layout::AccountantsOffice;
}

ImportDigestReader::ImportDigestReader(Layout layout, std::uint64_t digestBase,
                                       bytescan::Marker how)
    : layout_(layout),
      how_(bytescan::markerRuns(how) ? how : bytescan::Marker::Sse2),
      digest_(digestBase) {}

ImportDigestReader::Undecided* ImportDigestReader::undecided(std::string_view item) {
    // Nearly every line notes one of the few items met last, kept as views of the table's
    // own keys, which stay where they are.
    for (const Recent& r : recent_)
        if (r.sums && sameText(item, r.item)) return r.sums;
    auto at = undecided_.find(item);
    if (at == undecided_.end()) {
        if (undecided_.size() == kMaxUndecided) return nullptr;
        at = undecided_.emplace(std::string(item), Undecided{{}, {}, 0, textHash(item)}).first;
    }
    recent_[nextRecent_++ % recent_.size()] = {at->first, &at->second};
    return &at->second;
}

std::optional<PostingDigest> ImportDigestReader::digest(
    const std::function<bool(std::string_view)>& notes, bool notedItemHoldsOpening) const {
    if (severalOpenings_ && notedItemHoldsOpening) return std::nullopt;
    PostingDigest d = digest_;
    for (const auto& [item, u] : undecided_) d.add(notes(item) ? u.noting : u.none, u.last);
    return d;
}

bool ImportDigestReader::read(TextReader& file, EventThrottle* throttle) {
#ifdef TAV_MARK_AVX2
    if (how_ == bytescan::Marker::Avx512) {
        if (layout_ == Layout::Mas) return readAvx512<Layout::Mas>(file, throttle);
        return layout_ == Layout::Accounts ? readAvx512<Layout::Accounts>(file, throttle)
                                           : readAvx512<Layout::AccountantsOffice>(file, throttle);
    }
    if (how_ == bytescan::Marker::Avx2) {
        if (layout_ == Layout::Mas) return readAvx2<Layout::Mas>(file, throttle);
        return layout_ == Layout::Accounts ? readAvx2<Layout::Accounts>(file, throttle)
                                           : readAvx2<Layout::AccountantsOffice>(file, throttle);
    }
#endif
    if (layout_ == Layout::Mas) return readLines<Layout::Mas, NativeMasks>(file, throttle);
    return layout_ == Layout::Accounts
               ? readLines<Layout::Accounts, NativeMasks>(file, throttle)
               : readLines<Layout::AccountantsOffice, NativeMasks>(file, throttle);
}

#ifdef TAV_MARK_AVX2
// Each layout a function of its own, whose registers the compiler chooses for its lines
// alone.
template <Layout L>
[[gnu::target("avx2,bmi,popcnt"), gnu::flatten]] bool ImportDigestReader::readAvx2(
    TextReader& file, EventThrottle* throttle) {
    // Read back on a thread of its own, without a throttle: its loop makes no call, which
    // would make it make its marks' constants again for every block.
    return throttle ? readLines<L, Avx2Masks>(file, throttle)
                    : readLines<L, Avx2Masks>(file, nullptr);
}

template <Layout L>
[[gnu::target("avx512f,avx512bw,avx512vbmi,avx512vbmi2,bmi,popcnt"), gnu::flatten]] bool
ImportDigestReader::readAvx512(TextReader& file, EventThrottle* throttle) {
    return throttle ? readLines<L, Avx512Masks>(file, throttle)
                    : readLines<L, Avx512Masks>(file, nullptr);
}
#endif

template <Layout L, class Masks>
[[gnu::always_inline]] inline bool ImportDigestReader::readLines(TextReader& file,
                                                                 EventThrottle* throttle) {
    // 'Accounts' quotes its values; the others' commas are kept as words (CommaWord).
    constexpr bool kQuoted = L == Layout::Accounts, kWords = !kQuoted;
    // No line the writers write comes near this; a longer one is left to the full reading.
    constexpr size_t kLongestLine = 1 << 20;
    // Where the line's first commas lie; the commas of a block are written here whole, as
    // many as there are (and up to sixteen more places), past the first kCommasHeld when
    // there are more.
    std::array<std::uint32_t, kCommasHeld + 64 + 3> commas;
    std::array<CommaWord, kWordsHeld> words;
    for (;;) {
        const std::string_view bytes = file.unread();
        if (bytes.empty()) return true;
        // The line before's texts were views of bytes that may have moved since.
        lastHead_ = lastReference_ = {};
        const char* const data = bytes.data();
        const size_t size = bytes.size();
        size_t start = 0, count = 0;  // the line being read: where it begins, its commas
        size_t wordCount = 0;         // the words of its commas
        bool lineAmiss = false;       // a comma of it not between two quotes ('Accounts')
        // The block before's marks, for the bits that carry into this one.
        std::uint64_t lastCommas = 0, lastQuotes = 0, lastReturns = 0;
        // The commas of the line, given as bits of the block at base.
        auto take = [&](std::uint64_t bits, size_t base) {
            if constexpr (kWords) {
                if (bits != 0 && count < kWordsHeld)
                    words[wordCount++] = {bits, static_cast<std::uint32_t>(base - start)};
                count += static_cast<size_t>(std::popcount(bits));
                return;
            }
            std::uint32_t* at = commas.data() + std::min(count, kCommasHeld);
            const auto from = static_cast<std::uint32_t>(base - start);
            if constexpr (Masks::kGathers) {
                count += Masks::place(at, bits, from);
            } else if constexpr (Masks::kBitInstructions) {
                // Four at a time, without a test for each: places past the last take the
                // number 64 (no bit), and the count says where the commas end.
                count += Masks::count(bits);
                auto next = [&bits, from] {
                    const std::uint32_t place = from + Masks::lowest(bits);
                    bits &= bits - 1;
                    return place;
                };
                for (; bits != 0; at += 4) {
                    at[0] = next();
                    at[1] = next();
                    at[2] = next();
                    at[3] = next();
                }
            } else {
                std::uint32_t* const first = at;
                for (; bits != 0; bits &= bits - 1) *at++ = from + Masks::lowest(bits);
                count += static_cast<size_t>(at - first);
            }
        };
        for (size_t base = 0; base < size; base += 64) {
            const size_t n = std::min<size_t>(64, size - base);
            const bytescan::WordMarks m = n == 64 ? Masks::template of<kQuoted>(data + base)
                                                  : tailMasks<kQuoted>(data + base, n);
            const std::uint64_t valid = n == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << n) - 1;
            // Lines end in CR LF, as the writers end them: a CR only right before an LF,
            // an LF only right after a CR; no NUL. Any other line is not read here (a CR
            // at the end of the bytes read ends a line read again with the next).
            if (m.nul || ((((m.returns << 1) | (lastReturns >> 63)) ^ m.feeds) & valid) != 0)
                return false;
            std::uint64_t amiss = 0;
            if constexpr (kQuoted) {
                // Each comma right after a quote, right before one, and at least three
                // bytes after the comma before it; marked where the comma or the byte
                // after it lies.
                amiss = (m.commas & ~((m.quotes << 1) | (lastQuotes >> 63))) |
                        (((m.commas << 1) | (lastCommas >> 63)) & ~m.quotes & valid) |
                        (m.commas & ((m.commas << 2) | (lastCommas >> 62)));
                lastCommas = m.commas;
                lastQuotes = m.quotes;
            }
            lastReturns = m.returns;
            std::uint64_t rest = m.commas;
            for (std::uint64_t feeds = m.feeds; feeds != 0; feeds &= feeds - 1) {
                const int bit = std::countr_zero(feeds);
                const size_t at = base + static_cast<size_t>(bit);
                // The marks up to the line end are this line's.
                const std::uint64_t upTo = (std::uint64_t{2} << bit) - 1;
                take(rest & upTo, base);
                rest &= ~upTo;
                if constexpr (kQuoted) {
                    lineAmiss |= (amiss & upTo) != 0;
                    amiss &= ~upTo;
                }
                if (throttle) throttle->tick(file.bytesRead() + at, file.size());
                const std::string_view text(data + start, at - 1 - start);
                bool read;
                if constexpr (L == Layout::Mas)
                    read = masLine(text, words.data(), wordCount, count);
                else if constexpr (L == Layout::AccountantsOffice)
                    read = aoLine(text, words.data(), count);
                else
                    read = line(text, commas.data(), count, lineAmiss);
                if (!read) return false;
                start = at + 1;
                count = wordCount = 0;
                lineAmiss = false;
            }
            take(rest, base);
            lineAmiss |= amiss != 0;
        }
        file.take(start);
        // A line begun in the bytes read goes on in the next, read again from its start;
        // the file's last line ends with its CR LF.
        if (start < size && (size - start > kLongestLine || !file.readMore())) return false;
    }
}

[[gnu::always_inline]] inline bool ImportDigestReader::header(std::string_view text, bool& read) {
    ++lines_;
    if (!inHeader_) return false;
    if (ImportLineReader(layout_).header(text, lines_ == 1)) {
        ++headerLines_;
        return read = true;
    }
    inHeader_ = false;
    read = false;
    return headerLines_ == 0;
}

bool ImportDigestReader::masLine(std::string_view text, const CommaWord* word, size_t words,
                                 size_t commas) {
    if (bool read; header(text, read)) return read;
    if (commas != 11) return false;
    // The sixth comma, where the amount ends, walking the blocks' bits from the first;
    // the tenth, where the tax code begins, from the last bits back.
    CommaWalk comma(word);
    comma.skip(5);
    const std::uint32_t amountEnd = comma.at();
    const CommaWord* w = word + words - 1;
    std::uint64_t bits = w->bits;
    bits ^= std::uint64_t{1} << (std::bit_width(bits) - 1);
    if (bits == 0) bits = (--w)->bits;
    const std::uint32_t codeStart = w->from + static_cast<std::uint32_t>(std::bit_width(bits) - 1);
    // Amounts are compared as texts: one that is not written as the conversion
    // writes amounts differs from what the report calls for.
    digest_.add(combine(runHash(text.substr(0, amountEnd)), runHash(text.substr(codeStart + 1))));
    return true;
}

bool ImportDigestReader::line(std::string_view text, const std::uint32_t* c, size_t commas,
                              bool quotesAmiss) {
    if (bool read; header(text, read)) return read;
    // Field i, between comma i - 1 and comma i.
    auto field = [&](size_t i) {
        const size_t from = i == 0 ? 0 : c[i - 1] + 1;
        return std::string_view(text.data() + from, (i == commas ? text.size() : c[i]) - from);
    };
    // Fourteen values in double quotes, each comma between two of them.
    if (quotesAmiss || commas != 13 || text.size() < 2 || text.front() != '"' ||
        text.back() != '"' || c[0] < 2 || c[12] + 3 > text.size())
        return false;
    // Each value at least two bytes from the next comma, as checked.
    auto value = [&](size_t i) {
        const std::string_view f = field(i);
        return std::string_view(f.data() + 1, f.size() - 2);
    };
    if (value(0) != "TR") return false;
    // The amounts as words, nearly all read inline.
    auto word = [](std::string_view text, std::uint64_t& w) {
        if (std::int64_t cents; writtenCents(text, cents)) {
            w = static_cast<std::uint64_t>(cents);
            return true;
        }
        const std::optional<Money> amount = writtenAmount(text);
        if (amount) w = amountWord(*amount);
        return amount.has_value();
    };
    std::uint64_t amount = 0, tax = 0;
    if (!word(value(8), amount) || (!value(9).empty() && !word(value(9), tax))) return false;
    // The basis and date, and the reference, are the same for each line of a
    // transaction.
    const std::string_view basisAndDate(text.data() + c[2], c[4] - c[2]);
    if (!sameText(basisAndDate, lastHead_) || !sameText(value(7), lastReference_)) {
        lastHead_ = basisAndDate;
        lastReference_ = value(7);
        lastHeadHash_ = headHash(textHash(value(4)), textHash(value(3)), textHash(value(7)));
    }
    digest_.add(postingHash(lastHeadHash_, textHash(value(5)), amount, textHash(value(10)), tax));
    return true;
}

bool ImportDigestReader::aoLine(std::string_view text, const CommaWord* word, size_t commas) {
    if (bool read; header(text, read)) return read;
    if (commas < 7) return false;
    // The sixth comma, where the amount ends, and the seventh, where the description begins.
    CommaWalk comma(word);
    comma.skip(5);
    // A line that notes no tax item is its run alone.
    const std::uint64_t run = runHash(text.substr(0, comma.at()));
    // The tax noted at the description's end: " (ITEM AMOUNT)", the item one the
    // report's lines note. The item begins after the last " (" before the last
    // blank, unless a noted item holds " (" itself.
    comma.skip(1);
    const std::string_view description = text.substr(comma.at() + 1);
    const size_t space = description.ends_with(')') ? description.rfind(' ') : npos;
    size_t opening = npos;  // the last " (" before the blank, looked for inline
    if (space != npos && space >= 2) {
        for (size_t k = space - 1; k-- > 0;) {
            if (description[k] == ' ' && description[k + 1] == '(') {
                opening = k;
                break;
            }
        }
    }
    if (opening == npos) {
        digest_.add(run);
        return true;
    }
    // Another opening before it ('(' is looked for, which is quicker to find).
    if (std::memchr(description.data(), '(', opening) != nullptr) severalOpenings_ = true;
    const std::string_view item = description.substr(opening + 2, space - opening - 2);
    const std::string_view tax = description.substr(space + 1, description.size() - space - 2);
    Undecided* u = undecided(item);
    if (!u) return false;
    const std::uint64_t place = digest_.keepPlace();
    const std::uint64_t moved = digest_.moving(u->last, place);
    u->last = place;
    u->noting.add(moved, combine(run, combine(u->item, textHash(tax))));
    u->none.add(moved, run);
    return true;
}

std::string describe(const Posting& p, Layout layout) {
    std::string text = p.date + " " + p.kind + " ref '" + p.reference + "' account " + p.account +
                       " amount " + p.amount.fixed();
    if (layout == Layout::AccountantsOffice) {
        if (!p.taxCode.empty()) text += " noting " + p.taxCode + " " + p.tax.fixed();
    } else if (!p.taxCode.empty() || !p.tax.isZero()) {
        text += " tax code '" + p.taxCode + "' tax " + p.tax.fixed();
    }
    return text;
}

bool ImportLineReader::header(std::string_view text, bool firstLine) const {
    switch (layout_) {
        case Layout::Mas: return firstLine && text.starts_with("\"V\" \",\"");
        case Layout::AccountantsOffice:
            return firstLine && text == "Ext_Date,Ext_TrType,,Ext_Ref,Ext_AccNo,Ext_Amt,,Ext_Desc";
        case Layout::Accounts: break;
    }
    return firstLine ? text.starts_with("\"XLON2\",") : text.starts_with("\"AC\",");
}

ImportLine ImportLineReader::read(std::string_view text, std::uint64_t lineNumber) const {
    ImportLine l;
    l.line = lineNumber;
    Posting& p = l.posting;
    auto unreadable = [&](std::string problem) {
        l.problem = std::move(problem);
        return l;
    };
    std::optional<Money> amount, tax = Money();
    switch (layout_) {
        case Layout::Mas: {
            const auto f = splitAt(text, ",");
            if (f.count != 12) return unreadable("not twelve comma-separated fields");
            p = {std::string(f[0]),
                 std::string(f[1]),
                 std::string(f[3]),
                 std::string(f[4]),
                 {},
                 std::string(f[10]),
                 {}};
            amount = amountOf(f[5]);
            tax = amountOf(f[11]);
            break;
        }
        case Layout::AccountantsOffice: {
            const auto f = splitAt(text, ",");
            if (f.count < 8) return unreadable("fewer than eight comma-separated fields");
            p = {std::string(f[0]),
                 std::string(f[1]),
                 std::string(f[3]),
                 std::string(f[4]),
                 {},
                 {},
                 {}};
            amount = amountOf(f[5]);
            // The description is the rest of the line.
            l.description = text.substr(static_cast<size_t>(f[7].data() - text.data()));
            break;
        }
        case Layout::Accounts: {
            const auto f = quotedFields(text);
            if (!f || f->count != 14 || (*f)[0] != "TR")
                return unreadable("not a \"TR\" line of fourteen quoted fields");
            const auto& g = *f;
            p = {unquoted(g[4]),
                 unquoted(g[3]),
                 unquoted(g[7]),
                 unquoted(g[5]),
                 {},
                 unquoted(g[10]),
                 {}};
            amount = amountOf(g[8]);
            if (!g[9].empty()) tax = amountOf(g[9]);
            break;
        }
    }
    if (!amount || !tax) return unreadable("an amount that is not a number with two decimals");
    p.amount = *amount;
    p.tax = *tax;
    l.readable = true;
    return l;
}

std::optional<Money> notedTax(std::string_view description, std::string_view item) {
    if (!description.ends_with(')')) return std::nullopt;
    const std::string opening = " (" + std::string(item) + " ";
    const size_t at = description.rfind(opening);
    if (at == std::string_view::npos) return std::nullopt;
    const size_t from = at + opening.size();
    return amountOf(description.substr(from, description.size() - 1 - from));
}

}  // namespace tav::check
