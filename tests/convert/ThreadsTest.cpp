// A report read by several threads gives what one thread gives: the same import file byte
// for byte, the same prompts in report order, the same counts and the same failures. The
// blocks are made small so that a short report is cut into many.

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "convert/ConvertFixture.h"
#include "safe/Platform.h"
#include "support/Results.h"
#include "taxmapping/TAVTaxMapping.h"

namespace tav::test {
namespace {

constexpr unsigned kThreads[] = {2, 8};
constexpr std::uint64_t kBlockBytes = 700;

// A transaction whose amount is not a number: the data error asked about, by its number.
std::string badAmount(int number) {
    const std::string n = std::to_string(number);
    return n + "\tInvoice\t1/07/2011\tINV" + n +
           "\tSmith\t\t\t1-1200 · Trade Debtors\t\t1x0\t\r\n"
           "\t\t\t\t\t\t\t4-1000 · Sales\t\t-110\t\r\n"
           "\t\t\t\t\t\t\t\t\t110\t\r\n";
}

// What a conversion showed and wrote.
std::string outcome(const Sem& result, const ConversionRun& run, const ScriptedPort& ui,
                    const std::string& output) {
    std::ostringstream o;
    o << "result: " << result << "\nwritten " << run.transactionsWritten << ", omitted "
      << run.transactionsOmitted << ", lines " << run.linesWritten << ", stopped "
      << run.blnConversionStopped << ", report line " << run.reportLine << " at "
      << run.reportLineOffset << "\n";
    for (const Message& m : ui.messages) o << "[" << m.title << "] " << m.text << "\n";
    return o.str() + output;
}

// Invoices 1 to count of 1/07/2011 to Smith, each its debtor line, salesLines(t) sales lines
// and its closing line, every amount amount(t).
std::string invoices(int count, int (*amount)(int), int (*salesLines)(int)) {
    std::string rows = report({});
    for (int t = 1; t <= count; ++t) {
        const std::string n = std::to_string(t), a = std::to_string(amount(t));
        rows += n + "\tInvoice\t1/07/2011\tINV" + n + "\tSmith\t\t\t1-1200 · Trade Debtors\t\t" +
                a + "\t\r\n";
        for (int i = salesLines(t); i > 0; --i)
            rows += "\t\t\t\t\t\t\t4-1000 · Sales\t\t-" + a + "\t\r\n";
        rows += "\t\t\t\t\t\t\t\t\t" + a + "\t\r\n";
    }
    return rows;
}
int itsNumber(int t) { return t; }
int oneSalesLine(int) { return 1; }

// A golden case's report made long: its transactions again and again, with a data error
// in the first block, one in the middle and one at the end.
class ManyBlocks : public ConvertFixture, public ::testing::WithParamInterface<const char*> {
protected:
    ManyBlocks() {
        loadSetup(
            platform::joinPath(platform::joinPath(TAV_TEST_DATA_DIR, GetParam()), "setup.txt"));
        const std::string golden = readFile(
            platform::joinPath(platform::joinPath(TAV_TEST_DATA_DIR, GetParam()), "Journal.txt"));
        const size_t header = golden.find("\r\n") + 2;
        size_t total = golden.find("\r\nTOTAL\t");
        if (total == std::string::npos) total = golden.find("\r\nTotal\t");
        const std::string body = golden.substr(header, total + 2 - header);
        std::string bytes = golden.substr(0, header) + badAmount(901);
        constexpr int kCopies = 30;
        for (int i = 0; i < kCopies; ++i) {
            bytes += body;
            if (i == kCopies / 2) bytes += badAmount(902);
        }
        bytes += badAmount(903) + golden.substr(total + 2);
        writeReport(bytes);
    }

    std::string convertWith(unsigned threads, std::deque<Answer> answers) {
        st.reading = {threads, kBlockBytes};
        st.reportScan.reset();  // each run reads the report afresh
        run = ConversionRun{};
        run.headerDate = "01/07/2011";
        ui.messages.clear();
        ui.answers = std::move(answers);
        const Sem result = convert();
        return outcome(result, run, ui, output());
    }
};

TEST_P(ManyBlocks, EveryThreadCountConvertsAsOneThreadDoes) {
    const std::deque<Answer> answers[] = {
        {Answer::Yes, Answer::Yes, Answer::Yes},  // all three omitted
        {Answer::Yes, Answer::No},                // stopped in the middle block
        {Answer::Yes, Answer::Yes, Answer::No},   // stopped in the last
        {Answer::No},                             // stopped in the first
    };
    for (const auto& a : answers) {
        const std::string one = convertWith(1, a);
        EXPECT_EQ(ui.messages.size(), a.size());
        for (unsigned threads : kThreads)
            EXPECT_EQ(convertWith(threads, a), one) << threads << " threads";
    }
    // Every transaction but the three omitted.
    convertWith(1, answers[0]);
    EXPECT_FALSE(run.blnConversionStopped);
    EXPECT_GT(run.transactionsWritten, 60);
    EXPECT_GT(output().size(), 8 * kBlockBytes);
}

INSTANTIATE_TEST_SUITE_P(Cases, ManyBlocks,
                         ::testing::Values("mas-cheque", "accounts-amounts", "ao-invoice"));

// The standard mapping's invoices read in blocks of 300 bytes.
class SmallBlocks : public ConvertFixture {
protected:
    SmallBlocks() { mapStandard(); }
    // What a conversion with the given threads showed and wrote.
    std::string convertInBlocks(unsigned threads) {
        st.reading = {threads, 300};
        run = ConversionRun{};
        run.headerDate = "01/07/2011";
        const Sem result = convert();
        return outcome(result, run, ui, output());
    }
};

// A transaction longer than a block: the blocks it spans cannot be cut apart, and the
// threads hand them to the one that reads on alone.
TEST_F(SmallBlocks, ATransactionLongerThanABlockIsConvertedWhole) {
    // every seventh spans blocks
    writeReport(invoices(40, itsNumber, [](int t) { return t % 7 == 0 ? 60 : 1; }));
    std::string one;
    for (unsigned threads : {1u, 2u, 8u}) {
        const std::string got = convertInBlocks(threads);
        if (threads == 1) {
            one = got;
            EXPECT_EQ(run.transactionsWritten, 40);
        }
        EXPECT_EQ(got, one) << threads << " threads";
    }
}

// A report saved only in part (no TOTAL line) ends in whichever block holds its end: the
// run says how it ended as one thread does.
TEST_F(SmallBlocks, AReportCutShortEndsAsWithOneThread) {
    const std::string rows = invoices(40, itsNumber, oneSalesLine);
    struct Case {
        std::string report, incomplete;
        long written;
    };
    const Case cases[] = {
        {rows + "TOTAL\t\t\t\t\t\t\t\t\t0\t\r\n", "", 40},
        {rows, "", 40},                                                  // after a closing line
        {rows.substr(0, rows.rfind("\t\t\t\t\t\t\t\t\t40")), "40", 39},  // inside the last
    };
    for (const Case& c : cases) {
        writeReport(c.report);
        std::string one;
        for (unsigned threads : {1u, 2u, 8u}) {
            const std::string shown = convertInBlocks(threads);
            const std::string got = shown + "\nTOTAL read " + std::to_string(run.totalLineRead) +
                                    ", incomplete " + run.incompleteTransaction;
            if (threads == 1) {
                one = got;
                EXPECT_EQ(run.transactionsWritten, c.written);
                EXPECT_EQ(run.totalLineRead, &c == &cases[0]);
                EXPECT_EQ(run.incompleteTransaction, c.incomplete);
            }
            EXPECT_EQ(got, one) << threads << " threads";
        }
    }
}

// The summary counts the lines of an import file larger than the blocks it is written in.
TEST_F(ConvertFixture, EveryLineOfALargeImportFileIsCounted) {
    mapStandard();
    writeReport(invoices(
        4000, [](int) { return 10; }, oneSalesLine));
    for (unsigned threads : {1u, 2u}) {
        st.reading = {threads, 0};
        run = ConversionRun{};
        ASSERT_EQ(convert(), "");
        const std::string out = output();
        ASSERT_GT(out.size(), FileTable::kWriteBlock);
        EXPECT_EQ(run.linesWritten, std::count(out.begin(), out.end(), '\n')) << threads;
        EXPECT_EQ(run.transactionsWritten, 4000);
    }
}

// ---- The readings before the conversion ---------------------------------------------

class ScanThreads : public ConvertFixture {
protected:
    ScanThreads() { beforeTaxMapping(target::MasAU); }

    // Invoices, each with a new account and a new tax item, the given line put after the
    // given one (the half of them).
    static std::string invoices(const std::string& middle, const std::string& accountText,
                                int count = 60, int at = 30) {
        std::string rows = report({});
        for (int t = 1; t <= count; ++t) {
            const std::string n = std::to_string(t);
            rows += n + "\tInvoice\t" + std::to_string(t % 28 + 1) + "/07/2011\tINV" + n +
                    "\tSmith\t\t\t1-1200 · Trade Debtors\t\t11\t\r\n"
                    "\t\t\t\t\t\t\t4-" +
                    n + " · " + accountText +
                    "\t\t-10\t\r\n"
                    "\t\t\t\t\t\tT" +
                    std::to_string(t % 45) +
                    "\t2-1310 · GST Payable\t\t-1\t\r\n"
                    "\t\t\t\t\t\t\t\t\t11\t\r\n";
            if (t == at) rows += middle;
        }
        return rows;
    }

    // The tax mapping screen's reading and what it leaves, with the given threads.
    std::string chooseWith(unsigned threads) {
        st.reading = {threads, 500};
        st.reportScan.reset();
        st.gcolMappedTaxCodes.Clear();
        LinePort port(st);
        port.dialogAnswers = {st.gstrJournalFile};
        const auto choice = taxmappingscreen::cmdTransFile_Click(st, port);
        std::ostringstream o;
        o << static_cast<int>(choice) << "\n";
        for (size_t i = 0; i < port.messages.size(); ++i)
            o << "[" << port.messages[i].title << " at " << port.linesAtMessages[i] << "] "
              << port.messages[i].text << "\n";
        for (const MappedTaxCode& e : st.gcolMappedTaxCodes) o << e.item << " ";
        o << "\n";
        for (const std::string& a : st.gcolJournalAccounts) o << a << " ";
        // Where a message after the reading would say it stopped.
        if (const auto stopped = st.files.stoppedReading()) o << "\nstopped at " << stopped->line;
        return o.str();
    }
};

TEST_F(ScanThreads, TheTaxScreensReadingIsTheSameWithEveryThreadCount) {
    const std::string cases[] = {
        "",                                   // no failure
        "\t\t\t\t\t\t\tSales\t\t5\t\r\n",     // an account without a number
        "\t\t\t\t\t\tGST\t· GST\t\t1\t\r\n",  // a tax item's account unreadable
        "\t\t\t\t\t\t\tSales\t\t5\t\r\n\t\t\t\t\t\tGST\t· GST\t\t1\t\r\n",  // both
        "  \r\n",                                                           // a blank line
        "\t\t\t\t\t\tGST\t2-1310 · GST" + std::string(1, '\0') + "Payable\t\t-1\t\r\n",  // a NUL
    };
    for (const std::string& middle : cases) {
        writeReport(invoices(middle, "Sales"));
        const std::string one = chooseWith(1);
        for (unsigned threads : kThreads)
            EXPECT_EQ(chooseWith(threads), one) << threads << " threads, " << middle;
    }
    writeReport(invoices("", "Sales"));
    EXPECT_NE(chooseWith(1).find("\nT1 T2 T3 "), std::string::npos);
}

// The batch command's conversion in the same reading as the screen's scan: its scan is the
// screen's own, whatever the threads; when it is not kept, the screen scans as before, with
// the same findings and messages at the same lines.
TEST_F(ScanThreads, TheScanMadeWhileConvertingIsTheScreensOwn) {
    int made = 0;
    auto chooseAhead = [&](unsigned threads) {
        st.scanAhead = [&](ProgramState& s, UiPort& port, const ScanRequest& request) {
            // Every account and tax line item of the invoices mapped.
            auto foreseen = std::make_unique<ProgramState>();
            foreseen->gintTargetApp = s.gintTargetApp;
            foreseen->gcolTaxPayables = s.gcolTaxPayables;
            foreseen->gcolTaxCodeTaxItemLinks = s.gcolTaxCodeTaxItemLinks;
            foreseen->gstrOutputFile = dir.file("TAVOutput.txt");
            for (const char* number : {"1-1200", "9-9999"})
                foreseen->gcolMappedAccounts.Add({"", number, "", "2", "600", ""});
            for (int t = 1; t <= 17000; ++t)
                foreseen->gcolMappedAccounts.Add(
                    {"", "4-" + std::to_string(t), "", "2", "400", ""});
            for (int t = 0; t < 45; ++t)
                foreseen->gcolMappedTaxCodes.Add({"T" + std::to_string(t), "GST", "2"});
            ConversionAhead ahead(s, std::move(foreseen), request,
                                  s.files.reader(kReportFile).bytesRead());
            const auto scan = sfConvertAhead(s, port, ahead);
            made += ahead.made;
            return scan;
        };
        return chooseWith(threads);
    };
    auto windows1252 = [](std::string bytes) {
        for (const auto& [utf8, byte] : {std::pair{"\xC2\xB7", "\xB7"}, {"\xC3\xA9", "\xE9"}})
            for (size_t at; (at = bytes.find(utf8)) != std::string::npos;)
                bytes.replace(at, 2, byte);
        return bytes;
    };
    // The screen reads on after the TOTAL line, where the conversion ends.
    const std::string total =
        "TOTAL\t\t\t\t\t\t\t\t\t0.00\t\r\n\t\t\t\t\t\t\t9-9999 · After\t\t0\t\r\n";
    const std::pair<std::string, int> cases[] = {
        {invoices("", "Sales") + total, 3},
        // More account texts than a thread keeps facts for: the facts start afresh, and the
        // scan made alongside with them, in the middle of blocks.
        {invoices("", "Sales", 17000, 1) + total, 3},
        {windows1252(invoices("", "Caf\xC3\xA9") + total), 3},  // Windows-1252 throughout
        // Windows-1252 shown only far into the report: the texts were read as UTF-8.
        {invoices("\t\t\t\t\tCaf\xE9\t\t4-1 · Sales\t\t0\t\r\n", "Caf\xC3\xA9", 400, 390) + total,
         0},
        {invoices("\t\t\t\t\t\t\tSales\t\t5\t\r\n", "Sales") + total, 0},  // no number
        {invoices("  \r\n", "Sales") + total, 0},                          // a blank line
        {invoices("\t\t\t\t\t\tGST\t2-1310 · GST" + std::string(1, '\0') + "Payable\t\t-1\t\r\n",
                  "Sales") +
             total,
         0},
    };
    for (const auto& [bytes, kept] : cases) {
        writeReport(bytes);
        st.scanAhead = nullptr;
        const std::string alone = chooseWith(1);
        made = 0;
        for (unsigned threads : {1u, 2u, 8u})
            EXPECT_EQ(chooseAhead(threads), alone) << threads << " threads, " << bytes.size();
        EXPECT_EQ(made, kept) << bytes.size();
    }
}

// The report's encoding is known only when a line shows it is not UTF-8: texts read as
// UTF-8 before are read again as Windows-1252, whichever thread met them.
TEST_F(ScanThreads, ALateWindows1252LineRereadsTheTextsBeforeIt) {
    const std::string late = "\t\t\t\t\tCaf\xE9\t\t4-1 · Sales\t\t0\t\r\n";
    std::string one;
    for (unsigned threads : {1u, 2u, 8u}) {
        st.reading = {threads, 500};
        st.reportScan.reset();
        openReport(invoices(late, "Caf\xC3\xA9"));
        bool headerOk = false;
        ASSERT_EQ(sfReadAndCheckHeader(st, headerOk), "");
        Collection<JournalAccount> accounts;
        ASSERT_EQ(sfExtractAccounts(st, ui, accounts), "");
        std::string names;
        for (const JournalAccount& a : accounts) names += a.number + "=" + a.name + "\n";
        if (threads == 1) one = names;
        EXPECT_EQ(names, one) << threads << " threads";
    }
    EXPECT_NE(one.find("=Caf\xC3\x83\xC2\xA9\n"), std::string::npos) << one;
}

}  // namespace
}  // namespace tav::test
