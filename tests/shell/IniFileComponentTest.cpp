#include <gtest/gtest.h>

#include "shell/IniFileComponent.h"
#include "support/Files.h"
#include "support/Resources.h"

namespace tav {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;

TEST(IniFileComponent, ReadsRawValuesIgnoringCaseOfNames) {
    TempDir dir;
    writeFile(dir.file("a.ini"),
              "[SourceApp]\r\nVersion = 19.0\\\r\n[General]\r\nIntroScreen=True\r\n");
    IniFileComponent ini;
    std::string v;
    EXPECT_EQ(ini.ReadValue("SourceApp", "Version", v, dir.file("a.ini")), "");
    EXPECT_EQ(v, "19.0\\");
    EXPECT_EQ(ini.ReadValue("general", "introscreen", v, dir.file("a.ini")), "");
    EXPECT_EQ(v, "True");
    EXPECT_EQ(ini.ReadValue("General", "Missing", v, dir.file("a.ini")), "");
    EXPECT_EQ(v, "");
    EXPECT_EQ(ini.ReadValue("NoSection", "Version", v, dir.file("a.ini")), "");
    EXPECT_EQ(v, "");
}

TEST(IniFileComponent, AMissingFileIsAnError) {
    TempDir dir;
    IniFileComponent ini;
    std::string v = "old";
    const std::string e = ini.ReadValue("General", "IntroScreen", v, dir.file("none.ini"));
    EXPECT_EQ(e,
              "IniFileComponent\tReadValue\t53\tFile not found: " + dir.file("none.ini") + "\r\n");
    EXPECT_EQ(v, "");
}

TEST(IniFileComponent, WideTextIsRefusedNamingItsEncoding) {
    TempDir dir;
    std::string wide = "\xFF\xFE";
    for (char c : std::string("[General]\r\nIntroScreen=True\r\n")) wide += std::string{c, '\0'};
    writeFile(dir.file("a.ini"), wide);
    IniFileComponent ini;
    std::string v;
    const std::string refused = "The file '" + dir.file("a.ini") +
                                "' is UTF-16 (little-endian) text, which the program cannot read. "
                                "Open it in Notepad, save it again with the encoding ANSI or "
                                "UTF-8, then try again.\r\n";
    EXPECT_EQ(ini.ReadValue("General", "IntroScreen", v, dir.file("a.ini")),
              "IniFileComponent\tReadValue\t0\t" + refused);
    EXPECT_EQ(ini.WriteValue("General", "IntroScreen", "False", dir.file("a.ini")),
              "IniFileComponent\tWriteValue\t0\t" + refused);
    EXPECT_EQ(readFile(dir.file("a.ini")), wide);
}

TEST(IniFileComponent, AFileOfMoreThanOneMebibyteIsNoSettingsFile) {
    TempDir dir;
    writeFile(dir.file("a.ini"), "[General]\r\nIntroScreen=True\r\n" + std::string(1 << 20, ';'));
    IniFileComponent ini;
    std::string v;
    EXPECT_EQ(ini.ReadValue("General", "IntroScreen", v, dir.file("a.ini")),
              "IniFileComponent\tReadValue\t0\tThe file '" + dir.file("a.ini") +
                  "' is larger than 1 MiB, so it is not a settings file the program can read. "
                  "Check that the right file was chosen.\r\n");
    EXPECT_EQ(v, "");
}

TEST(IniFileComponent, EveryValueOfAWindows1252FileReadsBackAsItWasAfterAWrite) {
    // Windows-1252 text is told from UTF-8 by all its bytes; a write could change that.
    const std::string cases[][3] = {
        // The only byte that was not UTF-8 is written over.
        {"[SourceApp]\r\nVersion=19.\xD0\xA9\r\nEdition=\xD8.\r\n", "Edition", "0"},
        // The new value has characters Windows-1252 does not have: C:\ and two Chinese ones.
        {"[SourceApp]\r\nVersion=Caf\xE9\r\nEdition=1\r\n", "CompanyFile",
         "C:\\\xE5\xAE\xA2\xE6\x88\xB7"},
    };
    for (const auto& [bytes, key, value] : cases) {
        TempDir dir;
        writeFile(dir.file("a.ini"), bytes);
        IniFileComponent ini;
        std::string before, after, written;
        ini.ReadValue("SourceApp", "Version", before, dir.file("a.ini"));
        EXPECT_EQ(ini.WriteValue("SourceApp", key, value, dir.file("a.ini")), "");
        ini.ReadValue("SourceApp", "Version", after, dir.file("a.ini"));
        ini.ReadValue("SourceApp", key, written, dir.file("a.ini"));
        EXPECT_EQ(after, before) << key;
        EXPECT_EQ(written, value) << key;
    }
}

TEST(IniFileComponent, AFullDiskLeavesTheFileAsItWas) {
    TempDir dir;
    const std::string before = "[General]\r\nClientFolder=C:\\Clients\r\n";
    writeFile(dir.file("a.ini"), before);
    IniFileComponent ini;
    std::string e;
    {
        const test::FileSizeLimit disk(before.size() + 10);
        if (!disk.available()) GTEST_SKIP() << "needs a file size limit, which Windows lacks";
        e = ini.WriteValue("General", "ClientFolder", std::string(200, 'x'), dir.file("a.ini"));
    }
    EXPECT_NE(e, "");
    EXPECT_EQ(readFile(dir.file("a.ini")), before);
}

TEST(IniFileComponent, WritingAValueKeepsEveryOtherByte) {
    TempDir dir;
    const std::string before =
        "; Tavora settings\r\n"
        "[General]\r\n"
        "IntroScreen =\tTrue\r\n"
        "ClientFolder=C:\\Old\r\n"
        "\r\n"
        "; keep me\r\n"
        "[SourceApp]\r\n"
        "Version=19.0\\\r\n"
        "Other=caf\xE9\r\n"  // a Windows-1252 byte stays as it is
        "; trailing comment\r\n";
    writeFile(dir.file("a.ini"), before);
    IniFileComponent ini;
    EXPECT_EQ(ini.WriteValue("General", "ClientFolder", "C:\\Clients\\Smith", dir.file("a.ini")),
              "");
    EXPECT_EQ(ini.WriteValue("general", "introscreen", "False", dir.file("a.ini")), "");
    EXPECT_EQ(readFile(dir.file("a.ini")),
              "; Tavora settings\r\n"
              "[General]\r\n"
              "IntroScreen =\tFalse\r\n"
              "ClientFolder=C:\\Clients\\Smith\r\n"
              "\r\n"
              "; keep me\r\n"
              "[SourceApp]\r\n"
              "Version=19.0\\\r\n"
              "Other=caf\xE9\r\n"
              "; trailing comment\r\n");
}

TEST(IniFileComponent, AddsMissingKeysAndSections) {
    TempDir dir;
    writeFile(dir.file("a.ini"), "[General]\nIntroScreen=True\n\n[SourceApp]\nVersion=19.0\\\n");
    IniFileComponent ini;
    EXPECT_EQ(ini.WriteValue("General", "ClientFolder", "/data", dir.file("a.ini")), "");
    EXPECT_EQ(ini.WriteValue("TargetApp", "LedgerNumber", "5", dir.file("a.ini")), "");
    EXPECT_EQ(readFile(dir.file("a.ini")),
              "[General]\nIntroScreen=True\nClientFolder=/data\n\n[SourceApp]\nVersion=19.0\\\n"
              "[TargetApp]\nLedgerNumber=5\n");

    EXPECT_EQ(ini.WriteValue("General", "IntroScreen", "False", dir.file("new.ini")), "");
    EXPECT_EQ(readFile(dir.file("new.ini")), "[General]\r\nIntroScreen=False\r\n");
}

TEST(IniFileComponent, WritesTextFiles) {
    TempDir dir;
    IniFileComponent ini;
    EXPECT_EQ(ini.WriteTextFile(dir.file("s.txt"), "Output", "ACCNT a\r\nTAXCODE b"), "");
    EXPECT_EQ(ini.WriteTextFile(dir.file("s.txt"), "Output", "again"), "");
    EXPECT_EQ(readFile(dir.file("s.txt")), "again");
    EXPECT_NE(ini.WriteTextFile(dir.file("no/dir/s.txt"), "Output", "x"), "");
}

}  // namespace
}  // namespace tav
