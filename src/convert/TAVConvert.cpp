#include "convert/TAVConvert.h"

#include <utility>

#include "check/CheckPage.h"
#include "check/ConversionCheck.h"
#include "safe/ErrorLog.h"
#include "safe/Platform.h"
#include "safe/SafeMethods.h"
#include "shell/ProgramState.h"

namespace tav::convertscreen {

namespace {

bool pathExists(const std::string& path, Sem& failure) {
    long exists = 0;
    failure = sfDoesPathExist(path, exists);
    return failure.empty() && exists;
}

void exclamation(UiPort& ui, std::string text, std::string title) {
    ui.messageBox(Message{std::move(text), Buttons::OK, Icon::Exclamation, DefaultButton::First,
                          std::move(title)});
}

// Every import file written is read back and compared with the report. A check that
// cannot be made says so on its page, which then does not show a match.
void checkImportFile(ProgramState& st, UiPort& ui, ConversionRun& run) {
    auto result = std::make_shared<check::ConversionCheck>();
    const auto readBack = std::exchange(run.readBack, nullptr);
    if (Sem e = check::sfCheckConversion(st, ui, run, *result, false, readBack.get()); !e.empty()) {
        std::string module, procedure, description;
        long number = 0;
        sfSemParse(e, module, procedure, number, description, 0);
        result->fileProblems.push_back("The check could not be made: " + description);
    }
    run.check = std::move(result);
}

}  // namespace

std::string cutShortText(const ConversionRun& run) {
    const std::string ended =
        "The QuickBooks Journal report ends without its TOTAL line, so it was not saved whole. ";
    if (run.incompleteTransaction.empty())
        return ended +
               "Every transaction in the file was converted, but transactions after the last "
               "one are missing. Please export the Journal report from QuickBooks again, then "
               "convert it again.";
    return ended + "Transaction " + run.incompleteTransaction +
           ", the last in the file, was incomplete and was not written; the transactions before "
           "it were converted. Please export the Journal report from QuickBooks again, then "
           "convert it again.";
}

std::string defaultOutputFile(const ProgramState& st) {
    return platform::joinPath(st.gstrClientFolder, st.gintTargetApp == target::Accounts
                                                       ? "TAVOutput.csv"
                                                       : "TAVOutput.txt");
}

void Form_Load(ProgramState& st, UiPort& ui) {
    reportingFailures(st, ui, kModule, "Form_Load", [&] {
        Sem failure;
        if (!pathExists(st.gstrClientFolder, failure)) st.gstrClientFolder = platform::rootFolder();
        if (!platform::fileExists(st.gstrOutputFile)) st.gstrOutputFile = defaultOutputFile(st);
    });
}

void chkJournals_Click(ProgramState& st, bool ticked) { st.gblnAllToJournals = ticked; }

void cmdBrowse_Click(ProgramState& st, UiPort& ui) {
    reportingFailures(st, ui, kModule, "cmdBrowse_Click", [&] {
        platform::CurrentDirectoryKeeper directory;
        FileDialog d;
        d.kind = DialogKind::Save;
        d.initialFolder = st.gstrClientFolder;
        if (st.gintTargetApp == target::Accounts) {
            d.filter = "Comma Delimited (*.csv)|*.csv";
            d.fileName = "TAVOutput.csv";
        } else {
            d.filter = "ASCII text (comma delim) (*.txt)|*.txt";
            d.fileName = "TAVOutput.txt";
        }
        d.overwritePrompt = true;
        if (const auto chosen = ui.fileDialog(d)) st.gstrOutputFile = *chosen;
    });
}

ConvertOutcome cmdConvert_Click(ProgramState& st, UiPort& ui, ConversionRun& run,
                                const RunningHook& running) {
    constexpr std::string_view kProc = "cmdConvert_Click";
    ConvertOutcome outcome = ConvertOutcome::Failed;
    bool started = false;
    auto ended = [&] {
        ui.setBusy(false);
        if (started && running) running(false);
        started = false;
    };
    auto reportFailure = [&](const Sem& list) {
        dsCreateSEMAndDoAll(st, ui, kModule, kProc, 0, "Calling routine", list, true);
    };
    reportingFailures(st, ui, kModule, kProc, [&] {
        run.blnConversionStopped = false;
        run.check.reset();
        Sem failure;
        if (!pathExists(st.gstrJournalFile, failure)) {
            if (!failure.empty()) return reportFailure(failure);
            outcome = ConvertOutcome::NoJournal;
            return exclamation(ui,
                               "Either an import file was not selected, or it no longer exists at "
                               "the specified path. Please select a valid import file on the Tax "
                               "Mapping screen then check tax mapping etc.",
                               "No import file");
        }
        if (st.gstrOutputFile.empty()) {
            outcome = ConvertOutcome::NoOutputFile;
            return exclamation(ui,
                               "Please specify an output file name before attempting conversion.",
                               "No output file name");
        }
        if (const std::optional<RunInput> input = inputReplacedBy(st, st.gstrOutputFile)) {
            outcome = ConvertOutcome::OutputIsAnInput;
            return exclamation(ui,
                               "The import file '" + st.gstrOutputFile + "' is the same file as " +
                                   input->what + " '" + input->path +
                                   "'. Converting would replace it. Please choose another name "
                                   "for the import file.",
                               "Import file is an input file");
        }
        if (!isAccountantsOffice(st.gintTargetApp) && !unmappedTaxItems(st).empty()) {
            outcome = ConvertOutcome::IncompleteTaxMapping;
            return exclamation(ui,
                               "The tax code mapping is incomplete. Please complete the mapping "
                               "before attempting conversion.",
                               "Incomplete tax mapping");
        }
        if (st.gintTargetApp != target::Accounts && !unmappedAccounts(st).empty()) {
            outcome = ConvertOutcome::IncompleteAccountMapping;
            return exclamation(ui,
                               "The account mapping is incomplete. Please complete the mapping "
                               "before attempting conversion.",
                               "Incomplete account mapping");
        }

        started = true;
        if (running) running(true);
        ui.setBusy(true);
        Sem e = sfReadCreateWriteHeader(st, ui, run);
        if (e.empty()) e = sfReadConvertAppend(st, ui, run);
        if (e.empty() && run.checked) checkImportFile(st, ui, run);
        ended();
        if (!e.empty()) return reportFailure(e);
        if (run.blnConversionStopped) {
            outcome = ConvertOutcome::Stopped;
            return;
        }
        if (!run.totalLineRead) {
            outcome = ConvertOutcome::CutShort;
            return exclamation(ui, cutShortText(run), "Journal report incomplete");
        }
        outcome = ConvertOutcome::Converted;
        ui.messageBox(Message{"Conversion successful.", Buttons::OK, Icon::Information,
                              DefaultButton::First, "Conversion complete"});
    });
    ended();
    return outcome;
}

void cmdViewResult_Click(ProgramState& st, UiPort& ui) {
    reportingFailures(st, ui, kModule, "cmdViewResult_Click", [&] {
        if (const Sem e = sfDisplayFileContents(ui, st.gstrOutputFile); !e.empty())
            dsCreateSEMAndDoAll(st, ui, kModule, "cmdViewResult_Click", 0, "Calling routine", e,
                                true);
    });
}

std::optional<std::string> cmdViewCheck_Click(ProgramState& st, UiPort& ui,
                                              const check::ConversionCheck* check) {
    std::optional<std::string> page;
    reportingFailures(st, ui, kModule, "cmdViewCheck_Click", [&] {
        if (!check) {
            ui.messageBox(
                Message{"There is no check to view yet: the check is made when the data "
                        "is converted.",
                        Buttons::OK, Icon::Information, DefaultButton::First, "View Check"});
            return;
        }
        const std::string path = platform::joinPath(st.gstrDataFolder, "TAVCheck.html");
        if (Sem e = check::sfWriteCheck(st, ui, path, check::checkPage(*check)); !e.empty()) {
            dsCreateSEMAndDoAll(st, ui, kModule, "cmdViewCheck_Click", 0, "Calling routine", e,
                                true);
            return;
        }
        page = path;
    });
    return page;
}

std::optional<RunInput> inputReplacedBy(const ProgramState& st, const std::string& output) {
    const RunInput inputs[] = {
        {"the QuickBooks Journal report", st.gstrJournalFile},
        {"the QuickBooks Chart of Accounts file", st.gstrChartOfAccountsFile},
        {"the QuickBooks tax code list", st.gstrTaxCodeListFile},
        {"the QuickBooks company file", st.gstrCompanyFile},
        {"the account mapping file", st.gstrLoadedMappingFile},
        {"the account mapping file", st.gstrSavedMappingFile},
        {"the customised ledger", st.gstrCustomisedLedgerPath},
    };
    for (const RunInput& input : inputs)
        if (platform::sameFile(output, input.path)) return input;
    return std::nullopt;
}

StrArray unmappedTaxItems(const ProgramState& st) {
    StrArray items;
    for (const MappedTaxCode& m : st.gcolMappedTaxCodes)
        if (!m.mapped()) items.push_back(m.item);
    return items;
}

StrArray unmappedAccounts(const ProgramState& st) {
    StrArray accounts;
    for (const MappedAccount& m : st.gcolMappedAccounts)
        if (!m.mapped()) accounts.push_back(m.number + " " + m.name);
    return accounts;
}

}  // namespace tav::convertscreen
