#include <gtest/gtest.h>

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
        st.gstrClientFolder = client.path();
        st.gstrCompanyFile = st.gstrJournalFile = st.gstrOutputFile = "file";
        st.gstrLoadedMappingFile = st.gstrSavedMappingFile = st.gstrCustomisedLedgerPath = "file";
        st.glngLedgerNumber = 1;
        st.gblnListsExtracted = true;
        st.gcolTargetTaxCodes.Add("GST");
        st.gcolMappedTaxCodes.Add({"GST", "GST", "2"});
        st.gcolTargetAccounts.Add({"100", "Sales"});
        st.gcolMappedAccounts.Add({"Income", "4000", "Sales", "2", "100", "Sales"});
        st.gcolTaxPayables.Add("2310");
    }

    // The label shows a long folder (a temporary one under wine is) shortened.
    static std::string shortened(const std::string& folder) {
        std::string label;
        EXPECT_EQ(sfShortenPath(folder, label, navigator::kFolderDisplayLength), "");
        return label;
    }

    // Everything the navigator may touch, in the order of the fields below.
    enum {
        Edition,
        Target,
        Folder,
        Company,
        Journal,
        Output,
        Loaded,
        Saved,
        Ledger,
        LedgerPath,
        Extracted,
        TaxCodes,
        MappedTax,
        Accounts,
        MappedAccounts,
        Payables
    };
    static auto choices(const ProgramState& s) {
        return std::tuple(s.gintQBEdition, s.gintTargetApp, s.gstrClientFolder, s.gstrCompanyFile,
                          s.gstrJournalFile, s.gstrOutputFile, s.gstrLoadedMappingFile,
                          s.gstrSavedMappingFile, s.glngLedgerNumber, s.gstrCustomisedLedgerPath,
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
    EXPECT_EQ(view.lblClientFolder, shortened(client.path()));

    // A client folder that has gone since becomes the root folder.
    st.gstrClientFolder = client.file("gone");
    navigator::Form_Load(st, ui, view);
    EXPECT_EQ(st.gstrClientFolder, platform::rootFolder());
    EXPECT_EQ(view.lblClientFolder, platform::rootFolder());
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Navigator, AnotherTargetDropsEverythingBuiltForTheOldOne) {
    auto expected = choices(st);
    navigator::cmbTarget_Click(st, ui, target::MasAU, view);  // the same: all work stays
    EXPECT_EQ(choices(st), expected);
    EXPECT_EQ(view.lblMapping, "Tax Code && Account Mapping");

    // Both are MAS, yet the codes and ledgers of the two countries differ.
    navigator::cmbTarget_Click(st, ui, target::MasNZ, view);
    EXPECT_EQ(st.gstrTargetAppName, "MAS");
    EXPECT_EQ(view.lblQBi, "QuickBooks QBi (N.Z.)");
    std::get<Target>(expected) = target::MasNZ;
    std::get<Journal>(expected) = std::get<Output>(expected) = "";
    std::get<Loaded>(expected) = std::get<Saved>(expected) = std::get<LedgerPath>(expected) = "";
    std::get<Ledger>(expected) = -1;
    std::get<TaxCodes>(expected) = {};
    std::get<MappedTax>(expected) = {};
    std::get<Accounts>(expected) = {};
    std::get<MappedAccounts>(expected) = {};
    EXPECT_EQ(choices(st), expected);  // the QuickBooks side stays
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Navigator, AnotherEditionDropsOnlyTheCompanyFileAndItsLists) {
    auto expected = choices(st);
    navigator::cmbSourceProduct_Click(st, 1);  // the edition already chosen
    EXPECT_EQ(choices(st), expected);

    navigator::cmbSourceProduct_Click(st, 0);
    std::get<Edition>(expected) = 0;
    std::get<Company>(expected) = "";
    std::get<Extracted>(expected) = false;
    EXPECT_EQ(choices(st), expected);
}

TEST_F(Navigator, BrowsingToAFolderDropsTheMappingsAndFileChoices) {
    auto expected = choices(st);
    navigator::cmdBrowse_Click(st, ui, view);  // cancelled
    EXPECT_EQ(choices(st), expected);

    ui.dialogAnswers.push_back(other.path() + platform::kPathSeparator);
    navigator::cmdBrowse_Click(st, ui, view);
    ASSERT_EQ(ui.dialogs.size(), 2u);
    EXPECT_EQ(ui.dialogs[1].kind, DialogKind::Folder);
    EXPECT_EQ(ui.dialogs[1].title, "Select a Folder");
    EXPECT_EQ(ui.dialogs[1].initialFolder, client.path());
    EXPECT_EQ(view.lblClientFolder, shortened(other.path()));
    std::get<Folder>(expected) = other.path();  // only a root keeps its separator
    std::get<Company>(expected) = std::get<Journal>(expected) = std::get<Output>(expected) = "";
    std::get<Loaded>(expected) = std::get<Saved>(expected) = "";
    std::get<Extracted>(expected) = false;
    std::get<MappedTax>(expected) = {};
    std::get<MappedAccounts>(expected) = {};
    EXPECT_EQ(choices(st), expected);  // the target's own lists and the ledger survive

    ui.dialogAnswers.push_back(platform::rootFolder());
    navigator::cmdBrowse_Click(st, ui, view);
    EXPECT_EQ(st.gstrClientFolder, platform::rootFolder());
}

}  // namespace
}  // namespace tav
