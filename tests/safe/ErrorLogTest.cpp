#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "safe/ErrorLog.h"
#include "safe/SafeMethods.h"
#include "shell/ProgramState.h"
#include "support/Files.h"
#include "support/ScriptedPort.h"

namespace tav {
namespace {

using test::ScriptedPort;
using test::TempDir;

constexpr const char* kIntro =
    "An error occurred in the procedure listed below. Please read the error description. You can "
    "continue with this session of the program, but if you continue to experience problems you "
    "should call Varnel Technical Support.\r\n\r\nError Details:\r\n";

TEST(Sem, LinesAreTrimmedTabSeparatedAndInnermostFirst) {
    const Sem inner = sfSemCreate(" SafeMethods.bas ", "sfOpenFile", 53, " File not found ");
    EXPECT_EQ(inner, "SafeMethods.bas\tsfOpenFile\t53\tFile not found\r\n");
    const Sem outer = sfSemCreate("modConvert.bas", "sfReadCreateWriteHeader", 0,
                                  "Error opening output file", inner);
    EXPECT_EQ(outer,
              inner + "modConvert.bas\tsfReadCreateWriteHeader\t0\tError opening output file\r\n");
    // Details that are no SEM list still end their own line.
    EXPECT_EQ(sfSemCreate("m", "p", 0, "outer", "plain"), "plain\r\nm\tp\t0\touter\r\n");

    std::string m, p, d;
    long n = -1;
    EXPECT_EQ(sfSemParse(outer, m, p, n, d, 1), "");
    EXPECT_EQ(m, "modConvert.bas");
    EXPECT_EQ(n, 0);
    EXPECT_EQ(d, "Error opening output file");
    EXPECT_NE(sfSemParse(outer, m, p, n, d, 5), "");
    EXPECT_NE(sfSemParse("no tabs here\r\n", m, p, n, d, 0), "");
}

TEST(Sem, ATabInsideTheDescriptionStaysInIt) {
    std::string m, p, d;
    long n = 0;
    EXPECT_EQ(sfSemParse("a\tb\t5\tone\ttwo\r\n", m, p, n, d, 0), "");
    EXPECT_EQ(d, "one\ttwo");
}

TEST(ErrorReport, ShowsTheInnermostFailureWithThePlatformText) {
    const Sem list = sfSemCreate("SafeMethods.bas", "sfOpenFile", 53, "File not found") +
                     sfSemCreate("modConvert.bas", "x", 0, "outer");
    EXPECT_EQ(errorReportText(list),
              std::string(kIntro) +
                  "Module: SafeMethods.bas\r\nProcedure: sfOpenFile\r\n"
                  "Error Code: 53\r\nDescription: File not found\r\nFile not found");
    EXPECT_EQ(errorReportText(sfSemCreate("m", "p", 0, "own words")),
              std::string(kIntro) +
                  "Module: m\r\nProcedure: p\r\nError Code: 0\r\nDescription: own words\r\n");
    EXPECT_EQ(errorReportText("garbage"), std::string(kIntro) + "garbage");
}

TEST(ErrorLog, AnEntryIsTheTimeTheLinesAndAnEmptyLine) {
    TempDir dir;
    ProgramState st;
    st.gstrDataFolder = dir.path();
    ScriptedPort ui;
    const Sem details = sfSemCreate("SafeMethods.bas", "sfOpenFile", 53, "File not found") +
                        sfSemCreate("modTaxMapping.bas", "sfGetcolTaxPayables", 0,
                                    "Error opening the Chart of Accounts file.");
    dsCreateSEMAndDoAll(st, ui, "TAVTaxMapping.frm", "cmdTransFile_Click", 0,
                        "Error getting tax payable accounts from Chart of Accounts file", details,
                        true);
    dsCreateSEMAndDoAll(st, ui, "TAVNavigator.frm", "Form_Load", 5, "second", "", false);

    const std::string log = test::readFile(dir.file("TAV.log"));
    const std::regex layout(
        "\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d\r\n"
        "SafeMethods.bas\tsfOpenFile\t53\tFile not found\r\n"
        "modTaxMapping.bas\tsfGetcolTaxPayables\t0\tError opening the Chart of Accounts file.\r\n"
        "TAVTaxMapping.frm\tcmdTransFile_Click\t0\tError getting tax payable accounts from Chart "
        "of Accounts file\r\n"
        "\r\n"
        "\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d\r\n"
        "TAVNavigator.frm\tForm_Load\t5\tsecond\r\n"
        "\r\n");
    EXPECT_TRUE(std::regex_match(log, layout)) << log;

    ASSERT_EQ(ui.messages.size(), 1u);  // the second report was not to be shown
    EXPECT_EQ(ui.messages[0].title, "Error Report");
    EXPECT_EQ(ui.messages[0].icon, Icon::None);
    EXPECT_NE(ui.messages[0].text.find("Procedure: sfOpenFile\r\n"), std::string::npos);
}

TEST(ErrorLog, AnUnwritableLogLosesTheEntryButStillReports) {
    ProgramState st;
    st.gstrDataFolder = "/nonexistent/folder";
    ScriptedPort ui;
    dsCreateSEMAndDoAll(st, ui, "m", "p", 0, "d", "", true);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "Error Report");
}

TEST(ErrorLog, AReadOnlyLogAsksRetryOrCancelThenLosesTheEntryButStillReports) {
    TempDir dir;
    ProgramState st;
    st.gstrDataFolder = dir.path();
    test::writeFile(dir.file("TAV.log"), "earlier\r\n");
    const test::WriteProtected readOnly(dir.file("TAV.log"));
    if (!readOnly.available()) GTEST_SKIP() << "the file cannot be made read-only here";
    ScriptedPort ui;
    dsCreateSEMAndDoAll(st, ui, "m", "p", 0, "d", "", true);
    EXPECT_EQ(ui.titles(), (std::vector<std::string>{"Error opening file", "Error Report"}));
    EXPECT_EQ(test::readFile(dir.file("TAV.log")), "earlier\r\n");
}

TEST(ErrorLog, ALogOnAFullDiskLosesTheEntryWithoutAWord) {
#ifdef __linux__
    TempDir dir;
    std::filesystem::create_symlink("/dev/full", dir.file("TAV.log"));
    ProgramState st;
    st.gstrDataFolder = dir.path();
    ScriptedPort ui;
    dsCreateSEMAndDoAll(st, ui, "m", "p", 0, "d", "", true);
    EXPECT_EQ(ui.titles(), std::vector<std::string>{"Error Report"});
    EXPECT_FALSE(st.files.isOpen(1));
#else
    GTEST_SKIP() << "needs a device that is always full, which only Linux has";
#endif
}

}  // namespace
}  // namespace tav
