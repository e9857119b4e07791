#pragma once
// Finding a few byte values in long runs of text: line ends in a file's buffer, tabs and
// commas in a report line, bytes above 0x7F in text to decode. Text is mostly long runs
// of other bytes, so it is tested sixteen bytes at a time. One loop serves every search;
// how a block of sixteen bytes is tested is a policy: SSE2 instructions where the
// compiler targets them (every x86-64 build, Windows included), plain byte tests
// elsewhere. The plain way is compiled on every build, and the tests run both.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__) && !defined(_WIN32)
// Not on Windows: its compilers do not keep 32-byte values aligned on the stack.
#define TAV_MARK_AVX2 1
#include <immintrin.h>
#endif

namespace tav::bytescan {

// The bytes looked for: any of the given values.
template <char... Values>
struct AnyOf {
    static constexpr bool matches(char c) { return ((c == Values) || ...); }
#ifdef __SSE2__
    static unsigned mask(__m128i block) {
        __m128i hits = _mm_setzero_si128();
        ((hits = _mm_or_si128(hits, _mm_cmpeq_epi8(block, _mm_set1_epi8(Values)))), ...);
        return static_cast<unsigned>(_mm_movemask_epi8(hits));
    }
#endif
};

// The bytes above 0x7F: whatever is not ASCII.
struct NonAscii {
    static constexpr bool matches(char c) { return static_cast<unsigned char>(c) >= 0x80; }
#ifdef __SSE2__
    static unsigned mask(__m128i block) { return static_cast<unsigned>(_mm_movemask_epi8(block)); }
#endif
};

// Block tests: a bit for each of the sixteen bytes at p that matches, the first byte's
// lowest.
struct Portable {
    template <class Match>
    static unsigned block(const char* p) {
        unsigned bits = 0;
        for (unsigned k = 0; k < 16; ++k) bits |= static_cast<unsigned>(Match::matches(p[k])) << k;
        return bits;
    }
};

#ifdef __SSE2__
struct Sse2 {
    template <class Match>
    static unsigned block(const char* p) {
        return Match::mask(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
    }
};
using Native = Sse2;
#else
using Native = Portable;
#endif

// Calls visit(at) for every byte of data[from, size) that matches, in order, until visit
// returns true; returns where it stopped, or size. The bytes before from must be readable
// too (the last few bytes are tested in a block that overlaps bytes already passed).
template <class Match, class Blocks = Native, class Visit>
size_t forEach(const char* data, size_t from, size_t size, Visit&& visit) {
    size_t at = from;
    for (; at + 16 <= size; at += 16)
        for (unsigned bits = Blocks::template block<Match>(data + at); bits != 0; bits &= bits - 1)
            if (const size_t hit = at + static_cast<size_t>(std::countr_zero(bits)); visit(hit))
                return hit;
    if (at < size && size >= 16) {
        const size_t last = size - 16;
        for (unsigned bits = Blocks::template block<Match>(data + last) >> (at - last); bits != 0;
             bits &= bits - 1)
            if (const size_t hit = at + static_cast<size_t>(std::countr_zero(bits)); visit(hit))
                return hit;
        return size;
    }
    for (; at < size; ++at)
        if (Match::matches(data[at]) && visit(at)) return at;
    return size;
}

// The first byte of data[from, size) that matches, or size.
template <class Match, class Blocks = Native>
size_t find(const char* data, size_t from, size_t size) {
    return forEach<Match, Blocks>(data, from, size, [](size_t) { return true; });
}

// Whole runs of text marked at once, for readers that hand out lines and their fields: for
// every 64 bytes a word with a bit for each byte looked for, the first byte's lowest. What
// can be looked for:
enum Mark : unsigned {
    kEnds = 1,  // what ends a line: CR, LF, and NUL, which no text holds and which must stop
                // a reading too
    kTabs = 2,
    kCommas = 4,
    kReturns = 8,  // CR and LF apart, for a reader that holds lines to CR LF
    kFeeds = 16,
    kQuotes = 32,  // double quotes
    kNul = 64,     // whether the 64 bytes hold a NUL: not zero when they do (not where)
};
// The marks of 64 bytes; those not looked for stay 0.
struct WordMarks {
    std::uint64_t ends = 0, tabs = 0, commas = 0, returns = 0, feeds = 0, quotes = 0, nul = 0;
};

// The ways to mark 64 bytes, for the marks given as a sum of Mark: a test of every byte
// (compiled everywhere), SSE2 (x86-64 builds), AVX2 and AVX-512 (x86-64 builds but the
// Windows one, on a processor that has it). Inline, so that a reader that looks at each
// word once can mark it where it looks, without storing the marks.
struct PortableWords {
    template <unsigned Marks>
    static WordMarks of(const char* p) {
        WordMarks m;
        for (unsigned k = 0; k < 64; ++k) {
            const std::uint64_t bit = std::uint64_t{1} << k;
            const char c = p[k];
            if ((Marks & kEnds) && (c == '\r' || c == '\n' || c == '\0')) m.ends |= bit;
            if ((Marks & kTabs) && c == '\t') m.tabs |= bit;
            if ((Marks & kCommas) && c == ',') m.commas |= bit;
            if ((Marks & kReturns) && c == '\r') m.returns |= bit;
            if ((Marks & kFeeds) && c == '\n') m.feeds |= bit;
            if ((Marks & kQuotes) && c == '"') m.quotes |= bit;
            if ((Marks & kNul) && c == '\0') m.nul |= bit;
        }
        return m;
    }
};

#ifdef __SSE2__
struct Sse2Words {
    template <unsigned Marks>
    [[gnu::always_inline]] static WordMarks of(const char* p) {
        const auto* v = reinterpret_cast<const __m128i*>(p);
        const __m128i b[4] = {_mm_loadu_si128(v), _mm_loadu_si128(v + 1), _mm_loadu_si128(v + 2),
                              _mm_loadu_si128(v + 3)};
        // The bits of a test of each byte, the sixteen of each block in their place.
        auto bits = [&b](auto hits) {
            std::uint64_t word = 0;
            for (unsigned k = 0; k < 4; ++k)
                word |= std::uint64_t{static_cast<unsigned>(_mm_movemask_epi8(hits(b[k])))}
                        << (16 * k);
            return word;
        };
        auto is = [](char c) {
            return [x = _mm_set1_epi8(c)](__m128i block) { return _mm_cmpeq_epi8(block, x); };
        };
        WordMarks m;
        if constexpr ((Marks & kEnds) != 0)
            m.ends = bits([](__m128i block) {
                const __m128i crOrLf = _mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('\r')),
                                                    _mm_cmpeq_epi8(block, _mm_set1_epi8('\n')));
                return _mm_or_si128(crOrLf, _mm_cmpeq_epi8(block, _mm_setzero_si128()));
            });
        if constexpr ((Marks & kTabs) != 0) m.tabs = bits(is('\t'));
        if constexpr ((Marks & kCommas) != 0) m.commas = bits(is(','));
        if constexpr ((Marks & kReturns) != 0) m.returns = bits(is('\r'));
        if constexpr ((Marks & kFeeds) != 0) m.feeds = bits(is('\n'));
        if constexpr ((Marks & kQuotes) != 0) m.quotes = bits(is('"'));
        if constexpr ((Marks & kNul) != 0) {
            const __m128i least = _mm_min_epu8(_mm_min_epu8(b[0], b[1]), _mm_min_epu8(b[2], b[3]));
            m.nul = static_cast<unsigned>(
                _mm_movemask_epi8(_mm_cmpeq_epi8(least, _mm_setzero_si128())));
        }
        return m;
    }
};
using NativeWords = Sse2Words;
#else
using NativeWords = PortableWords;
#endif

#ifdef TAV_MARK_AVX2
// Thirty-two bytes at a time: inline only where the caller is compiled for AVX2.
struct Avx2Words {
    [[gnu::target("avx2")]] static std::uint64_t bits(__m256i lowHits, __m256i highHits) {
        return std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(lowHits))} |
               std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(highHits))} << 32;
    }
    [[gnu::target("avx2")]] static std::uint64_t bytes(__m256i low, __m256i high, char c) {
        const __m256i x = _mm256_set1_epi8(c);
        return bits(_mm256_cmpeq_epi8(low, x), _mm256_cmpeq_epi8(high, x));
    }
    [[gnu::target("avx2")]] static __m256i ends(__m256i half) {
        const __m256i crOrLf = _mm256_or_si256(_mm256_cmpeq_epi8(half, _mm256_set1_epi8('\r')),
                                               _mm256_cmpeq_epi8(half, _mm256_set1_epi8('\n')));
        return _mm256_or_si256(crOrLf, _mm256_cmpeq_epi8(half, _mm256_setzero_si256()));
    }
    template <unsigned Marks>
    [[gnu::target("avx2")]] static WordMarks of(const char* p) {
        const auto* v = reinterpret_cast<const __m256i*>(p);
        const __m256i low = _mm256_loadu_si256(v), high = _mm256_loadu_si256(v + 1);
        WordMarks m;
        if constexpr ((Marks & kEnds) != 0) m.ends = bits(ends(low), ends(high));
        if constexpr ((Marks & kTabs) != 0) m.tabs = bytes(low, high, '\t');
        if constexpr ((Marks & kCommas) != 0) m.commas = bytes(low, high, ',');
        if constexpr ((Marks & kReturns) != 0) m.returns = bytes(low, high, '\r');
        if constexpr ((Marks & kFeeds) != 0) m.feeds = bytes(low, high, '\n');
        if constexpr ((Marks & kQuotes) != 0) m.quotes = bytes(low, high, '"');
        if constexpr ((Marks & kNul) != 0)
            m.nul = static_cast<std::uint32_t>(_mm256_movemask_epi8(
                _mm256_cmpeq_epi8(_mm256_min_epu8(low, high), _mm256_setzero_si256())));
        return m;
    }
};

// Sixty-four bytes at a time, each mark a compare's mask (AVX-512 BW), with no movemask;
// inline only where the caller is compiled for AVX-512 BW, VBMI and VBMI2.
struct Avx512Words {
    [[gnu::target("avx512f,avx512bw")]] static std::uint64_t bytes(__m512i word, char c) {
        return _mm512_cmpeq_epi8_mask(word, _mm512_set1_epi8(c));
    }
    template <unsigned Marks>
    [[gnu::target("avx512f,avx512bw")]] static WordMarks of(const char* p) {
        const __m512i word = _mm512_loadu_si512(p);
        const std::uint64_t nul = _mm512_testn_epi8_mask(word, word);
        WordMarks m;
        if constexpr ((Marks & kEnds) != 0) m.ends = bytes(word, '\r') | bytes(word, '\n') | nul;
        if constexpr ((Marks & kTabs) != 0) m.tabs = bytes(word, '\t');
        if constexpr ((Marks & kCommas) != 0) m.commas = bytes(word, ',');
        if constexpr ((Marks & kReturns) != 0) m.returns = bytes(word, '\r');
        if constexpr ((Marks & kFeeds) != 0) m.feeds = bytes(word, '\n');
        if constexpr ((Marks & kQuotes) != 0) m.quotes = bytes(word, '"');
        if constexpr ((Marks & kNul) != 0) m.nul = nul;
        return m;
    }

    // Stores base plus the place in the word of each of the bits, in order, from out on;
    // returns how many. Sixteen at a time: the byte indexes of the bits gathered (VBMI2's
    // compress), sixteen of them spread to 32 bits each (VBMI's byte permute, the other
    // bytes zeroed), added to base and stored whole, so up to fifteen places past the last
    // (sixteen when there are none) are written over.
    alignas(64) static constexpr std::uint8_t kIndexes[64] = {
        0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21,
        22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43,
        44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63};
    [[gnu::target("avx512f,avx512bw,avx512vbmi,avx512vbmi2,popcnt")]] static size_t place(
        std::uint32_t* out, std::uint64_t bits, std::uint32_t base) {
        const auto n = static_cast<size_t>(std::popcount(bits));
        const __m512i packed = _mm512_maskz_compress_epi8(bits, _mm512_load_si512(kIndexes));
        const __m512i b = _mm512_set1_epi32(static_cast<int>(base));
        // The k-th sixteen: byte 16k + i of the packed to the low byte of the i-th 32 bits.
        __m512i spread = _mm512_set_epi32(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
        constexpr std::uint64_t kLowBytes = 0x1111111111111111;  // of each 32 bits
        for (size_t k = 0;; k += 16) {
            const __m512i sixteen = _mm512_maskz_permutexvar_epi8(kLowBytes, spread, packed);
            _mm512_storeu_si512(out + k, _mm512_add_epi32(sixteen, b));
            if (k + 16 >= n) [[likely]]
                return n;
            spread = _mm512_add_epi8(spread, _mm512_set1_epi8(16));
        }
    }
};
#endif

// Where placeMarks puts the places of the bytes it marks, as offsets from the run's start,
// in order: line ends (CR, LF, NUL; not the LF of CR LF), each with the number of tabs
// before it, and where asked, tabs, and commas each with the number of tabs before it.
// Each array has room for as many places as the run has bytes, and kRoom more.
struct Places {
    static constexpr size_t kRoom = 32;
    std::uint32_t* ends;
    std::uint32_t* endTabs;
    std::uint32_t* tabs = nullptr;  // tabs and commas are not placed where null
    std::uint32_t* commas = nullptr;
    std::uint32_t* commaTabs = nullptr;
};
// How many of each placeMarks found. After the commas' places it puts one of ~0u, past
// every byte.
struct PlaceCounts {
    size_t ends = 0, tabs = 0, commas = 0;
};

// Which way placeMarks takes. Avx512 (where Avx2 is compiled, on a processor with AVX-512
// BW, VBMI and VBMI2) marks a word in masks and places its tabs sixteen at a time.
enum class Marker { Portable, Sse2, Avx2, Avx512 };
bool markerRuns(Marker how);
Marker fastestMarker();

// The places of the marked bytes of data[skip, size), data being whole runs of 64 bytes
// from its start to size rounded up (the bytes past size are read, but not placed).
PlaceCounts placeMarks(const char* data, size_t skip, size_t size, const Places& into,
                       Marker how = fastestMarker());

}  // namespace tav::bytescan

namespace tav {

// Copies a few bytes without a call: the texts of a report's fields are short.
[[gnu::always_inline]] inline void copyShort(char* to, const char* from, size_t n) {
    if (n >= 8) {
        if (n > 32) {
            std::memcpy(to, from, n);
            return;
        }
        // Words of eight bytes, the last one overlapping the one before.
        for (size_t i = 0; i + 8 < n; i += 8) std::memcpy(to + i, from + i, 8);
        std::memcpy(to + n - 8, from + n - 8, 8);
    } else if (n >= 4) {
        std::memcpy(to, from, 4);
        std::memcpy(to + n - 4, from + n - 4, 4);
    } else if (n > 0) {
        to[0] = from[0];
        to[n / 2] = from[n / 2];
        to[n - 1] = from[n - 1];
    }
}

}  // namespace tav
