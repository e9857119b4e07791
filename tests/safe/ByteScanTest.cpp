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

template <class Way>
std::vector<WordMarks> wordByWord(const std::string& text) {
    constexpr unsigned kApart = kCommas | kReturns | kFeeds | kQuotes | kNul;
    std::vector<WordMarks> marks;
    for (size_t at = 0; at < text.size(); at += 64)
        marks.push_back(Way::template of<kApart>(text.data() + at));
    return marks;
}

// Every way of marking 64 bytes that this build and processor can run marks what a test of
// every byte finds; every way of placing marks places what it finds, from any start in
// the first word to any end (the bytes after it marked too, but not placed), the LF of CR
// LF being no line end, across words too.
TEST(ByteScan, EveryMarkerMarksAndPlacesTheBytesLookedFor) {
    std::string text;
    for (const std::string& t : texts()) text += t;
    text.resize(text.size() / 64 * 64);
    // Words with more tabs than a way may place at once (runs of empty fields).
    for (const size_t tabs : {16, 17, 33, 49, 64}) {
        std::string word(64, '\t');
        for (size_t i = tabs; i < 64; ++i) word[i] = ",\r\nx"[i % 4];
        text += word;
    }
    const size_t words = text.size() / 64;
    struct Placed {
        std::vector<std::uint32_t> ends, endTabs, tabs, commas, commaTabs;
        bool operator==(const Placed&) const = default;
    };
    auto byteByByte = [&](size_t skip, size_t size) {
        Placed p;
        for (size_t i = skip; i < size; ++i) {
            const auto at = static_cast<std::uint32_t>(i);
            const auto tabs = static_cast<std::uint32_t>(p.tabs.size());
            const char c = text[i];
            if (c == '\r' || c == '\0' || (c == '\n' && (i == skip || text[i - 1] != '\r'))) {
                p.ends.push_back(at);
                p.endTabs.push_back(tabs);
            }
            if (c == '\t') p.tabs.push_back(at);
            if (c == ',') {
                p.commas.push_back(at);
                p.commaTabs.push_back(tabs);
            }
        }
        return p;
    };
    for (const Marker how : {Marker::Portable, Marker::Sse2, Marker::Avx2, Marker::Avx512}) {
        if (!markerRuns(how)) continue;
        for (const size_t skip : {0, 1, 31, 63})
            for (const size_t size : {size_t{64}, size_t{65}, size_t{127}, text.size() - 63,
                                      text.size() - 1, text.size()}) {
                SCOPED_TRACE("marker " + std::to_string(static_cast<int>(how)) + ", skip " +
                             std::to_string(skip) + ", size " + std::to_string(size));
                const Placed expected = byteByByte(skip, size);
                const size_t room = size + Places::kRoom;
                Placed p{std::vector<std::uint32_t>(room), std::vector<std::uint32_t>(room),
                         std::vector<std::uint32_t>(room), std::vector<std::uint32_t>(room),
                         std::vector<std::uint32_t>(room)};
                PlaceCounts n = placeMarks(text.data(), skip, size,
                                           {p.ends.data(), p.endTabs.data(), p.tabs.data(),
                                            p.commas.data(), p.commaTabs.data()},
                                           how);
                EXPECT_EQ(p.commas[n.commas], ~std::uint32_t{0});
                p.ends.resize(n.ends);
                p.endTabs.resize(n.ends);
                p.tabs.resize(n.tabs);
                p.commas.resize(n.commas);
                p.commaTabs.resize(n.commas);
                EXPECT_TRUE(p == expected);
                // Ends alone, and with tabs but no commas.
                std::vector<std::uint32_t> ends(room), endTabs(room, 7), tabs(room);
                n = placeMarks(text.data(), skip, size, {ends.data(), endTabs.data()}, how);
                ends.resize(n.ends);
                EXPECT_EQ(ends, expected.ends);
                EXPECT_EQ(std::vector<std::uint32_t>(endTabs.begin(), endTabs.begin() + n.ends),
                          std::vector<std::uint32_t>(n.ends, 0));
                n = placeMarks(text.data(), skip, size, {ends.data(), endTabs.data(), tabs.data()},
                               how);
                tabs.resize(n.tabs);
                EXPECT_EQ(tabs, expected.tabs);
                EXPECT_EQ(n.commas, 0u);
            }
    }
    auto bitsOf = [&](auto matches) {
        std::vector<std::uint64_t> bits(words);
        for (size_t i = 0; i < text.size(); ++i)
            if (matches(text[i])) bits[i / 64] |= std::uint64_t{1} << (i % 64);
        return bits;
    };
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
    if (markerRuns(Marker::Avx512)) apart[Marker::Avx512] = wordByWord<Avx512Words>(text);
#endif
    for (const auto& [how, marks] : apart) {
        ASSERT_EQ(marks.size(), words);
        for (size_t w = 0; w < words; ++w) {
            const WordMarks& m = marks[w];
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
