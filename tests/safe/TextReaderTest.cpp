#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "safe/Sem.h"
#include "safe/TextReader.h"
#include "support/Files.h"

namespace tav {
namespace {

using test::TempDir;
using test::writeFile;

// A line as the plain way finds it: its bytes and where the next one begins.
struct PlainLine {
    std::string text;
    std::uint64_t next;
};

std::vector<PlainLine> plainLines(const std::string& bytes) {
    std::vector<PlainLine> lines;
    size_t from = 0;
    while (from < bytes.size()) {
        size_t end = from;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') ++end;
        size_t next = end + (end < bytes.size());
        if (end < bytes.size() && bytes[end] == '\r' && next < bytes.size() && bytes[next] == '\n')
            ++next;
        lines.push_back({bytes.substr(from, end - from), next});
        from = next;
    }
    return lines;
}

// Lines of tabs, commas and letters of every length around the words of 64 bytes, ended
// by CR LF, LF and lone CRs, some empty, the last one without its end.
std::string fieldText() {
    std::mt19937 random(64);
    const std::string ends[] = {"\r\n", "\n", "\r"};
    const std::string bytes = "ab\t\t,\xB7\xC2";
    std::string text;
    for (int line = 0; line < 400; ++line) {
        const size_t size = line % 7 == 0 ? 0 : random() % 140;
        for (size_t i = 0; i < size; ++i) text += bytes[random() % bytes.size()];
        text += ends[random() % 3];
    }
    return text + "last\tline,";
}

// Every line and its marks, read from the file refilled every few bytes, are those of the
// plain way: whatever byte falls at a refill's edge or at a word's (a CR of CR LF, a tab,
// the last byte of the file).
TEST(TextReader, LinesAndTheirMarksAreThoseOfThePlainWayAtEveryRefillEdge) {
    TempDir dir;
    const std::string bytes = fieldText();
    writeFile(dir.file("f.txt"), bytes);
    const std::vector<PlainLine> lines = plainLines(bytes);
    struct Marking {
        size_t tabs;
        bool commas;
    };
    for (const Marking marking : {Marking{0, false}, Marking{8, false}, Marking{16, true}}) {
        for (const size_t block : {1, 2, 3, 63, 64, 65, 4096}) {
            TextReader r;
            r.open(dir.file("f.txt"));
            r.readInBlocksOf(block);
            r.seek(0, 0);
            if (marking.tabs) r.markFields(marking.tabs, marking.commas);
            for (const PlainLine& expected : lines) {
                SCOPED_TRACE("block " + std::to_string(block) + ", tabs " +
                             std::to_string(marking.tabs) + ", line " +
                             std::to_string(r.linesRead() + 1));
                ASSERT_FALSE(r.eof());
                ASSERT_EQ(r.line(), expected.text);
                ASSERT_EQ(r.bytesRead(), expected.next);
                if (!marking.tabs) continue;
                const TextReader::Marks plain =
                    TextReader::marksOf(expected.text, marking.tabs, marking.commas);
                const TextReader::Marks& marks = r.marks();
                ASSERT_EQ(marks.tabCount, plain.tabCount);
                ASSERT_EQ(marks.commaFields, plain.commaFields);
                for (size_t k = 0; k < std::min(plain.tabCount, marking.tabs); ++k)
                    ASSERT_EQ(marks.tabs[k], plain.tabs[k]);
            }
            EXPECT_TRUE(r.eof());
        }
    }
}

// The plain way itself, on a line with a comma in its first field, in a field after two
// tabs together, and past the tabs asked for.
TEST(TextReader, TheMarksOfALineSayWhichFieldsHoldACommaUpToTheTabsAsked) {
    const TextReader::Marks marks = TextReader::marksOf("a,b\tc\t\t,d\te,f", 3);
    EXPECT_EQ(marks.tabCount, 4u);
    EXPECT_EQ((std::vector<std::uint32_t>{marks.tabs, marks.tabs + 3}),
              (std::vector<std::uint32_t>{3, 5, 6}));
    EXPECT_EQ(marks.commaFields, 0b1001u);  // field 4 holds one too, past the third tab
    EXPECT_EQ(TextReader::marksOf("a,b", 3, false).commaFields, 0u);
}

// Lines kept from one read on stay whole in the buffer however often it is refilled; a
// reader that marks fields from some line on marks them from there.
TEST(TextReader, KeptLinesOutliveRefillsAndMarkingMayBeginAnywhere) {
    TempDir dir;
    std::string bytes = "Trans #\tType\r\n";
    for (int i = 0; i < 40; ++i)
        bytes += std::to_string(i) + "\tBill\tx,y\t" + std::string(i, 'z') + "\r\n";
    writeFile(dir.file("k.txt"), bytes);
    TextReader r;
    r.open(dir.file("k.txt"));
    r.readInBlocksOf(5);
    r.seek(0, 0);
    EXPECT_EQ(r.line(), "Trans #\tType");
    r.markFields();
    r.line();
    r.keepFromLastLine();
    std::string kept = "0\tBill\tx,y\t\r\n";
    for (int i = 1; i < 40; ++i) {
        const std::string_view line = r.line();
        kept += std::string(line) + "\r\n";
        EXPECT_EQ(r.marks().tabCount, 3u);
        EXPECT_EQ(r.marks().commaFields, 0b100u);
        EXPECT_EQ(std::string_view(r.kept(), kept.size() - 2), kept.substr(0, kept.size() - 2));
    }
}

// A NUL byte is refused on its line wherever it falls, the last byte of a refill included.
TEST(TextReader, ANulByteIsRefusedOnItsLineAtARefillEdge) {
    TempDir dir;
    writeFile(dir.file("n.txt"), std::string("one\r\ntwo\r\nthree\0\r\n", 18));
    for (const size_t block : {1, 4, 15, 4096}) {
        TextReader r;
        r.open(dir.file("n.txt"));
        r.readInBlocksOf(block);
        r.seek(0, 0);
        r.line();
        r.line();
        try {
            r.line();
            ADD_FAILURE() << "a NUL byte was read at block " << block;
        } catch (const RuntimeError& e) {
            EXPECT_NE(e.description().find("Line 3 of the file"), std::string::npos);
            EXPECT_NE(e.description().find("holds a NUL byte"), std::string::npos);
        }
    }
}

}  // namespace
}  // namespace tav
