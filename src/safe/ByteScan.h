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

// Whole runs of text marked at once, for a reader that hands out lines and their fields:
// for every 64 bytes a word with a bit for each byte (the first byte's lowest) that ends a
// line (CR, LF, and NUL, which no text holds and which must stop a reading too) and, where
// asked, for each tab and each comma.
struct MarkWords {
    std::uint64_t* ends;
    std::uint64_t* tabs = nullptr;  // tabs and commas are not marked where null
    std::uint64_t* commas = nullptr;
};

// The ways to mark: a test of every byte (compiled everywhere), SSE2 (x86-64 builds), AVX2
// (x86-64 builds but the Windows one, on a processor that has it).
enum class Marker { Portable, Sse2, Avx2 };
bool markerRuns(Marker how);
Marker fastestMarker();

// Marks `words` runs of 64 bytes from data on into words [0, words) of `into`.
void markWords(const char* data, size_t words, const MarkWords& into, Marker how = fastestMarker());

}  // namespace tav::bytescan

namespace tav {

// Copies a few bytes without a call: the texts of a report's fields are short.
inline void copyShort(char* to, const char* from, size_t n) {
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
