// The batch command run in-process on an installation in a temporary folder: its exit
// codes, its summary line, the system's messages it prints and the import files it
// writes.

#include "cli/BatchConvert.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "convert/ConvertFixture.h"
#include "safe/Platform.h"
#include "safe/SafeMethods.h"
#include "shell/ProgramState.h"
#include "support/Files.h"
#include "support/ScriptedPort.h"

namespace tav::test {
namespace {

namespace fs = std::filesystem;
using cli::runBatch;

// The lists and mappings a user brings for a state built directly: the chart of
// accounts and tax code list as QuickBooks exports them, a tax mapping file, a saved
// account mapping, and the target's code file holding the codes the mapping uses.
struct ClientFiles {
    std::string cofa, taxCodes, taxMapping, accountMapping;

    // The options naming these files, for a conversion of the report at journal.
    std::vector<std::string> options(const std::string& target, const std::string& journal) const {
        return {"--target",      target,     "--journal",         journal,
                "--cofa",        cofa,       "--taxcodes",        taxCodes,
                "--tax-mapping", taxMapping, "--account-mapping", accountMapping};
    }
};

ClientFiles writeClientFiles(const ProgramState& st, const TempDir& dir,
                             const std::string& installFolder) {
    ClientFiles f{dir.file("CofA.iif"), dir.file("TaxCodes.iif"), dir.file("TaxMapping.txt"),
                  dir.file("Mapping.csv")};
    auto payable = [&](const std::string& number) {
        return std::find(st.gcolTaxPayables.begin(), st.gcolTaxPayables.end(), number) !=
               st.gcolTaxPayables.end();
    };
    std::string cofa =
        "!ACCNT\tNAME\tREFNUM\tTIMESTAMP\tACCNTTYPE\tOBAMOUNT\tDESC\tACCNUM\tTAXCODE\tSCD\tBANKNUM"
        "\tEXTRA\r\n";
    std::string mapping, targets;
    long index = 1;
    for (const MappedAccount& m : st.gcolMappedAccounts) {
        cofa += "ACCNT\t" + m.name + "\t\t\t" + m.type + "\t\t\t" + m.number + "\t\t\t\t" +
                (payable(m.number) ? "SALESTAX" : "") + "\r\n";
        mapping += fmt::format("{},{},{},{},{},{}\r\n", m.type, m.number, m.name, ++index,
                               m.targetNumber, m.targetName);
        targets += m.targetNumber + "," + m.targetName + "\r\n";
    }
    writeFile(f.cofa, cofa);
    writeFile(f.accountMapping, mapping + "MAS accounts\r\n" + targets);

    std::string taxCodes = "!TAXCODE\tNAME\tPURCHASETAXITEM\tSALESTAXITEM\r\n";
    for (const TaxCodeLink& link : st.gcolTaxCodeTaxItemLinks)
        taxCodes +=
            "TAXCODE\t" + link.code + "\t" + link.purchaseItem + "\t" + link.salesItem + "\r\n";
    writeFile(f.taxCodes, taxCodes);

    std::string taxMapping, codes;
    for (const MappedTaxCode& m : st.gcolMappedTaxCodes) {
        taxMapping += m.item + "," + m.code + "\r\n";
        codes += (codes.empty() ? "" : ",") + m.code;
    }
    writeFile(f.taxMapping, taxMapping);
    for (const char* file : {"MasAUTaxCodes.txt", "MasNZTaxCodes.txt", "AccountsTaxCodes.txt"})
        writeFile(platform::joinPath(installFolder, file), codes + "\r\n");
    return f;
}

const char* targetName(std::int16_t target) {
    static const char* const kNames[] = {"mas-au", "accounts", "ao-au", "mas-nz", "ao-nz"};
    return kNames[target];
}

// An installation in a temporary folder with a data folder of its own, and a client.
class Batch : public ::testing::Test {
protected:
    TempDir install, common, client;
    std::istringstream in;
    std::ostringstream out, err;
    std::string directory = platform::currentDirectory();

    void SetUp() override {
        fs::copy(TAV_INSTALL_SOURCE_DIR, install.path(), fs::copy_options::recursive);
        for (const char* name : {"Journal.txt", "HarbourLaneCafe.qbw", "ClientXAccountMapping.csv"})
            fs::copy_file(platform::pathFromUtf8(install.file("SampleFiles/" + std::string(name))),
                          platform::pathFromUtf8(client.file(name)));
    }
    // The list extraction makes the installation folder the current one.
    void TearDown() override { platform::setCurrentDirectory(directory); }

    int run(std::vector<std::string> args, const std::string& answers = "",
            bool oneReading = true) {
        in.clear();
        in.str(answers);
        out.str("");
        err.str("");
        args.insert(args.begin(), "tav-convert");
        cli::Environment env{install.path(), common.path(), in, out, err};
        env.oneReading = oneReading;
        return runBatch(args, env);
    }

    // The report converted in the same reading as the tax mapping screen's scan, whether
    // the conversion made then is kept or dropped, ends as when it is read twice: the
    // same exit code, output, messages in the same order and import file.
    void expectOneReadingAsTwo(const std::string& what, const std::vector<std::string>& args,
                               const std::string& answers = "") {
        const std::string output = client.file("TAVOutput.txt");
        for (const char* threads : {"1", "2"}) {
            std::vector<std::string> a = args;
            a.insert(a.end(), {"--threads", threads});
            std::string ends[2];
            for (bool one : {false, true}) {
                writeFile(output, "");
                const int exit = run(a, answers, one);
                ends[one] = fmt::format("{}\n{}{}{}", exit, out.str(), err.str(), readFile(output));
            }
            EXPECT_EQ(ends[1], ends[0]) << what << ", " << threads << " threads";
        }
    }

    // The sample client, with its lists taken from its company file.
    std::vector<std::string> sample(std::int16_t target,
                                    std::initializer_list<std::string> more = {}) const {
        std::vector<std::string> args{"--target",  targetName(target),
                                      "--journal", client.file("Journal.txt"),
                                      "--company", client.file("HarbourLaneCafe.qbw"),
                                      "--ledger",  "standard"};
        args.insert(args.end(), more);
        return args;
    }
};

// ---- The sample client --------------------------------------------------------------

class BatchSample : public Batch, public ::testing::WithParamInterface<std::int16_t> {};

TEST_P(BatchSample, ConvertsWithAutomaticMappingPlusTheSampleMapping) {
    const std::int16_t target = GetParam();
    const std::string ini = readFile(install.file("TAV.ini"));
    ASSERT_EQ(run(sample(target, {"--auto-map", "--account-mapping",
                                  client.file("ClientXAccountMapping.csv")})),
              cli::kConverted)
        << err.str();
    static const long kLines[] = {172, 209, 214, 172, 214};
    const std::string output = client.file(target == 1 ? "TAVOutput.csv" : "TAVOutput.txt");
    EXPECT_EQ(out.str(), fmt::format("Conversion successful: 63 transactions written, 0 omitted, "
                                     "{} lines written to {}, check: balanced\n",
                                     kLines[target], output));
    EXPECT_EQ(err.str(), "[List extraction complete] List extraction successful.\n");
    EXPECT_EQ(vbSplit(readFile(output), "\r\n").size(), static_cast<size_t>(kLines[target]) + 1);
    // A batch run leaves the desktop user's choices alone.
    EXPECT_EQ(readFile(install.file("TAV.ini")), ini);
}

INSTANTIATE_TEST_SUITE_P(EveryTarget, BatchSample, ::testing::Range<std::int16_t>(0, 5));

TEST_F(Batch, TheSampleClientConvertsInOneReadingAsInTwo) {
    for (std::int16_t target : {0, 2})
        expectOneReadingAsTwo(targetName(target),
                              sample(target, {"--auto-map", "--account-mapping",
                                              client.file("ClientXAccountMapping.csv")}));
}

TEST_F(Batch, SavesTheMappingTheUserWouldSave) {
    ASSERT_EQ(run(sample(0, {"--auto-map", "--account-mapping",
                             client.file("ClientXAccountMapping.csv"), "--save-mapping",
                             client.file("Saved.csv"), "--quiet", "--out", client.file("x.txt")})),
              cli::kConverted)
        << err.str();
    EXPECT_EQ(out.str() + err.str(), "");  // quiet: nothing needs attention
    EXPECT_EQ(readFile(client.file("Saved.csv")),
              readFile(client.file("ClientXAccountMapping.csv")));
    EXPECT_TRUE(platform::fileExists(client.file("x.txt")));
}

TEST_F(Batch, AnIncompleteMappingListsEveryUnmappedItemAndAccount) {
    writeFile(client.file("TaxMapping.txt"), "GST,\r\nFRE,2\r\nNOT USED,1\r\n");
    EXPECT_EQ(run(sample(0, {"--auto-map", "--tax-mapping", client.file("TaxMapping.txt")})),
              cli::kIncomplete);
    EXPECT_EQ(err.str(),
              "[List extraction complete] List extraction successful.\n"
              "[Incomplete tax mapping] The tax code mapping is incomplete. Please complete the "
              "mapping before attempting conversion.\n"
              "  unmapped tax item: GST\n"
              "  unmapped account: 745 Gift Vouchers Outstanding\n"
              "  unmapped account: 377 Music Licence\n");
    EXPECT_EQ(out.str(), "");
    EXPECT_FALSE(platform::fileExists(client.file("TAVOutput.txt")));

    // 'Accounts' maps no accounts; Accountant's Office has no tax mapping.
    EXPECT_EQ(run(sample(2, {"--tax-mapping", client.file("TaxMapping.txt")})), cli::kIncomplete);
    EXPECT_NE(err.str().find("[Incomplete account mapping]"), std::string::npos);
    EXPECT_EQ(err.str().find("unmapped tax item"), std::string::npos);
}

TEST_F(Batch, TheCheckIsWrittenAsAPageAndAsCsvAndADifferenceHasItsOwnExitCode) {
    const std::vector<std::string> args =
        sample(0, {"--auto-map", "--account-mapping", client.file("ClientXAccountMapping.csv"),
                   "--check", client.file("check.html"), "--check-csv", client.file("check.csv")});
    ASSERT_EQ(run(args), cli::kConverted) << err.str();
    EXPECT_TRUE(out.str().ends_with(", check: balanced\n")) << out.str();
    const StrArray page = vbSplit(readFile(client.file("check.html")), "\r\n");
    EXPECT_NE(
        std::find(page.begin(), page.end(), "<h1>The import file matches the Journal report.</h1>"),
        page.end());
    EXPECT_TRUE(readFile(client.file("check.csv"))
                    .starts_with("Section,Item,Journal report,Import file,Conversion reported,"
                                 "Difference,Status,Details\r\nResult,The import file matches "
                                 "the Journal report.,,,,0,agrees,"));

    // A European-style amount converts, into an unbalanced transaction: the check finds both.
    std::string journal = readFile(client.file("Journal.txt"));
    journal.replace(journal.find("2,750.00\t275.00"), 8, "2.750,00");
    writeFile(client.file("Journal.txt"), journal);
    EXPECT_EQ(run(args), cli::kDiffers);
    EXPECT_TRUE(out.str().ends_with(", check: 2 differences\n")) << out.str();
    EXPECT_NE(readFile(client.file("check.html"))
                  .find("<h1 class=\"differs\">The import file does not match the Journal "
                        "report: 2 differences.</h1>"),
              std::string::npos);
    // Quiet says nothing but what needs attention: the difference does.
    std::vector<std::string> quiet = args;
    quiet.push_back("--quiet");
    EXPECT_EQ(run(quiet), cli::kDiffers);
    EXPECT_TRUE(out.str().ends_with(", check: 2 differences\n")) << out.str();

    // The check's files are outputs too: none may be a file the run reads.
    EXPECT_EQ(run(sample(0, {"--check", client.file("Journal.txt")})), cli::kUsage);
}

// ---- Data errors, failures and wrong options ------------------------------------------

// A client whose report has an invalid date in its second transaction and an amount
// that is not a number in its third.
class FaultyReport : public Batch {
protected:
    void SetUp() override {
        Batch::SetUp();
        ProgramState setup;
        ScriptedPort script;
        loadSetup(
            platform::joinPath(platform::joinPath(TAV_TEST_DATA_DIR, "ao-invoice"), "setup.txt"),
            setup, script);
        files = writeClientFiles(setup, client, install.path());
        std::string rows;
        for (int n : {1, 2, 3, 4}) {
            const std::string amount = std::to_string(10 * n);
            rows += fmt::format(
                "{}|Invoice|{}|INV{}|Smith|||1-1200 · Trade Debtors||{}|\n"
                "|||||||4-1000 · Sales||{}|\n|||||||||{}|\n",
                n, n == 2 ? "31/02/2011" : fmt::format("{}/07/2011", n), n, amount,
                n == 3 ? "abc" : "-" + amount, amount);
        }
        rows += "TOTAL|||||||||0.00|";
        std::string report = test::report({});
        for (const std::string& row : vbSplit(rows, "\n")) {
            std::string line = row;
            std::replace(line.begin(), line.end(), '|', '\t');
            report += line + "\r\n";
        }
        writeFile(client.file("Journal.txt"), report);
    }

    std::vector<std::string> args(std::initializer_list<std::string> more) const {
        std::vector<std::string> a = files.options("mas-au", client.file("Journal.txt"));
        a.insert(a.end(), more);
        return a;
    }
    std::string output() const { return readFile(client.file("TAVOutput.txt")); }

    ClientFiles files;
};

constexpr const char* kInvalidDate =
    "[Error in data] Invalid date in transaction number 2\n"
    "Do you want to continue with the conversion? (to check the remaining data).\n"
    "If you select 'Yes', this transaction will be omitted from the conversion process. If you "
    "select 'No', please ensure your Windows Regional Settings are set to English(Australian), "
    "then check the dates in the QuickBooks Journal before saving it to file again.\n";

TEST_F(FaultyReport, OmitWritesEveryGoodTransaction) {
    EXPECT_EQ(run(args({"--on-data-error", "omit"})), cli::kDiffers);
    EXPECT_EQ(out.str(),
              "Conversion successful: 2 transactions written, 2 omitted, 5 lines "
              "written to " +
                  client.file("TAVOutput.txt") + ", check: 2 differences\n");
    const StrArray lines = vbSplit(output(), "\r\n");
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_TRUE(lines[1].starts_with("01/07/2011,SDB,,INV1,400,-10.00,"));
    EXPECT_TRUE(lines[3].starts_with("04/07/2011,SDB,,INV4,400,-40.00,"));
    // Each prompt is followed by the line it is about.
    EXPECT_NE(err.str().find(std::string(kInvalidDate) + "  in " + client.file("Journal.txt") +
                             ", line 5: 2\\tInvoice\\t31/02/2011\\tINV2\\tSmith\\t\\t\\t1-1200 "
                             "· Trade Debtors\\t\\t20\\t\n"),
              std::string::npos)
        << err.str();
    EXPECT_NE(err.str().find("Invalid Amount in transaction number 3\n"), std::string::npos);
}

TEST_F(FaultyReport, StopKeepsWhatWasWrittenBeforeTheFirstFault) {
    EXPECT_EQ(run(args({"--on-data-error", "stop"})), cli::kStopped);
    EXPECT_EQ(out.str(),
              "Conversion stopped: 1 transactions written, 0 omitted, 3 lines written "
              "to " +
                  client.file("TAVOutput.txt") + ", check: 1 difference\n");
    EXPECT_EQ(vbSplit(output(), "\r\n").size(), 4u);
    EXPECT_TRUE(err.str().starts_with(kInvalidDate));

    // Without a person to ask, stop is what happens.
    EXPECT_EQ(run(args({})), cli::kStopped);
}

TEST_F(FaultyReport, AskTakesTheAnswersFromTheInput) {
    EXPECT_EQ(run(args({"--on-data-error", "ask"}), "y\nmaybe\nNo\n"), cli::kStopped);
    EXPECT_EQ(out.str(),
              "Conversion stopped: 1 transactions written, 1 omitted, 3 lines written "
              "to " +
                  client.file("TAVOutput.txt") + ", check: 2 differences\n");
    // Two prompts, the second asked again after an answer that is no button.
    const StrArray asked = vbSplit(err.str(), "Yes/No? [No] ");
    EXPECT_EQ(asked.size(), 4u);
    EXPECT_TRUE(asked[1].starts_with("[Error in data] Invalid Amount in transaction number 3"));
    EXPECT_EQ(asked[3], "");
}

TEST_F(FaultyReport, AReportCutShortIsConvertedAndSaysWhatWasNotWritten) {
    // Saved only up to the middle of transaction 4: no closing line, no TOTAL line.
    std::string report = readFile(client.file("Journal.txt"));
    report.erase(report.rfind("\t\t\t\t\t\t\t\t\t40\t"));
    writeFile(client.file("Journal.txt"), report);
    EXPECT_EQ(run(args({"--on-data-error", "omit"})), cli::kCutShort);
    // The check counts the two omitted and the one the report leaves open.
    EXPECT_EQ(out.str(),
              "Conversion incomplete: 1 transactions written, 2 omitted, 3 lines "
              "written to " +
                  client.file("TAVOutput.txt") + ", check: 3 differences\n");
    EXPECT_NE(err.str().find("[Journal report incomplete] The QuickBooks Journal report ends "
                             "without its TOTAL line, so it was not saved whole. Transaction 4, "
                             "the last in the file, was incomplete and was not written;"),
              std::string::npos)
        << err.str();
}

TEST_F(FaultyReport, ControlCharactersFromTheReportAreShownEscaped) {
    // A memo that would clear the terminal and retitle its window, and a C1 control.
    std::string report = readFile(client.file("Journal.txt"));
    report.replace(report.find("INV2\tSmith\t"), 11, "INV2\tSmith\t\x1b[2J\x1b]0;x\x07\xC2\x9B");
    writeFile(client.file("Journal.txt"), report);
    EXPECT_EQ(run(args({"--on-data-error", "stop"})), cli::kStopped);
    EXPECT_NE(err.str().find(", line 5: 2\\tInvoice\\t31/02/2011\\tINV2\\tSmith\\t"
                             "\\x1b[2J\\x1b]0;x\\x07\\u009b\\t\\t1-1200"),
              std::string::npos)
        << err.str();
    EXPECT_EQ(err.str().find('\x1b'), std::string::npos);
}

TEST_F(FaultyReport, AFailurePrintsTheErrorReportWithTheLineItMet) {
    // A twelfth field: the tax mapping's readers pass it, the conversion does not.
    std::string report = readFile(client.file("Journal.txt"));
    report.insert(report.find("\r\n", report.find("4-1000 · Sales\t\t-40")), "\t");
    writeFile(client.file("Journal.txt"), report);
    EXPECT_EQ(run(args({"--on-data-error", "omit"})), cli::kFailed);
    EXPECT_NE(err.str().find("[Error Report] An error occurred in the procedure listed below."),
              std::string::npos);
    EXPECT_NE(err.str().find("Module: modConvert.bas\nProcedure: sfReadInTransaction\nError "
                             "Code: 0\nDescription: Not able to verify the number of fields in "
                             "transaction line\n"),
              std::string::npos)
        << err.str();
    EXPECT_NE(err.str().find("  in " + client.file("Journal.txt") +
                             ", line 12: \\t\\t\\t\\t\\t\\t\\t4-1000 · Sales\\t\\t-40\\t\\t\n"),
              std::string::npos);
    EXPECT_EQ(out.str(), "");
}

TEST_F(FaultyReport, AWrongHeaderIsReportedBeforeAnythingIsWritten) {
    writeFile(client.file("Journal.txt"), "Trans #\tType\tDate\r\n");
    EXPECT_EQ(run(args({})), cli::kFailed);
    EXPECT_EQ(err.str(),
              "[Journal File Incorrect] Your QuickBooks Journal file header is not correct. This "
              "is usually because the wrong columns have been included in the Journal report. "
              "Please return to QuickBooks and check that you have exported the correct TAV "
              "Journal report, or follow the TAV instructions to create the report and export the "
              "transactions again.\n  in " +
                  client.file("Journal.txt") + ", line 1: Trans #\\tType\\tDate\n");
    EXPECT_FALSE(platform::fileExists(client.file("TAVOutput.txt")));
}

TEST_F(FaultyReport, OneReadingEndsAsTwoReadingsDo) {
    expectOneReadingAsTwo("omit (Yes)", args({"--on-data-error", "omit"}));
    expectOneReadingAsTwo("stop (No)", args({"--on-data-error", "stop"}));
    expectOneReadingAsTwo("asked", args({"--on-data-error", "ask"}), "y\nn\n");

    // Without the faults, and with a tax line: the conversion made in the scan's reading is
    // kept.
    std::string report = readFile(client.file("Journal.txt"));
    report.replace(report.find("31/02/2011"), 10, "2/07/2011");
    report.replace(report.find("\tabc\t"), 5, "\t-30\t");
    const size_t first = report.find("1\tInvoice\t1/07/2011");
    report.replace(first, report.find("2\tInvoice") - first,
                   "1\tInvoice\t1/07/2011\tINV1\tSmith\t\t\t1-1200 · Trade Debtors\t\t11\t\r\n"
                   "\t\t\t\t\t\t\t4-1000 · Sales\tGST\t-10\t-1\r\n"
                   "\t\t\t\t\t\tGST\t2-1310 · GST Payable\t\t-1\t\r\n"
                   "\t\t\t\t\t\t\t\t\t11\t\r\n");
    writeFile(client.file("Journal.txt"), report);
    expectOneReadingAsTwo(
        "kept", args({"--on-data-error", "stop", "--check-csv", client.file("check.csv")}));
    EXPECT_EQ(run(args({})), cli::kConverted) << err.str();

    // A tax item the tax mapping lacks, and an account the account mapping lacks.
    const std::string taxMapping = readFile(files.taxMapping);
    writeFile(files.taxMapping, "GST,\r\n");
    expectOneReadingAsTwo("a tax item unmapped", args({}));
    writeFile(files.taxMapping, taxMapping);
    const std::string fullMapping = readFile(files.accountMapping);
    std::string mapping = fullMapping;
    const size_t sales = mapping.rfind('\n', mapping.find(",4-1000,")) + 1;
    mapping.erase(sales, mapping.find('\n', sales) + 1 - sales);
    writeFile(files.accountMapping, mapping);
    expectOneReadingAsTwo("an account unmapped", args({}));

    // Mapped by the mapping file but missing from the chart: the conversion made ahead
    // converts it, the road asks about it.
    writeFile(files.accountMapping, fullMapping);
    std::string cofa = readFile(files.cofa);
    const size_t line = cofa.rfind('\n', cofa.find("\t4-1000\t")) + 1;
    cofa.erase(line, cofa.find('\n', line) + 1 - line);
    writeFile(files.cofa, cofa);
    expectOneReadingAsTwo("an account the chart lacks", args({"--on-data-error", "stop"}));
}

TEST_F(Batch, AFileTheRunWritesThatIsAFileItReadsIsRefusedBeforeAnythingIsWritten) {
    const std::string journal = client.file("Journal.txt");
    for (const char* name : {"CofA.iif", "TaxCodes.iif", "TaxMapping.txt", "Ledger.txt"})
        writeFile(client.file(name), "a file the run reads\r\n");
    const std::vector<std::string> lists{"--target",
                                         "mas-au",
                                         "--journal",
                                         journal,
                                         "--cofa",
                                         client.file("CofA.iif"),
                                         "--taxcodes",
                                         client.file("TaxCodes.iif"),
                                         "--tax-mapping",
                                         client.file("TaxMapping.txt"),
                                         "--account-mapping",
                                         client.file("ClientXAccountMapping.csv"),
                                         "--ledger",
                                         client.file("Ledger.txt")};
    const std::vector<std::string> company{
        "--target", "ao-au", "--journal", journal, "--company", client.file("HarbourLaneCafe.qbw")};
    struct Case {
        const std::vector<std::string>& args;
        std::string input, inputFile;
    };
    const Case cases[] = {
        {lists, "--journal", journal},
        {lists, "--cofa", client.file("CofA.iif")},
        {lists, "--taxcodes", client.file("TaxCodes.iif")},
        {lists, "--tax-mapping", client.file("TaxMapping.txt")},
        {lists, "--account-mapping", client.file("ClientXAccountMapping.csv")},
        {lists, "--ledger", client.file("Ledger.txt")},
        {company, "--company", client.file("HarbourLaneCafe.qbw")},
    };
    for (const Case& c : cases) {
        const std::string before = readFile(c.inputFile);
        // The same file under another name.
        const std::string alias = client.file("alias.txt");
        fs::create_hard_link(platform::pathFromUtf8(c.inputFile), platform::pathFromUtf8(alias));
        for (const char* output : {"--out", "--save-mapping"}) {
            std::vector<std::string> args = c.args;
            args.insert(args.end(), {output, alias});
            EXPECT_EQ(run(args), cli::kUsage) << c.input;
            EXPECT_EQ(err.str(), std::string(output) + " " + alias + " is the same file as " +
                                     c.input + " " + c.inputFile +
                                     ": writing it would replace that file. Nothing was done; "
                                     "choose another file name.\n");
            EXPECT_EQ(readFile(c.inputFile), before);
        }
        fs::remove(platform::pathFromUtf8(alias));
    }
    // The default import file, and the two files the run writes.
    fs::rename(platform::pathFromUtf8(journal),
               platform::pathFromUtf8(client.file("TAVOutput.txt")));
    std::vector<std::string> args = company;
    args[3] = client.file("TAVOutput.txt");
    EXPECT_EQ(run(args), cli::kUsage);
    EXPECT_TRUE(err.str().starts_with("The import file " + client.file("TAVOutput.txt") +
                                      " is the same file as --journal "));
    fs::rename(platform::pathFromUtf8(client.file("TAVOutput.txt")),
               platform::pathFromUtf8(journal));
    writeFile(client.file("x.txt"), "");
    args = company;
    args.insert(args.end(),
                {"--out", client.file("x.txt"), "--save-mapping", client.file("x.txt")});
    EXPECT_EQ(run(args), cli::kUsage);
    EXPECT_TRUE(err.str().starts_with("--out " + client.file("x.txt") +
                                      " is the same file as --save-mapping "));
    // Nothing was started: not even the data folder.
    EXPECT_FALSE(fs::exists(platform::pathFromUtf8(platform::joinPath(common.path(), "TAV"))));
}

TEST_F(Batch, AChartWhoseColumnsMovedSaysWhyNoAccountCanBeMapped) {
    // The account number in the second column and the name in the eighth.
    std::string cofa;
    for (std::string line :
         vbSplit(readFile(install.file("SampleFiles/HarbourLaneCafe.qbw")), "\r\n")) {
        if (line.empty()) continue;
        StrArray f = vbSplit(line, "\t");
        if (f.size() > 7 && (f[0] == "!ACCNT" || f[0] == "ACCNT")) std::swap(f[1], f[7]);
        std::string joined;
        for (size_t i = 0; i < f.size(); ++i) joined += (i ? "\t" : "") + f[i];
        cofa += joined + "\r\n";
    }
    writeFile(client.file("CofA.iif"), cofa);
    writeFile(client.file("TaxCodes.iif"), cofa);
    for (const char* target : {"mas-au", "ao-nz"}) {
        EXPECT_EQ(run({"--target", target, "--journal", client.file("Journal.txt"), "--cofa",
                       client.file("CofA.iif"), "--taxcodes", client.file("TaxCodes.iif"),
                       "--ledger", "standard"}),
                  cli::kFailed)
            << target;
        EXPECT_NE(err.str().find("[No accounts to map] None of the accounts used in the Journal "
                                 "report was found in the QuickBooks Chart of Accounts file '" +
                                 client.file("CofA.iif") + "'."),
                  std::string::npos)
            << err.str();
    }
}

TEST_F(Batch, AFaultInAFileTheRunReadsNamesTheFileAndTheLine) {
    // The mapping's second line has a seventh field, the ledger's second line no comma,
    // and the chart's header line no EXTRA column.
    std::string mapping = readFile(client.file("ClientXAccountMapping.csv"));
    mapping.insert(mapping.find("\r\n", mapping.find("\r\n") + 2), ",extra");
    writeFile(client.file("Mapping.csv"), mapping);
    writeFile(client.file("Ledger.txt"), "680,Cheque\r\n681 Savings\r\n");
    writeFile(client.file("CofA.iif"), "!ACCNT\tNAME\tACCNUM\r\nACCNT\tCash\t100\r\n");
    const std::string journal = client.file("Journal.txt");
    struct Case {
        std::vector<std::string> args;
        std::string where;
    };
    const Case cases[] = {
        {sample(0, {"--account-mapping", client.file("Mapping.csv")}),
         client.file("Mapping.csv") +
             ", line 2: Bank,681,Business Savings Account,85,681,Savings account,extra"},
        {{"--target", "ao-au", "--journal", journal, "--company",
          client.file("HarbourLaneCafe.qbw"), "--ledger", client.file("Ledger.txt")},
         client.file("Ledger.txt") + ", line 2: 681 Savings"},
        {{"--target", "mas-au", "--journal", journal, "--cofa", client.file("CofA.iif"),
          "--taxcodes", client.file("CofA.iif")},
         client.file("CofA.iif") + ", line 1: !ACCNT\\tNAME\\tACCNUM"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run(c.args), cli::kFailed) << c.where;
        EXPECT_NE(err.str().find("\n  in " + c.where + "\n"), std::string::npos) << err.str();
    }

    // A setting's value that start-up replaces: the line that holds it.
    std::string ini = readFile(install.file("TAV.ini"));
    ini.replace(ini.find("Edition=1"), 9, "Edition=7");
    writeFile(install.file("TAV.ini"), ini);
    run(sample(0, {"--auto-map"}));
    EXPECT_NE(err.str().find("Invalid QuickBooks edition preference in ini file."),
              std::string::npos)
        << err.str();
    EXPECT_NE(err.str().find("\n  in " + install.file("TAV.ini") + ", line 6: Edition=7\n"),
              std::string::npos)
        << err.str();
}

TEST_F(Batch, WrongOptionsChangeNothing) {
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const std::string journal = client.file("Journal.txt");
    const std::string company = client.file("HarbourLaneCafe.qbw");
    const Case cases[] = {
        {{}, "--target is required"},
        {{"--target", "mas", "--journal", journal, "--company", company}, "--target"},
        {{"--target", "0", "--company", company}, "--journal is required"},
        {{"--target", "0", "--journal", journal}, "--company or --cofa with --taxcodes"},
        {{"--target", "0", "--journal", journal, "--cofa", company}, "--taxcodes"},
        {{"--target", "0", "--journal", journal, "--company", company, "--ledger", "2"},
         "--ledger 2: this target's ledgers are 0 Standard ledger, 1 Customised ledger"},
        {{"--target", "mas-nz", "--journal", journal, "--company", company, "--ledger", "none"},
         "--ledger none: this target's ledgers are"},
        {{"--target", "ao-au", "--journal", journal, "--company", company, "--ledger", "gone.txt"},
         "--ledger gone.txt: not standard, none, a ledger position or an existing file"},
        {{"--target", "0", "--journal", journal, "--company", company, "--on-data-error", "skip"},
         "--on-data-error"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run(c.args), cli::kUsage) << c.message;
        EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
        EXPECT_EQ(out.str(), "");
    }
    EXPECT_FALSE(fs::exists(platform::pathFromUtf8(platform::joinPath(common.path(), "TAV"))));

    EXPECT_EQ(run({"--help"}), cli::kConverted);
    EXPECT_NE(out.str().find("Exit codes: 0 converted"), std::string::npos);
}

}  // namespace
}  // namespace tav::test
