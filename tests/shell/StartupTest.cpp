#include <gtest/gtest.h>

#include <filesystem>

#include "safe/Platform.h"
#include "safe/SafeMethods.h"
#include "shell/MDIfrmMain.h"
#include "shell/ProgramState.h"
#include "shell/modMDIMain.h"
#include "support/Files.h"
#include "support/ScriptedPort.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace tav {
namespace {

using test::readFile;
using test::ScriptedPort;
using test::TempDir;
using test::writeFile;
using test::WriteProtected;

// A program installed in a temporary folder, with its own common documents folder.
class Startup : public ::testing::Test {
protected:
    TempDir install, common, client;
    ProgramState st;
    ScriptedPort ui;

    void SetUp() override {
        st.installFolder = install.path();
        st.commonDocumentsFolder = common.path();
    }

    void writeIni(const std::string& body) { writeFile(install.file("TAV.ini"), body); }

    std::string validIni(const std::string& replaceKey = "", const std::string& value = "") {
        std::vector<std::pair<std::string, std::string>> general{{"IntroScreen", "False"},
                                                                 {"ClientFolder", client.path()}};
        std::vector<std::pair<std::string, std::string>> source{
            {"Version", "19.0\\"}, {"Edition", "0"}, {"CompanyFile", ""}};
        std::vector<std::pair<std::string, std::string>> target{
            {"TargetApplication", "0"}, {"LedgerNumber", "0"}, {"CustomisedLedgerPath", ""}};
        std::string out;
        for (auto* section : {&general, &source, &target}) {
            out += section == &general  ? "[General]\r\n"
                   : section == &source ? "[SourceApp]\r\n"
                                        : "[TargetApp]\r\n";
            for (auto& [k, v] : *section)
                if (k != replaceKey)
                    out += k + "=" + v + "\r\n";
                else if (value != "<absent>")
                    out += k + "=" + value + "\r\n";
        }
        return out;
    }

    // The program's own description of every problem logged, in order: the last SEM line
    // of each log entry.
    std::vector<std::string> reports() const {
        std::vector<std::string> out;
        const std::string logPath = platform::joinPath(st.gstrDataFolder, "TAV.log");
        if (!platform::fileExists(logPath)) return out;
        std::string previous;
        for (const std::string& line : vbSplit(readFile(logPath), "\r\n")) {
            if (line.empty() && !previous.empty()) out.push_back(vbSplit(previous, "\t", 4).at(3));
            previous = line;
        }
        return out;
    }

    size_t errorReportBoxes() const {
        size_t n = 0;
        for (const Message& m : ui.messages) n += m.title == "Error Report";
        return n;
    }
};

TEST_F(Startup, AValidSettingsFileIsReadWithoutAMessage) {
    writeIni(validIni());
    EXPECT_EQ(MDIForm_Load(st, ui), StartupOutcome::Complete);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(st.gstrDataFolder, platform::joinPath(common.path(), "TAV"));
    EXPECT_EQ(st.gstrChartOfAccountsFile, platform::joinPath(st.gstrDataFolder, "CofA.iif"));
    EXPECT_EQ(st.gstrTaxCodeListFile, platform::joinPath(st.gstrDataFolder, "TaxCodes.iif"));
    EXPECT_EQ(st.gstrQBVersion, "19.0\\");
    EXPECT_EQ(st.gstrClientFolder, client.path());
    EXPECT_FALSE(st.gblnShowIntro);
    long exists = 0;
    sfDoesPathExist(st.gstrDataFolder, exists);
    EXPECT_EQ(exists, 1);
}

TEST_F(Startup, AMissingSettingsFileFallsBackKeyByKey) {
    EXPECT_EQ(MDIForm_Load(st, ui), StartupOutcome::Complete);
    EXPECT_EQ(
        reports(),
        (std::vector<std::string>{
            "Error loading Intro screen preference from ini file. Check that the file TAV.ini "
            "exists "
            "in the TAV installation directory. If it doesn't, re-install the TAV program.",
            "Error loading QuickBooks version from ini file. The default version, 2011-12, has "
            "been "
            "chosen. Re-installing TAV may fix this problem.",
            "The QuickBooks version in the ini file is blank. The default version, 2011-12, has "
            "been "
            "chosen. Re-installing TAV should fix this problem.",
            "Error loading QuickBooks edition preference from ini file. The default edition, "
            "Premier-Accountant, has been chosen.",
            "Null QuickBooks edition preference in ini file. The default edition, "
            "Premier-Accountant, "
            "has been chosen.",
            "Error loading target application preference from ini file. The default MYOB "
            "application, "
            "MAS, has been chosen.",
            "Null target application preference in ini file. The default MYOB application, MAS, "
            "has "
            "been chosen.",
            "An error occurred loading the Client Folder information from ini file. The default "
            "Client "
            "Folder has been temporarily set to the TAV installation path.",
            "An error occurred loading the QuickBooks Company File information from the ini file.",
            "Error loading target ledger preference from ini file. The default ledger has been "
            "chosen.",
            "An error occurred loading the customised ledger path information from the ini file.",
        }));
    EXPECT_EQ(errorReportBoxes(), 11u);
    // The user sees the innermost failure: the settings file is missing.
    EXPECT_NE(
        ui.messages.at(0).text.find("Description: File not found: " + install.file("TAV.ini")),
        std::string::npos);
    // The client folder's fallback box comes between its log entry and the company file's.
    EXPECT_EQ(ui.messages.at(8).title, "Previous Client Folder not found.");
    EXPECT_EQ(ui.messages.at(8).text,
              "The previous Client Folder no longer exists or has been moved. The default Client "
              "Folder on the TAV Navigator has been temporarily set to the TAV installation path.");
    EXPECT_EQ(st.gstrQBVersion, "19.0\\");
    EXPECT_EQ(st.gintQBEdition, 1);
    EXPECT_EQ(st.gintTargetApp, 0);
    EXPECT_EQ(st.gstrClientFolder, install.path());
    EXPECT_EQ(st.glngLedgerNumber, 0);
}

TEST_F(Startup, EditionOutOfRangeBecomesPremierAndNonNumericStays) {
    writeIni(validIni("Edition", "7"));
    MDIForm_Load(st, ui);
    EXPECT_EQ(st.gintQBEdition, 1);
    EXPECT_EQ(reports(),
              std::vector<std::string>{
                  "Invalid QuickBooks edition preference in ini file. The default edition, "
                  "Premier-Accountant, has been chosen."});

    ProgramState fresh;
    fresh.installFolder = install.path();
    fresh.commonDocumentsFolder = common.path();
    ScriptedPort quiet;
    writeIni(validIni("Edition", "abc"));
    MDIForm_Load(fresh, quiet);
    EXPECT_EQ(fresh.gintQBEdition, 0);
    EXPECT_TRUE(quiet.messages.empty());
}

TEST_F(Startup, TargetApplicationOutOfRangeBecomesMas) {
    writeIni(validIni("TargetApplication", "5"));
    MDIForm_Load(st, ui);
    EXPECT_EQ(st.gintTargetApp, 0);
    EXPECT_EQ(
        reports(),
        std::vector<std::string>{
            "Invalid target application preference in ini file. The default MYOB application, MAS, "
            "has been chosen."});
}

TEST_F(Startup, AMissingLedgerNumberTakesTheTargetsDefault) {
    std::string ini = validIni("LedgerNumber", "<absent>");
    ini.replace(ini.find("TargetApplication=0"), 19, "TargetApplication=2");
    writeIni(ini);
    MDIForm_Load(st, ui);
    EXPECT_EQ(st.glngLedgerNumber, 5);
    EXPECT_TRUE(ui.messages.empty());

    ProgramState accounts;
    accounts.installFolder = install.path();
    accounts.commonDocumentsFolder = common.path();
    ini.replace(ini.find("TargetApplication=2"), 19, "TargetApplication=1");
    writeIni(ini);
    MDIForm_Load(accounts, ui);
    EXPECT_EQ(accounts.glngLedgerNumber, 0);
}

TEST_F(Startup, AnotherQuickBooksVersionIsKeptAndALedgerNumberThatIsNoNumberTakesTheDefault) {
    std::string ini = validIni("LedgerNumber", "two");
    ini.replace(ini.find("Version=19.0"), 12, "Version=20.0");
    ini.replace(ini.find("TargetApplication=0"), 19, "TargetApplication=2");
    writeIni(ini);
    MDIForm_Load(st, ui);
    EXPECT_EQ(st.gstrQBVersion, "20.0\\");
    EXPECT_EQ(st.glngLedgerNumber, 5);
    EXPECT_EQ(reports(), std::vector<std::string>{"Invalid target ledger number preference in ini "
                                                  "file. The default ledger has been chosen."});
}

TEST_F(Startup, IntroScreenIsCaseSensitive) {
    writeIni(validIni("IntroScreen", "true"));
    MDIForm_Load(st, ui);
    EXPECT_FALSE(st.gblnShowIntro);
    EXPECT_EQ(reports(), std::vector<std::string>{"Invalid Intro screen value in ini file"});
}

TEST_F(Startup, AVanishedCompanyFileIsDroppedSilently) {
    writeIni(validIni("CompanyFile", client.file("gone.qbw")));
    MDIForm_Load(st, ui);
    EXPECT_EQ(st.gstrCompanyFile, "");
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Startup, ADataFolderThatCannotBeCreatedEndsTheProgram) {
    writeFile(common.file("TAV"), "a file where the folder should be");
    st.commonDocumentsFolder = common.file("TAV") + platform::kPathSeparator + "below";
    EXPECT_EQ(MDIForm_Load(st, ui), StartupOutcome::Fatal);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "Tavora");
    EXPECT_EQ(
        ui.messages[0].text,
        "TAVMDIfrmMain.frm\r\nMDIForm_Load\r\nAn error occurred creating an TAV folder in the "
        "common 'Documents and Settings' folder.\r\nThis problem must be fixed before this "
        "application will run. This application will now close.");
}

TEST_F(Startup, AnUnwritableDocumentsFolderEndsTheProgramBeforeAnythingElse) {
    writeIni(validIni());
    const WriteProtected readOnly(common.path());
    if (!readOnly.available()) GTEST_SKIP() << "a folder cannot be made read-only here";
    EXPECT_EQ(MDIForm_Load(st, ui), StartupOutcome::Fatal);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find("An error occurred creating an TAV folder"),
              std::string::npos);
}

TEST_F(Startup, AnUnwritableDataFolderLosesTheLogEntriesButStartsUp) {
    writeIni(validIni("IntroScreen", "true"));
    platform::createDirectory(platform::joinPath(common.path(), "TAV"));
    const WriteProtected readOnly(platform::joinPath(common.path(), "TAV"));
    if (!readOnly.available()) GTEST_SKIP() << "a folder cannot be made read-only here";
    EXPECT_EQ(MDIForm_Load(st, ui), StartupOutcome::Complete);
    // Opening the log for its entry is refused: the user may retry, then the entry is lost.
    EXPECT_EQ(ui.titles(), (std::vector<std::string>{"Error opening file", "Error Report"}));
    EXPECT_NE(ui.messages[1].text.find("Invalid Intro screen value in ini file"),
              std::string::npos);
    EXPECT_EQ(st.gstrClientFolder, client.path());
    EXPECT_FALSE(platform::fileExists(platform::joinPath(st.gstrDataFolder, "TAV.log")));
}

TEST_F(Startup, TheUsersOwnListsAndLogMoveFromTheEarlierSharedFolder) {
#ifdef _WIN32
    GTEST_SKIP() << "the data folder has not moved on Windows";
#else
    const std::string earlier = platform::joinPath(common.path(), "Public Documents TAV");
    const std::string data = platform::joinPath(common.path(), "TAV");
    platform::createDirectory(earlier);
    platform::createDirectory(data);
    writeFile(platform::joinPath(earlier, "CofA.iif"), "the user's chart\r\n");
    writeFile(platform::joinPath(earlier, "TAV.log"), "someone else's log\r\n");
    writeFile(client.file("elsewhere.iif"), "not a list\r\n");
    std::filesystem::create_symlink(client.file("elsewhere.iif"),
                                    platform::joinPath(earlier, "TaxCodes.iif"));
    const bool asRoot = ::geteuid() == 0;
    if (asRoot) {
        ASSERT_EQ(::chown(platform::joinPath(earlier, "TAV.log").c_str(), 65534, 65534), 0);
    }
    moveFromEarlierDataFolder(earlier, data);
    EXPECT_EQ(readFile(platform::joinPath(data, "CofA.iif")), "the user's chart\r\n");
    EXPECT_FALSE(platform::pathExists(platform::joinPath(earlier, "CofA.iif")));
    EXPECT_FALSE(platform::pathExists(platform::joinPath(data, "TaxCodes.iif")));
    if (asRoot) {
        EXPECT_FALSE(platform::pathExists(platform::joinPath(data, "TAV.log")));
    }
#endif
}

TEST_F(Startup, ShutdownWritesTheChoicesBackInPlace) {
    writeIni("; my settings\r\n" + validIni());
    MDIForm_Load(st, ui);
    st.gblnShowIntro = true;
    st.gintTargetApp = 2;
    st.glngLedgerNumber = 3;
    st.gstrQBVersion = "20.0\\";  // never written back
    MDIForm_Unload(st, ui);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(
        readFile(install.file("TAV.ini")),
        "; my settings\r\n[General]\r\nIntroScreen=True\r\nClientFolder=" + client.path() +
            "\r\n[SourceApp]\r\nVersion=19.0\\\r\nEdition=0\r\nCompanyFile=\r\n"
            "[TargetApp]\r\nTargetApplication=2\r\nLedgerNumber=3\r\nCustomisedLedgerPath=\r\n");

    // The main window's place is kept beside them and comes back next time.
    const std::string choices = readFile(install.file("TAV.ini"));
    mainwindow::savePlacement(st, ui, {10, 20, 900, 600, true});
    EXPECT_EQ(readFile(install.file("TAV.ini")), choices.substr(0, choices.find("[SourceApp]")) +
                                                     "MainWindow=10,20,900,600,max\r\n" +
                                                     choices.substr(choices.find("[SourceApp]")));
    const auto place = mainwindow::savedPlacement(st);
    ASSERT_TRUE(place);
    EXPECT_EQ(mainwindow::placementText(*place), "10,20,900,600,max");
    EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace tav
