#include "safe/ByteScan.h"

namespace tav::bytescan {

namespace {

constexpr std::uint64_t kAll = ~std::uint64_t{0};

// A word's tabs placed from out on, branch-free for a line's ten or so: eight at a time,
// the places past the word's written over by the next word's. Returns how many.
struct EightAtATime {
    [[gnu::always_inline]] static size_t place(std::uint32_t* out, std::uint64_t bits,
                                               std::uint32_t base) {
        const auto n = static_cast<size_t>(std::popcount(bits));
        auto eight = [&](size_t k) {
#pragma GCC unroll 8
            for (size_t i = k; i < k + 8; ++i, bits &= bits - 1)
                out[i] = base + static_cast<std::uint32_t>(std::countr_zero(bits));
        };
        eight(0);
        if (n > 8) {
            eight(8);
            for (size_t i = 16; bits != 0; ++i, bits &= bits - 1)
                out[i] = base + static_cast<std::uint32_t>(std::countr_zero(bits));
        }
        return n;
    }
};

#ifdef TAV_MARK_AVX2
// A word's marks straight from the compares' masks (AVX-512 BW).
struct Avx512Words {
    [[gnu::target("avx512f,avx512bw")]] static std::uint64_t bytes(__m512i word, char c) {
        return _mm512_cmpeq_epi8_mask(word, _mm512_set1_epi8(c));
    }
    template <unsigned Marks>
    [[gnu::target("avx512f,avx512bw")]] static WordMarks of(const char* p) {
        static_assert((Marks & (kQuotes | kNul)) == 0, "placeMarks asks for neither");
        const __m512i word = _mm512_loadu_si512(p);
        WordMarks m;
        if constexpr ((Marks & kEnds) != 0)
            m.ends = bytes(word, '\r') | bytes(word, '\n') | _mm512_testn_epi8_mask(word, word);
        if constexpr ((Marks & kTabs) != 0) m.tabs = bytes(word, '\t');
        if constexpr ((Marks & kCommas) != 0) m.commas = bytes(word, ',');
        if constexpr ((Marks & kReturns) != 0) m.returns = bytes(word, '\r');
        if constexpr ((Marks & kFeeds) != 0) m.feeds = bytes(word, '\n');
        return m;
    }
};

// A word's tabs placed sixteen at a time: the byte indexes of its tabs gathered (VBMI2's
// compress), sixteen of them spread to 32 bits each (VBMI's byte permute, the other bytes
// zeroed) and added to the word's place.
struct SixteenAtATime {
    alignas(64) static constexpr std::uint8_t kIndexes[64] = {
        0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21,
        22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43,
        44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63};
    static constexpr std::uint64_t kLowBytes = 0x1111111111111111;  // of each 32 bits
    [[gnu::target("avx512f,avx512bw,avx512vbmi,avx512vbmi2,popcnt")]] static size_t place(
        std::uint32_t* out, std::uint64_t bits, std::uint32_t base) {
        const auto n = static_cast<size_t>(std::popcount(bits));
        const __m512i indexes = _mm512_load_si512(kIndexes);
        const __m512i packed = _mm512_maskz_compress_epi8(bits, indexes);
        const __m512i b = _mm512_set1_epi32(static_cast<int>(base));
        // The k-th sixteen: byte 16k + i of the packed to the low byte of the i-th 32 bits.
        __m512i spread = _mm512_set_epi32(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
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

// Word by word: each byte looked for placed at once.
template <class Way, class Tabs, bool Fields, bool Commas>
[[gnu::always_inline]] inline PlaceCounts placeAll(const char* data, size_t skip, size_t size,
                                                   const Places& into) {
    constexpr unsigned kMarks =
        kEnds | kReturns | kFeeds | (Fields ? kTabs : 0u) | (Commas ? kCommas : 0u);
    size_t ends = 0, tabs = 0, commas = 0;
    std::uint64_t returnBefore = 0;  // a CR in the last byte of the word before
    auto word = [&](size_t w, std::uint64_t valid) {
        const WordMarks m = Way::template of<kMarks>(data + 64 * w);
        const auto base = static_cast<std::uint32_t>(64 * w);
        const std::uint64_t returns = m.returns & valid;
        // The LF of CR LF ends no line of its own.
        std::uint64_t e = m.ends & valid & ~(m.feeds & (returns << 1 | returnBefore));
        returnBefore = returns >> 63;
        const std::uint64_t t = Fields ? m.tabs & valid : 0;
        const auto tabsBefore = static_cast<std::uint32_t>(tabs);
        // How many tabs lie before the lowest bit of these.
        auto tabsUpTo = [&](std::uint64_t these) {
            return tabsBefore +
                   static_cast<std::uint32_t>(std::popcount(t & ((these & (0 - these)) - 1)));
        };
        for (; e != 0; e &= e - 1, ++ends) {
            into.ends[ends] = base + static_cast<std::uint32_t>(std::countr_zero(e));
            into.endTabs[ends] = tabsUpTo(e);
        }
        if constexpr (Commas) {
            for (std::uint64_t c = m.commas & valid; c != 0; c &= c - 1, ++commas) {
                into.commas[commas] = base + static_cast<std::uint32_t>(std::countr_zero(c));
                into.commaTabs[commas] = tabsUpTo(c);
            }
        }
        if constexpr (Fields) tabs += Tabs::place(into.tabs + tabs, t, base);
    };
    std::uint64_t valid = kAll << skip;
    const size_t whole = size / 64;
    for (size_t w = 0; w < whole; ++w, valid = kAll) word(w, valid);
    if (size % 64 != 0) word(whole, valid & ((std::uint64_t{1} << (size % 64)) - 1));
    if constexpr (Commas) into.commas[commas] = ~std::uint32_t{0};
    return {ends, tabs, commas};
}

template <class Way, class Tabs = EightAtATime>
PlaceCounts placeWith(const char* data, size_t skip, size_t size, const Places& into) {
    if (!into.tabs) return placeAll<Way, Tabs, false, false>(data, skip, size, into);
    if (!into.commas) return placeAll<Way, Tabs, true, false>(data, skip, size, into);
    return placeAll<Way, Tabs, true, true>(data, skip, size, into);
}

#ifdef TAV_MARK_AVX2
// Counting and taking bits one instruction each where the processor has AVX2.
[[gnu::target("avx2,bmi,popcnt"), gnu::flatten]] PlaceCounts avx2Places(const char* data,
                                                                        size_t skip, size_t size,
                                                                        const Places& into) {
    return placeWith<Avx2Words>(data, skip, size, into);
}

// Marks as masks, tabs gathered sixteen at a time, where the processor has AVX-512.
[[gnu::target("avx512f,avx512bw,avx512vbmi,avx512vbmi2,bmi,popcnt"), gnu::flatten]] PlaceCounts
avx512Places(const char* data, size_t skip, size_t size, const Places& into) {
    return placeWith<Avx512Words, SixteenAtATime>(data, skip, size, into);
}
#endif

}  // namespace

bool markerRuns(Marker how) {
    switch (how) {
        case Marker::Portable: return true;
        case Marker::Sse2:
#ifdef __SSE2__
            return true;
#else
            return false;
#endif
        case Marker::Avx2:
#ifdef TAV_MARK_AVX2
            return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
                   __builtin_cpu_supports("popcnt");
#else
            return false;
#endif
        case Marker::Avx512:
#ifdef TAV_MARK_AVX2
            return markerRuns(Marker::Avx2) && __builtin_cpu_supports("avx512f") &&
                   __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi") &&
                   __builtin_cpu_supports("avx512vbmi2");
#else
            return false;
#endif
    }
    return false;
}

Marker fastestMarker() {
    static const Marker fastest = markerRuns(Marker::Avx512) ? Marker::Avx512
                                  : markerRuns(Marker::Avx2) ? Marker::Avx2
                                  : markerRuns(Marker::Sse2) ? Marker::Sse2
                                                             : Marker::Portable;
    return fastest;
}

PlaceCounts placeMarks(const char* data, size_t skip, size_t size, const Places& into, Marker how) {
    switch (how) {
#ifdef TAV_MARK_AVX2
        case Marker::Avx2: return avx2Places(data, skip, size, into);
        case Marker::Avx512: return avx512Places(data, skip, size, into);
#endif
#ifdef __SSE2__
        case Marker::Sse2: return placeWith<Sse2Words>(data, skip, size, into);
#endif
        default: return placeWith<PortableWords>(data, skip, size, into);
    }
}

}  // namespace tav::bytescan
