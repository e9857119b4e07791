#include "taxmapping/modTaxMapping.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "safe/Values.h"
#include "shell/ProgramState.h"
#include "support/Files.h"
#include "support/Results.h"
#include "support/ScriptedPort.h"

namespace tav {
namespace {

using test::crlf;
using test::entries;
using test::lastDescription;
using test::writeFile;
using Rows = std::vector<StrArray>;
constexpr size_t npos = std::string::npos;

class TaxMapping : public ::testing::Test {
protected:
    test::TempDir dir;
    ProgramState st;
    test::ScriptedPort ui;
    void SetUp() override {
        st.installFolder = st.gstrDataFolder = dir.path();
        st.gstrChartOfAccountsFile = dir.file("CofA.iif");
        st.gstrTaxCodeListFile = dir.file("TaxCodes.iif");
    }
};

TEST_F(TaxMapping, ChartOfAccounts) {
    writeFile(st.gstrChartOfAccountsFile,
              crlf({"ACCNT\tEarly", "!HDR\tPROD", "!ACCNT\tNAME\tEXTRA\tACCNUM",
                    "ACCNT\tGST\tSALESTAX\t2-1310", "ACCNT\tWET\tSALESTAX\t2-1310",
                    "ACCNT\tCash\tsalestax\t"}));
    ASSERT_EQ(sfGetcolTaxPayables(st, ui), "");
    ASSERT_EQ(sfGetcolTaxPayables(st, ui), "");  // read twice, same contents
    EXPECT_EQ(entries(st.gcolTaxPayables), (std::vector<std::string>{"2-1310", "2-1310"}));
    EXPECT_FALSE(checkChartNumbering(st, ui));  // an ordinary account without a number

    writeFile(st.gstrChartOfAccountsFile, crlf({"!ACCNT\tNAME\tACCNUM", "ACCNT\tCheque\t1-1110"}));
    EXPECT_EQ(lastDescription(sfGetcolTaxPayables(st, ui)),
              "The Chart of Accounts format is not as expected, hence file conversion will fail. "
              "Please make sure you are using a supported version of QuickBooks, or check the "
              "Varnel website for an updated version of TAV.");
    EXPECT_TRUE(checkChartNumbering(st, ui));  // it needs ACCNUM only

    writeFile(st.gstrChartOfAccountsFile,
              crlf({"!ACCNT\tNAME\tACCNUM\tEXTRA", "ACCNT\tGST\t\tSALESTAX"}));
    EXPECT_NE(lastDescription(sfGetcolTaxPayables(st, ui)).find("Tax liability accounts used in"),
              npos);
    EXPECT_EQ(st.files.freeFile(), 1);
}

TEST_F(TaxMapping, TaxCodeLinks) {
    writeFile(st.gstrTaxCodeListFile,
              crlf({"TAXCODE\tearly", "!TAXCODE\tSALESTAXITEM\tNAME\tPURCHASETAXITEM\tNAME",
                    "TAXCODE\tGST\told\tNCG\tGST", "TAXCODE\t\tx\t\tCAG", "TAXCODE\tshort"}));
    EXPECT_EQ(sfGetcolTaxCodeTaxItemLinks(st, ui),
              "modTaxMapping.bas\tsfGetcolTaxCodeTaxItemLinks\t9\tSubscript out of range\r\n");
    // Before its header a line reads field 0 for every column; a repeated name takes the later.
    EXPECT_EQ(entries(st.gcolTaxCodeTaxItemLinks),
              (Rows{{"TAXCODE", "TAXCODE", "TAXCODE"}, {"GST", "NCG", "GST"}, {"CAG", "", ""}}));

    writeFile(st.gstrTaxCodeListFile, crlf({"!TAXCODE\tNAME\tSALESTAXITEM"}));
    EXPECT_NE(lastDescription(sfGetcolTaxCodeTaxItemLinks(st, ui)).find("Tax Code list format"),
              npos);
}

TEST_F(TaxMapping, CodeFileGivesTheTaxCodeList) {
    writeFile(dir.file("codes.txt"), crlf({"1,2,3", "4,"}));
    ASSERT_EQ(sfLoadColTargetTaxCodes(st, ui, " " + dir.file("codes.txt") + " "), "");
    StrArray list;
    ASSERT_EQ(sfSetUpTaxCombo(st, list), "");
    EXPECT_EQ(list, (StrArray{" <Add New>", "", " 1", " 2", " 3", " 4", " "}));

    st.gcolMappedTaxCodes.Add({"GST", "", "1"});
    st.gcolMappedTaxCodes.Add({"NCG", "1", "2"});
    storeTaxCodeChoice(st, 1, 4);
    storeTaxCodeChoice(st, 2, 1);
    EXPECT_EQ(entries(st.gcolMappedTaxCodes), (Rows{{"GST", "3", "4"}, {"NCG", "", "1"}}));
}

TEST_F(TaxMapping, TaxItemsPostedToTaxPayablesTakeTheirDefaultCodes) {
    auto line = [](std::string item, std::string account) {
        return "1\tBill\t01/07/2023\t\t\t\t" + item + "\t" + account + " \xC2\xB7 Name\t\t1.00\t";
    };
    writeFile(dir.file("Journal.txt"),
              crlf({line("NCG", "2-1310"), line("Coffee", "4-1000"), line("", "2-1310"),
                    line("NCG", "2-1310"), line("GST", "2-1320"), "short"}));
    st.gcolTaxPayables.Add("2-1310");
    st.gcolTaxPayables.Add("2-1320");
    ASSERT_EQ(sfOpenFile(st, ui, dir.file("Journal.txt"), "Input", 1), "");
    // A line too short for the Account column fails, keeping the items found before it.
    EXPECT_EQ(lastDescription(sfExtractCodes(st, ui)), "Subscript out of range");
    st.files.close(1);
    st.gcolMappedTaxCodes.Add({"Custom", "", "1"});

    EXPECT_NE(sfMapStandardCodes(st), "");  // no default mapping loaded
    writeFile(dir.file("DefaultTaxMapping.txt"),
              crlf({"GST,9,X9,10,10", "GST,1,GS,2,2", "NCG,5,,6,"}));
    ASSERT_EQ(sfLoadColDefaultTaxMapping(st, ui), "");
    for (auto [target, expected] :
         {std::pair{target::MasNZ, Rows{{"NCG", "5", "6"}, {"GST", "1", "2"}}},
          std::pair{target::Accounts, Rows{{"NCG", "", "1"}, {"GST", "GS", "2"}}}}) {
        st.gintTargetApp = target;
        ASSERT_EQ(sfMapStandardCodes(st), "");
        expected.push_back({"Custom", "", "1"});
        EXPECT_EQ(entries(st.gcolMappedTaxCodes), expected);
    }
    // A line that ends after the MAS position serves MAS; 'Accounts' reads past its end.
    writeFile(dir.file("DefaultTaxMapping.txt"), crlf({"Item,MAS,Accounts", "NCG,7,X,8"}));
    st.gcolDefaultTaxMapping.Clear();
    ASSERT_EQ(sfLoadColDefaultTaxMapping(st, ui), "");
    st.gintTargetApp = target::MasAU;
    ASSERT_EQ(sfMapStandardCodes(st), "");
    EXPECT_EQ(test::row(st.gcolMappedTaxCodes.Item(1)), (StrArray{"NCG", "7", "8"}));
    st.gintTargetApp = target::Accounts;
    EXPECT_EQ(lastDescription(sfMapStandardCodes(st)), "Subscript out of range");
}

// Position k + 1 of each target's list must hold the k-th code of its installed file.
TEST(InstalledTaxCodes, DefaultMappingAgreesWithTheCodeFiles) {
    ProgramState st;
    test::ScriptedPort ui;
    st.installFolder = TAV_INSTALL_SOURCE_DIR;
    ASSERT_EQ(sfLoadColDefaultTaxMapping(st, ui), "");
    for (std::int16_t target : {target::MasAU, target::MasNZ, target::Accounts}) {
        st.gintTargetApp = target;
        st.gcolTargetTaxCodes.Clear();
        ASSERT_EQ(sfLoadColTargetTaxCodes(st, ui, targetTaxCodeFile(st)), "");
        StrArray list;
        sfSetUpTaxCombo(st, list);
        for (const DefaultTaxMapping& line : st.gcolDefaultTaxMapping) {
            ASSERT_EQ(line.fields, 5u);
            const bool accounts = target == target::Accounts;
            const std::string& code = accounts ? line.accountsCode : line.masCode;
            const std::string& position = accounts ? line.accountsPosition : line.masPosition;
            SCOPED_TRACE(line.item + " for target " + std::to_string(target));
            // Wine tax has no New Zealand code, New Zealand's items no 'Accounts' code.
            if (target == target::MasNZ && std::count(list.begin(), list.end(), " " + code) == 0)
                continue;
            if (code.empty())
                EXPECT_EQ(position, "");
            else
                EXPECT_EQ(list.at(static_cast<size_t>(SafeLong(position))), " " + code);
        }
    }
}

}  // namespace
}  // namespace tav
