#include <gtest/gtest.h>

#include "safe/TextCodec.h"

namespace tav {
namespace {

TEST(TextCodec, EveryWindows1252ByteSurvivesARoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    const std::string utf8 = windows1252ToUtf8(all);
    EXPECT_TRUE(isValidUtf8(utf8));
    EXPECT_EQ(utf8ToWindows1252(utf8), all);
}

TEST(TextCodec, TheAccountMiddleDotIsB7InWindows1252) {
    EXPECT_EQ(windows1252ToUtf8("1-1100 \xB7 Cheque"), "1-1100 \xC2\xB7 Cheque");
    EXPECT_EQ(windows1252ToUtf8("\x80"), "\xE2\x82\xAC");  // euro sign
}

TEST(TextCodec, CharactersOutsideWindows1252BecomeQuestionMarks) {
    EXPECT_EQ(utf8ToWindows1252("\xE4\xB8\xAD x"), "? x");
}

TEST(TextCodec, WideEncodingsAreKnownByTheirMarkOrTheirZeroBytes) {
    using namespace std::string_literals;
    const std::pair<std::string, const char*> cases[] = {
        {"\xFF\xFEX\0"s, "UTF-16 (little-endian)"},
        {"\xFE\xFF\0X"s, "UTF-16 (big-endian)"},
        {"\xFF\xFE\0\0X\0\0\0"s, "UTF-32 (little-endian)"},
        {"\0\0\xFE\xFF\0\0\0X"s, "UTF-32 (big-endian)"},
        {"T\0r\0a\0n\0s\0 \0#\0"s, "UTF-16 (little-endian)"},
        {"\0T\0r\0a\0n\0s\0 \0#"s, "UTF-16 (big-endian)"},
        {"Trans #\tType"s, nullptr},
        {"T\0r\0"s, nullptr},                  // too little to tell
        {"Trans\0#\tType\0\tDate"s, nullptr},  // a few stray zero bytes
        {std::string(64, '\0'), nullptr},      // zero bytes alone are no letters
        {"\xEF\xBB\xBFTrans #"s, nullptr},
    };
    for (const auto& [start, name] : cases) {
        const char* found = wideEncodingName(start);
        EXPECT_EQ(std::string(found ? found : "none"), std::string(name ? name : "none"))
            << testing::PrintToString(start);
    }
}

TEST(TextCodec, ValidatesUtf8Strictly) {
    EXPECT_TRUE(isValidUtf8("plain ascii"));
    EXPECT_TRUE(isValidUtf8("caf\xC3\xA9 \xF0\x9F\x98\x80"));
    EXPECT_FALSE(isValidUtf8("caf\xE9"));       // Windows-1252 e acute
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));      // overlong
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));  // surrogate
    EXPECT_FALSE(isValidUtf8("\xC3"));          // cut short
}

TEST(TextCodec, ValidatesAcrossBlocks) {
    Utf8Validator v;
    EXPECT_TRUE(v.feed("caf\xC3"));
    EXPECT_FALSE(v.finish());
    EXPECT_TRUE(v.feed("\xA9"));
    EXPECT_TRUE(v.finish());
}

TEST(TextCodec, CountsAndCutsCharactersNotBytes) {
    const std::string memo = "Caf\xC3\xA9 cr\xC3\xA8me";
    EXPECT_EQ(charCount(memo), 10u);
    EXPECT_EQ(leftChars(memo, 4), "Caf\xC3\xA9");
    EXPECT_EQ(leftChars(memo, 3), "Caf");
    EXPECT_EQ(leftChars("abc", 10), "abc");
}

}  // namespace
TEST(TextCodec, ALineIsCopiedOnlyWhenItNeedsDecoding) {
    std::string scratch;
    const std::string ascii = "a plain line longer than sixteen bytes";
    EXPECT_EQ(decodedView(ascii, Encoding::Windows1252, scratch).data(), ascii.data());
    const std::string utf8 = "caf\xC3\xA9";
    EXPECT_EQ(decodedView(utf8, Encoding::Utf8, scratch).data(), utf8.data());

    // A byte above 0x7F in the last, partly overlapping, sixteen bytes.
    EXPECT_EQ(decodedView(std::string(16, 'a') + "b\xE9"
                                                 "cd",
                          Encoding::Windows1252, scratch),
              std::string(16, 'a') +
                  "b\xC3\xA9"
                  "cd");
    // Accented letters at the edges of sixteen-byte blocks.
    std::string line(40, 'x'), expected;
    for (size_t at : {0, 15, 16, 31, 39}) line[at] = '\xE9';
    for (char c : line) expected += c == '\xE9' ? std::string("\xC3\xA9") : std::string(1, c);
    EXPECT_EQ(decodedView(line, Encoding::Windows1252, scratch), expected);
    // The scratch string keeps its length; the next, shorter line ends where it ends.
    EXPECT_EQ(decodedView("\x80", Encoding::Windows1252, scratch), "\xE2\x82\xAC");
}

}  // namespace tav
