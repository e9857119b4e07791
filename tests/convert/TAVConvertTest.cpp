#include "convert/TAVConvert.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "accountmapping/modAccountMapping.h"
#include "convert/ConvertFixture.h"
#include "safe/Platform.h"
#include "safe/SafeMethods.h"
#include "taxmapping/modTaxMapping.h"

namespace tav::test {
namespace {

using convertscreen::ConvertOutcome;

class ConvertScreen : public ConvertFixture {
protected:
    ConvertScreen() {
        mapStandard();
        st.gcolTargetTaxCodes.Add("GST");
        st.gcolTargetAccounts.Add({"400", "Sales"});
        st.gstrClientFolder = dir.path();
        writeReport(report({"1|Invoice|1/07/2011|INV1|Smith|||1-1200 · Trade Debtors||10|",
                            "|||||||4-1000 · Sales||-10|", "|||||||||10|", "TOTAL|||||||||0|"}));
    }
    // The window's please-wait window comes and goes around the run, with the boxes the
    // user has seen by then.
    ConvertOutcome convert() {
        waits.clear();
        return convertscreen::cmdConvert_Click(st, ui, run, [this](bool running) {
            waits.push_back((running ? "shown after " : "gone after ") +
                            std::to_string(ui.messages.size()));
        });
    }
    std::vector<std::string> waits;
};

TEST_F(ConvertScreen, TheImportFileDefaultsToTheClientFolder) {
    std::filesystem::remove(platform::pathFromUtf8(st.gstrOutputFile));
    st.gstrOutputFile = dir.file("gone.txt");
    convertscreen::Form_Load(st, ui);
    EXPECT_EQ(st.gstrOutputFile, dir.file("TAVOutput.txt"));

    st.gintTargetApp = target::Accounts;
    st.gstrClientFolder = dir.file("gone");
    convertscreen::Form_Load(st, ui);
    EXPECT_EQ(st.gstrClientFolder, platform::rootFolder());
    EXPECT_EQ(st.gstrOutputFile, platform::joinPath(platform::rootFolder(), "TAVOutput.csv"));

    // A file that exists stays chosen.
    st.gstrOutputFile = st.gstrJournalFile;
    convertscreen::Form_Load(st, ui);
    EXPECT_EQ(st.gstrOutputFile, st.gstrJournalFile);
}

TEST_F(ConvertScreen, BrowsingChoosesTheImportFileAndCancellingKeepsIt) {
    st.gstrOutputFile = dir.file("old.txt");
    convertscreen::cmdBrowse_Click(st, ui);
    EXPECT_EQ(st.gstrOutputFile, dir.file("old.txt"));

    st.gintTargetApp = target::Accounts;
    ui.dialogAnswers = {dir.file("new.csv")};
    convertscreen::cmdBrowse_Click(st, ui);
    EXPECT_EQ(st.gstrOutputFile, dir.file("new.csv"));
    EXPECT_EQ(ui.dialogs.at(1).fileName, "TAVOutput.csv");
}

TEST_F(ConvertScreen, NothingRunsUntilEverythingTheTargetNeedsIsInPlace) {
    struct Case {
        std::int16_t target;
        std::string_view gaps;
        ConvertOutcome outcome;
        const char* title;
    };
    const Case cases[] = {
        {target::MasAU, "journal", ConvertOutcome::NoJournal, "No import file"},
        {target::MasAU, "output", ConvertOutcome::NoOutputFile, "No output file name"},
        {target::MasNZ, "tax", ConvertOutcome::IncompleteTaxMapping, "Incomplete tax mapping"},
        {target::Accounts, "tax", ConvertOutcome::IncompleteTaxMapping, "Incomplete tax mapping"},
        {target::MasAU, "account", ConvertOutcome::IncompleteAccountMapping,
         "Incomplete account mapping"},
        {target::AccountantsOfficeAU, "account", ConvertOutcome::IncompleteAccountMapping,
         "Incomplete account mapping"},
        // A target that does not use a mapping does not wait for it.
        {target::AccountantsOfficeNZ, "tax", ConvertOutcome::Converted, "Conversion complete"},
        {target::Accounts, "account", ConvertOutcome::Converted, "Conversion complete"},
        // With two things missing the earlier check speaks: report, import file name, tax
        // mapping, account mapping.
        {target::MasAU, "journal output", ConvertOutcome::NoJournal, "No import file"},
        {target::MasAU, "output tax", ConvertOutcome::NoOutputFile, "No output file name"},
        {target::MasAU, "tax account", ConvertOutcome::IncompleteTaxMapping,
         "Incomplete tax mapping"},
        {target::AccountantsOfficeAU, "output account", ConvertOutcome::NoOutputFile,
         "No output file name"},
    };
    const std::string journal = st.gstrJournalFile, output = st.gstrOutputFile;
    for (const Case& c : cases) {
        st.gintTargetApp = c.target;
        auto missing = [&](std::string_view gap) { return c.gaps.find(gap) != c.gaps.npos; };
        st.gstrJournalFile = missing("journal") ? dir.file("gone.txt") : journal;
        st.gstrOutputFile = missing("output") ? "" : output;
        storeTaxCodeChoice(st, 1, missing("tax") ? 1 : 2);
        storeAccountChoice(st, 4, missing("account") ? 1 : 2);
        ui.messages.clear();
        EXPECT_EQ(convert(), c.outcome) << c.gaps;
        ASSERT_EQ(ui.titles(), std::vector<std::string>{c.title}) << c.gaps;
        const bool ran = c.outcome == ConvertOutcome::Converted;
        EXPECT_EQ(ui.messages[0].icon, ran ? Icon::Information : Icon::Exclamation);
        const std::vector<std::string> around{"shown after 0", "gone after 0"};
        EXPECT_EQ(waits, ran ? around : std::vector<std::string>{});
        EXPECT_FALSE(ui.busy);
    }
}

TEST_F(ConvertScreen, TheImportFileMayNotBeAFileTheRunReads) {
    struct Case {
        std::string ProgramState::*input;
        const char* what;
    };
    const Case cases[] = {
        {&ProgramState::gstrJournalFile, "the QuickBooks Journal report"},
        {&ProgramState::gstrChartOfAccountsFile, "the QuickBooks Chart of Accounts file"},
        {&ProgramState::gstrTaxCodeListFile, "the QuickBooks tax code list"},
        {&ProgramState::gstrCompanyFile, "the QuickBooks company file"},
        {&ProgramState::gstrLoadedMappingFile, "the account mapping file"},
        {&ProgramState::gstrSavedMappingFile, "the account mapping file"},
        {&ProgramState::gstrCustomisedLedgerPath, "the customised ledger"},
    };
    for (const Case& c : cases) {
        std::string& input = st.*c.input;
        if (input.empty()) {
            input = dir.file("input.txt");
            writeFile(input, "an input\r\n");
        }
        const std::string before = readFile(input);
        // The same file under another name.
        st.gstrOutputFile = dir.file("alias.txt");
        std::filesystem::create_hard_link(platform::pathFromUtf8(input),
                                          platform::pathFromUtf8(st.gstrOutputFile));
        ui.messages.clear();
        EXPECT_EQ(convert(), ConvertOutcome::OutputIsAnInput) << c.what;
        ASSERT_EQ(ui.titles(), std::vector<std::string>{"Import file is an input file"});
        EXPECT_EQ(ui.messages[0].text, "The import file '" + st.gstrOutputFile +
                                           "' is the same file as " + c.what + " '" + input +
                                           "'. Converting would replace it. Please choose another "
                                           "name for the import file.");
        EXPECT_EQ(readFile(input), before);
        std::filesystem::remove(platform::pathFromUtf8(st.gstrOutputFile));
        if (c.input != &ProgramState::gstrJournalFile) input.clear();
    }
}

TEST_F(ConvertScreen, AReportCutShortSaysWhatWasNotWritten) {
    const std::string invoice2 =
        "2\tInvoice\t2/07/2011\tINV2\tSmith\t\t\t1-1200 · Trade Debtors\t\t10\t\r\n";
    const std::string full = readFile(st.gstrJournalFile);
    const std::string withoutTotal = full.substr(0, full.find("TOTAL"));
    struct Case {
        std::string report, text;
        long written;
    };
    const Case cases[] = {
        {withoutTotal + invoice2,
         "Transaction 2, the last in the file, was incomplete and was not written; the "
         "transactions before it were converted.",
         1},
        {withoutTotal,
         "Every transaction in the file was converted, but transactions after the last one are "
         "missing.",
         1},
    };
    for (const Case& c : cases) {
        writeReport(c.report);
        ui.messages.clear();
        run = ConversionRun{};
        EXPECT_EQ(convert(), ConvertOutcome::CutShort);
        ASSERT_EQ(ui.titles(), std::vector<std::string>{"Journal report incomplete"});
        EXPECT_EQ(ui.messages[0].icon, Icon::Exclamation);
        EXPECT_EQ(ui.messages[0].text,
                  "The QuickBooks Journal report ends without its TOTAL line, so it was not saved "
                  "whole. " +
                      c.text +
                      " Please export the Journal report from QuickBooks again, then convert it "
                      "again.");
        EXPECT_EQ(run.transactionsWritten, c.written);
        EXPECT_EQ(vbSplit(output(), "\r\n").size(), 4u);  // the header and one invoice
    }
}

TEST_F(ConvertScreen, AStoppedRunEndsQuietlyAndAFailedOneShowsTheErrorReport) {
    writeReport(report({"1|Invoice|31/02/2011|INV1|Smith|||1-1200 · Trade Debtors||10|",
                        "|||||||4-1000 · Sales||-10|", "|||||||||10|"}));
    ui.answers = {Answer::No};
    EXPECT_EQ(convert(), ConvertOutcome::Stopped);
    EXPECT_EQ(ui.titles(), std::vector<std::string>{"Error in data"});
    EXPECT_EQ(waits, (std::vector<std::string>{"shown after 0", "gone after 1"}));
    EXPECT_EQ(output(), crlf({"\"V\" \",\" Conv. from Journal on 01/07/2011"}));

    writeReport("Trans #\tType\r\n");
    ui.messages.clear();
    EXPECT_EQ(convert(), ConvertOutcome::Failed);
    ASSERT_EQ(ui.titles(), std::vector<std::string>{"Error Report"});
    EXPECT_EQ(waits, (std::vector<std::string>{"shown after 0", "gone after 0"}));
    EXPECT_NE(ui.messages[0].text.find("Description: Your QuickBooks Journal file header is not "
                                       "correct."),
              std::string::npos);
    EXPECT_EQ(run.reportLine, 1u);  // where reading stopped
    EXPECT_NE(readFile(dir.file("TAV.log"))
                  .find("TAVConvert.frm\tcmdConvert_Click\t0\tCalling routine\r\n"),
              std::string::npos);
}

}  // namespace
}  // namespace tav::test
