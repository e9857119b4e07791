#include "check/ConversionCheck.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "check/CheckPage.h"
#include "check/ImportFileReader.h"
#include "check/PostingDigest.h"
#include "check/ReportTally.h"
#include "convert/ConvertFixture.h"
#include "convert/TAVConvert.h"
#include "safe/Platform.h"
#include "safe/TextCodec.h"
#include "safe/TextReader.h"

namespace tav::test {
namespace {

using check::ConversionCheck;

// A conversion, then the check of the import file it wrote.
class Check : public ConvertFixture {
protected:
    // The check from what the conversion gathered, or from reading the report again.
    ConversionCheck checkRun(bool readingAgain = false) {
        ConversionCheck c;
        EXPECT_EQ(check::sfCheckConversion(st, ui, run, c, readingAgain), "");
        // What varies from run to run is not compared.
        c.reportFile = "Journal.txt";
        c.importFile = "TAVOutput.txt";
        c.checkedAt = "01/07/2011 09:00:00";
        return c;
    }
    ConversionCheck convertAndCheck(const std::string& report) {
        writeReport(report);
        EXPECT_EQ(convert(), "");
        return checkRun();
    }
    // The import file with one text replaced.
    void plant(const std::string& from, const std::string& to) {
        std::string bytes = output();
        const size_t at = bytes.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        bytes.replace(at, from.size(), to);
        writeFile(st.gstrOutputFile, bytes);
    }
    void useCase(const std::string& name) {
        caseDir = platform::joinPath(TAV_TEST_DATA_DIR, name);
        loadSetup(platform::joinPath(caseDir, "setup.txt"));
        writeReport(readFile(platform::joinPath(caseDir, "Journal.txt")));
    }
    std::string caseDir;
};

const check::TotalRow* row(const std::vector<check::TotalRow>& rows, const std::string& key) {
    for (const auto& r : rows)
        if (r.key == key) return &r;
    return nullptr;
}

std::vector<std::string> differing(const ConversionCheck& c) {
    std::vector<std::string> out;
    for (const auto& r : c.counts)
        if (r.differs()) out.push_back("count: " + r.what);
    for (const auto& r : c.masTypes)
        if (r.differs()) out.push_back("type: " + r.what);
    for (const auto& r : c.accounts)
        if (r.differs()) out.push_back("account " + r.key);
    for (const auto& r : c.taxCodes)
        if (r.differs()) out.push_back("tax " + r.key);
    for (const auto& u : c.unbalanced.rows)
        if (u.counts) out.push_back("unbalanced " + u.number);
    for (const auto& m : c.misread.rows) out.push_back("misread " + m.number + " " + m.text);
    for (const auto& l : c.lines.rows)
        out.push_back("line " + l.number + ": " + l.expected + " | " + l.found);
    for (const auto& p : c.fileProblems) out.push_back(p);
    return out;
}

// ---- The golden cases: a faithful conversion shows no difference ---------------------
// Each case's check is kept as CSV (check.csv) beside its expected import file; one case
// also as the page (check.html).

class GoldenCheck : public Check, public ::testing::WithParamInterface<const char*> {};

TEST_P(GoldenCheck, AFaithfulConversionMatchesAndGivesTheExpectedCheck) {
    useCase(GetParam());
    ASSERT_EQ(convert(), "");
    const ConversionCheck c = checkRun();
    const std::string csv = check::checkCsv(c);
    EXPECT_EQ(csv, readFile(platform::joinPath(caseDir, "check.csv")));
    const std::string page = platform::joinPath(caseDir, "check.html");
    if (platform::fileExists(page)) {
        EXPECT_EQ(check::checkPage(c), readFile(page));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, GoldenCheck,
                         ::testing::Values("mas-cheque", "mas-journals-omitted", "accounts-amounts",
                                           "ao-invoice"));

TEST_F(Check, WholeDollarsAreTheTargetsRuleAndAMissingTaxLineIsTheReports) {
    // 'Accounts' rounds large amounts to whole dollars: the journal no longer adds up, by
    // the target's rule, which is shown but not counted. The cheque carries tax on a line
    // but has no tax line, so its lines in the report do not add up.
    useCase("accounts-amounts");
    ASSERT_EQ(convert(), "");
    ConversionCheck c = checkRun();
    EXPECT_EQ(differing(c), std::vector<std::string>{"unbalanced 43"});
    ASSERT_EQ(c.unbalanced.rows.size(), 2u);
    EXPECT_EQ(c.unbalanced.rows[0].sums.report.fixed(), "-5000.00");
    EXPECT_EQ(c.unbalanced.rows[0].sums.import.fixed(), "0.00");
    EXPECT_EQ(c.unbalanced.rows[1].number, "44");
    EXPECT_EQ(c.unbalanced.rows[1].sums.import.fixed(), "-0.11");
    EXPECT_FALSE(c.unbalanced.rows[1].counts);
    EXPECT_EQ(check::summaryText(c), "check: 1 difference");
}

// Accountant's Office keeps the tax lines that post and notes the tax of the others.
TEST_F(Check, AccountantsOfficeTaxLinesAndNotedTax) {
    useCase("ao-invoice");
    ASSERT_EQ(convert(), "");
    ConversionCheck c = checkRun();
    EXPECT_EQ(differing(c), std::vector<std::string>{});
    EXPECT_EQ(row(c.accounts, "820")->import.fixed(), "490.00");
    EXPECT_EQ(row(c.taxCodes, "GST")->import.fixed(), "-10.00");

    plant("(GST -10.00)", "(GST -1.00)");
    c = checkRun();
    EXPECT_EQ(differing(c),
              (std::vector<std::string>{
                  "count: Transactions written", "tax GST",
                  "line 1: 01/07/2011 D ref 'PO-2011-0000' account 400 amount -100.00 noting GST "
                  "-10.00 | 01/07/2011 D ref 'PO-2011-0000' account 400 amount -100.00 noting "
                  "GST -1.00"}));
}

// ---- Planted faults of a writer show up as the right differences --------------------

TEST_F(Check, ACentChangedInTheImportFile) {
    useCase("mas-cheque");
    ASSERT_EQ(convert(), "");
    plant("720,100.00", "720,100.01");
    const ConversionCheck c = checkRun();
    const check::TotalRow* freight = row(c.accounts, "720");
    ASSERT_NE(freight, nullptr);
    EXPECT_TRUE(freight->differs());
    EXPECT_EQ(freight->transactions, std::vector<std::string>{"1"});
    EXPECT_EQ(differing(c),
              (std::vector<std::string>{
                  "count: Transactions written", "account 720", "unbalanced 1", "unbalanced 5",
                  "line 1: 01/07/2011 Pay ref 'CHQ-00' account 720 amount 100.00 tax code 'GST' "
                  "tax 10.00 | 01/07/2011 Pay ref 'CHQ-00' account 720 amount 100.01 tax code "
                  "'GST' tax 10.00"}));
    EXPECT_EQ(check::summaryText(c), "check: 5 differences");
    EXPECT_EQ(c.unbalanced.rows[0].why(), "Its lines in the import file differ from the report's.");
}

TEST_F(Check, ALineRemovedOrAddedIsFoundAndTheRestStillMatch) {
    useCase("mas-cheque");
    ASSERT_EQ(convert(), "");
    const std::string written = output();
    plant("02/07/2011,SDB,,INV-00,600,1234.50,,Smith J,,,,0.00\r\n", "");
    ConversionCheck c = checkRun();
    ASSERT_EQ(c.lines.rows.size(), 1u);
    EXPECT_EQ(c.lines.rows[0].number, "2");
    EXPECT_EQ(c.lines.rows[0].reportLine, 6u);
    EXPECT_EQ(c.lines.rows[0].importLine, 0u);
    EXPECT_TRUE(row(c.accounts, "600")->differs());
    EXPECT_FALSE(row(c.accounts, "400")->differs());
    EXPECT_EQ(c.counts.back().import, 10);

    writeFile(st.gstrOutputFile,
              written + "03/07/2011,Jnl,,DEP1,400,-500.00,,Takings,,Y,GST,0.00\r\n");
    c = checkRun();
    ASSERT_EQ(c.lines.rows.size(), 1u);
    EXPECT_EQ(c.lines.rows[0].importLine, 12u);
    EXPECT_EQ(c.lines.rows[0].number, "5");
    EXPECT_TRUE(row(c.accounts, "400")->differs());
}

// The import file is read back faster than line by line while it holds what the report
// calls for; a line end the writers do not write still breaks the line in two there.
TEST_F(Check, ALineEndInsideADescriptionIsADifference) {
    useCase("mas-cheque");
    ASSERT_EQ(convert(), "");
    const std::string written = output();
    for (const char* end : {"\r", "\n", "\r\r\n"}) {
        writeFile(st.gstrOutputFile, written);
        plant(",,Smith J,,", std::string(",,Smith") + end + "J,,");
        const ConversionCheck c = checkRun();
        ASSERT_FALSE(c.lines.rows.empty()) << end;
        EXPECT_EQ(c.lines.rows[0].found, "unreadable: not twelve comma-separated fields");
    }
}

TEST_F(Check, ALineWrittenToTheWrongAccount) {
    useCase("ao-invoice");
    ASSERT_EQ(convert(), "");
    plant("30/06/2011,J,,GJ2,720,", "30/06/2011,J,,GJ2,400,");
    const ConversionCheck c = checkRun();
    EXPECT_EQ(row(c.accounts, "720")->transactions, std::vector<std::string>{"2"});
    EXPECT_EQ(row(c.accounts, "400")->transactions, std::vector<std::string>{"2"});
    EXPECT_EQ(row(c.accounts, "400")->report.fixed(), "-150.00");
    EXPECT_EQ(row(c.accounts, "400")->import.fixed(), "-650.00");
}

TEST_F(Check, AnImportFileWithoutItsHeaderOrWithAnUnreadableLine) {
    useCase("ao-invoice");
    ASSERT_EQ(convert(), "");
    plant("Ext_Date,Ext_TrType,,Ext_Ref,Ext_AccNo,Ext_Amt,,Ext_Desc\r\n", "");
    ConversionCheck c = checkRun();
    EXPECT_EQ(c.fileProblems,
              std::vector<std::string>{
                  "The import file does not begin with the MYOB Accountants Office (Aust.) file "
                  "header."});
    plant("02/07/2011,P,,,685,50.00", "02/07/2011,P,,,685,50.0O");
    c = checkRun();
    ASSERT_EQ(c.lines.rows.size(), 1u);
    EXPECT_EQ(c.lines.rows[0].found,
              "unreadable: an amount that is not a number with two decimals");
}

// ---- The report's own faults ---------------------------------------------------------

TEST_F(Check, AEuropeanAmountIsFlaggedAndTheTransactionIsUnbalanced) {
    mapStandard();
    const ConversionCheck c = convertAndCheck(report({
        "7|Cheque|1/07/2011|100|Acme|||1-1100 · Cheque Account||-2.750,00|",
        "|||||||6-1000 · Freight||2750.00|",
        "|||||||||-2750.00|",
    }));
    ASSERT_EQ(c.misread.rows.size(), 1u);
    EXPECT_EQ(c.misread.rows[0].number, "7");
    EXPECT_EQ(c.misread.rows[0].line, 2u);
    EXPECT_EQ(c.misread.rows[0].text, "-2.750,00");
    EXPECT_EQ(c.misread.rows[0].read, "-2.75");
    EXPECT_NE(c.misread.rows[0].why.find("European"), std::string::npos);
    ASSERT_EQ(c.unbalanced.rows.size(), 1u);
    EXPECT_EQ(c.unbalanced.rows[0].sums.report.fixed(), "2747.25");
    EXPECT_EQ(c.differences(), 2);
}

// A comma that cannot be a thousands separator, whether the figures come from the
// conversion or from reading the report again.
TEST_F(Check, ACommaBeforeOtherThanThreeDigitsIsFlagged) {
    mapStandard();
    const ConversionCheck c = convertAndCheck(report({
        "7|General Journal|1/07/2011|GJ7||||6-1000 · Freight||1,0000.00|",
        "|||||||1-1100 · Cheque Account||-1,000.00|",
        "|||||||||0.00|",
        "8|General Journal|1/07/2011|GJ8||||6-1000 · Freight||10,00|",
        "|||||||1-1100 · Cheque Account||-1000|",
        "|||||||||0.00|",
    }));
    ASSERT_EQ(c.misread.rows.size(), 2u);
    EXPECT_EQ(c.misread.rows[0].text, "1,0000.00");
    EXPECT_EQ(c.misread.rows[1].text, "10,00");
    EXPECT_EQ(check::checkCsv(checkRun(true)), check::checkCsv(c));
}

// Only a first field of TOTAL, in any case, ends the report: "Totals" is a transaction
// whose number is not a number, where the run stops.
TEST_F(Check, ALineThatOnlyBeginsLikeTheTotalLineDoesNotEndTheReport) {
    mapStandard();
    ui.answers = {Answer::No};
    const ConversionCheck c = convertAndCheck(report({
        "Totals|General Journal|1/07/2011|GJ1||||6-1000 · Freight||10.00|",
        "|||||||1-1100 · Cheque Account||-10.00|",
        "|||||||||0.00|",
        "total|||||||||0.00|",
    }));
    EXPECT_EQ(c.counts[0].what, "Transactions in the Journal report");
    EXPECT_EQ(c.counts[0].report, 1);
    EXPECT_EQ(check::checkCsv(checkRun(true)), check::checkCsv(c));
}

TEST_F(Check, AThirdDecimalIsFlaggedEvenWhenTheTransactionBalances) {
    mapStandard();
    const ConversionCheck c = convertAndCheck(report({
        "8|General Journal|1/07/2011|GJ8||||6-1000 · Freight||10.005|",
        "|||||||1-1100 · Cheque Account||-10.005|",
        "|||||||||0.00|",
        "9|General Journal|1/07/2011|GJ9||||6-1000 · Freight||1,234.50|",
        "|||||||1-1100 · Cheque Account||-1,234.50|",
        "|||||||||0.00|",
    }));
    ASSERT_EQ(c.misread.rows.size(), 2u);
    EXPECT_EQ(c.misread.rows[1].line, 3u);
    EXPECT_EQ(c.misread.rows[1].read, "-10.01");
    EXPECT_EQ(c.misread.rows[1].why, "more than two decimals: rounded to cents");
    EXPECT_EQ(c.unbalanced.total, 0);
    EXPECT_EQ(check::summaryText(c), "check: 2 differences");
}

// Thousands separators are read as the commas they are; any other comma is flagged.
TEST_F(Check, OnlyCommasThatAreNoThousandsSeparatorsAreFlagged) {
    mapStandard();
    const struct {
        const char* amount;
        bool flagged;
    } cases[] = {{"1,234.50", false},   {"-12,345,678.00", false}, {"1234,567.00", false},
                 {"$1,234.50", false},  {"1,234", false},          {"12,34.50", true},
                 {"1,2345.00", true},   {"-,123.45", true},        {"1,234,5.00", true},
                 {"1,23,456.00", true}, {"1,234.5,0", true}};
    for (const auto& c : cases) {
        run = ConversionRun{};
        const ConversionCheck checked = convertAndCheck(report(
            {std::string("8|General Journal|1/07/2011|GJ8||||6-1000 · Freight||") + c.amount + "|",
             "|||||||1-1100 · Cheque Account||0.00|", "|||||||||0.00|"}));
        EXPECT_EQ(checked.misread.total, c.flagged ? 1 : 0) << c.amount;
    }
}

// QuickBooks rounds the tax of the whole transaction; MAS adds up the tax of each line.
TEST_F(Check, TaxRoundedForTheWholeTransactionIsCentsNotADifference) {
    mapStandard();
    const std::vector<std::string> lines = {
        "3|Invoice|1/07/2011|INV3|Smith|||1-1200 · Trade Debtors||11.11|",
        "||||Smith|||4-1000 · Sales|GST|-5.05|-0.51",
        "||||Smith|||4-1000 · Sales|GST|-5.05|-0.51",
        "||||||GST|2-1310 · GST Payable||-1.01|",
        "|||||||||11.11|",
    };
    ConversionCheck c = convertAndCheck(report({lines[0], lines[1], lines[2], lines[3], lines[4]}));
    ASSERT_EQ(c.unbalanced.rows.size(), 1u);
    EXPECT_EQ(c.unbalanced.rows[0].sums.import.fixed(), "-0.01");
    EXPECT_FALSE(c.unbalanced.rows[0].counts);
    EXPECT_TRUE(c.matches());

    // Beyond the transactions listed, the target's rounding still counts for nothing.
    std::vector<std::string> many;
    for (size_t i = 0; i <= check::kMaxListed; ++i)
        many.insert(many.end(), {lines[0], lines[1], lines[2], lines[3], lines[4]});
    const std::string header = report({});
    std::string bytes = header;
    for (const std::string& l : many) bytes += report({l}).substr(header.size());
    run = ConversionRun{};
    c = convertAndCheck(bytes);
    EXPECT_EQ(c.unbalanced.total, static_cast<long long>(check::kMaxListed) + 1);
    EXPECT_TRUE(c.matches());

    // Two cents on one taxed line are more than rounding.
    c = convertAndCheck(report({"3|Invoice|1/07/2011|INV3|Smith|||1-1200 · Trade Debtors||10.59|",
                                lines[1], "||||Smith|||4-1000 · Sales||-5.05|",
                                "||||||GST|2-1310 · GST Payable||-0.49|", "|||||||||10.59|"}));
    ASSERT_EQ(c.unbalanced.rows.size(), 1u);
    EXPECT_EQ(c.unbalanced.rows[0].sums.import.fixed(), "-0.02");
    EXPECT_TRUE(c.unbalanced.rows[0].counts);
}

// The import file holds less than the report: each omitted transaction, and a stop, is a
// difference of its own, which the totals (of written transactions) do not repeat.
TEST_F(Check, OmittedAndStoppedTransactionsAreDifferencesOfTheirOwn) {
    useCase("mas-journals-omitted");
    ASSERT_EQ(convert(), "");
    ConversionCheck c = checkRun();
    EXPECT_EQ(differing(c), std::vector<std::string>{});
    ASSERT_EQ(c.omitted.rows.size(), 1u);
    EXPECT_EQ(c.omitted.rows[0].number, "2");
    EXPECT_EQ(c.omitted.rows[0].line, 5u);
    EXPECT_EQ(c.omitted.rows[0].reason, "Invalid Date in transaction number 2");
    EXPECT_EQ(check::summaryText(c), "check: 1 difference");

    // No at the same prompt: the third transaction is not converted.
    ui.answers = {Answer::No};
    run = ConversionRun{};
    ASSERT_EQ(convert(), "");
    ASSERT_TRUE(run.blnConversionStopped);
    c = checkRun();
    EXPECT_EQ(differing(c), std::vector<std::string>{});
    EXPECT_EQ(c.omitted.total, 0);
    EXPECT_EQ(c.stoppedAt,
              "The conversion was stopped by No at line 5 of the report (Invalid Date in "
              "transaction number 2).");
    EXPECT_EQ(c.counts[3].what, "Transactions not converted (the run stopped)");
    EXPECT_EQ(c.counts[3].report, 2);
    EXPECT_EQ(check::summaryText(c), "check: 1 difference");
}

// A transaction omitted at a data error adds nothing to the figures, not even a tax item
// that only its tax line names.
TEST_F(Check, AnOmittedTransactionsTaxLineLeavesNoTaxItemBehind) {
    useCase("mas-cheque");
    st.gcolMappedTaxCodes.Add({"NCG", "NCG", "2"});
    std::string report = readFile(st.gstrJournalFile);
    report.insert(report.find("Total\t"),
                  "6\tCheque\t6/07/2011\tCHQ7\t\t\t\t1-1100 \xC2\xB7 Cheque Account\t\t-11.00\t\r\n"
                  "\t\t\t\t\t\tNCG\t2-1310 \xC2\xB7 GST Payable\t\t1.00\t\r\n"
                  "\t\t\t\t\t\t\t6-1000 \xC2\xB7 Freight\tGST\t1x0\t\r\n"
                  "\t\t\t\t\t\t\t\t\t0.00\t\r\n");
    writeReport(report);
    ui.answers = {Answer::Yes};
    ASSERT_EQ(convert(), "");
    const ConversionCheck c = checkRun();
    EXPECT_EQ(c.omitted.total, 1);
    for (const auto& item : c.taxItems) EXPECT_NE(item.item, "NCG");
    EXPECT_EQ(check::checkCsv(c), check::checkCsv(checkRun(true)));
}

TEST_F(Check, EveryConversionOfTheConvertScreenEndsWithItsCheck) {
    useCase("ao-invoice");
    ASSERT_EQ(convertscreen::cmdConvert_Click(st, ui, run),
              convertscreen::ConvertOutcome::Converted);
    ASSERT_TRUE(run.check);
    EXPECT_TRUE(run.check->matches());
    const std::optional<std::string> page =
        convertscreen::cmdViewCheck_Click(st, ui, run.check.get());
    ASSERT_TRUE(page);
    EXPECT_EQ(*page, platform::joinPath(st.gstrDataFolder, "TAVCheck.html"));
    EXPECT_NE(readFile(*page).find("\r\n<h1>The import file matches the Journal report.</h1>\r\n"),
              std::string::npos);

    // Before any conversion there is nothing to view.
    ui.messages.clear();
    EXPECT_FALSE(convertscreen::cmdViewCheck_Click(st, ui, nullptr));
    EXPECT_EQ(ui.titles(), std::vector<std::string>{"View Check"});
}

// The conversion passes over a transaction still open at the end of the report.
TEST_F(Check, ATransactionLeftOpenAtTheEndOfTheReportIsADifference) {
    mapStandard();
    const ConversionCheck c = convertAndCheck(report({
        "1|General Journal|1/07/2011|GJ1||||6-1000 · Freight||10.00|",
        "|||||||1-1100 · Cheque Account||-10.00|",
    }));
    EXPECT_EQ(check::summaryText(c), "check: 1 difference");
    EXPECT_EQ(c.counts[3].what,
              "Transactions not converted: the report ends before the closing line of "
              "transaction 1 (line 2)");
}

// ---- The report's figures gathered by the conversion -----------------------------------
// A faithful conversion is checked from what the conversion gathered as it read the
// report, which gives the figures reading the report again gives, on any number of threads.

class TallyCheck : public Check, public ::testing::WithParamInterface<const char*> {
protected:
    // The case's report made long (its transactions thirty times over, or as asked, two
    // more omitted at a data error) and read in many small blocks.
    void convertLong(unsigned threads, int times = 30, std::uint64_t blockBytes = 700) {
        const std::string golden = readFile(st.gstrJournalFile);
        const size_t header = golden.find("\r\n") + 2;
        size_t total = golden.find("\r\nTOTAL\t");
        if (total == std::string::npos) total = golden.find("\r\nTotal\t");
        const std::string body = golden.substr(header, total + 2 - header);
        const std::string bad =
            "901\tInvoice\t1/07/2011\tINV901\tSmith\t\t\t1-1200 · Trade Debtors\t\t1x0\t\r\n"
            "\t\t\t\t\t\t\t4-1000 · Sales\t\t-110\t\r\n\t\t\t\t\t\t\t\t\t110\t\r\n";
        std::string bytes = golden.substr(0, header);
        for (int i = 0; i < times; ++i)
            bytes += body + (i == times / 4 || i == times / 2 ? bad : "");
        writeReport(bytes + golden.substr(total + 2));
        st.reading = {threads, blockBytes};
        st.reportScan.reset();
        run = ConversionRun{};
        ui.answers = {Answer::Yes, Answer::Yes};
        ASSERT_EQ(convert(), "");
    }
};

TEST_P(TallyCheck, TheConversionsFiguresAreThoseOfTheReportReadAgain) {
    useCase(GetParam());
    const std::string golden = readFile(st.gstrJournalFile);
    for (unsigned threads : {1u, 2u}) {
        writeReport(golden);
        convertLong(threads);
        const std::string again = check::checkCsv(checkRun(true));
        // The report is not read again: gone, it is not missed.
        writeReport("");
        EXPECT_EQ(check::checkCsv(checkRun()), again) << threads << " threads";
        EXPECT_EQ(checkRun().omitted.total, 2);
    }
}

// The run reads its import file back while it writes it, a block of the file at a time,
// into the digest the report calls for, so that its check reads nothing again; a check
// made later reads the file as it is then.
TEST_P(TallyCheck, TheImportFileReadBackWhileItIsWrittenIsTheFileAsWritten) {
    useCase(GetParam());
    const std::string golden = readFile(st.gstrJournalFile);
    for (unsigned threads : {1u, 2u}) {
        writeReport(golden);
        convertLong(threads, 3000, 64 << 10);
        ASSERT_GT(output().size(), 3 * FileTable::kWriteBlock);
        ASSERT_TRUE(run.readBack) << threads << " threads";
        const auto* tally = run.tally.get();
        EXPECT_EQ(
            run.readBack->digest([tally](std::string_view i) { return tally->notes(i); }, false),
            tally->digest());
        ConversionCheck c;
        ASSERT_EQ(check::sfCheckConversion(st, ui, run, c, false, run.readBack.get()), "");
        c.reportFile = "Journal.txt";
        c.importFile = "TAVOutput.txt";
        c.checkedAt = "01/07/2011 09:00:00";
        EXPECT_EQ(check::checkCsv(c), check::checkCsv(checkRun()));

        std::string bytes = output();
        bytes.replace(bytes.size() / 2, 1, "#");
        writeFile(st.gstrOutputFile, bytes);
        EXPECT_FALSE(checkRun().matches());
    }
}

// The lean reading takes the import file 64 bytes at a time: moved along by any number of
// bytes, the file reads the same, and a line that only the full reading takes (a lone CR
// or LF, a NUL, a comma too few or too many, an 'Accounts' value that is a lone quote) is
// left to it wherever it lies.
TEST_P(TallyCheck, TheLeanReadingReadsTheSameWhereverItsBlocksBegin) {
    useCase(GetParam());
    convertLong(1, 6);
    const std::string written = output();
    const check::Layout layout = check::layoutOf(st.gintTargetApp);
    const check::ReportTally& tally = *run.tally;
    // Read sixteen bytes at a time, and 32 and 64 where the processor can: the same.
    auto digest = [&](const std::string& bytes) -> std::optional<check::PostingDigest> {
        writeFile(st.gstrOutputFile, bytes);
        std::optional<check::PostingDigest> read[3];
        const bytescan::Marker ways[] = {bytescan::Marker::Sse2, bytescan::Marker::Avx2,
                                         bytescan::Marker::Avx512};
        for (int way = 0; way < 3; ++way) {
            TextReader file;
            file.open(st.gstrOutputFile);
            check::ImportDigestReader reader(layout, tally.digest().base(), ways[way]);
            if (reader.read(file))
                read[way] =
                    reader.digest([&](std::string_view item) { return tally.notes(item); }, false);
        }
        EXPECT_EQ(read[0], read[1]);
        EXPECT_EQ(read[0], read[2]);
        return read[0];
    };
    // Where the description of the posting line that begins at `from` or after begins.
    const bool accounts = layout == check::Layout::Accounts;
    auto description = [&](const std::string& bytes, size_t from) {
        size_t at = bytes.find(accounts ? "\r\n\"TR\"" : "\r\n0", from - 2) + 2;
        for (int commas = accounts ? 13 : 7; commas > 0; --commas) at = bytes.find(',', at) + 1;
        return at + (accounts ? 1 : 0);
    };
    const size_t first = description(written, written.find("\r\n") + 2);
    for (size_t k = 0; k < 64; ++k) {
        const std::string moved =
            written.substr(0, first) + std::string(k, 'x') + written.substr(first);
        ASSERT_EQ(digest(moved), tally.digest()) << k;
        const size_t middle = description(moved, moved.size() / 2);
        const size_t end = moved.find("\r\n", middle), comma = middle - (accounts ? 2 : 1);
        std::vector<std::string> faults = {moved.substr(0, middle) + "\r" + moved.substr(middle),
                                           moved.substr(0, middle) + '\0' + moved.substr(middle),
                                           moved.substr(0, end) + moved.substr(end + 1),
                                           moved.substr(0, comma) + moved.substr(comma + 1)};
        // A comma too many: Accountant's Office takes it as part of the description.
        if (layout != check::Layout::AccountantsOffice)
            faults.push_back(moved.substr(0, middle) + "," + moved.substr(middle));
        if (accounts) {
            const size_t empty = moved.find(",\"\",", middle);
            faults.push_back(moved.substr(0, empty) + ",\"," + moved.substr(empty + 4));
        }
        for (const std::string& fault : faults) EXPECT_FALSE(digest(fault)) << k;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, TallyCheck,
                         ::testing::Values("mas-cheque", "accounts-amounts", "ao-invoice"));

// Forty postings, more than the powers a digest keeps at hand: added one by one, in parts,
// and with places kept for some (a few apart, and far apart) added later, the same.
TEST(PostingDigest, TellsSequencesApartAndAddsUpInParts) {
    const std::uint64_t base = check::randomDigestBase();
    std::vector<std::uint64_t> postings;
    for (std::uint64_t k = 1; k <= 40; ++k) postings.push_back(k * 0x9E3779B97F4A7C15ULL);
    check::PostingDigest whole(base), first(base), second(base), kept(base);
    for (std::uint64_t p : postings) whole.add(p);
    for (size_t k = 0; k < postings.size(); ++k) (k < 3 ? first : second).add(postings[k]);
    first.append(second);
    EXPECT_EQ(first, whole);
    check::PostingDigest::Later near, far;
    std::uint64_t nearLast = 0, farLast = 0;
    for (size_t k = 0; k < postings.size(); ++k) {
        if (k % 3 != 1 && k % 19 != 0) {
            kept.add(postings[k]);
            continue;
        }
        const std::uint64_t place = kept.keepPlace();
        std::uint64_t& last = k % 3 == 1 ? nearLast : farLast;
        (k % 3 == 1 ? near : far).add(kept.moving(last, place), postings[k]);
        last = place;
    }
    kept.add(near, nearLast);
    kept.add(far, farLast);
    EXPECT_EQ(kept, whole);
    std::swap(postings[5], postings[30]);
    check::PostingDigest swapped(base);
    for (std::uint64_t p : postings) swapped.add(p);
    EXPECT_FALSE(swapped == whole);
}

// A double quote in a reference or a name is doubled in an 'Accounts' field and read back.
TEST_F(Check, QuotesInAnAccountsLineAreReadBackAsTheReportHasThem) {
    mapStandard();
    st.gintTargetApp = target::Accounts;
    const ConversionCheck c = convertAndCheck(report(
        {R"(1|Invoice|1/07/2011|IN"V"1|Smith "Jnr"|"Big", order||1-1200 · Trade Debtors||10|)",
         "|||||||4-1000 · Sales||-10|", "|||||||||10|", "TOTAL|||||||||0|"}));
    EXPECT_EQ(check::summaryText(c), "check: balanced");
}

// The threads of this process (Linux); 0 where they cannot be counted.
size_t threadsRunning() {
#ifdef __linux__
    std::error_code ec;
    return static_cast<size_t>(
        std::distance(std::filesystem::directory_iterator("/proc/self/task", ec), {}));
#else
    return 0;
#endif
}

// A run that stops at a No, or fails, while its import file is read back leaves no thread
// behind, and no temporary file (the fixture looks for those).
TEST_F(Check, ARunStoppedOrFailedWhileItsImportFileIsReadBackLeavesNothingRunning) {
    mapStandard();
    const std::string rows = cheques(6000);
    const size_t threads = threadsRunning();
    for (unsigned readers : {1u, 2u}) {
        st.reading = {readers, 64 << 10};
        // A No to an amount that is no number, far into the report.
        writeReport(rows +
                    "6001\tCheque\t1/07/2011\tC1\tCafe\t\t\t1-1100 · Cheque Account\t\t1x0\t\r\n");
        run = ConversionRun{};
        ui.answers = {Answer::No};
        ASSERT_EQ(convert(), "");
        EXPECT_TRUE(run.blnConversionStopped);
        EXPECT_GT(output().size(), 2 * FileTable::kWriteBlock);
        EXPECT_EQ(threadsRunning(), threads);

        // A line no text file has, far into the report.
        const std::string kept = output();
        writeReport(rows + std::string(FileTable::kWriteBlock * 5, 'x') + "\r\n");
        run = ConversionRun{};
        EXPECT_NE(convert(), "");
        EXPECT_FALSE(run.readBack);
        EXPECT_EQ(threadsRunning(), threads);
        EXPECT_EQ(output(), kept);
    }
}

// ---- The import layouts read back ------------------------------------------------------

TEST(ImportLineReader, ReadsWhatEachTargetTakesFromALine) {
    using check::Layout;
    struct Case {
        Layout layout;
        std::string line;
        std::string figures;
    } cases[] = {
        {Layout::Mas, "01/07/2011,Pay,,CHQ-00,720,100.00,,Café - Beans,685,,GST,10.00",
         "01/07/2011 Pay ref 'CHQ-00' account 720 amount 100.00 tax code 'GST' tax 10.00"},
        {Layout::Mas, "01/07/2011,Pay,,CHQ-00,720,100.00,,Beans,685,,GST", ""},
        {Layout::Accounts,
         R"("TR","44","0","C","28/06/2011","1-3000","","GJ9","12345679","","","O","","Revaluation")",
         "28/06/2011 C ref 'GJ9' account 1-3000 amount 12345679.00"},
        {Layout::Accounts, R"("AC","1-3000","Land")", ""},
        // A quote inside a field is doubled, and a quoted comma is no separator.
        {Layout::Accounts,
         R"("TR","44","0","C","28/06/2011","1-3000","","G""J"",""9","-1.5","","","O","","""hi""")",
         R"(28/06/2011 C ref 'G"J","9' account 1-3000 amount -1.50)"},
        {Layout::Accounts,
         R"("TR","44","0","C","28/06/2011","1-3000","","G"J","1.5","","","O","","")", ""},
        {Layout::AccountantsOffice, "01/07/2011,D,,PO-2011-0000,400,-100.00,,Smith J (GST -10.00)",
         "01/07/2011 D ref 'PO-2011-0000' account 400 amount -100.00"},
        {Layout::AccountantsOffice, "01/07/2011,D,,PO,400,-100.001,,Smith", ""},
    };
    for (const Case& c : cases) {
        const check::ImportLine l = check::ImportLineReader(c.layout).read(c.line, 7);
        EXPECT_EQ(l.readable, !c.figures.empty()) << c.line;
        if (l.readable) {
            EXPECT_EQ(check::describe(l.posting, c.layout), c.figures);
        }
    }
    EXPECT_EQ(check::notedTax("Smith J - Consulting (GST -10.00)", "GST")->fixed(), "-10.00");
    EXPECT_FALSE(check::notedTax("BAS adjustment (GST)", "GST"));
    EXPECT_FALSE(check::notedTax("Smith (GST -10.00) more", "GST"));
}

}  // namespace
}  // namespace tav::test
