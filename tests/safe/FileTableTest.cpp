#include <gtest/gtest.h>

#include "safe/FileTable.h"
#include "safe/Sem.h"
#include "support/Files.h"

namespace tav {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;

std::vector<std::string> readAll(FileTable& files, const std::string& path) {
    files.open(1, path, FileMode::Input);
    std::vector<std::string> lines;
    while (!files.eof(1)) lines.push_back(files.lineInput(1));
    files.close(1);
    return lines;
}

long errorOf(auto&& action) {
    try {
        action();
    } catch (const RuntimeError& e) {
        return e.number();
    }
    return 0;
}

TEST(FileTable, EveryKindOfLineEndEndsALine) {
    TempDir dir;
    writeFile(dir.file("r.txt"), "a\r\nb\nc\rd\r\n\r\ne");
    FileTable files;
    EXPECT_EQ(readAll(files, dir.file("r.txt")),
              (std::vector<std::string>{"a", "b", "c", "d", "", "e"}));
}

// A file that another thread writes is read as far as its writer says it has written, and
// no further, though more bytes are there already; given up, it ends where the reader is.
TEST(TextReader, AGrowingFileIsReadAsFarAsItsWriterHasWritten) {
    TempDir dir;
    writeFile(dir.file("g.txt"), "one\r\ntwo\r\nthree\r\n");
    GrowingFile givenUp, complete;
    TextReader r;
    givenUp.wrote(5);
    r.open(dir.file("g.txt"), false, &givenUp);
    EXPECT_EQ(r.line(), "one");
    givenUp.wrote(10);
    EXPECT_EQ(r.line(), "two");
    givenUp.finished(false);
    EXPECT_TRUE(r.eof());

    complete.wrote(5);
    r.open(dir.file("g.txt"), false, &complete);
    EXPECT_EQ(r.line(), "one");
    complete.wrote(17);
    complete.finished(true);
    EXPECT_EQ(r.line(), "two");
    EXPECT_EQ(r.line(), "three");
    EXPECT_TRUE(r.eof());
}

TEST(FileTable, ALineEndingAtTheLastByteLeavesNoEmptyLine) {
    TempDir dir;
    writeFile(dir.file("r.txt"), "a\r\n");
    FileTable files;
    EXPECT_EQ(readAll(files, dir.file("r.txt")), std::vector<std::string>{"a"});
}

TEST(FileTable, LinesLongerThanTheReadBufferAndCrLfAcrossIt) {
    TempDir dir;
    const std::string longLine(300000, 'x');
    const std::string crAtEdge((1 << 18) - 1, 'y');  // its CR is the last byte of the first block
    writeFile(dir.file("r.txt"), crAtEdge + "\r\n" + longLine + "\r\nz");
    FileTable files;
    EXPECT_EQ(readAll(files, dir.file("r.txt")),
              (std::vector<std::string>{crAtEdge, longLine, "z"}));
}

TEST(FileTable, ALoneCrAtTheVeryEndStillEndsTheLastLineWhole) {
    // The last line was decoded from where the buffer had been before it moved.
    TempDir dir;
    writeFile(dir.file("r.txt"), "first\r\nlast\r");
    FileTable files;
    EXPECT_EQ(readAll(files, dir.file("r.txt")), (std::vector<std::string>{"first", "last"}));
}

TEST(FileTable, ALineOfMoreThanOneMebibyteIsRefusedNamingItsNumber) {
    TempDir dir;
    const std::string mebibyte(1 << 20, 'x');
    writeFile(dir.file("r.txt"), "a\n" + mebibyte + "\r\n" + mebibyte + "y\r\nz");
    FileTable files;
    files.open(1, dir.file("r.txt"), FileMode::Input);
    EXPECT_EQ(files.lineInput(1), "a");
    EXPECT_EQ(files.lineInput(1), mebibyte);
    try {
        files.lineInput(1);
        ADD_FAILURE() << "a line of 1 MiB and a byte was read";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), 0);
        EXPECT_EQ(e.description(), "Line 3 of the file '" + dir.file("r.txt") +
                                       "' is longer than 1 MiB (1,048,576 bytes), so it is not a "
                                       "text file the program can read. Check that the right file "
                                       "was chosen, or export it again.");
    }
}

TEST(FileTable, WideTextIsRefusedWhenOpenedNamingItsEncoding) {
    TempDir dir;
    writeFile(dir.file("u.txt"), std::string("\xFF\xFET\0r\0a\0n\0s\0", 12));
    FileTable files;
    try {
        files.open(1, dir.file("u.txt"), FileMode::Input);
        ADD_FAILURE() << "UTF-16 text was opened";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.description(), "The file '" + dir.file("u.txt") +
                                       "' is UTF-16 (little-endian) text, which the program cannot "
                                       "read. Open it in Notepad, save it again with the encoding "
                                       "ANSI or UTF-8, then try again.");
    }
    EXPECT_FALSE(files.isOpen(1));
}

TEST(FileTable, KnowsWhereTheLastLineReadBegins) {
    TempDir dir;
    writeFile(dir.file("r.txt"),
              "\xEF\xBB\xBF"
              "a\r\nbc\nd");
    FileTable files;
    files.open(1, dir.file("r.txt"), FileMode::Input);
    EXPECT_EQ(files.path(1), dir.file("r.txt"));
    std::string line;
    for (auto [lines, offset] : {std::pair{1, 3}, {2, 6}, {3, 9}}) {
        files.lineInput(1, line);
        EXPECT_EQ(files.linesRead(1), static_cast<std::uint64_t>(lines));
        EXPECT_EQ(files.lineOffset(1), static_cast<std::uint64_t>(offset));
    }
    EXPECT_EQ(line, "d");
}

TEST(FileTable, DecodesWindows1252AndStripsAUtf8Bom) {
    TempDir dir;
    writeFile(dir.file("w.txt"), "caf\xE9\r\n");
    writeFile(dir.file("u.txt"),
              "\xEF\xBB\xBF"
              "caf\xC3\xA9\r\n");
    FileTable files;
    EXPECT_EQ(readAll(files, dir.file("w.txt")), std::vector<std::string>{"caf\xC3\xA9"});
    EXPECT_EQ(readAll(files, dir.file("u.txt")), std::vector<std::string>{"caf\xC3\xA9"});
    EXPECT_EQ(files.detectEncoding(dir.file("w.txt")), Encoding::Windows1252);
}

TEST(FileTable, WritesCrLfInTheChosenEncoding) {
    TempDir dir;
    FileTable files;
    files.open(2, dir.file("out.txt"), FileMode::Output);
    files.setEncoding(2, Encoding::Windows1252);
    files.printLine(2, "1-1100 \xC2\xB7 Cheque");
    files.close(2);
    files.open(2, dir.file("out.txt"), FileMode::Append);
    files.printLine(2, "more");
    files.close(2);
    EXPECT_EQ(readFile(dir.file("out.txt")), "1-1100 \xB7 Cheque\r\nmore\r\n");
}

TEST(FileTable, TextBeginningWithAByteOrderMarkCharacterReadsBackWhole) {
    TempDir dir;
    FileTable files;
    files.open(2, dir.file("out.txt"), FileMode::Output);
    files.printLine(2,
                    "\xEF\xBB\xBF"
                    "100,Sales");
    files.printLine(2,
                    "\xEF\xBB\xBF"
                    "101,Fees");
    files.close(2);
    EXPECT_EQ(readAll(files, dir.file("out.txt")), (std::vector<std::string>{"\xEF\xBB\xBF"
                                                                             "100,Sales",
                                                                             "\xEF\xBB\xBF"
                                                                             "101,Fees"}));
}

TEST(FileTable, RaisesTheErrorsTheProgramTraps) {
    TempDir dir;
    writeFile(dir.file("a.txt"), "a");
    FileTable files;
    EXPECT_EQ(errorOf([&] { files.open(0, dir.file("a.txt"), FileMode::Input); }),
              err::BadFileNameOrNumber);
    EXPECT_EQ(errorOf([&] { files.open(1, dir.file("none.txt"), FileMode::Input); }),
              err::FileNotFound);
    EXPECT_EQ(errorOf([&] { files.open(1, dir.file("no/such/dir.txt"), FileMode::Output); }),
              err::PathNotFound);
    files.open(1, dir.file("a.txt"), FileMode::Input);
    EXPECT_EQ(errorOf([&] { files.open(1, dir.file("a.txt"), FileMode::Input); }),
              err::FileAlreadyOpen);
    EXPECT_EQ(files.freeFile(), 2);
    files.lineInput(1);
    EXPECT_EQ(errorOf([&] { files.lineInput(1); }), err::InputPastEndOfFile);
    files.close(1);
    EXPECT_EQ(errorOf([&] { files.close(1); }), err::BadFileNameOrNumber);
}

TEST(FileTable, AFullDiskIsAnErrorAndLeavesNoHalfLine) {
#ifdef __linux__
    FileTable files;
    for (const FileMode mode : {FileMode::Output, FileMode::Append}) {
        files.open(2, "/dev/full", mode);
        files.printLine(2, "a line");
        EXPECT_EQ(errorOf([&] { files.close(2); }), err::DiskFull);
        EXPECT_FALSE(files.isOpen(2));
    }
#else
    GTEST_SKIP() << "needs a device that is always full, which only Linux has";
#endif
}

TEST(FileTable, AReadingThatStopsBeforeTheEndSaysWhereItStopped) {
    TempDir dir;
    const std::string ledger = dir.file("ledger.txt"), other = dir.file("other.txt");
    // Windows-1252; the third line is long.
    writeFile(ledger, "1-1100,Cheque\r\n2-1200,Caf\xe9\n" + std::string(200, 'x'));
    writeFile(other, "a\r\n");
    FileTable files;
    auto where = [&] {
        const auto place = files.stoppedReading();
        return place
                   ? "line " + std::to_string(place->line) + " at " + std::to_string(place->offset)
                   : "nowhere";
    };
    // Read to the end: nothing to say, however the file is closed.
    readAll(files, ledger);
    files.open(1, ledger, FileMode::Input);
    while (!files.eof(1)) files.lineView(1);
    files.abandon(1);
    EXPECT_EQ(where(), "nowhere");

    // Still being read, then abandoned there: until another input is opened.
    files.open(1, ledger, FileMode::Input);
    files.lineView(1);
    files.lineView(1);
    EXPECT_EQ(where(), "line 2 at 15");
    files.abandon(1);
    EXPECT_EQ(where(), "line 2 at 15");
    EXPECT_EQ(FileTable::describe(*files.stoppedReading()),
              ledger + ", line 2: 2-1200,Caf\xc3\xa9");
    files.open(2, other, FileMode::Output);
    files.close(2);
    EXPECT_EQ(where(), "line 2 at 15");
    files.open(2, other, FileMode::Input);
    EXPECT_EQ(where(), "nowhere");
    files.close(2);

    // A line is shown up to 160 characters.
    EXPECT_EQ(FileTable::describe({ledger, 3, 27}),
              ledger + ", line 3: " + std::string(160, 'x') + "...");
}

}  // namespace
}  // namespace tav
