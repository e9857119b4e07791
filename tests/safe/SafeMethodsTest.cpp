#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "safe/Platform.h"
#include "safe/SafeMethods.h"
#include "shell/ProgramState.h"
#include "support/Files.h"
#include "support/ScriptedPort.h"

namespace tav {
namespace {

using test::ScriptedPort;
using test::TempDir;

// The description of the last line of a SEM list.
std::string lastDescription(const Sem& list) {
    const StrArray lines = vbSplit(list, "\r\n");
    const StrArray fields = vbSplit(lines.at(lines.size() - 2), "\t", 4);
    return fields.at(3);
}

class OpenFile : public ::testing::Test {
protected:
    TempDir dir;
    ProgramState st;
    ScriptedPort ui;
    std::string existing = dir.file("a.txt");
    void SetUp() override { test::writeFile(existing, "a\r\n"); }
};

TEST_F(OpenFile, AcceptsNumbersOneTo511Only) {
    EXPECT_EQ(lastDescription(sfOpenFile(st, ui, existing, "Input", 0)),
              "Invalid intFileNumber: 0");
    EXPECT_EQ(lastDescription(sfOpenFile(st, ui, existing, "Input", 512)),
              "Invalid intFileNumber: 512");
    EXPECT_EQ(sfOpenFile(st, ui, existing, "Input", 1), "");
    EXPECT_EQ(sfOpenFile(st, ui, existing, "Input", 511), "");
    EXPECT_TRUE(st.files.isOpen(1) && st.files.isOpen(511));
}

TEST_F(OpenFile, OperationNamesAreExact) {
    EXPECT_EQ(lastDescription(sfOpenFile(st, ui, existing, "append", 3)),
              "Invalid strOperation: append");
    EXPECT_FALSE(st.files.isOpen(3));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(OpenFile, AMissingInputFileAsksRetryOrCancel) {
    const std::string missing = dir.file("gone.txt");
    ui.answers = {Answer::Cancel};
    const Sem e = sfOpenFile(st, ui, missing, "Input", 1);
    EXPECT_EQ(lastDescription(e), "File to open not found at given path");
    ASSERT_EQ(ui.messages.size(), 1u);
    const Message& m = ui.messages[0];
    EXPECT_EQ(m.title, "File not found");
    EXPECT_EQ(m.text, "The file to open '" + missing +
                          "' no longer exists at the specified path. Please rectify this then "
                          "click Retry, else click Cancel to see error details");
    EXPECT_EQ(m.buttons, Buttons::RetryCancel);
    EXPECT_EQ(m.icon, Icon::Exclamation);
    EXPECT_EQ(m.defaultButton, DefaultButton::Second);
}

TEST_F(OpenFile, RetryFindsAFileThatCameBack) {
    struct Restoring : ScriptedPort {
        std::string path;
        Answer messageBox(const Message& m) override {
            test::writeFile(path, "back");
            return ScriptedPort::messageBox(m);
        }
    } restoring;
    restoring.path = dir.file("back.txt");
    restoring.answers = {Answer::Retry};
    EXPECT_EQ(sfOpenFile(st, restoring, restoring.path, "Input", 1), "");
    EXPECT_EQ(restoring.messages.size(), 1u);
}

TEST_F(OpenFile, PermissionDeniedAsksRetryOrCancelThenFailsWithThePlatformError) {
    const test::WriteProtected readOnly(existing);
    if (!readOnly.available()) GTEST_SKIP() << "the file cannot be made read-only here";
    const Sem e = sfOpenFile(st, ui, existing, "Output", 2);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "Error opening file");
    EXPECT_EQ(ui.messages[0].text,
              "You may be trying to write to a file that is already open. Please close the file "
              "then click Retry, else click Cancel to see details of the problem.");
    EXPECT_EQ(e, "SafeMethods.bas\tsfOpenFile\t70\tPermission denied: '" + existing + "'\r\n");
    EXPECT_EQ(test::readFile(existing), "a\r\n");
}

TEST(ShortenPath, KeepsFirstSecondAndLastParts) {
    const char s = platform::kPathSeparator;
    auto path = [s](std::initializer_list<std::string> parts) {
        std::string p;
        for (const std::string& part : parts) p += (p.empty() ? "" : std::string(1, s)) + part;
        return p;
    };
    std::string out;
    const std::string shortOne = path({"C:", "Data", "Client"});
    EXPECT_EQ(sfShortenPath(shortOne, out, 45), "");
    EXPECT_EQ(out, shortOne);

    const std::string sixty =
        path({"C:", "Documents and Settings", "All Users", "Documents", "Clients", "Smith"});
    sfShortenPath(sixty, out, 45);
    EXPECT_EQ(out, path({"C:", "Documents and Settings", "...", "Smith"}));

    // Exactly the maximum is shortened too; one less is not.
    const std::string exact = path({"C:", "abc", "defghijklmnopqrstuvwxyz0123456789", "last"});
    ASSERT_EQ(exact.size(), 45u);
    sfShortenPath(exact, out, 45);
    EXPECT_EQ(out, path({"C:", "abc", "...", "last"}));
    sfShortenPath(exact, out, 46);
    EXPECT_EQ(out, exact);

    // A network path keeps its server.
    const std::string sep(1, s);
    const std::string network = sep + sep + "server" + sep + "share" + sep + "clients" + sep +
                                "2011" + sep + "Smith and Sons Pty Ltd";
    sfShortenPath(network, out, 30);
    EXPECT_EQ(out, sep + sep + "server" + sep + "..." + sep + "Smith and Sons Pty Ltd");

    // Three parts or fewer stay whole, however long.
    const std::string three = path({"C:", std::string(60, 'x'), "y"});
    sfShortenPath(three, out, 45);
    EXPECT_EQ(out, three);
}

TEST(ShortenPath, WindowsPathsWithDrivesSharesAndBlanks) {
#ifdef _WIN32
    struct Case {
        std::string path;
        short maxLength;
        std::string shortened;
    };
    const std::vector<Case> cases = {
        {R"(C:\Documents and Settings\All Users\Documents\Clients\Smith)", 45,
         R"(C:\Documents and Settings\...\Smith)"},
        {R"(C:\Data\Client)", 45, R"(C:\Data\Client)"},
        {R"(C:\)", 1, R"(C:\)"},
        {R"(C:\Clients\Smith and Sons\2011\June)", 10, R"(C:\Clients\...\June)"},
        {R"(\\server\share\clients\2011\Smith and Sons Pty Ltd)", 30,
         R"(\\server\...\Smith and Sons Pty Ltd)"},
        {"  C:\\Clients\\Smith and Sons  ", 45, R"(C:\Clients\Smith and Sons)"},
    };
    for (const Case& c : cases) {
        std::string out;
        EXPECT_EQ(sfShortenPath(c.path, out, c.maxLength), "");
        EXPECT_EQ(out, c.shortened) << c.path;
    }
#else
    GTEST_SKIP() << "backslashes separate folders on Windows only";
#endif
}

TEST(SHGetFolderPath, AnUnknownFolderIsAnInvalidArgumentOfTheSameNumberEverywhere) {
    std::string path = "old";
    EXPECT_EQ(sfSHGetFolderPath(5, path),
              "SafeMethods.bas\tsfSHGetFolderPath\t-2147024809\tAn error occurred retrieving the "
              "path of a folder.\r\nThe value of CSIDL is not valid.\r\n");
    EXPECT_EQ(path, "");
}

TEST(IsLong, AcceptsWholeNumbersThatFit32Bits) {
    EXPECT_EQ(sfIsLong("12"), "");
    EXPECT_EQ(sfIsLong("-5"), "");
    EXPECT_EQ(sfIsLong("2147483647"), "");
    EXPECT_EQ(lastDescription(sfIsLong("1.5")), "Value is not a Long Integer");
    EXPECT_EQ(lastDescription(sfIsLong("abc")), "Value is not a Long Integer:- Type mismatch");
    EXPECT_EQ(lastDescription(sfIsLong("")), "Value is not a Long Integer:- Type mismatch");
    EXPECT_EQ(lastDescription(sfIsLong("99999999999")), "Value is not a Long Integer:- Overflow");
    EXPECT_EQ(lastDescription(sfIsLong("2147483648")), "Value is not a Long Integer:- Overflow");
}

TEST(Replace, WorksAsThePlatformsReplace) {
    std::string t = "Smith, J, Jones";
    EXPECT_EQ(sfReplace(t, ",", ""), "");
    EXPECT_EQ(t, "Smith J Jones");
    t = "aXbxc";
    sfReplace(t, "x", "-", 1, -1, 1);
    EXPECT_EQ(t, "a-b-c");
    t = "a,b,c";
    sfReplace(t, ",", "", 1, 1, 0);
    EXPECT_EQ(t, "ab,c");
    t = "abcdef";
    sfReplace(t, "e", "E", 3);
    EXPECT_EQ(t, "cdEf");  // the result starts at the start position
    EXPECT_NE(sfReplace(t, "a", "b", 0), "");
}

TEST(Arrays, AnEmptyArrayIsAnError) {
    long n = 0;
    EXPECT_EQ(sfArrayCount(vbSplit("a\tb\tc", "\t"), n), "");
    EXPECT_EQ(n, 3);
    EXPECT_EQ(sfArrayCount(vbSplit("", "\t"), n),
              "SafeMethods.bas\tsfArrayCount\t9\tSubscript out of range\r\n");
}

TEST(DisplayFileContents, TellsTheUserWhyNothingOpened) {
    TempDir dir;
    ScriptedPort ui;
    EXPECT_EQ(sfDisplayFileContents(ui, dir.file("TAV.log")), "");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "File not found");
    EXPECT_EQ(ui.messages[0].text, "The file to view could not be found at the specified path.");
    EXPECT_TRUE(ui.viewed.empty());

    test::writeFile(dir.file("TAV.log"), "x");
    ui.viewerResult = ViewerStart::NotFound;
    sfDisplayFileContents(ui, dir.file("TAV.log"));
    EXPECT_EQ(ui.messages.back().title, "WordPad not found at default location");
    EXPECT_EQ(ui.messages.back().text,
              "An error occurred when searching for Wordpad. Please use Notepad or Wordpad to "
              "view:\r\n" +
                  dir.file("TAV.log"));

    ui.viewerResult = ViewerStart::Started;
    sfDisplayFileContents(ui, dir.file("TAV.log"));
    EXPECT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.viewed.back(), dir.file("TAV.log"));
}

TEST(Split, BehavesAsThePlatformsSplit) {
    EXPECT_TRUE(vbSplit("", "\t").empty());
    EXPECT_EQ(vbSplit("a\t\tb\t", "\t"), (StrArray{"a", "", "b", ""}));
    EXPECT_EQ(vbSplit("a\tb\tc\td\te", "\t", 4), (StrArray{"a", "b", "c", "d\te"}));
}

}  // namespace
}  // namespace tav
