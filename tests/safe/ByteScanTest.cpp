#include <gtest/gtest.h>

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
    const std::string alphabet = std::string("ab\t,\r\n\x7F\x80\xB7\xFF") + '\0';
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

}  // namespace
}  // namespace tav::bytescan
