#include "safe/ByteScan.h"

namespace tav::bytescan {

namespace {

template <class Way, unsigned Marks>
[[gnu::always_inline]] inline void markAll(const char* data, size_t words, const MarkWords& into) {
    for (size_t w = 0; w < words; ++w, data += 64) {
        const WordMarks m = Way::template of<Marks>(data);
        into.ends[w] = m.ends;
        if constexpr ((Marks & kTabs) != 0) into.tabs[w] = m.tabs;
        if constexpr ((Marks & kCommas) != 0) into.commas[w] = m.commas;
    }
}

template <unsigned Marks>
void portableWords(const char* data, size_t words, const MarkWords& into) {
    markAll<PortableWords, Marks>(data, words, into);
}

#ifdef __SSE2__
template <unsigned Marks>
void sse2Words(const char* data, size_t words, const MarkWords& into) {
    markAll<Sse2Words, Marks>(data, words, into);
}
#endif

#ifdef TAV_MARK_AVX2
template <unsigned Marks>
[[gnu::target("avx2"), gnu::flatten]] void avx2Words(const char* data, size_t words,
                                                     const MarkWords& into) {
    markAll<Avx2Words, Marks>(data, words, into);
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
            return markWith(data, words, into, avx2Words<kEnds | kTabs | kCommas>,
                            avx2Words<kEnds | kTabs>, avx2Words<kEnds>);
#endif
#ifdef __SSE2__
        case Marker::Sse2:
            return markWith(data, words, into, sse2Words<kEnds | kTabs | kCommas>,
                            sse2Words<kEnds | kTabs>, sse2Words<kEnds>);
#endif
        default:
            return markWith(data, words, into, portableWords<kEnds | kTabs | kCommas>,
                            portableWords<kEnds | kTabs>, portableWords<kEnds>);
    }
}

}  // namespace tav::bytescan
