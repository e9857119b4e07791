#include <gtest/gtest.h>

#include <array>

#include "convert/TextTable.h"
#include "convert/modConvert.h"
#include "shell/ProgramState.h"

namespace tav {
namespace {

TEST(AccountText, SplitsAtTheFirstMiddleDot) {
    const std::array<const char*, 3> cases[] = {
        {"1-1100 · Cash at Bank", "1-1100", "Cash at Bank"},
        {"  2-1310 · GST Payable  ", "2-1310", "GST Payable"},
        {"42 · Café · Bar", "42", "Café · Bar"},
        {"Cash at Bank", "", "Cash at Bank"},
    };
    for (const auto& [text, number, name] : cases) {
        std::string n, m;
        EXPECT_EQ(sfNumberOnly(text, n) + sfNameOnly(text, m), "");
        EXPECT_EQ(n + "|" + m, std::string(number) + "|" + name);
    }
    std::string n;
    EXPECT_EQ(sfNumberOnly("· Cash", n),
              "modConvert.bas\tsfNumberOnly\t5\tInvalid procedure call or argument\r\n");
}

// Texts are compared a word at a time: a difference in any byte, of any length, counts.
TEST(TextTable, TextsDifferingInAnyByteAreDifferent) {
    for (size_t n = 0; n <= 20; ++n) {
        const std::string text(n, 'a');
        EXPECT_TRUE(sameText(text, std::string(n, 'a'))) << n;
        EXPECT_FALSE(sameText(text, std::string(n + 1, 'a'))) << n;
        for (size_t at = 0; at < n; ++at) {
            std::string other = text;
            other[at] = 'b';
            EXPECT_FALSE(sameText(text, other)) << n << " at " << at;
        }
    }
}

// Import lines are put together where they lie in the buffer: a line that outgrows it
// moves it, keeping the lines before and the line's own beginning.
TEST(ImportLines, KeepEveryByteWhenALineOutgrowsTheBuffer) {
    ImportLines lines;
    std::string expected;
    for (const size_t pieces : {3, 500, 1, 2000, 0}) {
        ImportLine line = lines.begin();
        for (size_t i = 0; i < pieces; ++i) {
            const std::string piece(i % 41, static_cast<char>('a' + i % 26));
            line.put(piece);
            line.comma();
            line.put('"');
            line.putQuoted("say \"" + piece + "\"");
            line.put("\",");
            expected += piece + ",\"say \"\"" + piece + "\"\"\",";
        }
        lines.end(line);
        expected += "\r\n";
    }
    EXPECT_EQ(lines.bytes(), expected);
    EXPECT_EQ(lines.lines(), 5);
}

TEST(CheckAndFormatAmount, WritesExactCentsOrRefusesTheText) {
    const std::pair<const char*, const char*> cases[] = {
        {"1234", "1234.00"},          {"-0.456", "-0.46"},   {".5", "0.50"},
        {"1234567.89", "1234567.89"}, {"(12.50)", "-12.50"}, {" -$7 ", "-7.00"},
        {"-0.004", "0.00"},           {"-0.00", "0.00"},     {"007.50", "7.50"},
    };
    for (const auto& [text, formatted] : cases) {
        std::string amount = text;
        EXPECT_EQ(sfCheckAndFormatAmount(amount), "") << text;
        EXPECT_EQ(amount, formatted) << text;
    }
    for (const char* text : {"abc", "", "1,234.50"}) {
        std::string amount = text;
        EXPECT_EQ(sfCheckAndFormatAmount(amount),
                  "modConvert.bas\tsfCheckAndFormatAmount\t0\tInvalid 'Amount' data\r\n");
        EXPECT_EQ(amount, text);
    }
}

TEST(CheckAndFormatAmount, ReadsTheWrittenFormOfAnyLengthIntoCents) {
    const std::string sixteen = "9999999999999999", thirty = sixteen + "99999999999999";
    const std::pair<std::string, std::string> read[] = {
        {"0.05", "0.05"},
        {"-" + sixteen + ".99", "-" + sixteen + ".99"},
        {"1" + sixteen + ".01", "1" + sixteen + ".01"},
        {"-" + thirty + ".99", "-" + thirty + ".99"},
    };
    for (const auto& [text, value] : read) {
        std::optional<Money> v;
        EXPECT_TRUE(isFormattedAmount(text, &v)) << text;
        ASSERT_TRUE(v) << text;
        EXPECT_EQ(v->fixed(), value);
    }
    std::optional<Money> v = Money();
    EXPECT_TRUE(isFormattedAmount("1" + thirty + ".00", &v));  // no Money holds it
    EXPECT_FALSE(v);
    for (const std::string& text :
         std::initializer_list<std::string>{"-0.00", "01.00", "1.5", "1.2.3", "1" + sixteen + ".0x",
                                            "0" + sixteen + ".00", "1" + thirty + "x.00"})
        EXPECT_FALSE(isFormattedAmount(text)) << text;
}

class Lookups : public ::testing::Test {
protected:
    Lookups() {
        st.gcolTaxCodeTaxItemLinks.Add({"GST", "GST-P", "GST-S"});
        st.gcolTaxCodeTaxItemLinks.Add({"CAG", "CAG", ""});
        st.gcolTaxCodeTaxItemLinks.Add({"NIL", "", ""});
        st.gcolTaxCodeTaxItemLinks.Add({"GST", "later", "later"});
        st.gcolMappedTaxCodes.Add({"GST", "G1", "1"});
        st.gcolMappedTaxCodes.Add({"GST", "G2", "2"});
        st.gcolMappedAccounts.Add({"Bank", "1-1100", "Cheque", "1", "685", "Bank"});
        st.gcolMappedAccounts.Add({"Expense", "6-1000", "Freight", "2", "", ""});
    }
    ProgramState st;
};

TEST_F(Lookups, TaxItemOfACodeDependsOnPurchaseOrSale) {
    const ConversionLookups lk(st);
    const std::array<const char*, 3> cases[] = {
        {"GST", "Bill", "GST-P"},     {"GST", "Bank Payment", "GST-P"},
        {"GST", "Invoice", "GST-S"},  {"GST", "Some New Type", "GST-S"},
        {"CAG", "Invoice", "CAG"},  // no sales item: the purchase item serves
        {"", "Invoice", "unchanged"},
    };
    for (const auto& [code, type, expected] : cases) {
        std::string item = "unchanged";
        EXPECT_EQ(sfConvertTaxCodeToTaxItem(lk, code, item, type), "");
        EXPECT_EQ(item, expected) << code << " " << type;
    }
    std::string item;
    EXPECT_EQ(sfConvertTaxCodeToTaxItem(lk, "NIL", item, "Bill"),
              "modConvert.bas\tsfConvertTaxCodeToTaxItem\t0\tThere are no tax items associated "
              "with tax code 'NIL'. Please check the tax code list and extract it again from "
              "QuickBooks.\r\n");
}

TEST_F(Lookups, MappedTaxCodeTakesTheLastMappingAndAccountsTheFirst) {
    st.gcolMappedAccounts.Add({"Bank", "1-1100", "Cheque", "1", "999", "Bank"});
    const ConversionLookups lk(st);
    std::string code, account = "x";
    EXPECT_EQ(sfMappedTaxCode(lk, " GST ", code) + sfMappedAccount(lk, "1-1100 · Cheque", account),
              "");
    EXPECT_EQ(code + " " + account, "G2 685");
    EXPECT_EQ(sfMappedAccount(lk, "6-1000 · Freight", account), "");  // not mapped yet
    EXPECT_EQ(account, "");
    EXPECT_TRUE(sfMappedAccount(lk, "Sales", account)
                    .ends_with("An account used in the transaction journal has no account number. "
                               "Please number all accounts in QuickBooks then export the Journal "
                               "report again.\r\n"));
    EXPECT_TRUE(
        sfMappedTaxCode(lk, "FRE", code)
            .ends_with(
                "\t0\tA mapped code could not be found for an input tax code. Please check the tax "
                "mapping before trying the conversion again.\r\n"));
}

}  // namespace
}  // namespace tav
