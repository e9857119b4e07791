#include "safe/ByteScan.h"

#if defined(__x86_64__) && defined(__GNUC__) && !defined(_WIN32)
// Not on Windows: its compilers do not keep 32-byte values aligned on the stack.
#define TAV_MARK_AVX2 1
#include <immintrin.h>
#endif

namespace tav::bytescan {

namespace {

template <bool Tabs, bool Commas>
void portableWords(const char* data, size_t words, const MarkWords& into) {
    for (size_t w = 0; w < words; ++w, data += 64) {
        std::uint64_t ends = 0, tabs = 0, commas = 0;
        for (unsigned k = 0; k < 64; ++k) {
            const std::uint64_t bit = std::uint64_t{1} << k;
            const char c = data[k];
            if (c == '\r' || c == '\n' || c == '\0') ends |= bit;
            if (Tabs && c == '\t') tabs |= bit;
            if (Commas && c == ',') commas |= bit;
        }
        into.ends[w] = ends;
        if constexpr (Tabs) into.tabs[w] = tabs;
        if constexpr (Commas) into.commas[w] = commas;
    }
}

#ifdef __SSE2__
template <bool Tabs, bool Commas>
void sse2Words(const char* data, size_t words, const MarkWords& into) {
    const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n'), nul = _mm_setzero_si128();
    const __m128i tab = _mm_set1_epi8('\t'), comma = _mm_set1_epi8(',');
    auto bits = [](__m128i hits, unsigned k) {
        return std::uint64_t{static_cast<unsigned>(_mm_movemask_epi8(hits))} << (16 * k);
    };
    for (size_t w = 0; w < words; ++w, data += 64) {
        std::uint64_t ends = 0, tabs = 0, commas = 0;
        for (unsigned k = 0; k < 4; ++k) {
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * k));
            ends |= bits(_mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(b, cr), _mm_cmpeq_epi8(b, lf)),
                                      _mm_cmpeq_epi8(b, nul)),
                         k);
            if constexpr (Tabs) tabs |= bits(_mm_cmpeq_epi8(b, tab), k);
            if constexpr (Commas) commas |= bits(_mm_cmpeq_epi8(b, comma), k);
        }
        into.ends[w] = ends;
        if constexpr (Tabs) into.tabs[w] = tabs;
        if constexpr (Commas) into.commas[w] = commas;
    }
}
#endif

#ifdef TAV_MARK_AVX2
__attribute__((target("avx2"))) inline std::uint64_t avx2Bits(__m256i low, __m256i high) {
    return std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(low))} |
           std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(high))} << 32;
}

__attribute__((target("avx2"))) inline __m256i avx2Ends(__m256i b) {
    const __m256i crOrLf = _mm256_or_si256(_mm256_cmpeq_epi8(b, _mm256_set1_epi8('\r')),
                                           _mm256_cmpeq_epi8(b, _mm256_set1_epi8('\n')));
    return _mm256_or_si256(crOrLf, _mm256_cmpeq_epi8(b, _mm256_setzero_si256()));
}

template <bool Tabs, bool Commas>
__attribute__((target("avx2"))) void avx2Words(const char* data, size_t words,
                                               const MarkWords& into) {
    const __m256i tab = _mm256_set1_epi8('\t'), comma = _mm256_set1_epi8(',');
    for (size_t w = 0; w < words; ++w, data += 64) {
        const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data));
        const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + 32));
        into.ends[w] = avx2Bits(avx2Ends(low), avx2Ends(high));
        if constexpr (Tabs)
            into.tabs[w] = avx2Bits(_mm256_cmpeq_epi8(low, tab), _mm256_cmpeq_epi8(high, tab));
        if constexpr (Commas)
            into.commas[w] =
                avx2Bits(_mm256_cmpeq_epi8(low, comma), _mm256_cmpeq_epi8(high, comma));
    }
}
#endif

// One way of marking, made for the marks asked: line ends with tabs and commas, with tabs,
// or alone. Called once per batch of words, so the call through a pointer costs nothing.
using Way = void (*)(const char*, size_t, const MarkWords&);
void markWith(const char* data, size_t words, const MarkWords& into, Way all, Way tabs, Way ends) {
    (into.tabs && into.commas ? all : into.tabs ? tabs : ends)(data, words, into);
}

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
            return __builtin_cpu_supports("avx2");
#else
            return false;
#endif
    }
    return false;
}

Marker fastestMarker() {
    static const Marker fastest = markerRuns(Marker::Avx2)   ? Marker::Avx2
                                  : markerRuns(Marker::Sse2) ? Marker::Sse2
                                                             : Marker::Portable;
    return fastest;
}

void markWords(const char* data, size_t words, const MarkWords& into, Marker how) {
    switch (how) {
#ifdef TAV_MARK_AVX2
        case Marker::Avx2:
            return markWith(data, words, into, avx2Words<true, true>, avx2Words<true, false>,
                            avx2Words<false, false>);
#endif
#ifdef __SSE2__
        case Marker::Sse2:
            return markWith(data, words, into, sse2Words<true, true>, sse2Words<true, false>,
                            sse2Words<false, false>);
#endif
        default:
            return markWith(data, words, into, portableWords<true, true>,
                            portableWords<true, false>, portableWords<false, false>);
    }
}

}  // namespace tav::bytescan
