// The shipped sample client, taken from its company file and Journal report through the
// list extraction and both mappings, for every target with its installed data.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "accountmapping/modAccountMapping.h"
#include "convert/modConvert.h"
#include "safe/Platform.h"
#include "safe/SafeMethods.h"
#include "shell/ProgramState.h"
#include "shell/Targets.h"
#include "support/ScratchClient.h"
#include "taxmapping/modIIFSDK.h"
#include "taxmapping/modTaxMapping.h"

namespace tav {
namespace {

class SampleClient : public ::testing::TestWithParam<std::int16_t>, protected test::ScratchClient {
protected:
    void SetUp() override {
        std::filesystem::copy(TAV_INSTALL_SOURCE_DIR, install.path(),
                              std::filesystem::copy_options::recursive);
        st.gstrQBVersion = "19.0\\";
        st.gintQBEdition = 1;
        st.gstrCompanyFile = install.file("SampleFiles/HarbourLaneCafe.qbw");
        st.gintTargetApp = GetParam();
        st.gstrTargetAppName = targetInfo(GetParam())->appName;
    }

    // Reads the report after its header: its tax items, and the accounts it uses in
    // order of first use.
    void readJournal() {
        ASSERT_EQ(sfOpenFile(st, ui, install.file("SampleFiles/Journal.txt"), "Input", 1), "");
        st.files.lineInput(1);
        ASSERT_EQ(sfExtractCodes(st, ui), "");
        st.files.close(1);
        ASSERT_EQ(sfOpenFile(st, ui, install.file("SampleFiles/Journal.txt"), "Input", 1), "");
        while (!st.files.eof(1)) {
            std::string number;
            ASSERT_EQ(sfNumberOnly(vbSplit(st.files.lineInput(1), "\t").at(7), number), "");
            const auto& used = st.gcolJournalAccounts;
            if (!number.empty() && std::find(used.begin(), used.end(), number) == used.end())
                st.gcolJournalAccounts.Add(number);
        }
        st.files.close(1);
    }
    long row(const std::string& qbNumber) const {
        for (long i = 1; i <= st.gcolMappedAccounts.Count(); ++i)
            if (st.gcolMappedAccounts.Item(i).number == qbNumber) return i;
        return 0;
    }
    long listIndex(const std::string& targetNumber) const {
        for (long k = 1; k <= st.gcolTargetAccounts.Count(); ++k)
            if (st.gcolTargetAccounts.Item(k).number == targetNumber) return k + 1;
        return 1;
    }
};

TEST_P(SampleClient, MapsAlmostEverythingByItself) {
    cmdExtractQBLists_Click(st, ui);
    ASSERT_EQ(ui.titles(), std::vector<std::string>{"List extraction complete"});
    ASSERT_EQ(sfGetcolTaxPayables(st, ui), "");
    ASSERT_EQ(sfGetcolTaxCodeTaxItemLinks(st, ui), "");
    EXPECT_EQ(std::vector<std::string>(st.gcolTaxPayables.begin(), st.gcolTaxPayables.end()),
              std::vector<std::string>{"720"});
    readJournal();
    std::vector<std::string> items;
    for (const MappedTaxCode& m : st.gcolMappedTaxCodes) items.push_back(m.item);
    EXPECT_EQ(items, (std::vector<std::string>{"NCG", "NCF", "GST", "FRE", "CAG", "INP"}));

    if (!isAccountantsOffice(st.gintTargetApp)) {
        ASSERT_EQ(sfLoadColTargetTaxCodes(st, ui, targetTaxCodeFile(st)), "");
        ASSERT_EQ(sfLoadColDefaultTaxMapping(st, ui), "");
        ASSERT_EQ(sfMapStandardCodes(st), "");
        for (const MappedTaxCode& m : st.gcolMappedTaxCodes) EXPECT_NE(m.code, "") << m.item;
    }
    if (st.gintTargetApp == target::Accounts) return;

    const long defaultLedger = st.gintTargetApp == target::AccountantsOfficeAU ? 5 : 0;
    ASSERT_EQ(sfLoadTargetAccounts(st, ui, ledgerPath(st, defaultLedger)), "");
    ASSERT_EQ(sfPopulateColMappedAccounts(st, ui), "");
    EXPECT_EQ(st.gcolMappedAccounts.Count(), st.gcolJournalAccounts.Count());
    cmdAutoMapping_Click(st, ui);
    std::vector<std::string> unmapped;
    for (const MappedAccount& m : st.gcolMappedAccounts)
        if (!m.mapped()) unmapped.push_back(m.number);
    EXPECT_EQ(unmapped, (std::vector<std::string>{"745", "377"}));
    if (st.gintTargetApp != target::MasAU) return;

    // The shipped mapping is what Save Mapping writes once those two are mapped by hand.
    storeAccountChoice(st, row("745"), listIndex("740"));
    storeAccountChoice(st, row("377"), listIndex("332"));
    ui.dialogAnswers = {client.file("Saved.csv")};
    cmdSaveMapping_Click(st, ui);
    EXPECT_EQ(test::readFile(client.file("Saved.csv")),
              test::readFile(install.file("SampleFiles/ClientXAccountMapping.csv")));
}

INSTANTIATE_TEST_SUITE_P(EveryTarget, SampleClient,
                         ::testing::Range<std::int16_t>(0, kTargetCount));

}  // namespace
}  // namespace tav
