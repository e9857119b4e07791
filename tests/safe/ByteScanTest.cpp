#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "safe/ByteScan.h"

namespace tav::bytescan {
namespace {

// Every position of the text that a byte test accepts, from a starting point on.
template <class Match>
std::vector<size_t> byteByByte(const std::string& text, size_t from) {
    std::vector<size_t> hits;
    for (size_t i = from; i < text.size(); ++i)
        if (Match::matches(text[i])) hits.push_back(i);
    return hits;
}

template <class Match, class Blocks>
std::vector<size_t> scanned(const std::string& text, size_t from) {
    std::vector<size_t> hits;
    forEach<Match, Blocks>(text.data(), from, text.size(), [&](size_t at) {
        hits.push_back(at);
        return false;
    });
    return hits;
}

// Texts of every length around the block size and its multiples, the bytes looked for
// anywhere (first byte, last byte, both ends of a block, the overlapping last block).
std::vector<std::string> texts() {
    std::mt19937 random(17);
    const std::string alphabet = std::string("ab\t,\"\r\n\x7F\x80\xB7\xFF") + '\0';
    std::vector<std::string> out;
    for (size_t size = 0; size <= 70; ++size) {
        for (int round = 0; round < 20; ++round) {
            std::string text(size, 'x');
            const int density = round % 4;  // none, few, some, many
            for (char& c : text)
                if (density > 0 && random() % (8 / density) == 0)
                    c = alphabet[random() % alphabet.size()];
            out.push_back(text);
        }
    }
    return out;
}

// Both block tests find what a test of every byte finds, from any starting point, in
// order, and stop where they are told to.
template <class Match, class Blocks>
void checkBlocks() {
    for (const std::string& text : texts()) {
        for (size_t from = 0; from <= text.size(); ++from) {
            const std::vector<size_t> expected = byteByByte<Match>(text, from);
            ASSERT_EQ((scanned<Match, Blocks>(text, from)), expected)
                << "size " << text.size() << " from " << from;
            const size_t first = expected.empty() ? text.size() : expected.front();
            ASSERT_EQ((find<Match, Blocks>(text.data(), from, text.size())), first);
            if (expected.size() < 2) continue;
            size_t visits = 0;
            const size_t stop = forEach<Match, Blocks>(text.data(), from, text.size(),
                                                       [&](size_t) { return ++visits == 2; });
            ASSERT_EQ(stop, expected[1]);
        }
    }
}

TEST(ByteScan, PortableBlocksFindEveryByteLookedFor) {
    checkBlocks<AnyOf<'\t'>, Portable>();
    checkBlocks<AnyOf<'\t', ','>, Portable>();
    checkBlocks<AnyOf<'\r', '\n'>, Portable>();
    checkBlocks<NonAscii, Portable>();
}

TEST(ByteScan, NativeBlocksFindEveryByteLookedFor) {
    checkBlocks<AnyOf<'\t'>, Native>();
    checkBlocks<AnyOf<'\t', ','>, Native>();
    checkBlocks<AnyOf<'\r', '\n'>, Native>();
    checkBlocks<NonAscii, Native>();
}

// Every way of marking words of 64 bytes that this build and processor can run marks what
// a test of every byte finds: in runs of words with and without tabs and commas, and a
// word at a time with line ends apart and quotes.
template <class Way>
std::vector<WordMarks> wordByWord(const std::string& text) {
    constexpr unsigned kApart = kCommas | kReturns | kFeeds | kQuotes | kNul;
    std::vector<WordMarks> marks;
    for (size_t at = 0; at < text.size(); at += 64)
        marks.push_back(Way::template of<kApart>(text.data() + at));
    return marks;
}

TEST(ByteScan, EveryMarkerMarksTheBytesOfEveryWord) {
    std::string text;
    for (const std::string& t : texts()) text += t;
    text.resize(text.size() / 64 * 64);
    const size_t words = text.size() / 64;
    auto bitsOf = [&](auto matches) {
        std::vector<std::uint64_t> bits(words);
        for (size_t i = 0; i < text.size(); ++i)
            if (matches(text[i])) bits[i / 64] |= std::uint64_t{1} << (i % 64);
        return bits;
    };
    const auto ends = bitsOf([](char c) { return c == '\r' || c == '\n' || c == '\0'; });
    const auto tabs = bitsOf([](char c) { return c == '\t'; });
    const auto commas = bitsOf([](char c) { return c == ','; });
    const auto returns = bitsOf([](char c) { return c == '\r'; });
    const auto feeds = bitsOf([](char c) { return c == '\n'; });
    const auto quotes = bitsOf([](char c) { return c == '"'; });
    const auto nuls = bitsOf([](char c) { return c == '\0'; });
    std::map<Marker, std::vector<WordMarks>> apart = {
        {Marker::Portable, wordByWord<PortableWords>(text)}};
#ifdef __SSE2__
    apart[Marker::Sse2] = wordByWord<Sse2Words>(text);
#endif
#ifdef TAV_MARK_AVX2
    if (markerRuns(Marker::Avx2)) apart[Marker::Avx2] = wordByWord<Avx2Words>(text);
#endif
    for (const Marker how : {Marker::Portable, Marker::Sse2, Marker::Avx2}) {
        if (!markerRuns(how)) continue;
        std::vector<std::uint64_t> e(words), t(words), c(words);
        markWords(text.data(), words, {e.data(), t.data(), c.data()}, how);
        EXPECT_EQ(e, ends);
        EXPECT_EQ(t, tabs);
        EXPECT_EQ(c, commas);
        std::vector<std::uint64_t> endsAlone(words), tabsAlone(words, 7);
        markWords(text.data(), words, {endsAlone.data(), tabsAlone.data()}, how);
        EXPECT_EQ(endsAlone, ends);
        EXPECT_EQ(tabsAlone, tabs);
        ASSERT_EQ(apart[how].size(), words);
        for (size_t w = 0; w < words; ++w) {
            const WordMarks& m = apart[how][w];
            EXPECT_EQ(m.ends | m.tabs, 0u);  // not asked
            EXPECT_EQ(m.commas, commas[w]);
            EXPECT_EQ(m.returns, returns[w]);
            EXPECT_EQ(m.feeds, feeds[w]);
            EXPECT_EQ(m.quotes, quotes[w]);
            EXPECT_EQ(m.nul != 0, nuls[w] != 0) << "word " << w;
        }
    }
    EXPECT_TRUE(markerRuns(fastestMarker()));
}

}  // namespace
}  // namespace tav::bytescan
