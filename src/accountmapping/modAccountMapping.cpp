#include "accountmapping/modAccountMapping.h"

#include <fmt/format.h>

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "safe/ErrorLog.h"
#include "safe/FileCloser.h"
#include "safe/Platform.h"
#include "safe/SafeMethods.h"
#include "safe/TextCodec.h"
#include "safe/Values.h"
#include "shell/ProgramState.h"
#include "taxmapping/modTaxMapping.h"

namespace tav {

namespace {

constexpr std::string_view kForm = "TAVAccountMapping.frm";
constexpr std::string_view kMappingSeparator = "MAS accounts";

using enum LedgerSource;

constexpr LedgerChoice kMasAU[] = {{"Standard ledger", Installed, "\\MASAUAccounts.txt"},
                                   {"Customised ledger", Customised, ""}};
constexpr LedgerChoice kMasNZ[] = {{"Standard ledger", Installed, "\\MASNZAccounts.txt"},
                                   {"Customised ledger", Customised, ""}};
constexpr LedgerChoice kAOAU[] = {
    {"ZA10 Sole Trader (no PP)", Installed, "\\AOLedgers\\AU\\ZA10 SoleTrader NoPP.txt"},
    {"ZA12 Partnership (no PP)", Installed, "\\AOLedgers\\AU\\ZA12 Partnership NoPP.txt"},
    {"ZA15 Small Company (no PP)", Installed, "\\AOLedgers\\AU\\ZA15 SmallCo NoPP.txt"},
    {"Master Sole Trader (with PP)", Installed, "\\AOLedgers\\AU\\MasterSoleTrader(PP).txt"},
    {"Master Partnership (with PP)", Installed, "\\AOLedgers\\AU\\MasterPartnership(PP).txt"},
    {"Master Small Company (with PP)", Installed, "\\AOLedgers\\AU\\MasterSmallCo(PP).txt"},
    {"Master Large Company (with PP)", Installed, "\\AOLedgers\\AU\\MasterLargeCo(PP).txt"},
    {"No accounts (add your own)", None, ""},
    {"Customised ledger", Customised, ""}};
constexpr LedgerChoice kAONZ[] = {{"ZZNZ50", Installed, "\\AOLedgers\\NZ\\ZZNZ50.txt"},
                                  {"No accounts (add your own)", None, ""},
                                  {"Customised ledger", Customised, ""}};

// The text from the second character on; an empty text has none and is an invalid call.
std::string fromSecondCharacter(const std::string& text) {
    if (text.empty()) raise(err::InvalidCall);
    return text.substr(leftChars(text, 1).size());
}

// Removes every occurrence of `find`; a failure becomes the routine's SEM line.
Sem removeAll(std::string& text, std::string_view find, std::string_view procedure,
              std::string_view failure) {
    const Sem e = sfReplace(text, find, "");
    return e.empty() ? Sem{} : sfSemCreate(kModAccountMapping, procedure, 0, failure, e);
}

void reportFailure(ProgramState& st, UiPort& ui, std::string_view procedure,
                   std::string_view description, const Sem& details) {
    dsCreateSEMAndDoAll(st, ui, kForm, procedure, 0, description, details, true);
}

// The save dialogs of the mapping screen.
std::optional<std::string> askSavePath(UiPort& ui, const ProgramState& st, std::string filter,
                                       std::string fileName) {
    FileDialog d;
    d.kind = DialogKind::Save;
    d.filter = std::move(filter);
    d.initialFolder = st.gstrClientFolder;
    d.fileName = std::move(fileName);
    d.overwritePrompt = true;
    return ui.fileDialog(d);
}

}  // namespace

// ---- Target chart of accounts ---------------------------------------------------

std::span<const LedgerChoice> ledgerChoices(std::int16_t target) {
    switch (target) {
        case target::MasAU: return kMasAU;
        case target::MasNZ: return kMasNZ;
        case target::AccountantsOfficeAU: return kAOAU;
        case target::AccountantsOfficeNZ: return kAONZ;
        default: return {};
    }
}

std::string ledgerPath(const ProgramState& st, long position) {
    const auto choices = ledgerChoices(st.gintTargetApp);
    if (position < 0 || position >= static_cast<long>(choices.size())) return {};
    const LedgerChoice& c = choices[static_cast<size_t>(position)];
    switch (c.source) {
        case Installed:
            return platform::joinPath(st.installFolder,
                                      platform::nativeSeparators(std::string(c.file.substr(1))));
        case None: return "none";
        case Customised: return st.gstrCustomisedLedgerPath;
    }
    return {};
}

Sem sfLoadTargetAccounts(ProgramState& st, UiPort& ui, const std::string& path) {
    constexpr std::string_view kProc = "sfLoadTargetAccounts";
    return guarded(kModAccountMapping, kProc, [&]() -> Sem {
        const std::string ledger = trim(path);
        if (Sem e = sfClearCollection(st.gcolTargetAccounts); !e.empty())
            return sfSemCreate(kModAccountMapping, kProc, 0,
                               "An error occurred clearing the existing Accounts. Try closing and "
                               "re-opening the TAV program.",
                               e);
        if (Sem e = sfClearCollection(st.gcolMappedAccounts); !e.empty())
            return sfSemCreate(kModAccountMapping, kProc, 0,
                               "Error clearing the mapped accounts. Try closing and re-opening the "
                               "TAV program.",
                               e);
        if (ledger == "none" || ledger.empty()) return {};
        Sem e;
        if (isMas(st.gintTargetApp))
            e = sfLoadColTargetAccountsFromMAS(st, ui, ledger);
        else if (isAccountantsOffice(st.gintTargetApp))
            e = sfLoadColTargetAccountsFromAO(st, ui, ledger);
        if (!e.empty())
            return sfSemCreate(kModAccountMapping, kProc, 0,
                               "An error occurred loading the target ledger.", e);
        return {};
    });
}

Sem sfLoadColTargetAccountsFromMAS(ProgramState& st, UiPort& ui, const std::string& path) {
    constexpr std::string_view kProc = "sfLoadColTargetAccountsFromMAS";
    return guarded(kModAccountMapping, kProc, [&]() -> Sem {
        const std::string ledger = trim(path);
        if (Sem e = sfOpenFile(st, ui, ledger, "Input", 1); !e.empty()) {
            const bool installed = ledger == ledgerPath(st, 0);
            return sfSemCreate(
                kModAccountMapping, kProc, 0,
                installed ? "An error occurred when trying to open the MAS accounts file. If "
                            "converting to MAS, reinstall Tavora."
                          : "An error occurred when trying to open your MAS accounts file. Make "
                            "sure the file is not already open in another application.",
                e);
        }
        FileCloser closer(st.files, 1);
        while (!st.files.eof(1)) {
            // Number and name are quoted; the split at quote-comma leaves their opening
            // quotes. Further fields are never read.
            const StrArray f = vbSplit(st.files.lineInput(1), "\",");
            TargetAccount account{fromSecondCharacter(field(f, 0)),
                                  fromSecondCharacter(field(f, 1))};
            for (std::string* text : {&account.number, &account.name})
                if (Sem e = removeAll(*text, ",", kProc,
                                      "Error deleting commas from MAS Chart of Accounts.");
                    !e.empty())
                    return e;
            st.gcolTargetAccounts.Add(std::move(account));
        }
        return {};
    });
}

Sem sfLoadColTargetAccountsFromAO(ProgramState& st, UiPort& ui, const std::string& path) {
    constexpr std::string_view kProc = "sfLoadColTargetAccountsFromAO";
    return guarded(kModAccountMapping, kProc, [&]() -> Sem {
        const int n = st.files.freeFile();
        if (Sem e = sfOpenFile(st, ui, path, "Input", n); !e.empty())
            return sfSemCreate(kModAccountMapping, kProc, 0,
                               "An error occurred when trying to open your AO ledger file. Make "
                               "sure the file is not already open in another application.",
                               e);
        FileCloser closer(st.files, n);
        while (!st.files.eof(n)) {
            const std::string line = st.files.lineInput(n);
            const size_t comma = line.find(',');
            if (comma == std::string::npos) raise(err::InvalidCall);
            std::string name = line.substr(comma + 1);
            for (std::string_view unwanted : {",", "\""})
                if (Sem e = removeAll(name, unwanted, kProc,
                                      "Error deleting commas and quotes from AO ledger.");
                    !e.empty())
                    return e;
            st.gcolTargetAccounts.Add({line.substr(0, comma), std::move(name)});
        }
        return {};
    });
}

// ---- Mapping model ----------------------------------------------------------------

Sem sfFullQBAccountType(std::string& name, std::string_view code) {
    name.clear();
    return guarded(kModAccountMapping, "sfFullQBAccountType", [&]() -> Sem {
        static constexpr std::pair<std::string_view, std::string_view> kTypes[] = {
            {"BANK", "Bank"},
            {"AR", "Accounts Receivable"},
            {"OCASSET", "Other Current Asset"},
            {"FIXASSET", "Fixed Asset"},
            {"OASSET", "Other Asset"},
            {"AP", "Accounts Payable"},
            {"CCARD", "Credit Card"},
            {"OCLIAB", "Other Current Liability"},
            {"LTLIAB", "Long Term Liability"},
            {"EQUITY", "Equity"},
            {"INC", "Income"},
            {"COGS", "Cost of Goods Sold"},
            {"EXP", "Expense"},
            {"EXINC", "Other Income"},
            {"EXEXP", "Other Expense"},
            {"SUSPENSE", "Suspense"}};
        name = trim(code);
        for (const auto& [typeCode, display] : kTypes)
            if (name == typeCode) name = display;
        return {};
    });
}

Sem sfPopulateColMappedAccounts(ProgramState& st, UiPort& ui) {
    constexpr std::string_view kProc = "sfPopulateColMappedAccounts";
    return guarded(kModAccountMapping, kProc, [&]() -> Sem {
        auto tell = [&](std::string text, std::string title, Icon icon = Icon::None) {
            ui.messageBox(Message{std::move(text), Buttons::OK, icon, DefaultButton::First,
                                  std::move(title)});
        };
        if (!st.gblnListsExtracted)
            tell(
                "Warning: Please make sure you have extracted the required lists from the current "
                "QuickBooks company file. ",
                "Have you extracted the lists?", Icon::Question);
        long exists = 0;
        if (Sem e = sfDoesPathExist(st.gstrChartOfAccountsFile, exists); !e.empty())
            return sfSemCreate(kModAccountMapping, kProc, 0,
                               "An Error occurred when checking the QuickBooks Chart of Accounts "
                               "file.",
                               e);
        const std::string window = isAccountantsOffice(st.gintTargetApp)
                                       ? "'Extract Lists and Select Journal File'"
                                       : "Tax Code Mapping";
        if (!exists) {
            tell("Please return to the " + window +
                     " window and extract the required QuickBooks "
                     "lists.",
                 "Invalid file or path");
            return {};
        }
        if (st.gcolJournalAccounts.empty()) {
            tell("No accounts were found in the transaction file specified. Please return to the " +
                     window + " window and make sure you select a valid QuickBooks Journal file.",
                 "No accounts to map");
            return {};
        }
        if (Sem e = sfOpenFile(st, ui, st.gstrChartOfAccountsFile, "Input", 1); !e.empty())
            return sfSemCreate(kModAccountMapping, kProc, 0,
                               "An error occurred when trying to open the QuickBooks Chart of "
                               "Accounts file. Try exporting the QuickBooks lists again.",
                               e);
        FileCloser closer(st.files, 1);
        const std::unordered_set<std::string_view> used(st.gcolJournalAccounts.begin(),
                                                        st.gcolJournalAccounts.end());
        while (!st.files.eof(1)) {
            std::string line = st.files.lineInput(1);
            if (Sem e = removeAll(line, ",", kProc,
                                  "Error deleting commas from QuickBooks Chart of Accounts.");
                !e.empty())
                return e;
            if (Sem e = removeAll(line, "\"", kProc,
                                  "Error deleting quotes from QuickBooks Chart of Accounts.");
                !e.empty())
                return e;
            const StrArray f = vbSplit(line, "\t");
            if (field(f, 0) != "ACCNT") continue;
            const std::string& number = field(f, accnt::Number);
            if (!used.contains(number)) continue;
            std::string type;
            if (Sem e = sfFullQBAccountType(type, field(f, accnt::TypeCode)); !e.empty())
                return sfSemCreate(kModAccountMapping, kProc, 0,
                                   "Error occurred with QuickBooks account types.", e);
            st.gcolMappedAccounts.Add({type, number, field(f, accnt::Name), "1", "", ""});
        }
        // The chart is read by column position: one whose columns moved matches nothing.
        if (st.gcolMappedAccounts.empty())
            tell(
                "None of the accounts used in the Journal report was found in the QuickBooks "
                "Chart of Accounts file '" +
                    st.gstrChartOfAccountsFile +
                    "'. Its ACCNT lines must hold the account name in the second column, the "
                    "account type in the fifth and the account number in the eighth, as "
                    "QuickBooks exports them. Please return to the " +
                    window + " window and extract the required QuickBooks lists again.",
                "No accounts to map");
        return {};
    });
}

std::vector<long> cmdAutoMapping_Click(ProgramState& st, UiPort& ui,
                                       const std::function<void(long)>& rowChanged) {
    std::vector<long> changed;
    if (st.gcolMappedAccounts.empty() || st.gcolTargetAccounts.empty()) return changed;
    ui.setBusy(true);
    try {
        // The first target account of each number, as a search from the first finds it.
        std::unordered_map<std::string_view, long> firstWithNumber;
        for (long j = 1; j <= st.gcolTargetAccounts.Count(); ++j)
            firstWithNumber.try_emplace(st.gcolTargetAccounts.Item(j).number, j);
        for (long i = 1; i <= st.gcolMappedAccounts.Count(); ++i) {
            const MappedAccount& mapped = st.gcolMappedAccounts.Item(i);
            if (mapped.mapped()) continue;  // a choice already made stays
            const auto found = firstWithNumber.find(mapped.number);
            if (found == firstWithNumber.end()) continue;
            const long j = found->second;
            const TargetAccount& target = st.gcolTargetAccounts.Item(j);
            MappedAccount copy = mapped;
            copy.listIndex = std::to_string(j + 1);
            copy.targetNumber = target.number;
            copy.targetName = target.name;
            st.gcolMappedAccounts.Replace(i, std::move(copy));
            changed.push_back(i);
            if (rowChanged) rowChanged(i);
        }
    } catch (...) {
        std::string module, procedure, description;
        long number = 0;
        sfSemParse(semFromCurrentException(kForm, "cmdAutoMapping_Click"), module, procedure,
                   number, description, 0);
        ui.setBusy(false);
        ui.messageBox(
            Message{fmt::format("An error has occured in TAVAccountMapping.frm : "
                                "cmdAutoMapping_Click\r\n\r\nError number: {}\r\n{}",
                                number, description)});
        return changed;
    }
    ui.setBusy(false);
    return changed;
}

void storeAccountChoice(ProgramState& st, long row, long listIndex) {
    if (st.gcolMappedAccounts.empty()) return;
    MappedAccount mapped = st.gcolMappedAccounts.Item(row);
    if (listIndex == 1) {
        mapped.targetNumber.clear();
        mapped.targetName.clear();
    } else {
        const TargetAccount& target = st.gcolTargetAccounts.Item(listIndex - 1);
        mapped.targetNumber = target.number;
        mapped.targetName = target.name;
    }
    mapped.listIndex = std::to_string(listIndex);
    st.gcolMappedAccounts.Replace(row, std::move(mapped));
}

// ---- The mapping screen's grid and combo --------------------------------------------

size_t fillerLength(std::string_view number, long width) {
    const long filler = 2 * (width - static_cast<long>(charCount(number)));
    if (filler < 0) raise(err::InvalidCall);
    return static_cast<size_t>(filler);
}

std::string numberAndName(std::string_view number, std::string_view name, long width) {
    const size_t filler = fillerLength(number, width);
    std::string text;
    text.reserve(number.size() + filler + name.size());
    text.append(number).append(filler, ' ').append(name);
    return text;
}

StrArray accountGridHeader(const ProgramState& st) {
    return {" QuickBooks Acct Type", " QuickBooks Account Number and Name",
            " " + st.gstrTargetAppName + " Account Number and Name", ""};
}

StrArray accountGridRow(const MappedAccount& mapped) {
    return {" " + mapped.type,
            " " + numberAndName(mapped.number, mapped.name, kQuickBooksNumberWidth),
            " " + numberAndName(mapped.targetNumber, mapped.targetName, kTargetNumberWidth),
            mapped.listIndex};
}

Sem sfSetUpCombo(const ProgramState& st, StrArray& listItems) {
    listItems.clear();
    return guarded(kModAccountMapping, "sfSetUpCombo", [&]() -> Sem {
        listItems = {" <Add New>", ""};
        for (const TargetAccount& target : st.gcolTargetAccounts)
            listItems.push_back(numberAndName(target.number, target.name, kTargetNumberWidth));
        return {};
    });
}

// ---- Mapping and ledger files -------------------------------------------------------

Sem sfLoadMapping(ProgramState& st) {
    constexpr std::string_view kProc = "sfLoadMapping";
    return guarded(kModAccountMapping, kProc, [&]() -> Sem {
        for (long i = 1; i <= st.gcolMappedAccounts.Count(); ++i) {
            if (!st.gcolMappedAccounts.Item(i).mapped()) continue;
            MappedAccount unmapped = st.gcolMappedAccounts.Item(i);
            unmapped.listIndex = "1";
            unmapped.targetNumber.clear();
            unmapped.targetName.clear();
            st.gcolMappedAccounts.Replace(i, std::move(unmapped));
        }
        // The first row of each QuickBooks account number, as a search from the first
        // finds it; replacing a row keeps its number.
        std::unordered_map<std::string, long> firstWithNumber;
        for (long i = 1; i <= st.gcolMappedAccounts.Count(); ++i)
            firstWithNumber.try_emplace(st.gcolMappedAccounts.Item(i).number, i);
        while (!st.files.eof(1)) {
            const std::string line = st.files.lineInput(1);
            if (line == kMappingSeparator) break;
            // type, number, name, list index, target number, target name
            const StrArray f = vbSplit(line, ",");
            if (f.size() != 6)
                return sfSemCreate(kModAccountMapping, kProc, 0,
                                   "Incorrect number of fields in the account mapping. The "
                                   "mapping file may be corrupt.");
            // A QuickBooks account the current data does not use is passed over.
            const auto found = firstWithNumber.find(f[1]);
            if (found == firstWithNumber.end()) continue;
            // The row's target cell must be buildable: a number too long for its blanks
            // fails here, before the row changes.
            fillerLength(f[4], kTargetNumberWidth);
            MappedAccount mapped = st.gcolMappedAccounts.Item(found->second);
            mapped.listIndex = f[3];
            mapped.targetNumber = f[4];
            mapped.targetName = f[5];
            st.gcolMappedAccounts.Replace(found->second, std::move(mapped));
        }
        return {};
    });
}

Sem sfForeseeMapping(ProgramState& st, UiPort& ui, const std::string& path, bool autoMap) {
    constexpr std::string_view kProc = "sfForeseeMapping";
    return guarded(kModAccountMapping, kProc, [&]() -> Sem {
        // A row for every account number the file names, which Load Mapping then maps
        // from the file as it maps the report's accounts.
        std::unordered_set<std::string> numbers;
        auto row = [&](const std::string& number) {
            if (numbers.insert(number).second)
                st.gcolMappedAccounts.Add({"", number, "", "1", "", ""});
        };
        {
            if (Sem e = sfOpenFile(st, ui, path, "Input", 1); !e.empty()) return e;
            FileCloser closer(st.files, 1);
            while (!st.files.eof(1)) {
                const std::string line = st.files.lineInput(1);
                if (line == kMappingSeparator) break;
                if (const StrArray f = vbSplit(line, ","); f.size() > 1) row(f[1]);
            }
        }
        if (Sem e = sfOpenFile(st, ui, path, "Input", 1); !e.empty()) return e;
        FileCloser closer(st.files, 1);
        if (Sem e = sfLoadMapping(st); !e.empty()) return e;
        if (Sem e = sfLoadcolTargetAccountsFromMapping(st); !e.empty()) return e;
        if (!autoMap) return {};
        for (const TargetAccount& t : st.gcolTargetAccounts) row(t.number);
        cmdAutoMapping_Click(st, ui, nullptr);
        return {};
    });
}

Sem sfLoadcolTargetAccountsFromMapping(ProgramState& st) {
    constexpr std::string_view kProc = "sfLoadcolTargetAccountsFromMapping";
    return guarded(kModAccountMapping, kProc, [&]() -> Sem {
        st.gcolTargetAccounts.Clear();
        while (!st.files.eof(1)) {
            StrArray f = vbSplit(st.files.lineInput(1), ",");
            if (f.size() != 2)
                return sfSemCreate(kModAccountMapping, kProc, 0,
                                   "Incorrect number of fields in the list of " +
                                       st.gstrTargetAppName +
                                       " accounts. The mapping file may be corrupt.");
            st.gcolTargetAccounts.Add({std::move(f[0]), std::move(f[1])});
        }
        return {};
    });
}

void cmdSaveMapping_Click(ProgramState& st, UiPort& ui) {
    constexpr std::string_view kProc = "cmdSaveMapping_Click";
    reportingFailures(st, ui, kForm, kProc, [&] {
        platform::CurrentDirectoryKeeper directory;
        const auto path =
            askSavePath(ui, st, "Comma Delimited (*.csv)|*.csv", "ClientXAccountMapping.csv");
        if (!path) return;
        st.gstrSavedMappingFile = *path;
        if (Sem e = sfOpenFile(st, ui, *path, "Output", 1); !e.empty())
            return reportFailure(st, ui, kProc, "Error opening specified file.", e);
        FileCloser closer(st.files, 1);
        for (const MappedAccount& m : st.gcolMappedAccounts)
            if (m.mapped())
                st.files.printLine(1, fmt::format("{},{},{},{},{},{}", m.type, m.number, m.name,
                                                  m.listIndex, m.targetNumber, m.targetName));
        st.files.printLine(1, kMappingSeparator);
        for (const TargetAccount& t : st.gcolTargetAccounts)
            st.files.printLine(1, t.number + "," + t.name);
        st.files.close(1);
    });
}

void cmdSaveLedger_Click(ProgramState& st, UiPort& ui) {
    constexpr std::string_view kProc = "cmdSaveLedger_Click";
    reportingFailures(st, ui, kForm, kProc, [&] {
        platform::CurrentDirectoryKeeper directory;
        const auto path =
            askSavePath(ui, st, "ASCII text (comma delim) (*.txt)|*.txt", "Ledger.txt");
        if (!path) return;
        if (Sem e = sfOpenFile(st, ui, *path, "Output", 1); !e.empty())
            return reportFailure(st, ui, kProc, "Error opening file '" + *path + "'", e);
        FileCloser closer(st.files, 1);
        for (const TargetAccount& t : st.gcolTargetAccounts)
            st.files.printLine(1, t.number + "," + t.name);
        st.files.close(1);
    });
}

std::optional<StrArray> cmdLoadMapping_Click(ProgramState& st, UiPort& ui) {
    constexpr std::string_view kProc = "cmdLoadMapping_Click";
    std::optional<StrArray> loaded;
    reportingFailures(st, ui, kForm, kProc, [&] {
        platform::CurrentDirectoryKeeper directory;
        FileDialog d;
        d.kind = DialogKind::Open;
        d.title = "MAS Account Mapping File";
        d.filter = "Comma Delimited (*.csv)|*.csv|All Files (*.*)|*.*";
        d.initialFolder = st.gstrClientFolder;
        d.fileName = "ClientXAccountMapping.csv";
        d.fileMustExist = true;
        const auto path = ui.fileDialog(d);
        directory.restore();
        if (!path) return;
        st.gstrLoadedMappingFile = *path;
        ui.doEvents();

        if (Sem e = sfOpenFile(st, ui, *path, "Input", 1); !e.empty())
            return reportFailure(st, ui, kProc, "Error opening the mapping file.", e);
        // Open while a failure is reported, which then points at the line it met.
        FileCloser closer(st.files, 1);
        std::string_view failure = "An error occurred while loading the mapping data.";
        Sem e = sfLoadMapping(st);
        if (e.empty()) {
            failure = "An error occurred while loading the accounts from the mapping file.";
            e = sfLoadcolTargetAccountsFromMapping(st);
        }
        if (!e.empty()) return reportFailure(st, ui, kProc, failure, e);
        st.files.close(1);
        StrArray items;
        if (Sem e = sfSetUpCombo(st, items); !e.empty())
            return reportFailure(st, ui, kProc, "An error occurred while loading the accounts.", e);
        loaded = std::move(items);
    });
    return loaded;
}

}  // namespace tav
