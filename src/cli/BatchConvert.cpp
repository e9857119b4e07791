#include "cli/BatchConvert.h"

#include <fmt/format.h>
#include <CLI/CLI.hpp>

#include <filesystem>
#include <fstream>
#include <istream>
#include <map>
#include <ostream>
#include <unordered_set>

#include "accountmapping/TAVAccountMapping.h"
#include "accountmapping/TAVSelectFiles.h"
#include "accountmapping/modAccountMapping.h"
#include "check/CheckPage.h"
#include "cli/ConsolePort.h"
#include "convert/TAVConvert.h"
#include "convert/modConvert.h"
#include "safe/ErrorLog.h"
#include "safe/Platform.h"
#include "safe/TextCodec.h"
#include "shell/ProgramState.h"
#include "shell/TAVNavigator.h"
#include "shell/Targets.h"
#include "shell/modMDIMain.h"
#include "taxmapping/TAVTaxMapping.h"
#include "taxmapping/modIIFSDK.h"
#include "taxmapping/modTaxMapping.h"

namespace tav::cli {

namespace {

struct Options {
    int target = -1;
    std::string journal, company, cofa, taxCodes, taxMapping, ledger, accountMapping, saveMapping,
        out, onDataError, checkPage, checkCsv;
    bool autoMap = false, allToJournals = false, quiet = false, checkSetup = false, noCheck = false;
    unsigned threads = 0;  // 0: one per core

    // From --ledger: a position on the select ledger screen, and a customised ledger file.
    std::optional<long> ledgerPosition;
    std::string ledgerFile;
};

constexpr const char* kFooter = R"(Targets: 0 or mas-au  MYOB MAS (Aust.)
         1 or accounts 'Accounts' (Aust.)
         2 or ao-au    Accountant's Office (Aust.)
         3 or mas-nz   MYOB MAS (N.Z.)
         4 or ao-nz    Accountant's Office (N.Z.)

Exit codes: 0 converted, 1 wrong options, 2 failed (the message says why),
            3 stopped by No at a data error, 4 a mapping is incomplete,
            5 converted, but the check found the import file differs from the report,
            6 converted, but the report ends without its TOTAL line.)";

std::string absolute(const std::string& path) {
    if (path.empty()) return path;
    return platform::pathToUtf8(std::filesystem::absolute(platform::pathFromUtf8(path)));
}

// The ledger named by --ledger for the target: "standard", "none", a position, or a file.
std::string resolveLedger(Options& o) {
    const auto choices = ledgerChoices(static_cast<std::int16_t>(o.target));
    auto position = [&](LedgerSource source) -> std::optional<long> {
        for (size_t i = 0; i < choices.size(); ++i)
            if (choices[i].source == source) return static_cast<long>(i);
        return std::nullopt;
    };
    std::string list;
    for (size_t i = 0; i < choices.size(); ++i)
        list += fmt::format("{}{} {}", i ? ", " : "", i, choices[i].caption);
    const std::string& l = o.ledger;
    if (l == "standard") {
        o.ledgerPosition = defaultLedgerNumber(static_cast<std::int16_t>(o.target));
    } else if (l == "none") {
        o.ledgerPosition = position(LedgerSource::None);
        if (!o.ledgerPosition) return "--ledger none: this target's ledgers are " + list;
    } else if (!l.empty() && l.find_first_not_of("0123456789") == std::string::npos) {
        const long n = std::stol(l.substr(0, 9));
        if (n >= static_cast<long>(choices.size()))
            return "--ledger " + l + ": this target's ledgers are " + list;
        o.ledgerPosition = n;
    } else if (platform::fileExists(l)) {
        o.ledgerPosition = position(LedgerSource::Customised);
        o.ledgerFile = absolute(l);
    } else {
        return "--ledger " + l + ": not standard, none, a ledger position or an existing file";
    }
    return {};
}

// CLI11's own file check reads the path in the system's code page, which on Windows
// loses every letter outside it; the program's paths are UTF-8.
const CLI::Validator kExistingFile(
    [](std::string& path) -> std::string {
        return platform::fileExists(path) ? std::string() : "File does not exist: " + path;
    },
    "FILE");

// A file the run writes that is one of the files it reads (or the other file it
// writes), compared as files (device and file number), not as names: what to tell the
// user, before anything is written.
std::string outputIsAnInput(const Options& o) {
    const std::string defaultOut =
        platform::joinPath(platform::pathToUtf8(platform::pathFromUtf8(o.journal).parent_path()),
                           o.target == target::Accounts ? "TAVOutput.csv" : "TAVOutput.txt");
    const std::pair<const char*, std::string> outputs[] = {
        {"--out", o.out.empty() ? defaultOut : o.out},
        {"--save-mapping", o.saveMapping},
        {"--check", o.checkPage},
        {"--check-csv", o.checkCsv}};
    const std::pair<const char*, std::string> inputs[] = {{"--journal", o.journal},
                                                          {"--company", o.company},
                                                          {"--cofa", o.cofa},
                                                          {"--taxcodes", o.taxCodes},
                                                          {"--tax-mapping", o.taxMapping},
                                                          {"--account-mapping", o.accountMapping},
                                                          {"--ledger", o.ledgerFile},
                                                          {"--save-mapping", o.saveMapping}};
    for (const auto& [outputOption, output] : outputs)
        for (const auto& [inputOption, input] : inputs)
            if (outputOption != std::string_view(inputOption) && platform::sameFile(output, input))
                return fmt::format(
                    "{} {} is the same file as {} {}: writing it would replace "
                    "that file. Nothing was done; choose another file name.",
                    o.out.empty() && outputOption == std::string_view("--out") ? "The import file"
                                                                               : outputOption,
                    output, inputOption, input);
    return {};
}

// Parses the options; an exit code when the command must end here.
std::optional<int> parse(const std::vector<std::string>& args, const Environment& env, Options& o) {
    CLI::App app{
        "Converts a QuickBooks Journal report into an import file for MYOB MAS, 'Accounts' or "
        "Accountant's Office, as the program's screens do.",
        "tav-convert"};
    app.footer(kFooter);
    const std::map<std::string, int> targets{
        {"mas-au", 0}, {"accounts", 1}, {"ao-au", 2}, {"mas-nz", 3}, {"ao-nz", 4}};
    app.add_option("--target", o.target, "The MYOB product: 0 to 4, or its name (below)")
        ->transform(CLI::CheckedTransformer(targets, CLI::ignore_case));
    app.add_option("--journal", o.journal, "The QuickBooks Journal report (tab-delimited text)")
        ->check(kExistingFile);
    auto* company =
        app.add_option("--company", o.company,
                       "The company file (.qbw, .qba): extract the chart of accounts and the tax "
                       "code list from it into the data folder")
            ->check(kExistingFile);
    auto* cofa = app.add_option("--cofa", o.cofa, "The chart of accounts, already exported (IIF)")
                     ->check(kExistingFile);
    auto* taxCodes =
        app.add_option("--taxcodes", o.taxCodes, "The tax code list, already exported (IIF)")
            ->check(kExistingFile);
    cofa->needs(taxCodes)->excludes(company);
    taxCodes->needs(cofa)->excludes(company);
    app.add_option("--tax-mapping", o.taxMapping,
                   "Lines \"QuickBooks tax item,target code\", chosen after the default mapping")
        ->check(kExistingFile);
    app.add_option("--ledger", o.ledger,
                   "standard, none, a position on the select ledger screen, or a customised "
                   "ledger file (default: the ledger last chosen for the target, else standard)");
    app.add_option("--account-mapping", o.accountMapping,
                   "A saved account mapping, loaded as Load Mapping does")
        ->check(kExistingFile);
    app.add_flag("--auto-map", o.autoMap, "Map the unmapped accounts by equal account numbers");
    app.add_option("--save-mapping", o.saveMapping, "Save the account mapping to this file");
    app.add_flag("--all-to-journals", o.allToJournals,
                 "MAS: convert all transactions to MAS journals");
    app.add_option("--on-data-error", o.onDataError,
                   "ask, omit (answer Yes: leave the transaction out) or stop (answer No); "
                   "default: ask on a terminal, stop otherwise")
        ->check(CLI::IsMember({"ask", "omit", "stop"}));
    app.add_option("--out", o.out,
                   "The import file (default: TAVOutput.txt, or .csv for 'Accounts', in the "
                   "Journal report's folder)");
    auto* checkPage = app.add_option(
        "--check", o.checkPage,
        "Write the check of the import file against the Journal report to this file, as a "
        "printable HTML page");
    auto* checkCsv =
        app.add_option("--check-csv", o.checkCsv, "Write the same check to this file as CSV");
    app.add_flag("--no-check", o.noCheck,
                 "Convert without checking the import file against the Journal report (to time "
                 "what the check costs)")
        ->excludes(checkPage)
        ->excludes(checkCsv);
    app.add_option("--threads", o.threads,
                   "Threads that read the Journal report (default: one per core available)")
        ->check(CLI::PositiveNumber);
    app.add_flag("--quiet", o.quiet,
                 "Print only what needs attention: no progress, and no summary unless the check "
                 "found a difference");
    app.add_flag("--check-setup", o.checkSetup,
                 "Run the program's start-up and shutdown against the installation folder and "
                 "report what was found");

    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    try {
        app.parse(static_cast<int>(argv.size()), argv.data());
        if (o.checkSetup) return std::nullopt;
        if (o.target < 0) throw CLI::RequiredError("--target");
        if (o.journal.empty()) throw CLI::RequiredError("--journal");
        if (company->count() == 0 && cofa->count() == 0)
            throw CLI::ValidationError("--company or --cofa with --taxcodes",
                                       "one of them is required");
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e, env.out, env.err);
        return code == 0 ? kConverted : kUsage;
    }
    if (!o.ledger.empty() && o.target != target::Accounts) {
        if (const std::string error = resolveLedger(o); !error.empty()) {
            env.err << error << "\nRun with --help for more information.\n";
            return kUsage;
        }
    }
    for (std::string* path : {&o.journal, &o.company, &o.cofa, &o.taxCodes, &o.taxMapping,
                              &o.accountMapping, &o.saveMapping, &o.out, &o.checkPage, &o.checkCsv})
        *path = absolute(*path);
    if (const std::string error = outputIsAnInput(o); !error.empty()) {
        env.err << printable(error) << "\n";
        return kUsage;
    }
    if (o.onDataError.empty()) o.onDataError = env.interactive ? "ask" : "stop";
    return std::nullopt;
}

// "in FILE, line N: TEXT" for the line of a file that begins at the offset.
std::string lineContext(const std::string& path, std::uint64_t line, std::uint64_t offset) {
    return "in " + printable(FileTable::describe({path, line, offset}));
}

int checkSetup(ProgramState& st, ConsolePort& ui, std::ostream& out) {
    const StartupOutcome outcome = MDIForm_Load(st, ui);
    if (outcome == StartupOutcome::Fatal) return kFailed;
    out << "Installation folder: " << st.installFolder << "\n"
        << "Data folder:         " << st.gstrDataFolder << "\n"
        << "Settings:            " << platform::joinPath(st.installFolder, "TAV.ini") << "\n"
        << "  IntroScreen=" << (st.gblnShowIntro ? "True" : "False")
        << " Version=" << st.gstrQBVersion << " Edition=" << st.gintQBEdition
        << " TargetApplication=" << st.gintTargetApp << "\n"
        << "  ClientFolder=" << st.gstrClientFolder << "\n"
        << "  CompanyFile=" << st.gstrCompanyFile << " LedgerNumber=" << st.glngLedgerNumber
        << " CustomisedLedgerPath=" << st.gstrCustomisedLedgerPath << "\n"
        << "Messages shown:      " << ui.messagesShown() << "\n";
    MDIForm_Unload(st, ui);
    out << "Settings written back to TAV.ini.\n";
    return outcome == StartupOutcome::Complete ? kConverted : kFailed;
}

// One conversion along the wizard's road; each step is the screen routine a user's
// action runs, the options standing in for the user's choices.
class Road {
public:
    Road(const Options& o, const Environment& env, ProgramState& st, ConsolePort& ui)
        : o_(o), env_(env), st_(st), ui_(ui) {}

    int run() {
        // The command takes the client folder from the Journal report, so the start-up
        // notice that the navigator's folder has gone is not news here.
        ui_.mute("Previous Client Folder not found.");
        const StartupOutcome startup = MDIForm_Load(st_, ui_);
        ui_.unmute("Previous Client Folder not found.");
        if (startup != StartupOutcome::Complete) return kFailed;
        // The summary line says it.
        ui_.mute("Conversion complete");
        ui_.setProgressBar(env_.progressBar && !o_.quiet);

        st_.reading.threads = o_.threads;
        navigate();
        if (convertsAhead())
            st_.scanAhead = [this](ProgramState& st, UiPort& ui, const ScanRequest& request) {
                return convertAhead(st, ui, request);
            };
        const bool taxCodesMapped = mapTaxCodes();
        st_.scanAhead = nullptr;
        if (!taxCodesMapped) return kFailed;
        if (st_.gintTargetApp != target::Accounts && !mapAccounts()) return kFailed;
        return convert();
    }

    // Where the message being shown is, if it is about a line of a file the run reads.
    std::string context() const {
        if (st_.files.isOpen(kReportFile) && st_.files.path(kReportFile) == st_.gstrJournalFile &&
            st_.files.linesRead(kReportFile) > 0)
            return lineContext(st_.gstrJournalFile, st_.files.linesRead(kReportFile),
                               st_.files.lineOffset(kReportFile));
        if (run_.reportLine > 0)
            return lineContext(st_.gstrJournalFile, run_.reportLine, run_.reportLineOffset);
        // A list, ledger, mapping or code file whose reading stopped at a line.
        if (const auto place = st_.files.stoppedReading())
            return lineContext(place->path, place->line, place->offset);
        return {};
    }

private:
    // The report is converted in the same reading as the tax mapping screen's scan when
    // the mappings can be foreseen from the options: the accounts' from a mapping file.
    // 'Accounts' writes the scan's date range before the transactions, so it reads twice.
    bool convertsAhead() const {
        return env_.oneReading && st_.gintTargetApp != target::Accounts &&
               !o_.accountMapping.empty();
    }

    std::shared_ptr<const ReportScan> convertAhead(ProgramState& st, UiPort& ui,
                                                   const ScanRequest& request) {
        std::unique_ptr<ProgramState> foreseen;
        try {
            foreseen = foresee();
        } catch (...) {
            return nullptr;
        }
        if (!foreseen) return nullptr;
        auto ahead = std::make_shared<ConversionAhead>(st, std::move(foreseen), request,
                                                       st.files.reader(kReportFile).bytesRead());
        ahead->run.headerDate = run_.headerDate;
        ahead->run.checked = !o_.noCheck;
        std::shared_ptr<const ReportScan> scan = sfConvertAhead(st, ui, *ahead);
        if (ahead->made) run_.ahead = std::move(ahead);
        return scan;
    }

    // The target, the lists and the mappings as the steps after the scan will leave them,
    // for every account and tax item that can be foreseen; nullptr when they cannot.
    std::unique_ptr<ProgramState> foresee() const {
        auto f = std::make_unique<ProgramState>();
        f->gstrDataFolder = st_.gstrDataFolder;
        // The workers converting blocks open the report by the name the run converts with.
        f->gstrJournalFile = st_.gstrJournalFile;
        f->gintTargetApp = st_.gintTargetApp;
        f->gstrTargetAppName = st_.gstrTargetAppName;
        f->gblnAllToJournals = isMas(st_.gintTargetApp) ? o_.allToJournals : st_.gblnAllToJournals;
        f->gcolTaxPayables = st_.gcolTaxPayables;
        f->gcolTaxCodeTaxItemLinks = st_.gcolTaxCodeTaxItemLinks;
        f->gcolTargetTaxCodes = st_.gcolTargetTaxCodes;
        f->gcolDefaultTaxMapping = st_.gcolDefaultTaxMapping;
        f->gstrOutputFile = o_.out;
        if (f->gstrOutputFile.empty())
            f->gstrOutputFile = platform::fileExists(st_.gstrOutputFile)
                                    ? st_.gstrOutputFile
                                    : convertscreen::defaultOutputFile(st_);
        // A device or a pipe is written directly, not as a new version beside it.
        std::error_code error;
        const auto status =
            std::filesystem::status(platform::pathFromUtf8(f->gstrOutputFile), error);
        if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
            return nullptr;

        // A row for every tax item the default mapping, the tax code list or the tax
        // mapping file names, mapped as the tax mapping screen maps a row of it.
        SilentPort port;
        const bool taxMapping = !isAccountantsOffice(st_.gintTargetApp);
        std::vector<TaxMappingLine> lines;
        if (taxMapping && !o_.taxMapping.empty() &&
            !sfReadTaxMapping(*f, port, o_.taxMapping, lines).empty())
            return nullptr;
        std::unordered_set<std::string> items;
        auto row = [&](const std::string& item) {
            if (!item.empty() && items.insert(item).second)
                f->gcolMappedTaxCodes.Add({item, "", "1"});
        };
        for (const DefaultTaxMapping& d : st_.gcolDefaultTaxMapping) row(d.item);
        for (const TaxCodeLink& link : st_.gcolTaxCodeTaxItemLinks) {
            row(link.purchaseItem);
            row(link.salesItem);
        }
        for (const TaxMappingLine& line : lines) row(line.item);
        if (taxMapping &&
            (!sfMapStandardCodes(*f).empty() || !sfApplyTaxMapping(*f, lines).empty()))
            return nullptr;
        if (!sfForeseeMapping(*f, port, o_.accountMapping, o_.autoMap).empty() || port.spoke())
            return nullptr;
        return f;
    }

    // A step failed when it showed the Error Report.
    bool reportedSince(int reports) const { return ui_.errorReports() > reports; }

    // The navigator: the target, and the Journal report's folder as the client folder.
    void navigate() {
        navigator::View view;
        navigator::Form_Load(st_, ui_, view);
        navigator::cmbTarget_Click(st_, ui_, o_.target, view);
        ui_.choose(platform::pathToUtf8(platform::pathFromUtf8(o_.journal).parent_path()));
        navigator::cmdBrowse_Click(st_, ui_, view);
    }

    bool mapTaxCodes() {
        const int reports = ui_.errorReports();
        taxmappingscreen::Form_Load(st_, ui_);
        if (!o_.company.empty()) {
            ui_.choose(o_.company);
            taxmappingscreen::cmdQBDataFile_Click(st_, ui_);
            cmdExtractQBLists_Click(st_, ui_);
            if (!st_.gblnListsExtracted) return false;
        } else {
            // Lists exported before: the user vouches for them.
            st_.gstrChartOfAccountsFile = o_.cofa;
            st_.gstrTaxCodeListFile = o_.taxCodes;
            st_.gblnListsExtracted = true;
        }
        if (reportedSince(reports)) return false;
        ui_.choose(o_.journal);
        if (taxmappingscreen::cmdTransFile_Click(st_, ui_) !=
            taxmappingscreen::JournalChoice::Taken)
            return false;
        if (!o_.taxMapping.empty() && !isAccountantsOffice(st_.gintTargetApp)) {
            if (Sem e = sfLoadTaxMapping(st_, ui_, o_.taxMapping); !e.empty()) {
                dsCreateSEMAndDoAll(st_, ui_, "tav-convert", "--tax-mapping", 0,
                                    "Error loading the tax mapping file.", e, true);
                return false;
            }
        }
        return true;
    }

    bool mapAccounts() {
        const int reports = ui_.errorReports();
        selectledger::View ledger;
        selectledger::Form_Load(st_, ui_, ledger);
        std::optional<long> position = o_.ledgerPosition;
        // Nothing is chosen after the target changed from the one the program last had.
        if (!position && st_.glngLedgerNumber < 0)
            position = defaultLedgerNumber(st_.gintTargetApp);
        if (position) selectledger::cboLedgers_Click(st_, ui_, *position, ledger);
        if (!o_.ledgerFile.empty()) {
            ui_.choose(o_.ledgerFile);
            selectledger::cmdCustomisedCofA_Click(st_, ui_, ledger);
        }
        if (reportedSince(reports)) return false;

        if (!accountmappingscreen::Form_Load(st_, ui_)) return false;
        // The user has been told why there is nothing to map.
        if (st_.gcolMappedAccounts.empty()) return false;
        if (!o_.accountMapping.empty()) {
            ui_.choose(o_.accountMapping);
            if (!cmdLoadMapping_Click(st_, ui_)) return false;
        }
        if (o_.autoMap) cmdAutoMapping_Click(st_, ui_);
        if (!o_.saveMapping.empty()) {
            ui_.choose(o_.saveMapping);
            cmdSaveMapping_Click(st_, ui_);
        }
        return !reportedSince(reports);
    }

    int convert() {
        convertscreen::Form_Load(st_, ui_);
        if (isMas(st_.gintTargetApp)) convertscreen::chkJournals_Click(st_, o_.allToJournals);
        if (!o_.out.empty()) {
            ui_.choose(o_.out);
            convertscreen::cmdBrowse_Click(st_, ui_);
        }
        run_.checked = !o_.noCheck;
        const auto outcome = convertscreen::cmdConvert_Click(st_, ui_, run_);
        ui_.endProgress();
        switch (outcome) {
            case convertscreen::ConvertOutcome::IncompleteTaxMapping:
            case convertscreen::ConvertOutcome::IncompleteAccountMapping:
                listUnmapped();
                return kIncomplete;
            case convertscreen::ConvertOutcome::Converted:
                if (!writeCheck()) return kFailed;
                summary("Conversion successful");
                return run_.check && !run_.check->matches() ? kDiffers : kConverted;
            case convertscreen::ConvertOutcome::Stopped:
                if (!writeCheck()) return kFailed;
                summary("Conversion stopped");
                return kStopped;
            case convertscreen::ConvertOutcome::CutShort:
                if (!writeCheck()) return kFailed;
                summary("Conversion incomplete");
                return kCutShort;
            default: return kFailed;
        }
    }

    void listUnmapped() {
        if (!isAccountantsOffice(st_.gintTargetApp))
            for (const std::string& item : convertscreen::unmappedTaxItems(st_))
                env_.err << "  unmapped tax item: " << printable(item) << "\n";
        if (st_.gintTargetApp != target::Accounts)
            for (const std::string& account : convertscreen::unmappedAccounts(st_))
                env_.err << "  unmapped account: " << printable(account) << "\n";
    }

    // The check's page and CSV, where asked for.
    bool writeCheck() {
        if (!run_.check) return true;
        const std::pair<const std::string&, std::string (*)(const check::ConversionCheck&)>
            outputs[] = {{o_.checkPage, check::checkPage}, {o_.checkCsv, check::checkCsv}};
        for (const auto& [path, text] : outputs) {
            if (path.empty()) continue;
            if (Sem e = check::sfWriteCheck(st_, ui_, path, text(*run_.check)); !e.empty()) {
                dsCreateSEMAndDoAll(st_, ui_, "tav-convert", "--check", 0,
                                    "Error writing the check of the import file.", e, true);
                return false;
            }
        }
        return true;
    }

    void summary(std::string_view outcome) {
        // Quiet, the summary is left out unless it tells of a difference the check found,
        // which needs attention as much as any message.
        if (o_.quiet && (!run_.check || run_.check->matches())) return;
        env_.out << fmt::format(
            "{}: {} transactions written, {} omitted, {} lines written to {}{}\n", outcome,
            run_.transactionsWritten, run_.transactionsOmitted, run_.linesWritten,
            printable(st_.gstrOutputFile),
            run_.check ? ", " + check::summaryText(*run_.check) : std::string());
    }

    const Options& o_;
    const Environment& env_;
    ProgramState& st_;
    ConsolePort& ui_;
    ConversionRun run_;
};

}  // namespace

int runBatch(const std::vector<std::string>& args, const Environment& env) {
    Options o;
    if (const auto exit = parse(args, env, o)) return *exit;

    ProgramState st;
    st.installFolder = env.installFolder;
    st.commonDocumentsFolder = env.commonDocumentsFolder;
    const bool omit = o.onDataError == "omit";
    ConsolePort::Policy policy = askOnConsole(env.in, env.err);
    if (o.onDataError != "ask")
        policy = [omit](const Message& m) {
            if (m.title == "Error in data") return omit ? Answer::Yes : Answer::No;
            return defaultAnswer(m);
        };
    ConsolePort ui(env.err, policy);
    if (o.checkSetup) return checkSetup(st, ui, env.out);

    ui.setQuiet(o.quiet);
    Road road(o, env, st, ui);
    ui.setContext([&road] { return road.context(); });
    const int exit = road.run();
    // Every way the command fails says why; this says so where a step did not.
    if (exit != kConverted && exit != kIncomplete && exit != kDiffers && ui.warningsShown() == 0)
        env.err << fmt::format(
            "tav-convert: the conversion ended without converting (exit code {}) and without "
            "a message of its own. The program's log, {}, may say more.\n",
            exit, printable(platform::joinPath(st.gstrDataFolder, "TAV.log")));
    return exit;
}

}  // namespace tav::cli
