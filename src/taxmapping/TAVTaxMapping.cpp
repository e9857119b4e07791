#include "taxmapping/TAVTaxMapping.h"

#include <algorithm>
#include <utility>

#include "convert/ReportLine.h"
#include "convert/ReportScan.h"
#include "safe/ErrorLog.h"
#include "safe/FileCloser.h"
#include "safe/Platform.h"
#include "safe/SafeMethods.h"
#include "shell/ProgramState.h"
#include "taxmapping/modTaxMapping.h"

namespace tav::taxmappingscreen {

namespace {

void report(ProgramState& st, UiPort& ui, std::string_view procedure, std::string_view description,
            const Sem& details = {}) {
    dsCreateSEMAndDoAll(st, ui, kModule, procedure, 0, description, details, true);
}

// What went wrong first, in the words of the routine that found it.
std::string innermostFailure(const Sem& e) {
    std::string module, procedure, description;
    long number = 0;
    if (!sfSemParse(e, module, procedure, number, description, 0).empty()) return e;
    return description;
}

bool listsConfirmed(ProgramState& st, UiPort& ui) {
    if (st.gblnListsExtracted) return true;
    const Answer a = ui.messageBox(Message{
        "Warning: Please make sure you have extracted the required lists from the current "
        "QuickBooks company file by clicking 'Get QuickBooks Lists' above, before selecting the "
        "QuickBooks Journal report file.\r\n\r\nHave you extracted the lists from the current "
        "QuickBooks file?",
        Buttons::YesNo, Icon::Question, DefaultButton::First, "Have you extracted the lists?"});
    if (a != Answer::Yes) return false;
    st.gblnListsExtracted = true;
    return true;
}

// Reads the report's header, then scans it for its tax items and, when asked, the accounts
// it uses (and, for 'Accounts', what its file header will need); the report is open as
// file 1 throughout. A failure is reported with the report at the line it met.
JournalChoice readTaxItems(ProgramState& st, UiPort& ui, std::shared_ptr<const ReportScan>& scan) {
    constexpr std::string_view kProc = "cmdTransFile_Click";
    if (Sem e = sfOpenFile(st, ui, st.gstrJournalFile, "Input", kReportFile); !e.empty()) {
        report(st, ui, kProc, "Error opening the specified file to test header", e);
        return JournalChoice::Failed;
    }
    FileCloser closer(st.files, kReportFile);
    bool headerOK = false;
    if (Sem e = sfReadAndCheckHeader(st, headerOK); !e.empty()) {
        report(st, ui, kProc, "Error when checking QuickBooks journal file header", e);
        return JournalChoice::Failed;
    }
    if (!headerOK) {
        ui.messageBox(Message{
            "Your QuickBooks Journal file header is not correct. This is usually because the "
            "wrong columns have been included in the Journal report. Please return to "
            "QuickBooks and check that you have exported the correct TAV Journal report, or "
            "follow the TAV instructions to create the report and export the transactions again.",
            Buttons::OK, Icon::Exclamation, DefaultButton::First, "Journal File Incorrect"});
        return JournalChoice::Failed;
    }
    ui.doEvents();
    ui.setBusy(true);
    // 'Accounts' maps no accounts, but its file header lists them, with the report's dates.
    ScanRequest request{.taxItems = true};
    request.accounts = st.gintTargetApp == target::Accounts ? ScanRequest::Accounts::NumbersAndNames
                                                            : ScanRequest::Accounts::Numbers;
    request.dates = st.gintTargetApp == target::Accounts;
    Sem e = guarded(kModule, kProc, [&]() -> Sem {
        if (st.scanAhead) scan = std::exchange(st.scanAhead, nullptr)(st, ui, request);
        if (!scan) scan = scanReport(st, ui, request);
        return {};
    });
    // Accountant's Office has no tax mapping: its tax items only tell the reader which
    // tax lines QuickBooks added.
    const bool accountantsOffice = isAccountantsOffice(st.gintTargetApp);
    if (e.empty()) e = accountantsOffice ? sfExtractCodes(st, *scan) : sfImportCodes(st, *scan);
    if (!e.empty()) {
        ui.setBusy(false);
        if (scan && scan->taxFailure) showAtFailure(st, *scan->taxFailure);
        report(st, ui, kProc,
               accountantsOffice ? "An error occurred while extracting the tax codes from the "
                                   "QuickBooks Journal file."
                                 : "Calling function.",
               e);
        return JournalChoice::Failed;
    }
    return JournalChoice::Taken;
}

// The accounts the report uses, for the account mapping; the mapping made before goes.
// A failure is reported with the report open at the line it met, as a reading of the
// accounts alone would have left it.
JournalChoice takeAccounts(ProgramState& st, UiPort& ui, const ReportScan& scan) {
    st.gcolJournalAccounts.Clear();
    for (const JournalAccount& a : scan.accounts) st.gcolJournalAccounts.Add(a.number);
    st.gcolMappedAccounts.Clear();
    if (scan.accountFailure) {
        ui.setBusy(false);
        FileCloser closer(st.files, kReportFile);
        if (sfOpenFile(st, ui, st.gstrJournalFile, "Input", kReportFile).empty())
            showAtFailure(st, *scan.accountFailure);
        report(st, ui, "cmdTransFile_Click",
               "Error extracting accounts from the Journal report file, for use on the Account "
               "Mapping screen.",
               scan.accountFailure->as(kModConvert, "sfExtractAccounts"));
        return JournalChoice::Failed;
    }
    if (!st.gcolJournalAccounts.empty()) return JournalChoice::Taken;
    ui.setBusy(false);
    ui.messageBox(
        Message{"The Journal Report file specified does not contain transactions. "
                "Please select a valid Journal Report file.",
                Buttons::OK, Icon::None, DefaultButton::First, "No accounts found"});
    return JournalChoice::Failed;
}

}  // namespace

View view(const ProgramState& st) {
    View v;
    v.mapping = !isAccountantsOffice(st.gintTargetApp);
    v.caption = v.mapping ? "QuickBooks Tax Item to " + st.gstrTargetAppName + " Tax Code Mapping"
                          : "Extract Lists and Select Journal File";
    sfShortenPath(st.gstrCompanyFile, v.lblQBDataFilePath, kPathDisplayLength);
    sfShortenPath(st.gstrJournalFile, v.lblJournalPath, kPathDisplayLength);
    v.lblGetQBLists =
        "Click this button to extract lists required by the mapping process. If there is a "
        "problem with the extraction, click the Help button for further information.";
    v.lblCodeMapping =
        "Some of the tax items used in the QuickBooks Journal file have been automatically "
        "mapped.\r\nPLEASE CHECK THE AUTOMATIC MAPPING and map any unmapped items. Only map to "
        "codes set up for that client in " +
        st.gstrTargetAppName +
        ".\r\n Select the button below to see further details of tax "
        "items/codes.";
    return v;
}

void Form_Load(ProgramState& st, UiPort& ui) {
    reportingFailures(st, ui, kModule, "Form_Load", [&] {
        if (!platform::pathExists(st.gstrClientFolder))
            st.gstrClientFolder = platform::rootFolder();
        if (!platform::pathExists(st.gstrJournalFile))
            st.gstrJournalFile = platform::joinPath(st.gstrClientFolder, "Journal.txt");
        if (isAccountantsOffice(st.gintTargetApp)) return;

        st.gblnNewTaxCodeAdded = false;
        if (st.gcolTargetTaxCodes.empty()) {
            if (Sem e = sfLoadColTargetTaxCodes(st, ui, targetTaxCodeFile(st)); !e.empty())
                report(st, ui, "Form_Load",
                       "Error loading target tax codes. Try re-installing the TAV program.", e);
        }
        if (st.gcolDefaultTaxMapping.empty()) {
            if (Sem e = sfLoadColDefaultTaxMapping(st, ui); !e.empty())
                report(st, ui, "Form_Load",
                       "Error loading default tax mapping. Try re-installing the TAV program.", e);
        }
    });
}

void cmdQBDataFile_Click(ProgramState& st, UiPort& ui) {
    reportingFailures(st, ui, kModule, "cmdQBDataFile_Click", [&] {
        platform::CurrentDirectoryKeeper directory;
        FileDialog d;
        d.kind = DialogKind::Open;
        d.title = "QuickBooks Company or Accountant's Copy File";
        d.filter = "QuickBooks Company Files (*.qbw;*.qba)|*.qbw;*.qba";
        d.fileMustExist = true;
        if (!st.gstrCompanyFile.empty()) {
            const auto company = platform::pathFromUtf8(st.gstrCompanyFile);
            d.initialFolder = platform::pathToUtf8(company.parent_path());
            d.fileName = platform::pathToUtf8(company.filename());
        } else {
            const auto common = platform::pathFromUtf8(st.gstrDataFolder).parent_path();
            d.initialFolder =
                platform::joinPath(platform::pathToUtf8(common),
                                   platform::nativeSeparators("Intuit\\QuickBooks\\Company Files"));
        }
        const auto chosen = ui.fileDialog(d);
        if (chosen && *chosen != st.gstrCompanyFile) {
            st.gstrCompanyFile = *chosen;
            st.gblnListsExtracted = false;
        }
    });
}

JournalChoice chooseJournalFile(ProgramState& st, UiPort& ui) {
    constexpr std::string_view kProc = "cmdTransFile_Click";
    JournalChoice choice = JournalChoice::Failed;
    reportingFailures(st, ui, kModule, kProc, [&] {
        platform::CurrentDirectoryKeeper directory;
        FileDialog d;
        d.kind = DialogKind::Open;
        d.filter = "Text Files (*.txt)|*.txt|All Files (*.*)|*.*";
        d.initialFolder = st.gstrClientFolder;
        d.fileName = "Journal.txt";
        d.fileMustExist = true;
        const auto chosen = ui.fileDialog(d);
        if (!chosen) {
            choice = JournalChoice::Cancelled;
            return;
        }
        if (!isAccountantsOffice(st.gintTargetApp)) {
            if (*chosen == st.gstrJournalFile && !st.gcolMappedTaxCodes.empty()) {
                choice = JournalChoice::Kept;
                return;
            }
            if (Sem e = sfClearCollection(st.gcolMappedTaxCodes); !e.empty())
                return report(st, ui, kProc, "Error clearing the mapped tax codes collection.", e);
        }
        if (!listsConfirmed(st, ui)) {
            choice = JournalChoice::Cancelled;
            return;
        }
        st.gstrJournalFile = *chosen;
        directory.restore();
        choice = JournalChoice::Chosen;
    });
    return choice;
}

JournalChoice readJournalFile(ProgramState& st, UiPort& ui) {
    constexpr std::string_view kProc = "cmdTransFile_Click";
    JournalChoice choice = JournalChoice::Failed;
    reportingFailures(st, ui, kModule, kProc, [&] {
        if (Sem e = sfGetcolTaxPayables(st, ui); !e.empty())
            return report(st, ui, kProc,
                          "Error getting tax payable accounts from Chart of Accounts file", e);
        if (Sem e = sfGetcolTaxCodeTaxItemLinks(st, ui); !e.empty())
            return report(st, ui, kProc,
                          "Error getting tax codes and tax items from tax code list file", e);
        // The account mapping's accounts are read along with the tax items: the report
        // can be large, and one reading serves both.
        std::shared_ptr<const ReportScan> scan;
        choice = readTaxItems(st, ui, scan);
        if (choice == JournalChoice::Taken && st.gintTargetApp != target::Accounts)
            choice = takeAccounts(st, ui, *scan);
        ui.setBusy(false);
    });
    ui.setBusy(false);
    return choice;
}

JournalChoice cmdTransFile_Click(ProgramState& st, UiPort& ui) {
    const JournalChoice choice = chooseJournalFile(st, ui);
    return choice == JournalChoice::Chosen ? readJournalFile(st, ui) : choice;
}

Sem sfImportCodes(ProgramState& st, const ReportScan& scan) {
    constexpr std::string_view kProc = "sfImportCodes";
    return guarded(kModule, kProc, [&]() -> Sem {
        if (Sem e = sfExtractCodes(st, scan); !e.empty())
            return sfSemCreate(kModule, kProc, 0,
                               "An error occurred while extracting the tax codes from the "
                               "QuickBooks Journal file.",
                               e);
        if (Sem e = sfMapStandardCodes(st); !e.empty())
            return sfSemCreate(kModule, kProc, 0,
                               "An error occurred when mapping any standard tax codes found in "
                               "the QuickBooks Journal file.",
                               e);
        return {};
    });
}

std::string rememberedTaxMappingFile(const ProgramState& st) {
    const char* name = nullptr;
    switch (st.gintTargetApp) {
        case target::MasAU: name = "TAVTaxMappingMasAU.txt"; break;
        case target::Accounts: name = "TAVTaxMappingAccounts.txt"; break;
        case target::MasNZ: name = "TAVTaxMappingMasNZ.txt"; break;
        default: return {};
    }
    if (st.gstrJournalFile.empty()) return {};
    const auto folder = platform::pathFromUtf8(st.gstrJournalFile).parent_path();
    return platform::joinPath(platform::pathToUtf8(folder), name);
}

void applyRememberedTaxMapping(ProgramState& st, UiPort& ui) {
    constexpr std::string_view kProc = "applyRememberedTaxMapping";
    reportingFailures(st, ui, kModule, kProc, [&] {
        RememberedTaxMapping& remembered = st.rememberedTaxMapping;
        remembered = {};
        const std::string path = rememberedTaxMappingFile(st);
        if (path.empty() || !platform::fileExists(path)) return;
        std::vector<TaxMappingLine> lines;
        std::vector<std::string> filled;
        Sem e = sfReadTaxMapping(st, ui, path, lines);
        if (e.empty()) e = sfApplyTaxMapping(st, lines, &filled);
        if (!e.empty()) {
            dsCreateSEMAndDoAll(st, ui, kModule, kProc, 0,
                                "The remembered tax mapping could not be used.", e, false);
            ui.messageBox(
                Message{"The tax mapping remembered for this client could not be used, so the grid "
                        "shows the automatic mapping:\r\n\r\n" +
                            innermostFailure(e) + "\r\n\r\nFile: " + path +
                            "\r\nIt is replaced when you next change the mapping.",
                        Buttons::OK, Icon::Exclamation, DefaultButton::First,
                        "Remembered Tax Mapping Ignored"});
            return;
        }
        remembered.lines = std::move(lines);
        remembered.items.insert(filled.begin(), filled.end());
    });
}

void rememberTaxMapping(ProgramState& st, UiPort& ui) {
    constexpr std::string_view kProc = "rememberTaxMapping";
    reportingFailures(st, ui, kModule, kProc, [&] {
        RememberedTaxMapping& remembered = st.rememberedTaxMapping;
        const std::string path = rememberedTaxMappingFile(st);
        if (path.empty() || remembered.failed) return;
        const Sem e = sfSaveTaxMapping(st, ui, path, remembered.lines);
        if (e.empty()) return;
        remembered.failed = true;
        dsCreateSEMAndDoAll(st, ui, kModule, kProc, 0, "The tax mapping could not be remembered.",
                            e, false);
        ui.messageBox(Message{
            "The tax mapping could not be remembered for this client, so it will not be offered "
            "again next time:\r\n\r\n" +
                innermostFailure(e) + "\r\n\r\nFile: " + path +
                "\r\nThe mapping you make still counts for this conversion.",
            Buttons::OK, Icon::Exclamation, DefaultButton::First, "Tax Mapping Not Remembered"});
    });
}

std::string TaxCodeTable::note(long r) const {
    if (showsPlaceholder() ||
        !st_.rememberedTaxMapping.items.contains(st_.gcolMappedTaxCodes.Item(r).item))
        return {};
    return "Mapped as remembered for this client";
}

StrArray TaxCodeTable::header() const { return {" QuickBooks", st_.gstrTargetAppName, ""}; }

StrArray TaxCodeTable::listItems() const {
    StrArray items;
    if (Sem e = sfSetUpTaxCombo(st_, items); !e.empty()) raise(err::InvalidCall, e);
    return items;
}

long TaxCodeTable::entryCount() const { return st_.gcolMappedTaxCodes.Count(); }

StrArray TaxCodeTable::entryRow(long r) const {
    const MappedTaxCode& mapped = st_.gcolMappedTaxCodes.Item(r);
    return {" " + mapped.item, " " + mapped.code, mapped.position};
}

void TaxCodeTable::store(long r, long index) {
    st_.rememberedTaxMapping.items.erase(st_.gcolMappedTaxCodes.Item(r).item);
    storeTaxCodeChoice(st_, r, index);
}

GridMove cmbTaxCodes_Click(ProgramState& st, UiPort& ui, TaxCodeTable& table, long row,
                           long index) {
    GridMove move{row};
    reportingFailures(st, ui, kModule, "cmbTaxCodes_Click",
                      [&] { move = table.choose(row, index); });
    if (move.stored) rememberTaxMapping(st, ui);
    return move;
}

GridMove dsHaveLeftAddTaxCode(ProgramState& st, UiPort& ui, TaxCodeTable& table, long row) {
    GridMove move{row};
    reportingFailures(st, ui, kModule, "dsHaveLeftAddTaxCode",
                      [&] { move = table.afterAdding(row, st.gblnNewTaxCodeAdded); });
    if (move.stored) rememberTaxMapping(st, ui);
    return move;
}

KeyOutcome cmbTaxCodes_KeyDown(GridKey key, bool listOpen, long row, long rows, long page) {
    using Action = KeyOutcome::Action;
    if (listOpen) return {key == GridKey::Character ? Action::Discard : Action::Pass};
    const auto moveTo = [&](long r) {
        return KeyOutcome{Action::MoveTo, std::clamp(r, 1L, std::max(rows, 1L))};
    };
    switch (key) {
        case GridKey::Up: return moveTo(row - 1);
        case GridKey::Down: return moveTo(row + 1);
        case GridKey::PageUp: return moveTo(row - std::max(page, 1L));
        case GridKey::PageDown: return moveTo(row + std::max(page, 1L));
        case GridKey::Home: return moveTo(1);
        case GridKey::End: return moveTo(rows);
        case GridKey::Enter:
        case GridKey::Space:
        case GridKey::OpenList: return {Action::OpenList};
        default: return {Action::Discard};
    }
}

}  // namespace tav::taxmappingscreen
