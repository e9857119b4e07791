// The conversion driver of modConvert: the import file's header, then the report's
// transactions one at a time through the target's writer.

#include "convert/modConvert.h"

#include <algorithm>

#include "convert/modConvertToAO.h"
#include "convert/modConvertToAccounts.h"
#include "convert/modConvertToMAS.h"
#include "safe/SafeMethods.h"
#include "safe/TextCodec.h"
#include "shell/ProgramState.h"

namespace tav {

namespace {

// The report's file name without its last four characters (the extension and its dot).
// A line end in it (a file name may hold one) would split the header line: each is a blank.
std::string reportName(std::string_view path) {
    const size_t separator = path.find_last_of("\\/");
    const std::string_view name =
        separator == std::string_view::npos ? path : path.substr(separator + 1);
    const size_t chars = charCount(name);
    std::string text(leftChars(name, chars > 4 ? chars - 4 : 0));
    std::ranges::replace_if(
        text, [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return text;
}

// The report's name as the MAS header's unquoted text can carry it: no comma, which would
// start another field, and no double quote, which would start a quoted one.
std::string masHeaderText(std::string_view name) {
    std::string text;
    for (char c : name)
        if (c != ',' && c != '"') text += c;
    return text;
}

// The report and the import file of one driver routine, closed on every exit. The
// import file is written as a new version beside it (FileReplacement) that lives across
// both routines: the header routine starts it, the conversion routine appends to it and
// puts it in place when it ends, normally or stopped by No. A failure drops it, leaving
// the old import file as it was. The run holds the import file's lock meanwhile.
class RunFiles {
public:
    RunFiles(ProgramState& st, ConversionRun& run) : st_(st), run_(run) {}
    ~RunFiles() {
        // Only reached open after a failure, which is what gets reported.
        for (int number : {kImportFile, kReportFile}) {
            if (!opened_[number]) continue;
            noteReportLine(number);
            st_.files.abandon(number);
        }
        if (!done_) {
            run_.importFile.abandon();
            run_.outputLock.release();
        }
    }
    RunFiles(const RunFiles&) = delete;
    RunFiles& operator=(const RunFiles&) = delete;

    Sem openReport(UiPort& ui) {
        Sem e = sfOpenFile(st_, ui, st_.gstrJournalFile, "Input", kReportFile);
        if (e.empty()) opened_[kReportFile] = true;
        return e;
    }

    // The header routine: a new version of the import file, once no other run writes it.
    Sem createImportFile(UiPort& ui) {
        run_.importFile.abandon();
        run_.outputLock.release();
        if (Sem e = guarded(kModConvert, "sfReadCreateWriteHeader",
                            [&]() -> Sem {
                                run_.outputLock = OutputLock::take(st_.gstrOutputFile);
                                return {};
                            });
            !e.empty())
            return e;
        Sem e = sfOpenFile(st_, ui, st_.gstrOutputFile, "Output", kImportFile);
        if (e.empty()) openedImportFile();
        return e;
    }

    // The conversion routine: the header routine's new version, to append to.
    void reopenImportFile() {
        if (!run_.importFile.active()) raise(err::BadFileNameOrNumber);
        st_.files.reopen(kImportFile, std::move(run_.importFile));
        openedImportFile();
    }

    void closeReport() {
        if (!opened_[kReportFile]) return;
        opened_[kReportFile] = false;
        noteReportLine(kReportFile);
        st_.files.close(kReportFile);
    }

    // The header routine leaves the new version pending; the conversion routine puts it in
    // place. Raises when the import file's last lines cannot be written.
    void finish(bool importFileComplete) {
        closeReport();
        opened_[kImportFile] = false;
        if (importFileComplete) {
            st_.files.close(kImportFile);
            run_.outputLock.release();
        } else {
            run_.importFile = st_.files.closePending(kImportFile);
        }
        done_ = true;
    }

private:
    void openedImportFile() {
        opened_[kImportFile] = true;
        // The import file keeps the report's encoding.
        if (opened_[kReportFile])
            st_.files.setEncoding(kImportFile, st_.files.encoding(kReportFile));
    }

    void noteReportLine(int number) {
        if (number != kReportFile) return;
        run_.reportLine = st_.files.linesRead(number);
        run_.reportLineOffset = st_.files.lineOffset(number);
    }

    ProgramState& st_;
    ConversionRun& run_;
    bool opened_[kImportFile + 1] = {};
    bool done_ = false;
};

constexpr std::string_view kOpeningReportFailed = "Error opening QuickBooks Journal Report file";
constexpr std::string_view kOpeningImportFailed = "Error opening output file";

// The date range and the accounts come from one reading of the report. Their failures
// are reported as when each had a reading of its own: the dates' first, and the
// accounts' with the report at the line it met.
Sem writeAccountsHeader(ProgramState& st, UiPort& ui, ConversionRun& run, RunFiles& files,
                        const std::string& name) {
    constexpr std::string_view kProc = "sfReadCreateWriteHeader";
    Collection<StrArray> accounts;
    AccountReader accountReader(accounts);
    std::uint64_t accountsFailedAt = 0;
    auto readAccount = [&](std::string_view line) {
        accountReader.take(line, st.files.encoding(kReportFile));
        if (!accountReader.failure().empty() && accountsFailedAt == 0)
            accountsFailedAt = st.files.linesRead(kReportFile);
    };
    Date firstDate, lastDate;
    if (Sem e = sfGetDateRange(st, ui, firstDate, lastDate, readAccount); !e.empty())
        return sfSemCreate(kModConvert, kProc, 0, "Error getting date range for target file header",
                           e);
    writeImportLine(st, run, {"XLON2", name, formatDate(firstDate), formatDate(lastDate)}, true);

    if (!accountReader.failure().empty()) {
        files.closeReport();
        if (Sem e = files.openReport(ui); !e.empty())
            return sfSemCreate(kModConvert, kProc, 0, kOpeningReportFailed, e);
        readReportUpTo(st, accountsFailedAt);
        return sfSemCreate(kModConvert, kProc, 0,
                           "Error extracting accounts from QuickBooks Journal Report file",
                           accountReader.failure());
    }
    if (accounts.empty())
        return sfSemCreate(kModConvert, kProc, 0,
                           "No accounts found in QuickBooks Journal Report file. Follow the "
                           "instructions to export the QuickBooks Journal Report again.");
    for (const StrArray& a : accounts)
        writeImportLine(st, run, {"AC", field(a, 0), field(a, 1)}, true);
    return {};
}

Sem writeHeader(ProgramState& st, UiPort& ui, ConversionRun& run, RunFiles& files) {
    constexpr std::string_view kProc = "sfReadCreateWriteHeader";
    if (Sem e = files.openReport(ui); !e.empty())
        return sfSemCreate(kModConvert, kProc, 0, kOpeningReportFailed, e);
    if (Sem e = files.createImportFile(ui); !e.empty())
        return sfSemCreate(kModConvert, kProc, 0, kOpeningImportFailed, e);

    bool headerOK = false;
    if (Sem e = sfReadAndCheckHeader(st, headerOK); !e.empty())
        return sfSemCreate(kModConvert, kProc, 0,
                           "Error when checking QuickBooks journal file header", e);
    if (!headerOK)
        return sfSemCreate(kModConvert, kProc, 0,
                           "Your QuickBooks Journal file header is not correct. This is usually "
                           "because the wrong columns have been included in the Journal report. "
                           "Please return to QuickBooks and follow the TAV instructions to create "
                           "the report and export the transactions again.");

    const std::string name = reportName(st.gstrJournalFile);
    if (isMas(st.gintTargetApp))
        writeImportLine(st, run,
                        "\"V\" \",\" Conv. from " + masHeaderText(name) + " on " + run.headerDate);
    else if (isAccountantsOffice(st.gintTargetApp))
        writeImportLine(st, run, kAOFileHeader);
    else if (st.gintTargetApp == target::Accounts)
        return writeAccountsHeader(st, ui, run, files, name);
    return {};
}

Sem convertTransactions(ProgramState& st, UiPort& ui, ConversionRun& run, RunFiles& files) {
    constexpr std::string_view kProc = "sfReadConvertAppend";
    if (Sem e = files.openReport(ui); !e.empty())
        return sfSemCreate(kModConvert, kProc, 0, kOpeningReportFailed, e);
    if (Sem e = guarded(kModConvert, kProc,
                        [&]() -> Sem {
                            files.reopenImportFile();
                            return {};
                        });
        !e.empty())
        return sfSemCreate(kModConvert, kProc, 0, kOpeningImportFailed, e);

    run.lookups = ConversionLookups(st);
    EventThrottle throttle(ui);
    JournalTransaction transaction;
    while (!st.files.eof(kReportFile)) {
        throttle.tick(st.files.bytesRead(kReportFile), st.files.size(kReportFile));
        transaction.clear();
        bool valid = false;
        if (Sem e = sfReadInTransaction(st, ui, run, valid, transaction); !e.empty())
            return sfSemCreate(kModConvert, kProc, 0,
                               "Error reading transaction from QuickBooks Journal report file", e);
        if (!valid) break;

        Sem e;
        std::string_view failed;
        if (isMas(st.gintTargetApp)) {
            e = sfConvertToMAS(st, run, transaction);
            failed = "Error converting transaction to MAS";
        } else if (st.gintTargetApp == target::Accounts) {
            e = sfConvertToAccounts(st, ui, run, transaction);
            failed = "Error converting transaction to Accounts";
        } else if (isAccountantsOffice(st.gintTargetApp)) {
            e = sfConvertToAO(st, run, transaction);
            failed = "Error converting transaction to Accountant's Office";
        } else {
            return sfSemCreate(kModConvert, kProc, 0,
                               "The target application is not properly defined. Please return "
                               "to the TAV navigator and check the MYOB target application.");
        }
        if (!e.empty()) return sfSemCreate(kModConvert, kProc, 0, failed, e);
        if (run.blnConversionStopped) break;
        ++run.transactionsWritten;
    }
    return {};
}

// Runs a driver step with its two files; a step that succeeded still fails when the
// import file cannot be completed on closing.
template <class Step>
Sem withRunFiles(ProgramState& st, ConversionRun& run, std::string_view procedure,
                 bool importFileComplete, Step step) {
    return guarded(kModConvert, procedure, [&]() -> Sem {
        RunFiles files(st, run);
        Sem result = step(files);
        if (result.empty()) files.finish(importFileComplete);
        return result;
    });
}

}  // namespace

Sem sfReadCreateWriteHeader(ProgramState& st, UiPort& ui, ConversionRun& run) {
    return withRunFiles(st, run, "sfReadCreateWriteHeader", false,
                        [&](RunFiles& files) { return writeHeader(st, ui, run, files); });
}

Sem sfReadConvertAppend(ProgramState& st, UiPort& ui, ConversionRun& run) {
    return withRunFiles(st, run, "sfReadConvertAppend", true,
                        [&](RunFiles& files) { return convertTransactions(st, ui, run, files); });
}

}  // namespace tav
