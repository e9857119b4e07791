#include <gtest/gtest.h>

#include "convert/ConvertFixture.h"
#include "safe/Platform.h"
#include "safe/SafeMethods.h"
#include "safe/TextCodec.h"

namespace tav::test {
namespace {

// ---- Whole conversions against the golden files in tests/data/<case>/ -------------
// Each case holds the report (Journal.txt), the lists and mapping (setup.txt, read by
// ConvertFixture::loadSetup) and the import file expected byte for byte (expected.txt).

class Golden : public ConvertFixture, public ::testing::WithParamInterface<const char*> {
protected:
    std::string caseFile(const std::string& name) const {
        return platform::joinPath(platform::joinPath(TAV_TEST_DATA_DIR, GetParam()), name);
    }
};

TEST_P(Golden, ConvertsToTheExpectedImportFile) {
    loadSetup(caseFile("setup.txt"));
    const size_t prompts = ui.answers.size();
    writeReport(readFile(caseFile("Journal.txt")));
    EXPECT_EQ(convert(), "");
    EXPECT_EQ(output(), readFile(caseFile("expected.txt")));
    EXPECT_EQ(ui.messages.size(), prompts);
    EXPECT_FALSE(run.blnConversionStopped);
}

// QuickBooks saves reports in Windows-1252: the import file keeps that encoding.
TEST_P(Golden, AWindows1252ReportConvertsToTheSameBytes) {
    loadSetup(caseFile("setup.txt"));
    writeReport(utf8ToWindows1252(readFile(caseFile("Journal.txt"))));
    EXPECT_EQ(convert(), "");
    const std::string expected = readFile(caseFile("expected.txt"));
    EXPECT_EQ(output(), utf8ToWindows1252(expected));
    EXPECT_NE(output(), expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, Golden,
                         ::testing::Values("mas-cheque", "mas-journals-omitted", "accounts-amounts",
                                           "ao-invoice"));

// ---- The driver ----------------------------------------------------------------

class Driver : public ConvertFixture {
protected:
    Driver() { mapStandard(); }
};

constexpr const char* kMasHeader = "\"V\" \",\" Conv. from Journal on 01/07/2011";

std::string invoice(int number, const std::string& date = "1/07/2011") {
    const std::string n = std::to_string(number);
    return n + "\tInvoice\t" + date + "\tINV" + n +
           "\tSmith\t\t\t1-1200 · Trade Debtors\t\t10\t\r\n" +
           "\t\t\t\t\t\t\t4-1000 · Sales\t\t-10\t\r\n" + "\t\t\t\t\t\t\t\t\t10\t\r\n";
}

TEST_F(Driver, AWrongHeaderRowLeavesThePreviousImportFile) {
    writeReport("Trans #\tType\tDate\r\n" + invoice(1));
    EXPECT_EQ(convert(),
              "modConvert.bas\tsfReadCreateWriteHeader\t0\tYour QuickBooks Journal file header is "
              "not correct. This is usually because the wrong columns have been included in the "
              "Journal report. Please return to QuickBooks and follow the TAV instructions to "
              "create the report and export the transactions again.\r\n");
    EXPECT_TRUE(previousImportKept());
}

TEST_F(Driver, AReportWithoutTransactionsGivesTheFileHeaderOnly) {
    st.gstrJournalFile = dir.file("data.journal");
    writeReport(report({"TOTAL|||||||||0.00|"}));
    EXPECT_EQ(convert(), "");
    EXPECT_EQ(output(), crlf({"\"V\" \",\" Conv. from data.jou on 01/07/2011"}));

    st.gintTargetApp = target::AccountantsOfficeNZ;
    EXPECT_EQ(convert(), "");
    EXPECT_EQ(output(), crlf({"Ext_Date,Ext_TrType,,Ext_Ref,Ext_AccNo,Ext_Amt,,Ext_Desc"}));

    st.gintTargetApp = target::Accounts;
    EXPECT_TRUE(convert().ends_with(
        "\t0\tNo accounts found in QuickBooks Journal Report file. Follow the instructions to "
        "export the QuickBooks Journal Report again.\r\n"));
}

TEST_F(Driver, NoAtTheThirdTransactionKeepsTheFirstTwo) {
    writeReport(report({}) + invoice(1) + invoice(2) + invoice(3, "32/07/2011") + invoice(4));
    EXPECT_EQ(convert(), "");
    EXPECT_TRUE(run.blnConversionStopped);
    EXPECT_EQ(ui.titles(), std::vector<std::string>{"Error in data"});
    EXPECT_EQ(output(), crlf({kMasHeader, "01/07/2011,SDB,,INV1,400,-10.00,,Smith,600,,,0.00",
                              "01/07/2011,SDB,,INV1,600,10.00,,Smith,,,,0.00",
                              "01/07/2011,SDB,,INV2,400,-10.00,,Smith,600,,,0.00",
                              "01/07/2011,SDB,,INV2,600,10.00,,Smith,,,,0.00"}));
    EXPECT_EQ(run.transactionsWritten, 2);
    EXPECT_EQ(run.linesWritten, 5);
}

TEST_F(Driver, AnAmountOutOfRangeEndsTheRunWithoutWritingMore) {
    st.gintTargetApp = target::Accounts;
    writeReport(report({"9|Invoice|1/07/2011|INV9|Smith|||1-1200 · Trade Debtors||10|",
                        "|||||||4-1000 · Sales|GST|-100|-1,000,000,000", "|||||||||10|"}) +
                invoice(10));
    EXPECT_EQ(convert(), "");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "Amount out of range");
    EXPECT_EQ(ui.messages[0].text,
              "One of the tax amounts in transaction number 9 is >= $10 Billion or <= - $1 "
              "Billion. The 'Accounts' import function cannot handle values outside this range. "
              "The conversion has been aborted. Please check the tax amounts for this "
              "transaction. Fix or split the transaction if necessary and re-export the Journal "
              "report");
    EXPECT_TRUE(run.blnAmountOutOfRange && run.blnConversionStopped);
    EXPECT_TRUE(output().ends_with(  // the line before it stays, nothing after it is written
        "\"TR\",\"9\",\"0\",\"N\",\"01/07/2011\",\"1-1200\",\"\",\"INV9\",\"10.00\",\"\","
        "\"\",\"O\",\"\",\"Smith\"\r\n"));

    writeReport(report({"9|Invoice|1/07/2011|INV9|Smith|||1-1200 · Trade Debtors||10|",
                        "|||||||4-1000 · Sales||10,000,000,000|", "|||||||||10|"}));
    ui.messages.clear();
    EXPECT_EQ(convert(), "");
    EXPECT_TRUE(ui.messages.at(0).text.starts_with(
        "One of the amounts (inc. tax) in transaction number 9 is >= $10 Billion"));
}

TEST_F(Driver, LongTransactionsGoOnUnderANewNumberEveryHundredLines) {
    st.gintTargetApp = target::Accounts;
    auto longReport = [](const char* number, int lines) {
        std::string r = report({std::string(number) + "|Bill|1/07/2011|B||||6-1000 · Freight||1|"});
        for (int i = 1; i < lines; ++i) r += "\t\t\t\t\t\t\t6-1000 · Freight\t\t1\t\r\n";
        return r + "\t\t\t\t\t\t\t\t\t0\t\r\n";
    };
    writeReport(longReport("42", 150));
    EXPECT_EQ(convert(), "");
    const StrArray lines = vbSplit(output(), "\r\n");
    const std::string rest =
        "\"N\",\"01/07/2011\",\"6-1000\",\"\",\"B\",\"1.00\",\"\",\"\",\"O\",\"\",\"\"";
    EXPECT_EQ(lines[2], "\"TR\",\"42\",\"0\"," + rest);
    EXPECT_EQ(lines[101], "\"TR\",\"42\",\"99\"," + rest);
    EXPECT_EQ(lines[102], "\"TR\",\"100042\",\"0\"," + rest);
    EXPECT_EQ(lines[151], "\"TR\",\"100042\",\"49\"," + rest);

    writeReport(longReport("40000", 101));
    EXPECT_TRUE(
        convert().starts_with("modConvertToAccounts.bas\tsfConvertToAccounts\t6\tOverflow\r\n"
                              "modConvert.bas\tsfReadConvertAppend\t0\tError converting "
                              "transaction to Accounts\r\n"));
}

TEST_F(Driver, AWriterFailureLeavesThePreviousImportFile) {
    st.gcolTaxCodeTaxItemLinks.Add({"FRE", "FRE", "FRE"});  // a code without a mapping
    writeReport(report({"1|Cheque|1/07/2011|5|Acme|||1-1100 · Cheque Account||-30|",
                        "|||||||6-1000 · Freight|GST|10|1", "|||||||6-1000 · Freight|FRE|19|",
                        "|||||||||-30|"}));
    const Sem e = convert();
    EXPECT_TRUE(
        e.ends_with("\tError mapping tax codes in conversion of transaction number "
                    "1\r\n\r\nmodConvert.bas\tsfReadConvertAppend\t0\tError converting "
                    "transaction to MAS\r\n"))
        << e;
    EXPECT_TRUE(previousImportKept());
}

TEST_F(Driver, QuotesAndLineEndsInNamesStayInsideTheirFieldsAndLines) {
    // 'Accounts' quotes every field and doubles a quote inside one: in a name here, in a memo
    // below.
    st.gintTargetApp = target::Accounts;
    writeReport(
        report({"1|Invoice|1/07/2011|INV1|Smith \"Jnr\"|Big order||1-1200 · Trade "
                "Debtors||10|",
                "|||||||4-1000 · Sales \"Cafe\"||-10|", "|||||||||10|", "TOTAL|||||||||0|"}));
    EXPECT_EQ(convert(), "");
    EXPECT_EQ(
        output(),
        crlf(
            {"\"XLON2\",\"Journal\",\"01/07/2011\",\"01/07/2011\"",
             "\"AC\",\"1-1200\",\"Trade Debtors\"", "\"AC\",\"4-1000\",\"Sales \"\"Cafe\"\"\"",
             "\"TR\",\"1\",\"0\",\"N\",\"01/07/2011\",\"1-1200\",\"\",\"INV1\",\"10.00\",\"\",\"\","
             "\"O\",\"\",\"Smith \"\"Jnr\"\" - Big order\"",
             "\"TR\",\"1\",\"1\",\"N\",\"01/07/"
             "2011\",\"4-1000\",\"\",\"INV1\",\"-10.00\",\"\",\"\","
             "\"O\",\"\",\"\""}));
    // So does a reference cut to its seven characters, an account number, and a description
    // cut to its sixty.
    const std::string name(50, 'n');
    writeReport(report({"2|Invoice|1/07/2011|AB\"CDEFG|" + name +
                            "|a\"bc\"defghij||1-\"200 · Trade "
                            "Debtors||10|",
                        "|||||||4-1000 · Sales||-10|", "|||||||||10|", "TOTAL|||||||||0|"}));
    EXPECT_EQ(convert(), "");
    EXPECT_EQ(vbSplit(output(), "\r\n").at(3),
              "\"TR\",\"2\",\"0\",\"N\",\"01/07/2011\",\"1-\"\"200\",\"\",\"AB\"\"CDEF\",\"10.00\","
              "\"\",\"\",\"O\",\"\",\"" +
                  name + " - a\"\"bc\"\"de\"");

#ifdef _WIN32
    GTEST_SKIP() << "Windows file names hold no line ends or double quotes";
#else
    // A report's file name goes into the file header: a line end never splits it, and the
    // MAS header, which is not quoted, takes no comma or quote from it.
    st.gstrJournalFile = dir.file("Jour\r\nnal, \"A\".txt");
    writeReport(report({"TOTAL|||||||||0|"}));
    st.gintTargetApp = target::MasAU;
    EXPECT_EQ(convert(), "");
    EXPECT_EQ(output(), crlf({"\"V\" \",\" Conv. from Jour  nal A on 01/07/2011"}));
    st.gintTargetApp = target::Accounts;
    writeReport(report({"1|Invoice|1/07/2011|INV1|Smith|||1-1200 · Trade Debtors||10|",
                        "|||||||4-1000 · Sales||-10|", "|||||||||10|", "TOTAL|||||||||0|"}));
    EXPECT_EQ(convert(), "");
    EXPECT_TRUE(output().starts_with(
        "\"XLON2\",\"Jour  nal, \"\"A\"\"\",\"01/07/2011\",\"01/07/2011\"\r\n\"AC\""));
#endif
}

TEST_F(Driver, ATaxItemWithACommaDoesNotSplitAnAccountantsOfficeLine) {
    st.gintTargetApp = target::AccountantsOfficeAU;
    st.gcolTaxCodeTaxItemLinks.Add({"CAP", "GST, capital", ""});
    writeReport(report({"1|Cheque|1/07/2011|5|Acme|||1-1100 · Cheque Account||-33|",
                        "|||||||6-1000 · Freight|CAP|30|3", "|||||||||-33|"}));
    EXPECT_EQ(convert(), "");
    EXPECT_EQ(output(), crlf({"Ext_Date,Ext_TrType,,Ext_Ref,Ext_AccNo,Ext_Amt,,Ext_Desc",
                              "01/07/2011,Q,,5,685,-33.00,,Acme",
                              "01/07/2011,Q,,5,720,30.00,,Acme (GST capital 3.00)"}));
}

}  // namespace
}  // namespace tav::test
