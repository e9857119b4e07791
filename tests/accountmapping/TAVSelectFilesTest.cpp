#include "accountmapping/TAVSelectFiles.h"

#include <gtest/gtest.h>

#include "accountmapping/TAVAccountMapping.h"
#include "accountmapping/modAccountMapping.h"
#include "safe/Platform.h"
#include "shell/ProgramState.h"
#include "support/Files.h"
#include "support/ScratchClient.h"

namespace tav {
namespace {

using test::crlf;
using test::writeFile;

// Accountant's Office (Aust.) with one installed ledger and a customised one.
class SelectLedger : public ::testing::Test, protected test::ScratchClient {
protected:
    selectledger::View view;

    void SetUp() override {
        st.installFolder = st.gstrDataFolder = install.path();
        st.gstrClientFolder = client.path();
        st.gintTargetApp = target::AccountantsOfficeAU;
        std::filesystem::create_directories(platform::pathFromUtf8(install.file("AOLedgers/AU")));
        writeFile(ledgerPath(st, 0), crlf({"100,Sales", "200,Bank"}));
        writeFile(client.file("Mine.txt"), crlf({"900,Own"}));
    }

    void mapSomething() { st.gcolMappedAccounts.Add({"Bank", "1", "Q", "2", "100", "Sales"}); }
    std::string firstAccount() const {
        return st.gcolTargetAccounts.empty() ? "" : st.gcolTargetAccounts.Item(1).number;
    }
};

TEST_F(SelectLedger, OpeningSelectsTheStoredChoiceUnlessTheTargetChanged) {
    st.glngLedgerNumber = -1;
    selectledger::Form_Load(st, ui, view);
    EXPECT_TRUE(st.gcolTargetAccounts.empty());

    st.glngLedgerNumber = 0;
    selectledger::Form_Load(st, ui, view);
    EXPECT_EQ(firstAccount(), "100");
    EXPECT_EQ(view.mstrLedgerPath, ledgerPath(st, 0));
    EXPECT_FALSE(view.customisedEnabled);
}

TEST_F(SelectLedger, OnlyAnotherChoiceOrAnEmptyListLoadsAndDropsTheMapping) {
    selectledger::cboLedgers_Click(st, ui, 0, view);
    mapSomething();
    selectledger::cboLedgers_Click(st, ui, 0, view);  // the same choice again
    EXPECT_EQ(st.gcolMappedAccounts.Count(), 1);

    // "Customised ledger" before a file was chosen loads nothing and offers Browse.
    selectledger::cboLedgers_Click(st, ui, 8, view);
    EXPECT_TRUE(st.gcolTargetAccounts.empty() && st.gcolMappedAccounts.empty());
    EXPECT_TRUE(view.customisedEnabled);

    ui.dialogAnswers = {client.file("Mine.txt"), client.file("Mine.txt")};
    selectledger::cmdCustomisedCofA_Click(st, ui, view);
    EXPECT_EQ(firstAccount(), "900");
    EXPECT_EQ(st.gstrCustomisedLedgerPath, client.file("Mine.txt"));
    EXPECT_TRUE(view.customisedEnabled && view.lblCustomisedLedgerPath.ends_with("Mine.txt"));
    mapSomething();
    selectledger::cmdCustomisedCofA_Click(st, ui, view);  // the same file again
    EXPECT_EQ(st.gcolMappedAccounts.Count(), 1);
    EXPECT_EQ(ui.dialogs.at(1).fileName, client.file("Mine.txt"));

    selectledger::cmdReloadAccounts_Click(st, ui, view);
    EXPECT_TRUE(st.gcolMappedAccounts.empty());
    EXPECT_EQ(firstAccount(), "900");
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SelectLedger, ALedgerThatCannotBeReadIsReported) {
    ui.dialogAnswers = {client.file("Broken.txt")};
    writeFile(client.file("Broken.txt"), crlf({"100,Sales", "no comma"}));
    selectledger::cboLedgers_Click(st, ui, 8, view);
    selectledger::cmdCustomisedCofA_Click(st, ui, view);
    ASSERT_EQ(ui.titles(), std::vector<std::string>{"Error Report"});
    EXPECT_NE(ui.messages[0].text.find("Procedure: sfLoadColTargetAccountsFromAO"),
              std::string::npos);
    EXPECT_EQ(st.gstrCustomisedLedgerPath, client.file("Broken.txt"));  // remembered all the same
    EXPECT_EQ(firstAccount(), "100");
}

TEST_F(SelectLedger, TheMappingScreenBuildsTheMappingOnlyWhileItIsEmpty) {
    writeFile(st.gstrChartOfAccountsFile = client.file("CofA.iif"),
              crlf({"ACCNT\tCheque\t\t\tBANK\t\t\t1-1100", "ACCNT\tUnused\t\t\tBANK\t\t\t1-1200"}));
    st.gblnListsExtracted = true;
    st.gcolJournalAccounts.Add("1-1100");
    EXPECT_TRUE(accountmappingscreen::Form_Load(st, ui));
    ASSERT_EQ(st.gcolMappedAccounts.Count(), 1);
    EXPECT_EQ(st.gcolMappedAccounts.Item(1).number, "1-1100");

    storeAccountChoice(st, 1, 1);
    st.gcolJournalAccounts.Add("1-1200");
    EXPECT_TRUE(accountmappingscreen::Form_Load(st, ui));
    EXPECT_EQ(st.gcolMappedAccounts.Count(), 1);

    st.gcolMappedAccounts.Clear();
    writeFile(st.gstrChartOfAccountsFile, crlf({"ACCNT\tshort"}));
    EXPECT_FALSE(accountmappingscreen::Form_Load(st, ui));
    EXPECT_EQ(ui.titles(), std::vector<std::string>{"Error Report"});
}

}  // namespace
}  // namespace tav
