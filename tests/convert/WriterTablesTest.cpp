// The writers' tables, every row of each: what a QuickBooks transaction type becomes
// for each target, which tax items are capital, and which contra accounts MAS takes as
// bank accounts.

#include <gtest/gtest.h>

#include "convert/ConvertFixture.h"
#include "convert/modConvertToAO.h"
#include "convert/modConvertToAccounts.h"
#include "convert/modConvertToMAS.h"
#include "safe/SafeMethods.h"

namespace tav::test {
namespace {

TEST(TransactionTypes, EachTargetsCodeLetterBasisAndTaxSide) {
    struct Row {
        const char* type;
        const char* masCode;   // trimmed type
        const char* aoLetter;  // the type exactly
        const char* basis;     // trimmed type
        bool purchase;         // its tax codes stand for purchase tax items (the type exactly)
    };
    const Row rows[] = {
        {"Invoice", "SDB", "D", "N", false},
        {"Tax Invoice", "SDB", "D", "N", false},
        {"Credit Memo", "SDB", "J", "N", false},
        {"Adjustment Note", "SDB", "J", "N", false},
        {"Cash Sale", "Rec", "J", "C", false},
        {"Sales Receipt", "Rec", "J", "C", false},
        {"Sales Receipt\\Tax Invoice", "Rec", "J", "C", false},
        {"Payment", "Rec", "C", "C", false},
        {"Bill", "PDB", "C", "N", true},
        {"Credit", "PDB", "J", "N", true},
        {"Item Receipt", "PDB", "J", "N", false},
        {"Bill Pmt-Cheque", "Pay", "D", "C", false},
        {"Bill Pmt -Cheque", "Pay", "D", "C", true},
        {"Bill Pmt -CCard", "Pay", "D", "C", true},
        {"Cheque", "Pay", "Q", "C", true},
        {"Liability Cheque", "Pay", "Q", "C", true},
        {"Pay Cheque", "Pay", "Q", "C", true},
        {"Bank Payment", "Pay", "J", "N", true},
        {"Credit Card Charge", "Pay", "J", "C", true},
        {"Credit Card Credit", "Pay", "J", "C", true},
        {"Deposit", "BSt", "P", "N", false},
        {"Transfer", "BSt", "J", "N", false},
        {"General Journal", "Jnl", "J", "C", false},
        {"Payroll Cheque", "Jnl", "J", "C", true},
        {"Inventory Adjust", "Jnl", "J", "N", true},
        {"Stock Adjust", "Jnl", "J", "N", true},
        {"YTD Adjustment", "Jnl", "J", "N", true},
        {"Liability Adjust", "Jnl", "J", "N", true},
        {"Discount", "Jnl", "J", "N", false},
        {"Build", "Jnl", "J", "C", false},  // a type no table lists
        {" Cheque ", "Pay", "J", "C", false},
        {" Deposit ", "BSt", "J", "N", false},
        {"cheque", "Jnl", "J", "C", false},
    };
    for (const Row& r : rows) {
        std::string code, letter, basis;
        EXPECT_EQ(mas::sfTransType(r.type, code) + ao::sfTransType(r.type, letter) +
                      sfCashBasis(r.type, basis),
                  "");
        EXPECT_EQ(code + " " + letter + " " + basis,
                  std::string(r.masCode) + " " + r.aoLetter + " " + r.basis)
            << "'" << r.type << "'";
        EXPECT_EQ(isPurchaseType(r.type), r.purchase) << "'" << r.type << "'";
    }
}

class Writers : public ConvertFixture {
protected:
    Writers() { mapStandard(); }

    // Field `i` (from 1) of every line of the import file after its header lines.
    std::vector<std::string> column(size_t i, size_t headerLines) const {
        std::vector<std::string> out;
        StrArray lines = vbSplit(output(), "\r\n");
        lines.pop_back();  // after the last line end
        for (size_t n = headerLines; n < lines.size(); ++n) {
            std::string line = lines[n];
            std::erase(line, '"');
            out.push_back(field(vbSplit(line, ","), i - 1));
        }
        return out;
    }
};

TEST_F(Writers, AccountsFlagsTheThreeCapitalTaxItems) {
    st.gintTargetApp = target::Accounts;
    for (const char* item : {"CAI", "CAF", "CAGX"}) {
        st.gcolTaxCodeTaxItemLinks.Add({item, item, item});
        st.gcolMappedTaxCodes.Add({item, "X", "3"});
    }
    writeReport(report({"1|Bill|1/07/2011|B1|Acme|||6-1000 · Freight|CAI|1|0.1",
                        "|||||||6-1000 · Freight|CAG|1|0.1", "|||||||6-1000 · Freight|CAF|1|0.1",
                        "|||||||6-1000 · Freight|GST|1|0.1", "|||||||6-1000 · Freight|CAGX|1|0.1",
                        "|||||||6-1000 · Freight||1|", "|||||||||-6.5|"}));
    ASSERT_EQ(convert(), "");
    const size_t headerLines = 2;  // XLON2 and the one account
    EXPECT_EQ(column(12, headerLines), (std::vector<std::string>{"C", "C", "C", "O", "O", "O"}));
}

TEST_F(Writers, AccountsWritesCentsBelowTenMillionAndWholeDollarsFromThere) {
    st.gintTargetApp = target::Accounts;
    writeReport(
        report({"1|Bill|1/07/2011|B1|Acme|||6-1000 · Freight||9,999,999.99|",
                "|||||||6-1000 · Freight||10,000,000|", "|||||||6-1000 · Freight||-999,999.99|",
                "|||||||6-1000 · Freight||-1,000,000|", "|||||||||-18,000,000|"}));
    ASSERT_EQ(convert(), "");
    EXPECT_EQ(column(9, 2),
              (std::vector<std::string>{"9999999.99", "10000000", "-999999.99", "-1000000"}));
}

TEST_F(Writers, MasTakesOnlyTheBankAccounts680To689AsContraOfAPayment) {
    struct Row {
        const char* bank;  // the target account the cheque account is mapped to
        const char* code;
        const char* contra;
    };
    const Row rows[] = {
        {"679", "Jnl", ""},    {"680", "Pay", "680"},       {"689", "Pay", "689"},
        {"690", "Jnl", ""},    {"680.00", "Pay", "680.00"}, {"689.01", "Jnl", ""},
        {"1-1100", "Jnl", ""},
    };
    writeReport(report({"1|Cheque|1/07/2011|5|Acme|||1-1100 · Cheque Account||-10|",
                        "|||||||6-1000 · Freight||10|", "|||||||||-10|"}));
    for (const Row& r : rows) {
        MappedAccount bank = st.gcolMappedAccounts.Item(1);
        bank.targetNumber = r.bank;
        st.gcolMappedAccounts.Replace(1, bank);
        ASSERT_EQ(convert(), "");
        // The freight line carries the contra account; the bank line, written last, none.
        EXPECT_EQ(column(2, 1), (std::vector<std::string>{r.code, r.code})) << r.bank;
        EXPECT_EQ(column(9, 1), (std::vector<std::string>{r.contra, ""})) << r.bank;
        EXPECT_EQ(column(10, 1)[0], std::string_view(r.code) == "Jnl" ? "Y" : "") << r.bank;
    }
}

TEST_F(Writers, AMissingNameIsTheFirstLinesExceptWhereMoneyMovesWithinTheBooks) {
    for (const auto& [type, name] : {std::pair{"Cheque", "Acme"}, std::pair{"General Journal", ""},
                                     std::pair{"Transfer", ""}, std::pair{"Build", ""}}) {
        writeReport(
            report({std::string("1|") + type + "|1/07/2011|5|Acme|||1-1100 · Cheque Account||-10|",
                    "|||||||6-1000 · Freight||10|", "|||||||||-10|"}));
        ASSERT_EQ(convert(), "");
        // MAS writes the first line last.
        EXPECT_EQ(column(8, 1), (std::vector<std::string>{name, "Acme"})) << type;
    }
}

}  // namespace
}  // namespace tav::test
