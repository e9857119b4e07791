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
    return placeWith<Avx512Words, Avx512Words>(data, skip, size, into);
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
