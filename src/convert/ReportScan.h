#pragma once
// The readings of the Journal report before the conversion, done in one scan: the tax
// items posted to tax payable accounts (the tax mapping screen's reading), the accounts
// the report uses (for the account mapping, and for the 'Accounts' file header) and the
// earliest and latest transaction date (for the same header). The report's encoding is
// found in the same scan. Each line is split once, and its account text looked up once.
//
// Each reading keeps the failure it would meet reading alone, with the line where it met
// it; a failure of the tax item reading ends the scan, as it ends that reading. With
// more than one thread the scan reads blocks of the report at the same time and puts
// their findings together in report order.

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "safe/Collection.h"
#include "safe/Sem.h"
#include "safe/TextCodec.h"
#include "safe/TextReader.h"
#include "safe/UiPort.h"
#include "safe/Values.h"
#include "shell/Records.h"

namespace tav {

struct AccountFacts;
struct ProgramState;

struct ScanRequest {
    bool taxItems = false;
    enum class Accounts { None, Numbers, NumbersAndNames } accounts = Accounts::None;
    bool dates = false;
};

// A reading's failure as the routine reading alone would raise or return it, and the
// line of the report where it met it (from 1; offset: where that line begins).
struct ReadingFailure {
    long number = 0;
    std::string description;
    Sem details;
    std::uint64_t line = 0, offset = 0;

    Sem as(std::string_view module, std::string_view procedure) const {
        return sfSemCreate(module, procedure, number, description, details);
    }
};

struct ReportScan {
    ScanRequest request;
    // The report, and the byte where the scan began (the line after the header row).
    std::string path;
    std::uint64_t size = 0;
    std::int64_t modified = 0;
    std::uint64_t start = 0;
    Encoding encoding = Encoding::Utf8;
    bool complete = false;  // read to the end

    // The tax items posted to tax payable accounts, in order of first use.
    std::vector<std::string> taxItems;
    std::optional<ReadingFailure> taxFailure;
    // The accounts in order of first use, one per number; without their names when only
    // the numbers were asked for.
    Collection<JournalAccount> accounts;
    std::optional<ReadingFailure> accountFailure;
    // Both Date::earliest() while no line is dated.
    Date firstDate, lastDate;
    std::optional<ReadingFailure> dateFailure;
};

// Scans the Journal report open as file 1 from where it stands to its end, and tells the
// file table its encoding. The tax payable accounts come from the state.
std::shared_ptr<const ReportScan> scanReport(ProgramState& st, UiPort& ui,
                                             const ScanRequest& request);

// The scan of the same report, unchanged since, from the same line, that collected at
// least what is asked; nullptr when there is none.
std::shared_ptr<const ReportScan> earlierScan(const ProgramState& st, const std::string& path,
                                              std::uint64_t start, const ScanRequest& request);

// What a run of lines gave: a block, on a worker thread, or the rest of the report.
struct ScannedPart {
    bool usable = true;        // a worker's block with no failure in it
    bool restart = false;      // read as UTF-8 texts that turned out not to be
    bool invalidUtf8 = false;  // some line is not UTF-8
    bool readAsUtf8 = false;   // texts with bytes above 0x7F were read as UTF-8
    bool ended = false;        // the tax item reading failed: nothing after counts
    std::uint64_t start = 0, end = 0, lines = 0;
    std::uint64_t lastLine = 0;            // where its last line begins
    std::vector<JournalAccount> accounts;  // new in the part, by text
    std::vector<std::string> items;        // in the report's bytes
    bool dated = false;
    Date first, last;
    std::optional<ReadingFailure> taxFailure, accountFailure, dateFailure;
};

class ScanMerge;

// The scan made from the lines another reading of the report reads (the batch command's
// conversion, in the same reading as the scan). Each thread's run of lines (a block) is
// a part of its own; the parts are put together in report order. The scan is only kept
// when it is the one scanReport would give: every line read in order, nothing to tell
// (no failure of any reading), and the encoding known beforehand or found to be UTF-8.
class ScanAlongside {
public:
    // The scan asked for, from the given byte (the line after the header row), of a
    // report whose encoding is known or (none) found on the way; the tax payable accounts
    // come from the state.
    ScanAlongside(const ProgramState& st, const ScanRequest& request, std::uint64_t start,
                  std::optional<Encoding> known);
    ~ScanAlongside();
    ScanAlongside(const ScanAlongside&) = delete;
    ScanAlongside& operator=(const ScanAlongside&) = delete;

    // One thread's scanning, kept from one run of lines to the next.
    class Thread {
    public:
        explicit Thread(ScanAlongside& scan);
        ~Thread();
        // A run of lines from the given byte; lines before the scan's start are passed over.
        void begin(std::uint64_t start);
        // The account's facts, when the other reading looked up the text as the line holds
        // it, keep the scan's findings too: the text is looked up once.
        void line(std::string_view line, const TextReader::Marks& marks, std::uint64_t lineNumber,
                  std::uint64_t offset, const AccountFacts* account);
        // The run's findings; the next run begins at the given byte.
        std::unique_ptr<ScannedPart> end(std::uint64_t endOffset);

    private:
        struct State;
        ScanAlongside& scan_;
        std::unique_ptr<State> state_;
    };

    // A run's findings, taken in report order.
    void take(std::unique_ptr<ScannedPart> part);
    // Scans the report's lines after the other reading's end, on a reader of its own.
    void scanRest(const std::string& path);
    // The scan of the report at the path, read to its end; nullptr when it is not the one
    // scanReport would give.
    std::shared_ptr<ReportScan> finish(const std::string& path);
    // The lines scanned, and where the last of them begins.
    std::uint64_t lines() const { return lines_; }
    std::uint64_t lastLine() const { return lastLine_; }

private:
    const ScanRequest request_;
    const std::uint64_t start_;
    const std::optional<Encoding> known_;
    const std::unordered_set<std::string> payables_;
    const bool withPayables_;
    std::shared_ptr<ReportScan> scan_;
    std::unique_ptr<ScanMerge> merge_;
    std::uint64_t next_;  // where the next run must begin
    std::uint64_t lines_ = 0, lastLine_ = 0;
    std::atomic<std::uint64_t> marks_{0};
    bool failed_ = false;
};

// Leaves file 1 at the line of a reading's failure, as the reading that met it would
// have, so that the failure is shown beside its line.
void showAtFailure(ProgramState& st, const ReadingFailure& failure);

}  // namespace tav
