#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "safe/Platform.h"
#include "safe/SafeMethods.h"
#include "shell/ProgramState.h"
#include "shell/TAVNavigator.h"
#include "support/Files.h"
#include "support/ScriptedPort.h"

namespace tav {
namespace {

using test::ScriptedPort;
using test::TempDir;

// A run part-way through the wizard for MAS (Aust.): lists extracted, both mappings
// made, every file chosen.
class Navigator : public ::testing::Test {
protected:
    TempDir data, client, other;
    ProgramState st;
    ScriptedPort ui;
    navigator::View view;

    void SetUp() override {
        st.gstrDataFolder = data.path();
        st.gintQBEdition = 1;
        st.gintTargetApp = target::MasAU;
        st.gstrClientFolder = client.path();
        st.gstrCompanyFile = client.file("Client.qbw");
        st.gstrJournalFile = client.file("Journal.txt");
        st.gstrOutputFile = client.file("TAVOutput.txt");
        st.gstrLoadedMappingFile = client.file("Loaded.csv");
        st.gstrSavedMappingFile = client.file("Saved.csv");
        st.gstrCustomisedLedgerPath = client.file("Ledger.txt");
        st.glngLedgerNumber = 1;
        st.gblnListsExtracted = true;
        st.gcolTargetTaxCodes.Add("GST");
        st.gcolMappedTaxCodes.Add({"GST", "GST", "2"});
        st.gcolTargetAccounts.Add({"100", "Sales"});
        st.gcolMappedAccounts.Add({"Income", "4000", "Sales", "2", "100", "Sales", ""});
        st.gcolTaxPayables.Add("2310");
    }

    // Everything the navigator may touch.
    static auto choices(const ProgramState& s) {
        return std::tuple(s.gintQBEdition, s.gintTargetApp, s.gstrClientFolder, s.gstrCompanyFile,
                          s.gstrJournalFile, s.gstrOutputFile, s.gstrLoadedMappingFile,
                          s.gstrSavedMappingFile, s.gstrCustomisedLedgerPath, s.glngLedgerNumber,
                          s.gblnListsExtracted, s.gcolTargetTaxCodes, s.gcolMappedTaxCodes,
                          s.gcolTargetAccounts, s.gcolMappedAccounts, s.gcolTaxPayables);
    }
};

TEST_F(Navigator, LoadSetsTheCaptionsFromTheStoredTargetAndClearsNothing) {
    st.gintTargetApp = target::AccountantsOfficeNZ;
    const auto before = choices(st);
    navigator::Form_Load(st, ui, view);
    EXPECT_EQ(choices(st), before);
    EXPECT_EQ(st.gstrTargetAppName, "Accountant's Office");
    EXPECT_EQ(view.lblQBi, "QuickBooks QBi (N.Z.)");
    EXPECT_EQ(view.lblMapping, "Account Mapping");
    EXPECT_EQ(view.lblClientFolder, client.path());
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Navigator, AVanishedClientFolderBecomesTheRootFolder) {
    st.gstrClientFolder = client.file("gone");
    navigator::Form_Load(st, ui, view);
    EXPECT_EQ(st.gstrClientFolder, platform::rootFolder());
    EXPECT_EQ(view.lblClientFolder, platform::rootFolder());
}

TEST_F(Navigator, ALongClientFolderShowsFirstPartsAndLast) {
    const std::string sep(1, platform::kPathSeparator);
    const std::string deep =
        client.file("Documents and Settings") + sep + "All Users" + sep + "Clients" + sep + "Smith";
    std::filesystem::create_directories(platform::pathFromUtf8(deep));
    st.gstrClientFolder = deep;
    navigator::Form_Load(st, ui, view);
    EXPECT_EQ(st.gstrClientFolder, deep);
    const StrArray parts = vbSplit(deep, sep);
    EXPECT_EQ(view.lblClientFolder, parts[0] + sep + parts[1] + sep + "..." + sep + "Smith");
}

TEST_F(Navigator, ClickingTheSameTargetKeepsAllWork) {
    const auto before = choices(st);
    navigator::cmbTarget_Click(st, ui, target::MasAU, view);
    EXPECT_EQ(choices(st), before);
    EXPECT_EQ(st.gstrTargetAppName, "MAS");
    EXPECT_EQ(view.lblMapping, "Tax Code && Account Mapping");
}

TEST_F(Navigator, AnotherTargetDropsEverythingBuiltForTheOldOne) {
    // Both are MAS, yet the codes and ledgers of the two countries differ.
    navigator::cmbTarget_Click(st, ui, target::MasNZ, view);
    EXPECT_EQ(st.gintTargetApp, target::MasNZ);
    EXPECT_EQ(st.gstrTargetAppName, "MAS");
    EXPECT_EQ(view.lblQBi, "QuickBooks QBi (N.Z.)");
    EXPECT_TRUE(st.gcolTargetTaxCodes.empty());
    EXPECT_TRUE(st.gcolMappedTaxCodes.empty());
    EXPECT_TRUE(st.gcolTargetAccounts.empty());
    EXPECT_TRUE(st.gcolMappedAccounts.empty());
    EXPECT_EQ(st.gstrJournalFile, "");
    EXPECT_EQ(st.gstrOutputFile, "");
    EXPECT_EQ(st.gstrLoadedMappingFile, "");
    EXPECT_EQ(st.gstrSavedMappingFile, "");
    EXPECT_EQ(st.glngLedgerNumber, -1);
    EXPECT_EQ(st.gstrCustomisedLedgerPath, "");
    // What belongs to the QuickBooks side stays.
    EXPECT_EQ(st.gstrCompanyFile, client.file("Client.qbw"));
    EXPECT_TRUE(st.gblnListsExtracted);
    EXPECT_EQ(st.gcolTaxPayables.Count(), 1);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Navigator, AnotherEditionDropsOnlyTheCompanyFileAndItsLists) {
    auto before = choices(st);
    navigator::cmbSourceProduct_Click(st, 1);  // the edition already chosen
    EXPECT_EQ(choices(st), before);

    navigator::cmbSourceProduct_Click(st, 0);
    std::get<0>(before) = 0;       // gintQBEdition
    std::get<3>(before) = "";      // gstrCompanyFile
    std::get<10>(before) = false;  // gblnListsExtracted
    EXPECT_EQ(choices(st), before);
}

TEST_F(Navigator, BrowsingToAFolderDropsTheMappingsAndFileChoices) {
    ui.dialogAnswers.push_back(other.path() + platform::kPathSeparator);
    navigator::cmdBrowse_Click(st, ui, view);

    ASSERT_EQ(ui.dialogs.size(), 1u);
    EXPECT_EQ(ui.dialogs[0].kind, DialogKind::Folder);
    EXPECT_EQ(ui.dialogs[0].title, "Select a Folder");
    EXPECT_EQ(ui.dialogs[0].initialFolder, client.path());

    EXPECT_EQ(st.gstrClientFolder, other.path());  // only a root keeps its separator
    EXPECT_EQ(view.lblClientFolder, other.path());
    EXPECT_TRUE(st.gcolMappedTaxCodes.empty());
    EXPECT_TRUE(st.gcolMappedAccounts.empty());
    EXPECT_EQ(st.gstrJournalFile, "");
    EXPECT_EQ(st.gstrCompanyFile, "");
    EXPECT_FALSE(st.gblnListsExtracted);
    EXPECT_EQ(st.gstrOutputFile, "");
    EXPECT_EQ(st.gstrLoadedMappingFile, "");
    EXPECT_EQ(st.gstrSavedMappingFile, "");
    // The target's own lists and the ledger choice survive.
    EXPECT_EQ(st.gintQBEdition, 1);
    EXPECT_EQ(st.gintTargetApp, target::MasAU);
    EXPECT_EQ(st.gcolTargetTaxCodes.Count(), 1);
    EXPECT_EQ(st.gcolTargetAccounts.Count(), 1);
    EXPECT_EQ(st.glngLedgerNumber, 1);
    EXPECT_EQ(st.gstrCustomisedLedgerPath, client.file("Ledger.txt"));
}

TEST_F(Navigator, CancellingBrowseChangesNothing) {
    const auto before = choices(st);
    navigator::cmdBrowse_Click(st, ui, view);
    EXPECT_EQ(ui.dialogs.size(), 1u);
    EXPECT_EQ(choices(st), before);
    EXPECT_EQ(view.lblClientFolder, "");
}

TEST_F(Navigator, TheRootFolderKeepsItsSeparator) {
    ui.dialogAnswers.push_back(platform::rootFolder());
    navigator::cmdBrowse_Click(st, ui, view);
    EXPECT_EQ(st.gstrClientFolder, platform::rootFolder());
}

}  // namespace
}  // namespace tav
