// Readings that collect two things at once must report as if each had its own reading:
// the earlier reading's failure first, the later one's with the report at its line.

#include <gtest/gtest.h>

#include "convert/ConvertFixture.h"
#include "support/Results.h"
#include "taxmapping/TAVTaxMapping.h"

namespace tav::test {
namespace {

const std::string kInvoice =
    "1\tInvoice\t1/07/2011\tINV1\tSmith\t\t\t1-1200 · Trade Debtors\t\t10\t\r\n"
    "\t\t\t\t\t\t\t4-1000 · Sales\t\t-10\t\r\n"
    "\t\t\t\t\t\t\t\t\t10\t\r\n";
// Line 5 of a report that starts with the invoice: an account without a number.
const std::string kNumberless = "\t\t\t\t\t\t\tSales\t\t5\t\r\n";

class AccountsHeader : public ConvertFixture {
protected:
    AccountsHeader() {
        mapStandard();
        st.gintTargetApp = target::Accounts;
    }
};

TEST_F(AccountsHeader, AnAccountFailureIsReportedAtItsLineAfterTheDateRange) {
    writeReport(report({}) + kInvoice + kNumberless + kInvoice);
    const Sem failure = convert();
    EXPECT_EQ(lastDescription(failure),
              "Error extracting accounts from QuickBooks Journal Report file");
    EXPECT_NE(failure.find("\tsfExtractAccounts\t0\tAt least one account used in transactions "
                           "does not have an account number. The first such account found is "
                           "Sales ."),
              std::string::npos);
    EXPECT_EQ(run.reportLine, 5u);
    EXPECT_TRUE(previousImportKept());
}

TEST_F(AccountsHeader, ABadDateAfterTheAccountFailureIsReportedInstead) {
    std::string late = kInvoice;
    late.replace(late.find("1/07/2011"), 9, "32/07/2011");
    writeReport(report({}) + kInvoice + kNumberless + late);
    const Sem failure = convert();
    EXPECT_EQ(lastDescription(failure), "Error getting date range for target file header");
    EXPECT_EQ(failure.find("sfExtractAccounts"), std::string::npos);
    EXPECT_TRUE(previousImportKept());
}

class TaxScreenReading : public ConvertFixture {
protected:
    TaxScreenReading() { beforeTaxMapping(target::AccountantsOfficeAU); }
    taxmappingscreen::JournalChoice choose() {
        port.dialogAnswers = {st.gstrJournalFile};
        return taxmappingscreen::cmdTransFile_Click(st, port);
    }
    LinePort port{st};
};

TEST_F(TaxScreenReading, TaxItemsAfterAnAccountFailureAreStillCollected) {
    writeReport(report({}) + kInvoice + kNumberless + "\t\t\t\t\t\tWINE\t2-1310 · GST\t\t1\t\r\n");
    EXPECT_EQ(choose(), taxmappingscreen::JournalChoice::Failed);
    ASSERT_EQ(port.titles(), std::vector<std::string>{"Error Report"});
    EXPECT_NE(port.messages[0].text.find("At least one account used in transactions"),
              std::string::npos);
    EXPECT_EQ(port.linesAtMessages, std::vector<std::uint64_t>{5});
    EXPECT_EQ(entries(st.gcolMappedTaxCodes), (std::vector<StrArray>{{"WINE", "", "1"}}));
    EXPECT_EQ(entries(st.gcolJournalAccounts), (std::vector<std::string>{"1-1200", "4-1000"}));
    EXPECT_FALSE(st.files.isOpen(1));
}

TEST_F(TaxScreenReading, ATaxItemFailureAfterAnAccountFailureIsTheOneReported) {
    writeReport(report({}) + kInvoice + kNumberless + "\t\t\t\t\t\tGST\t· GST\t\t1\t\r\n");
    EXPECT_EQ(choose(), taxmappingscreen::JournalChoice::Failed);
    ASSERT_EQ(port.titles(), std::vector<std::string>{"Error Report"});
    EXPECT_NE(port.messages[0].text.find("Procedure: sfNumberOnly"), std::string::npos)
        << port.messages[0].text;
    EXPECT_EQ(port.messages[0].text.find("At least one account"), std::string::npos);
    EXPECT_EQ(port.linesAtMessages, std::vector<std::uint64_t>{6});
}

}  // namespace
}  // namespace tav::test
