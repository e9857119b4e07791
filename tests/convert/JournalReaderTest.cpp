#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "convert/ConvertFixture.h"
#include "safe/SafeMethods.h"

namespace tav::test {
namespace {

using Transactions = std::vector<std::vector<std::string>>;

class JournalReader : public ConvertFixture {
protected:
    JournalReader() { mapStandard(); }

    std::string log() const { return readFile(dir.file("TAV.log")); }
};

// The reader's fields are a split line's, commas deleted: tabs and commas anywhere in
// lines of every length around the eight and sixteen bytes looked at together, copied
// apart or into the room a transaction gives.
TEST(ReportLine, FieldsAreThoseOfASplitLineWithoutCommas) {
    std::vector<std::string> lines = {
        "",
        "a",
        "\t",
        "\t\t\t\t\t\t\t\t\t0.00\t",
        "1\tInvoice\t1/07/2011\tINV,1\tSmith, J\t\t\t1-1200 · Debtors\t\t1,234.50\t",
        "\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t,",
        "12\tCheque\t1/07/2011\t9\tHarbour, Fish & Co\tRolls\t\t680 · Bank\tGST\t-12,345.67"
        "\t-1,122.33\textra",
    };
    std::mt19937 random(7);
    for (size_t size = 1; size <= 50; ++size) {
        for (int round = 0; round < 30; ++round) {
            std::string line(size, 'x');
            // A minus after a comma, and bytes with their top bit set, next to commas.
            for (char& c : line) c = "x\t,\t,-\xB7\xAC"[random() % 8];
            lines.push_back(line);
        }
    }
    for (const std::string& line : lines) {
        const StrArray split = vbSplit(line, "\t");
        ReportFields r, inRoom;
        std::string room(line.size() + 8, '?');
        ASSERT_EQ(r.split(line), split.size()) << line;
        ASSERT_EQ(inRoom.split(line, TextReader::marksOf(line, col::Count), room.data()),
                  split.size());
        for (size_t i = 0; i < split.size(); ++i) {
            if (i >= col::Count) continue;
            std::string withoutCommas = split[i];
            std::erase(withoutCommas, ',');
            EXPECT_EQ(r[i], withoutCommas) << line << " field " << i;
            EXPECT_EQ(inRoom[i], withoutCommas) << line << " field " << i;
        }
    }
}

// A transaction's lines keep their fields while later lines and texts are added, and when
// the read buffer holding them moves.
TEST(ReportLine, TransactionLinesKeepTheirFieldsAsTheTransactionGrowsAndMoves) {
    const std::string first =
        "1\tInvoice\t1/07/2011\tINV,1\tSmith, J\t\tGST\t1-1200 · Debtors\tS\t1,234.50\t5";
    const std::string next = "\t\t\t\t\t\t\t4-1000 · Sales\tS\t-10\t-1";
    std::string buffer = first;
    for (int i = 0; i < 200; ++i) buffer += next;
    auto joined = [](JournalLine line) {
        std::string out;
        for (size_t i = 0; i < line.size(); ++i) out.append(i ? "|" : "").append(line[i]);
        return out;
    };
    JournalTransaction t;
    ReportFields r;
    r.split(std::string_view(buffer).substr(0, first.size()));
    t.add(r, buffer.data());
    t.copyLast(col::Item, col::TaxItem);
    for (int i = 0; i < 200; ++i) {
        r.split(std::string_view(buffer).substr(first.size() + i * next.size(), next.size()));
        t.add(r, buffer.data());
        t.setLast(col::Amount, "-10.00");
    }
    // Fields without commas copied where the transaction keeps them, as the reader copies
    // them: they stay readable in the line while the transaction's text grows under it.
    const std::string withCommas = "\t\t\t\tAcme, Ltd\t\t\t4-1000 · Sales\tS\t-1,000.00\t";
    buffer += withCommas;
    const std::string_view last =
        std::string_view(buffer).substr(buffer.size() - withCommas.size());
    for (int i = 0; i < 3; ++i) {
        r.split(last, TextReader::marksOf(last, col::Count), t.roomForLine(last.size() + 8));
        t.add(r, buffer.data());
        if (i < 2) {
            t.setLast(col::TaxItem, std::string(5000, 'T'));
            EXPECT_EQ(r[col::Name], "Acme Ltd");
            t.removeLast();
        }
    }
    EXPECT_EQ(joined(t.line(202)), "||||Acme Ltd|||4-1000 · Sales|S|-1000.00|");
    t.removeLast();
    const std::string moved = buffer;
    buffer.assign(buffer.size(), '?');
    t.moved(moved.data());
    EXPECT_EQ(t.Count(), 201);
    EXPECT_EQ(joined(t.Item(1)),
              "1|Invoice|1/07/2011|INV1|Smith J||GST|1-1200 · Debtors|GST|1234.50|5");
    EXPECT_EQ(joined(t.Item(201)), "|||||||4-1000 · Sales|S|-10.00|-1");
    t.removeLast();
    EXPECT_EQ(t.Count(), 200);
    EXPECT_THROW(t.Item(201), RuntimeError);
    t.clear();
    EXPECT_TRUE(t.empty());
    // A line without a tax amount shares the transaction's zero, before any text of its own
    // and after.
    r.split(next);
    for (int i = 0; i < 2; ++i) {
        t.add(r, next.data());
        t.setLastZero(col::TaxAmount);
        if (i == 1) t.setLast(col::Amount, "-10.00");
    }
    EXPECT_EQ(joined(t.Item(1)), "|||||||4-1000 · Sales|S|-10|0.00");
    EXPECT_EQ(joined(t.Item(2)), "|||||||4-1000 · Sales|S|-10.00|0.00");
}

TEST_F(JournalReader, HeaderRowMustBeOneOfTheTwoExactly) {
    const std::string memo = report({}).substr(0, report({}).size() - 2);
    const std::pair<std::string, bool> rows[] = {
        {memo, true},
        {"Trans #\tType\tDate\tNum\tName\tDescription\tItem\tAccount\tTax Code\tAmount\tTax Amount",
         true},
        {"Trans #\ttype\tDate\tNum\tName\tMemo\tItem\tAccount\tTax Code\tAmount\tTax Amount",
         false},
        {"Trans #\tType\tDate\tNum\tMemo\tName\tItem\tAccount\tTax Code\tAmount\tTax Amount",
         false},
        {memo + "\tBalance", false},
    };
    for (const auto& [row, accepted] : rows) {
        openReport(row + "\r\n");
        bool ok = !accepted;
        EXPECT_EQ(sfReadAndCheckHeader(st, ok), "");
        EXPECT_EQ(ok, accepted) << row;
    }
}

TEST_F(JournalReader, LinesBecomeTransactionsWithTaxItemsAndFormattedAmounts) {
    writeReport(report({
        "1|Invoice|1/07/2011|INV-1|Smith, J|||1-1200 · Trade Debtors||1,234.50|",
        "||||Smith, J|Freight, local||6-1000 · Freight|GST|-1,122.27|-112.23",
        "||||||GST|2-1310 · GST Payable||-112.23|",  // QuickBooks' tax line
        "|||||||||1,234.50|",
        "2|General Journal|2/07/2011|GJ1|||GST|6-1000 · Freight||100|10",
        "|||||||1-1100 · Cheque Account|GST|-100|-10",       // a code without an item
        "3|Bill|3/07/2011|B7||||6-1000 · Freight|CAG|50|5",  // no closing line
        "|||||||1-1100 · Cheque Account||-55|",
        "|||||||||0|",
        "TOTAL|||||||||1,334.50|",
        "4|Bill|4/07/2011|B8||||6-1000 · Freight||1|",
    }));
    EXPECT_EQ(readTransactions(),
              (Transactions{
                  {"1|Invoice|1/07/2011|INV-1|Smith J|||1-1200 · Trade Debtors||1234.50|0.00",
                   "||||Smith J|Freight local||6-1000 · Freight|GST|-1122.27|-112.23"},
                  {"2|General Journal|2/07/2011|GJ1|||GST|6-1000 · Freight|GST|100.00|10.00",
                   "|||||||1-1100 · Cheque Account||-100.00|0.00",
                   "3|Bill|3/07/2011|B7||||6-1000 · Freight|CAG|50.00|5.00",
                   "|||||||1-1100 · Cheque Account||-55.00|0.00"},
              }));
    EXPECT_EQ(failure, "");
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(JournalReader, AccountantsOfficeKeepsTaxLinesThatCarryAnAmount) {
    st.gintTargetApp = target::AccountantsOfficeAU;
    writeReport(report({
        "1|Invoice|1/07/2011|INV-1|Smith|||1-1200 · Trade Debtors||110|",
        "||||||GST|2-1310 · GST Payable|GST|-10|",
        "||||||GST|2-1310 · GST Payable||0.00|",
        "||||||GST|2-1310 · GST Payable||-2.50|",
        "||||||GST|2-1310 · GST Payable||-0.0|",
        "||||||GST|2-1310 · GST Payable|||",
        "||||||FRE|2-1310 · GST Payable||-3|",  // FRE is not a mapped tax item
        "|||||||||0|",
        "total",
    }));
    EXPECT_EQ(readTransactions(),
              (Transactions{{
                  "1|Invoice|1/07/2011|INV-1|Smith|||1-1200 · Trade Debtors||110.00|0.00",
                  "||||||GST|2-1310 · GST Payable|GST|-10.00|0.00",
                  "||||||GST|2-1310 · GST Payable||-2.50|0.00",
                  "||||||FRE|2-1310 · GST Payable||-3.00|0.00",
              }}));
}

TEST_F(JournalReader, ALineWithoutElevenFieldsEndsTheConversion) {
    for (const std::string& bad :
         {std::string("1|Invoice"), std::string(9, '|'), std::string(11, '|'), std::string()}) {
        writeReport(
            report({"1|Invoice|1/07/2011|INV-1|Smith|||1-1200 · Trade Debtors||110|", bad}));
        failure.clear();
        EXPECT_TRUE(readTransactions().empty());
        std::string m, p, d;
        long n = 0;
        sfSemParse(failure, m, p, n, d, bad.empty() ? 1 : 0);
        EXPECT_EQ(d, "Not able to verify the number of fields in transaction line") << bad;
    }
}

TEST_F(JournalReader, YesAfterAnInvalidDateSkipsTheRestOfThatTransaction) {
    ui.answers = {Answer::Yes};
    writeReport(report({
        "7|Invoice|31/06/2011|INV-7|Smith|||1-1200 · Trade Debtors||110|",
        "||||Smith|||4-1000 · Sales||-110|",
        "|||||||||110|",
        "8|Invoice|1/07/2011|INV-8|Jones|||1-1200 · Trade Debtors||5|",
        "|||||||||5|",
    }));
    EXPECT_EQ(
        readTransactions(),
        (Transactions{{"8|Invoice|1/07/2011|INV-8|Jones|||1-1200 · Trade Debtors||5.00|0.00"}}));
    ASSERT_EQ(ui.messages.size(), 1u);
    const Message& m = ui.messages[0];
    EXPECT_EQ(m.title, "Error in data");
    EXPECT_EQ(m.buttons, Buttons::YesNo);
    EXPECT_EQ(m.icon, Icon::Exclamation);
    EXPECT_EQ(m.defaultButton, DefaultButton::Second);
    EXPECT_EQ(m.text,
              "Invalid date in transaction number 7\r\nDo you want to continue with the "
              "conversion? (to check the remaining data).\r\nIf you select 'Yes', this "
              "transaction will be omitted from the conversion process. If you select 'No', "
              "please ensure your Windows Regional Settings are set to English(Australian), then "
              "check the dates in the QuickBooks Journal before saving it to file again.");
    EXPECT_EQ(run.transactionsOmitted, 1);
    EXPECT_EQ(log().substr(19),
              "\r\nmodConvert.bas\tsfReadInTransaction\tInvalid Date in "
              "transaction number 7\r\n\r\n");
}

TEST_F(JournalReader, NoStopsQuietly) {
    writeReport(
        report({"1|Invoice|1/07/2011|INV-1|Smith|||1-1200 · Trade Debtors||abc|", "|||||||||110|",
                "2|Invoice|1/07/2011|INV-2|Smith|||1-1200 · Trade Debtors||1|", "|||||||||1|"}));
    EXPECT_TRUE(readTransactions().empty());
    EXPECT_EQ(failure, "");
    EXPECT_TRUE(run.blnConversionStopped);
    EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(JournalReader, EveryDataErrorIsLoggedThenPrompted) {
    const std::string first = "5|Bill|1/07/2011|B5|Acme|||1-1100 · Cheque Account|";
    struct Case {
        std::vector<std::string> rows;
        const char* promptStart;
        const char* logged;
    };
    const Case cases[] = {
        {{"|||||||||1|"},
         "First part of transaction missing.",
         "First part of transaction missing."},
        {{"x|Bill|1/07/2011|||||6-1000 · Freight||1|"}, "Invalid data.", "Invalid data."},
        {{"|||||||6-1000 · Freight||1|"}, "Invalid data.", "Invalid data."},
        {{first + "XYZ|-5|"},
         "An error occurred in transaction number 5 when converting tax code 'XYZ'.\r\n"
         "modConvert.bas\tsfConvertTaxCodeToTaxItem\t0\tTax Code 'XYZ' not found",
         "Error in txn number 5 converting tax code 'XYZ'."},
        {{first + "|x|"},
         "Invalid Amount data in transaction: 5\r\nmodConvert.bas\tsfCheckAndFormatAmount\t0\t"
         "Invalid 'Amount' data\r\n\r\nDo you want to continue with the conversion? (to check "
         "the remaining data)\r\nIf you select 'Yes', this transaction will be omitted from the "
         "conversion process. If you select 'No', you can check the amounts for this "
         "transaction in the QuickBooks Journal for errors, then try the export again.",
         "Invalid Amount in transaction number 5"},
        {{first + "GST|-5|x"},
         "Invalid Tax Amount data in transaction: 5\r\n",
         "Invalid Tax Amount in transaction number 5"},
        {{first + "|-5|", "|||||||6-1000 · Freight|GST|5|x"},
         "Invalid Tax Amount in transaction number 5\r\n",
         "Invalid Tax Amount in transaction number 5"},
        {{first + "|-5|", "|||||||6-1000 · Freight||5x|"},
         "Invalid Amount in transaction number 5\r\n",
         "Invalid Amount in transaction number 5"},
    };
    for (const Case& c : cases) {
        std::string rows;
        for (std::string row : c.rows) {
            std::replace(row.begin(), row.end(), '|', '\t');
            rows += row + "\r\n";
        }
        writeReport(report({}) + rows);
        ui.messages.clear();
        failure.clear();
        std::filesystem::remove(dir.file("TAV.log"));
        EXPECT_TRUE(readTransactions().empty());
        ASSERT_EQ(ui.messages.size(), 1u) << c.logged;
        EXPECT_TRUE(ui.messages[0].text.starts_with(c.promptStart)) << ui.messages[0].text;
        EXPECT_EQ(log().substr(19),
                  std::string("\r\nmodConvert.bas\tsfReadInTransaction\t") + c.logged + "\r\n\r\n");
    }
}

TEST_F(JournalReader, DateRangeOfTheDatedLines) {
    openReport(report({"1|Bill|15/01/2011", "||28/06/2011", "||3/07/2010", "TOTAL|||"}));
    Date from, to;
    EXPECT_EQ(sfGetDateRange(st, ui, from, to), "");  // the header row's "Date" is passed over
    EXPECT_EQ(formatDate(from) + " " + formatDate(to), "03/07/2010 28/06/2011");

    openReport(report({"TOTAL|||"}));
    EXPECT_EQ(sfGetDateRange(st, ui, from, to), "");
    EXPECT_TRUE(from == Date::earliest() && to == Date::earliest());
}

TEST_F(JournalReader, AccountsInOrderOfFirstUseOncePerNumber) {
    const std::string bytes = report({"1|Bill|1/07/2011|||||6-1000 · Freight, Cartage||1|",
                                      "|||||||1-1100 · Cheque Account||-1|", "|||||||||0|",
                                      "2|Bill|1/07/2011|||||6-1000 · Freight renamed||1|"});
    Collection<JournalAccount> pairs;
    openReport(bytes);
    EXPECT_EQ(sfExtractAccounts(st, ui, pairs), "");
    EXPECT_EQ(
        std::vector<JournalAccount>(pairs.begin(), pairs.end()),
        (std::vector<JournalAccount>{{"6-1000", "Freight Cartage"}, {"1-1100", "Cheque Account"}}));

    Collection<std::string> numbers;
    numbers.Add("1-1100");
    openReport(bytes);
    EXPECT_EQ(sfExtractAccounts(st, ui, numbers), "");
    EXPECT_EQ(std::vector<std::string>(numbers.begin(), numbers.end()),
              (std::vector<std::string>{"1-1100", "6-1000"}));

    openReport(report({"1|Bill|1/07/2011|||||Cash at Bank||1|"}));
    EXPECT_TRUE(sfExtractAccounts(st, ui, numbers)
                    .ends_with("\t0\tAt least one account used in transactions does not have an "
                               "account number. The first such account found is Cash at Bank . "
                               "Make sure that all QuickBooks accounts are numbered before "
                               "exporting the Journal file and getting lists again from "
                               "QuickBooks.\r\n"));
}

}  // namespace
}  // namespace tav::test
