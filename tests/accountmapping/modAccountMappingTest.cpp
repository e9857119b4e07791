#include "accountmapping/modAccountMapping.h"

#include <gtest/gtest.h>

#include <set>

#include "safe/Platform.h"
#include "shell/ProgramState.h"
#include "shell/Targets.h"
#include "support/Files.h"
#include "support/Resources.h"
#include "support/Results.h"
#include "support/ScratchClient.h"

namespace tav {
namespace {

using test::crlf;
using test::entries;
using test::lastDescription;
using test::readFile;
using test::writeFile;
using Rows = std::vector<StrArray>;

class AccountMapping : public ::testing::Test, protected test::ScratchClient {
protected:
    const test::TempDir& dir = install;  // one folder serves as all three
    void SetUp() override {
        st.installFolder = st.gstrDataFolder = st.gstrClientFolder = dir.path();
        st.gstrChartOfAccountsFile = dir.file("CofA.iif");
        st.gstrTargetAppName = "MAS";
    }
    void targets(std::initializer_list<std::pair<std::string, std::string>> accounts) {
        for (auto& [number, name] : accounts) st.gcolTargetAccounts.Add({number, name});
    }
    void mapped(std::initializer_list<std::string> numbers) {
        for (const std::string& n : numbers)
            st.gcolMappedAccounts.Add({"Bank", n, "QB " + n, "1", "", ""});
    }
    Rows choices() const {  // the choice of every mapping entry
        Rows out;
        for (const MappedAccount& m : st.gcolMappedAccounts)
            out.push_back({m.listIndex, m.targetNumber, m.targetName});
        return out;
    }
    std::optional<StrArray> loadMapping(const std::string& body) {
        writeFile(dir.file("map.csv"), body);
        ui.messages.clear();
        ui.dialogAnswers = {dir.file("map.csv")};
        return cmdLoadMapping_Click(st, ui);
    }
};

TEST_F(AccountMapping, LedgerLinesWithCommasAndQuotes) {
    writeFile(dir.file("mas.txt"),
              crlf({"\"1-1000\",\"Cheque Account\",\"A\"", "\"1,000\",\"Bank, Main\",\"B\",x",
                    "\"1-2000\",\"Cash\"", "no separator", "\"9\",\"Late\",\"C\""}));
    EXPECT_EQ(lastDescription(sfLoadColTargetAccountsFromMAS(st, ui, dir.file("mas.txt"))),
              "Subscript out of range");
    EXPECT_EQ(entries(st.gcolTargetAccounts),
              (Rows{{"1-1000", "Cheque Account"}, {"1000", "Bank Main"}, {"1-2000", "Cash\""}}));

    st.gcolTargetAccounts.Clear();
    writeFile(dir.file("ao.txt"), crlf({"100,\"Sales, Retail\"", "\"200\",Rent", "", "300,After"}));
    EXPECT_EQ(lastDescription(sfLoadColTargetAccountsFromAO(st, ui, dir.file("ao.txt"))),
              "Invalid procedure call or argument");
    EXPECT_EQ(entries(st.gcolTargetAccounts), (Rows{{"100", "Sales Retail"}, {"\"200\"", "Rent"}}));
    EXPECT_TRUE(st.files.freeFile() == 1);
}

TEST_F(AccountMapping, LoadingALedgerDiscardsTheMapping) {
    writeFile(dir.file("ao.txt"), crlf({"100,Sales"}));
    st.gintTargetApp = target::AccountantsOfficeAU;
    targets({{"1", "One"}});
    mapped({"1"});
    EXPECT_EQ(sfLoadTargetAccounts(st, ui, dir.file("ao.txt")), "");
    EXPECT_EQ(entries(st.gcolTargetAccounts), (Rows{{"100", "Sales"}}));
    EXPECT_TRUE(st.gcolMappedAccounts.empty());
    st.gintTargetApp = target::Accounts;  // has no account mapping: nothing is loaded
    EXPECT_EQ(sfLoadTargetAccounts(st, ui, dir.file("ao.txt")), "");
    EXPECT_TRUE(st.gcolTargetAccounts.empty());
    st.gintTargetApp = target::MasAU;
    // The installed ledger and the user's own file fail with different advice.
    const Sem installed = sfLoadTargetAccounts(st, ui, ledgerPath(st, 0));
    EXPECT_EQ(lastDescription(installed), "An error occurred loading the target ledger.");
    EXPECT_NE(installed.find("If converting to MAS, reinstall Tavora."), std::string::npos);
    EXPECT_NE(sfLoadTargetAccounts(st, ui, dir.file("mine.txt")).find("your MAS accounts file"),
              std::string::npos);
}

TEST_F(AccountMapping, RowsComeFromTheChartForAccountsTheReportUses) {
    writeFile(st.gstrChartOfAccountsFile,
              crlf({"!ACCNT\tNAME\tREFNUM\tTIMESTAMP\tACCNTTYPE\tOBAMOUNT\tDESC\tACCNUM",
                    "ACCNT\t\"Rates, \"\"Water\"\"\"\t1\t0\tBANK \t0\t\t1-1100",
                    "ACCNT\tUnused\t2\t0\tEXP\t0\t\t6-9",
                    "ACCNT\tHold\t3\t0\tNONPOSTING\t0\t\t9-0001", "TAXCODE\tshort"}));
    st.gintTargetApp = target::AccountantsOfficeNZ;
    ASSERT_EQ(sfPopulateColMappedAccounts(st, ui), "");  // no accounts from the report yet
    for (const char* used : {"9-0001", "1-1100"}) st.gcolJournalAccounts.Add(used);
    ASSERT_EQ(sfPopulateColMappedAccounts(st, ui), "");
    EXPECT_EQ(entries(st.gcolMappedAccounts),
              (Rows{{"Bank", "1-1100", "Rates Water", "1", "", ""},
                    {"NONPOSTING", "9-0001", "Hold", "1", "", ""}}));
    EXPECT_EQ(ui.messages.at(0).title, "Have you extracted the lists?");
    EXPECT_EQ(
        ui.messages.at(1).text,
        "No accounts were found in the transaction file specified. Please return to the 'Extract "
        "Lists and Select Journal File' window and make sure you select a valid QuickBooks "
        "Journal file.");
}

TEST_F(AccountMapping, AutoMappingPairsExactNumbersAndKeepsChoicesMade) {
    EXPECT_TRUE(cmdAutoMapping_Click(st, ui).empty());
    targets({{"1000", "First"},
             {"1000", "Second"},
             {"1-1000 ", "Blank"},
             {"cash", "Lower"},
             {"2000", "Other"}});
    mapped({"1-1000", "1000", "CASH", "2000"});
    storeAccountChoice(st, 4, 2);  // chosen by hand before
    EXPECT_EQ(cmdAutoMapping_Click(st, ui), std::vector<long>{2});
    EXPECT_EQ(choices(),
              (Rows{{"1", "", ""}, {"2", "1000", "First"}, {"1", "", ""}, {"2", "1000", "First"}}));
    EXPECT_TRUE(cmdAutoMapping_Click(st, ui).empty());
    EXPECT_TRUE(ui.messages.empty());

    storeAccountChoice(st, 1, 4);
    storeAccountChoice(st, 3, 5);
    EXPECT_EQ(choices()[2], (StrArray{"5", "cash", "Lower"}));
    storeAccountChoice(st, 3, 1);
    EXPECT_EQ(choices()[2], (StrArray{"1", "", ""}));
}

TEST_F(AccountMapping, GridAndComboTextsLineNamesUp) {
    EXPECT_EQ(accountGridRow({"Bank", "1-1100", "Cheque", "3", "680", "Cheque account"}),
              (StrArray{" Bank", " 1-1100    Cheque", " 680                Cheque account", "3"}));
    EXPECT_EQ(accountGridRow({"Bank", "12345678", "Full", "1", "", ""})[2], std::string(23, ' '));
    EXPECT_THROW(accountGridRow({"Bank", "123456789", "Too long", "1", "", ""}), RuntimeError);
    targets({{"680", "Cheque"}, {"12345678901", "Widest"}});
    StrArray list;
    EXPECT_EQ(sfSetUpCombo(st, list), "");
    EXPECT_EQ(list, (StrArray{" <Add New>", "", "680                Cheque", "12345678901Widest"}));
    targets({{"123456789012", "Too long"}});
    EXPECT_EQ(sfSetUpCombo(st, list),
              "modAccountMapping.bas\tsfSetUpCombo\t5\tInvalid procedure call or argument\r\n");
}

TEST_F(AccountMapping, SavedMappingLoadsBackWithItsAccounts) {
    targets({{"680", "Cheque"}, {"720", "GST"}, {"999", "Added by hand"}});
    mapped({"1-1100", "2-1310", "1-1200"});
    storeAccountChoice(st, 1, 2);
    storeAccountChoice(st, 2, 4);
    const Rows saved = choices();
    ui.dialogAnswers = {dir.file("Client.csv")};
    cmdSaveMapping_Click(st, ui);
    EXPECT_EQ(
        readFile(dir.file("Client.csv")),
        crlf({"Bank,1-1100,QB 1-1100,2,680,Cheque", "Bank,2-1310,QB 2-1310,4,999,Added by hand",
              "MAS accounts", "680,Cheque", "720,GST", "999,Added by hand"}));
    EXPECT_TRUE(ui.dialogs[0].overwritePrompt);
    ui.dialogAnswers = {std::nullopt, dir.file("Ledger.txt"), dir.file("no/such/folder.txt")};
    for (int i = 0; i < 3; ++i) cmdSaveLedger_Click(st, ui);
    EXPECT_EQ(readFile(dir.file("Ledger.txt")),
              crlf({"680,Cheque", "720,GST", "999,Added by hand"}));
    EXPECT_EQ(lastDescription(readFile(dir.file("TAV.log"))),
              "Error opening file '" + dir.file("no/such/folder.txt") + "'");

    storeAccountChoice(st, 3, 3);
    st.gcolTargetAccounts.Clear();
    const auto combo = loadMapping(readFile(dir.file("Client.csv")));
    ASSERT_TRUE(combo.has_value());
    EXPECT_EQ(combo->back(), "999                Added by hand");
    EXPECT_EQ(choices(), saved);
    EXPECT_EQ(entries(st.gcolTargetAccounts),
              (Rows{{"680", "Cheque"}, {"720", "GST"}, {"999", "Added by hand"}}));
    EXPECT_EQ(ui.dialogs.back().title, "MAS Account Mapping File");
}

TEST_F(AccountMapping, EveryButtonPutsTheCurrentDirectoryBackWhateverHappens) {
    const std::string before = platform::currentDirectory();
    ui.dialogMovesTo = client.path();
    ui.dialogAnswers = {dir.file("no/such/Mapping.csv"), dir.file("no/such/Ledger.txt"),
                        std::nullopt, dir.file("no/such/Mapping.csv")};
    cmdSaveMapping_Click(st, ui);  // cannot be written
    EXPECT_EQ(platform::currentDirectory(), before);
    cmdSaveLedger_Click(st, ui);  // cannot be written
    EXPECT_EQ(platform::currentDirectory(), before);
    cmdLoadMapping_Click(st, ui);  // cancelled
    EXPECT_EQ(platform::currentDirectory(), before);
    ui.answers = {Answer::Cancel};  // the file has gone
    cmdLoadMapping_Click(st, ui);
    EXPECT_EQ(platform::currentDirectory(), before);
    EXPECT_EQ(ui.titles(), (std::vector<std::string>{"Error Report", "Error Report",
                                                     "File not found", "Error Report"}));
}

TEST_F(AccountMapping, AFullDiskLeavesASavedMappingOrLedgerAsItWas) {
    targets({{"680", "Cheque"}});
    mapped({"1-1100"});
    storeAccountChoice(st, 1, 2);
    for (const char* name : {"Client.csv", "Ledger.txt"}) writeFile(dir.file(name), "kept\r\n");
    {
        const test::FileSizeLimit disk(10);
        if (!disk.available()) GTEST_SKIP() << "needs a file size limit, which Windows lacks";
        ui.dialogAnswers = {dir.file("Client.csv"), dir.file("Ledger.txt")};
        cmdSaveMapping_Click(st, ui);
        cmdSaveLedger_Click(st, ui);
    }
    for (const char* name : {"Client.csv", "Ledger.txt"})
        EXPECT_EQ(readFile(dir.file(name)), "kept\r\n");
    ASSERT_EQ(ui.titles(), (std::vector<std::string>{"Error Report", "Error Report"}));
    EXPECT_NE(ui.messages[0].text.find("Description: Disk full: '" + dir.file("Client.csv") +
                                       "' has reached the largest size a file may have here."),
              std::string::npos)
        << ui.messages[0].text;
    EXPECT_EQ(test::leftoversIn(dir.path()), std::vector<std::string>{});
}

TEST_F(AccountMapping, BadMappingFilesStopTheLoadWhereTheyFail) {
    mapped({"1-1100", "2-1310"});
    targets({{"680", "Cheque"}});
    // Without the separator every line is a mapping line, and the target list ends up empty.
    EXPECT_TRUE(
        loadMapping(crlf({"Bank,9-9999,Not used,2,680,Cheque", "Bank,2-1310,GST,2,680,Cheque"})));
    EXPECT_EQ(choices(), (Rows{{"1", "", ""}, {"2", "680", "Cheque"}}));
    EXPECT_TRUE(st.gcolTargetAccounts.empty());

    EXPECT_FALSE(
        loadMapping(crlf({"Bank,1-1100,Cheque,2,680,Cheque,extra", "MAS accounts", "680,Cheque"})));
    EXPECT_EQ(lastDescription(readFile(dir.file("TAV.log"))),
              "An error occurred while loading the mapping data.");
    EXPECT_EQ(choices()[1], (StrArray{"1", "", ""}));  // unmapped already, nothing rolled back

    EXPECT_FALSE(loadMapping(crlf({"MAS accounts", "680,Cheque", "681,Bank,extra"})));
    EXPECT_NE(
        ui.messages.at(0).text.find("Incorrect number of fields in the list of MAS accounts. The "
                                    "mapping file may be corrupt."),
        std::string::npos);
    EXPECT_EQ(entries(st.gcolTargetAccounts), (Rows{{"680", "Cheque"}}));
    EXPECT_TRUE(st.files.freeFile() == 1);
}

// Every installed ledger a target offers is a file of the installation, and no two of its
// choices read the same file.
TEST(InstalledLedgers, EachChoiceReadsAnInstalledFileOfItsOwn) {
    ProgramState st;
    st.installFolder = TAV_INSTALL_SOURCE_DIR;
    for (std::int16_t t = 0; t < kTargetCount; ++t) {
        st.gintTargetApp = t;
        std::set<std::string> files;
        for (size_t i = 0; i < ledgerChoices(t).size(); ++i) {
            if (ledgerChoices(t)[i].source != LedgerSource::Installed) continue;
            const std::string path = ledgerPath(st, static_cast<long>(i));
            EXPECT_TRUE(platform::fileExists(path)) << path;
            EXPECT_TRUE(files.insert(path).second) << path;
        }
    }
}

}  // namespace
}  // namespace tav
