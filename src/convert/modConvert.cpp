// The conversion driver of modConvert: the import file's header, then the report's
// transactions one at a time through the target's writer.

#include "convert/modConvert.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

#include "check/ImportFollower.h"
#include "check/ReportTally.h"
#include "convert/ImportWriter.h"
#include "convert/ReportBlocks.h"
#include "convert/ReportScan.h"
#include "convert/modConvertToAO.h"
#include "convert/modConvertToAccounts.h"
#include "convert/modConvertToMAS.h"
#include "safe/Platform.h"
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
        // No reading of the import file outlives the run, nor holds it when it is dropped.
        if (follower_) follower_->stop();
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
        // Made ahead, in the same reading as the scan that finds the encoding: read in
        // the encoding its first lines show, and kept only if the scan finds it.
        if (e.empty() && run_.makingAhead)
            st_.files.setEncoding(kReportFile, run_.makingAhead->encoding);
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
        if (!run_.importFile.direct()) temporary_ = run_.importFile.path();
        st_.files.reopen(kImportFile, std::move(run_.importFile));
        openedImportFile();
    }

    // The check's reading of the import file follows the writing, on a thread of its own.
    void followImportFile(check::Layout layout, std::uint64_t digestBase) {
        if (temporary_.empty()) return;
        try {
            follower_ = std::make_unique<check::ImportFollower>(layout, digestBase, temporary_);
            st_.files.tellWritten(kImportFile, follower_->growing());
        } catch (...) {
            follower_.reset();  // the check reads the file once it is written
        }
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
        if (importFileComplete) {
            st_.files.flush(kImportFile);
            if (follower_) run_.readBack = follower_->finish();
            opened_[kImportFile] = false;
            if (run_.makingAhead) {
                // Put in place only once the mappings made since are found to be its own.
                run_.importFile = st_.files.closePending(kImportFile);
            } else {
                st_.files.close(kImportFile);
                run_.outputLock.release();
            }
        } else {
            opened_[kImportFile] = false;
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
    std::string temporary_;  // the import file's new version, being written
    std::unique_ptr<check::ImportFollower> follower_;
};

constexpr std::string_view kOpeningReportFailed = "Error opening QuickBooks Journal Report file";
constexpr std::string_view kOpeningImportFailed = "Error opening output file";

// The date range and the accounts come from one scan of the report: the tax mapping
// screen's, when the report is unchanged since, or one of its own. Their failures are
// reported as when each had a reading of its own: the dates' first, each with the report
// at the line it met.
Sem writeAccountsHeader(ProgramState& st, UiPort& ui, ConversionRun& run, const std::string& name) {
    constexpr std::string_view kProc = "sfReadCreateWriteHeader";
    const ScanRequest request{.accounts = ScanRequest::Accounts::NumbersAndNames, .dates = true};
    std::shared_ptr<const ReportScan> scan = earlierScan(
        st, st.files.path(kReportFile), st.files.reader(kReportFile).bytesRead(), request);
    if (!scan) scan = scanReport(st, ui, request);
    if (scan->dateFailure) {
        showAtFailure(st, *scan->dateFailure);
        return sfSemCreate(kModConvert, kProc, 0, "Error getting date range for target file header",
                           scan->dateFailure->as(kModConvert, "sfGetDateRange"));
    }
    writeImportLine(st, run,
                    {"XLON2", name, formatDate(scan->firstDate), formatDate(scan->lastDate)}, true);
    if (scan->accountFailure) {
        showAtFailure(st, *scan->accountFailure);
        return sfSemCreate(kModConvert, kProc, 0,
                           "Error extracting accounts from QuickBooks Journal Report file",
                           scan->accountFailure->as(kModConvert, "sfExtractAccounts"));
    }
    if (scan->accounts.empty())
        return sfSemCreate(kModConvert, kProc, 0,
                           "No accounts found in QuickBooks Journal Report file. Follow the "
                           "instructions to export the QuickBooks Journal Report again.");
    for (const JournalAccount& a : scan->accounts)
        writeImportLine(st, run, {"AC", a.number, a.name}, true);
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
        return writeAccountsHeader(st, ui, run, name);
    return {};
}

// The writer of a target, and what the driver says when it fails.
struct TargetWriter {
    Sem (*convert)(ConversionPart&, const JournalTransaction&);
    ImportLayout layout;
    std::string_view failed;
};

std::optional<TargetWriter> writerOf(std::int16_t target) {
    if (isMas(target))
        return TargetWriter{sfConvertToMAS, ImportLayout::Mas,
                            "Error converting transaction to MAS"};
    if (target == target::Accounts)
        return TargetWriter{sfConvertToAccounts, ImportLayout::Accounts,
                            "Error converting transaction to Accounts"};
    if (isAccountantsOffice(target))
        return TargetWriter{sfConvertToAO, ImportLayout::AccountantsOffice,
                            "Error converting transaction to Accountant's Office"};
    return std::nullopt;
}

constexpr std::string_view kConvertProc = "sfReadConvertAppend";

// Converts the part's transactions until the report ends, a "TOTAL" line, a No, a
// failure, or the end of the part's block (or, without the port, a transaction that
// needs it).
Sem convertPart(ConversionPart& part, const std::optional<TargetWriter>& writer,
                EventThrottle* throttle) {
    JournalTransaction transaction;
    while (!part.report.eof()) {
        if (throttle) throttle->tick(part.report.bytesRead(), part.report.size());
        transaction.clear();
        part.facts.limit();
        bool valid = false;
        if (Sem e = sfReadInTransaction(part, valid, transaction); !e.empty())
            return sfSemCreate(kModConvert, kConvertProc, 0,
                               "Error reading transaction from QuickBooks Journal report file", e);
        if (!valid) break;
        if (!writer)
            return sfSemCreate(kModConvert, kConvertProc, 0,
                               "The target application is not properly defined. Please return "
                               "to the TAV navigator and check the MYOB target application.");
        if (Sem e = writer->convert(part, transaction); !e.empty())
            return sfSemCreate(kModConvert, kConvertProc, 0, writer->failed, e);
        if (part.blnConversionStopped || part.needsOwner) break;
        if (part.tally) part.tally->written(transaction, part.facts);
        if (part.writtenAt)
            part.writtenAt->push_back(
                {part.out.size(), part.report.linesRead(), part.report.lineOffset()});
        ++part.transactionsWritten;
    }
    return {};
}

// What a worker thread made of one block of the report.
struct ConvertedBlock {
    bool usable = false;  // converted whole, nothing in it needing the owner
    bool last = false;    // the conversion ends in it ("TOTAL", or the report's end)
    // Where it begins and where the next block begins; the lines read.
    std::uint64_t start = 0, end = 0, lines = 0;
    std::uint64_t lastLine = 0;  // where its last line begins
    long transactionsWritten = 0;
    bool totalLineRead = false;  // how the report ended in it
    std::string incompleteTransaction;
    std::string out;                                   // its import lines
    std::vector<ConversionPart::WrittenAt> writtenAt;  // lines counted from its start
    long linesWritten = 0;
    std::unique_ptr<check::ReportTally> tally;  // what the check needs of it
    std::unique_ptr<ScannedPart> scanned;       // what the scan made alongside found in it
};

// A worker's own reader, facts and tally, kept from one block to the next.
struct BlockWorker {
    TextReader report;
    std::optional<ConversionPart> part;
    std::unique_ptr<check::ReportTally> tally;
    std::unique_ptr<ScanAlongside::Thread> scan;
};

// Leaves the report where a reading by one thread is when the writing of a block's lines
// fails (the file written to `written`, the block's lines from `blockAt` on): at the
// transaction whose line ends the piece of the file that could not be written, which is
// written from `written` to the first line end a whole piece of the file on.
void readToFailedWrite(TextReader& report, const ConvertedBlock& block, std::uint64_t blockAt,
                       std::uint64_t written, std::uint64_t linesBefore) {
    const std::uint64_t last = written + FileTable::kWriteBlock - 1;
    const size_t lineEnd = block.out.find('\n', last > blockAt ? last - blockAt : 0);
    for (const ConversionPart::WrittenAt& w : block.writtenAt) {
        if (w.outEnd <= lineEnd) continue;
        report.seek(w.lineOffset, linesBefore + w.lines - 1);
        report.line();
        return;
    }
}

// Where a block after the first begins: at its first line that can begin a transaction
// after a line that closes one (the same place where the block before ends), past the
// block's first byte.
std::optional<std::uint64_t> blockStart(TextReader& reader, std::uint64_t from) {
    if (!seekLineAfter(reader, from)) return std::nullopt;
    ReportFields r;
    bool previousClosed = false;
    while (!reader.eof() && reader.bytesRead() <= from + kCutSearchBytes) {
        const std::uint64_t start = reader.bytesRead();
        const std::string_view line = reader.line();
        r.split(line, reader.marks());
        if (previousClosed && beginsTransaction(r)) return start;
        previousClosed = closesTransaction(r);
    }
    return std::nullopt;
}

// Converts block k of the report; the first begins at the given offset.
void convertBlock(const RunTables& tables, const std::optional<TargetWriter>& writer,
                  const check::ReportTally* runTally, ScanAlongside* scan, std::uint64_t first,
                  std::uint64_t blockBytes, size_t k, BlockWorker& worker, ConvertedBlock& result) {
    std::string out = std::move(result.out);
    std::vector<ConversionPart::WrittenAt> writtenAt = std::move(result.writtenAt);
    std::unique_ptr<check::ReportTally> tally = std::move(result.tally);
    result = ConvertedBlock{};
    result.out = std::move(out);
    result.out.clear();
    result.writtenAt = std::move(writtenAt);
    result.writtenAt.clear();
    result.tally = std::move(tally);
    try {
        TextReader& reader = worker.report;
        if (!reader.isOpen()) reader.open(tables.st.gstrJournalFile, true);
        const std::optional<std::uint64_t> start =
            k == 0 ? first : blockStart(reader, k * blockBytes);
        if (!start) return;
        reader.seek(*start, 0);
        result.start = *start;
        if (!worker.part) worker.part.emplace(tables, reader);
        ConversionPart& part = *worker.part;
        part.reset((k + 1) * blockBytes);
        part.writtenAt = &result.writtenAt;
        if (runTally) {
            if (!worker.tally) worker.tally = runTally->blank();
            worker.tally->clear();
            part.tally = worker.tally.get();
        }
        if (scan) {
            if (!worker.scan) worker.scan = std::make_unique<ScanAlongside::Thread>(*scan);
            worker.scan->begin(*start);
            part.scan = worker.scan.get();
        }
        if (!convertPart(part, writer, nullptr).empty() || part.needsOwner ||
            part.blnConversionStopped)
            return;
        result.usable = true;
        result.last = !part.atBlockEnd;
        result.end = part.atBlockEnd ? reader.lineOffset() : reader.bytesRead();
        result.lines = reader.linesRead() - (part.atBlockEnd ? 1 : 0);
        result.lastLine = reader.lineOffset();
        result.transactionsWritten = part.transactionsWritten;
        result.totalLineRead = part.totalLineRead;
        result.incompleteTransaction = part.incompleteTransaction;
        result.linesWritten = part.out.lines();
        part.out.handOver(result.out);
        if (runTally) std::swap(result.tally, worker.tally);
        if (scan) result.scanned = worker.scan->end(result.end);
    } catch (...) {
        result.usable = false;  // the owner does it again, and reports what it meets
    }
}

Sem convertTransactions(ProgramState& st, UiPort& ui, ConversionRun& run, RunFiles& files) {
    if (Sem e = files.openReport(ui); !e.empty())
        return sfSemCreate(kModConvert, kConvertProc, 0, kOpeningReportFailed, e);
    if (Sem e = guarded(kModConvert, kConvertProc,
                        [&]() -> Sem {
                            files.reopenImportFile();
                            return {};
                        });
        !e.empty())
        return sfSemCreate(kModConvert, kConvertProc, 0, kOpeningImportFailed, e);

    ConversionAhead* const ahead = run.makingAhead;
    const RunTables tables(ahead ? *ahead->foreseen : st, st.files.encoding(kReportFile),
                           ahead ? &ahead->witness : nullptr);
    ScanAlongside* const scan = ahead ? &ahead->scan : nullptr;
    const std::optional<TargetWriter> writer = writerOf(st.gintTargetApp);
    run.tally.reset();
    run.readBack.reset();
    if (writer && run.checked) {
        const check::Layout layout = check::layoutOf(st.gintTargetApp);
        run.tally = std::make_shared<check::ReportTally>(
            layout, st.gblnAllToJournals, tables.encoding, check::randomDigestBase());
        files.followImportFile(layout, run.tally->digest().base());
    }
    TextReader& report = st.files.reader(kReportFile);
    EventThrottle throttle(ui);

    // The blocks converted on worker threads, taken in order; the first one that cannot
    // be taken is where this thread goes on.
    const std::uint64_t first = report.bytesRead();
    std::uint64_t resumeAt = first, linesBefore = report.linesRead(), lastLine = 0;
    bool finished = false;
    const unsigned asked = writer ? readingThreads(st.reading.threads) : 1;
    // The blocks waiting to be written hold about as much as their report text: smaller
    // blocks with more threads keep the memory the same.
    const std::uint64_t blockBytes =
        st.reading.blockBytes ? st.reading.blockBytes
                              : std::max<std::uint64_t>((std::uint64_t{6} << 20) / (3 * asked + 2),
                                                        std::uint64_t{64} << 10);
    const size_t blocks = static_cast<size_t>((report.size() + blockBytes - 1) / blockBytes);
    const unsigned threads = static_cast<unsigned>(std::min<size_t>(asked, blocks));
    Sem failure;
    if (threads > 1) {
        std::vector<BlockWorker> workers(threads);
        BlockRunner<ConvertedBlock> runner(threads, blocks);
        runner.run(
            [&](size_t k, ConvertedBlock& result, unsigned w) {
                convertBlock(tables, writer, run.tally.get(), scan, first, blockBytes, k,
                             workers[w], result);
            },
            [&](size_t, ConvertedBlock& result) {
                // A block that does not begin where the one before ended (a transaction
                // longer than a block) is left to this thread too.
                if (!result.usable || result.start != resumeAt) return false;
                // The writers' lines reach the file as if written one by one.
                const std::uint64_t blockAt =
                    st.files.bytesWritten(kImportFile) + st.files.pendingBytes(kImportFile);
                failure = guardedAsWriter(writer->layout,
                                          [&] { st.files.writeLines(kImportFile, result.out); });
                if (!failure.empty()) {
                    failure = sfSemCreate(kModConvert, kConvertProc, 0, writer->failed, failure);
                    readToFailedWrite(report, result, blockAt, st.files.bytesWritten(kImportFile),
                                      linesBefore);
                    return false;
                }
                if (scan) scan->take(std::move(result.scanned));
                run.transactionsWritten += result.transactionsWritten;
                run.linesWritten += result.linesWritten;
                if (run.tally) run.tally->append(*result.tally, linesBefore);
                run.totalLineRead = result.totalLineRead;
                run.incompleteTransaction = result.incompleteTransaction;
                resumeAt = result.end;
                linesBefore += result.lines;
                finished = result.last;
                if (finished) lastLine = result.lastLine;
                throttle.tick(resumeAt, report.size());
                return !finished;
            },
            [&] { throttle.tick(resumeAt, report.size()); });
        if (!failure.empty()) return failure;
        if (finished) {
            // The report is left as one thread leaves it, at its last line, for the messages
            // that name the line.
            report.seek(lastLine, linesBefore - 1);
            report.line();
            return {};
        }
        report.seek(resumeAt, linesBefore);
    }

    // Made ahead, nothing is asked: a transaction that needs the user drops it.
    ConversionPart part(tables, report, &st, ahead ? nullptr : &ui);
    part.out.sendTo(st.files, kImportFile);
    const std::unique_ptr<check::ReportTally> tally = run.tally ? run.tally->blank() : nullptr;
    part.tally = tally.get();
    std::optional<ScanAlongside::Thread> scanning;
    if (scan) {
        scanning.emplace(*scan);
        scanning->begin(report.bytesRead());
        part.scan = &*scanning;
    }
    Sem e = convertPart(part, writer, &throttle);
    if (scan) {
        scan->take(scanning->end(report.bytesRead()));
        if (e.empty() && part.needsOwner)
            e = sfSemCreate(kModConvert, kConvertProc, 0, "The conversion needs the user.");
    }
    if (tally) run.tally->append(*tally, 0);
    run.transactionsWritten += part.transactionsWritten;
    run.transactionsOmitted += part.transactionsOmitted;
    run.linesWritten += part.out.lines();
    run.blnConversionStopped |= part.blnConversionStopped;
    run.blnAmountOutOfRange |= part.blnAmountOutOfRange;
    run.totalLineRead = part.totalLineRead;
    run.incompleteTransaction = part.incompleteTransaction;
    part.out.flush();  // less than a block of the file: it waits there for the closing
    return e;
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

// Windows-1252 when a whole line among the report's first bytes (from the given byte on)
// is not UTF-8, since one such line makes the report Windows-1252; else UTF-8.
Encoding firstLinesEncoding(const std::string& path, std::uint64_t start) {
    std::string bytes(std::size_t{1} << 16, '\0');
    std::FILE* f = platform::openFile(path, "rb");
    if (!f) return Encoding::Utf8;
    const bool placed = std::fseek(f, static_cast<long>(start), SEEK_SET) == 0;
    bytes.resize(placed ? std::fread(bytes.data(), 1, bytes.size(), f) : 0);
    std::fclose(f);
    std::string_view rest(bytes);
    for (size_t end; (end = rest.find('\n')) != std::string_view::npos;
         rest.remove_prefix(end + 1)) {
        const std::string_view line = rest.substr(0, end);
        if (!isAscii(line) && !isValidUtf8(line)) return Encoding::Windows1252;
    }
    return Encoding::Utf8;
}

// The conversion made ahead becomes the run's when the state gives what it converted with.
bool takeAhead(const ProgramState& st, ConversionRun& run) {
    const std::shared_ptr<ConversionAhead> ahead = std::exchange(run.ahead, nullptr);
    if (!ahead || !ahead->holds(st)) return false;
    run = std::move(ahead->run);
    run.takenAhead = true;
    return true;
}

}  // namespace

Sem sfReadCreateWriteHeader(ProgramState& st, UiPort& ui, ConversionRun& run) {
    run.takenAhead = false;
    if (takeAhead(st, run)) return {};
    return withRunFiles(st, run, "sfReadCreateWriteHeader", false,
                        [&](RunFiles& files) { return writeHeader(st, ui, run, files); });
}

Sem sfReadConvertAppend(ProgramState& st, UiPort& ui, ConversionRun& run) {
    return withRunFiles(st, run, "sfReadConvertAppend", true, [&](RunFiles& files) -> Sem {
        if (!run.takenAhead) return convertTransactions(st, ui, run, files);
        // Made ahead: only put in place.
        files.reopenImportFile();
        return {};
    });
}

ConversionAhead::ConversionAhead(const ProgramState& st, std::unique_ptr<ProgramState> state,
                                 const ScanRequest& request, std::uint64_t start)
    : foreseen(std::move(state)),
      encoding(firstLinesEncoding(st.gstrJournalFile, start)),
      scan(*foreseen, request, start,
           encoding == Encoding::Windows1252 ? std::optional(encoding) : std::nullopt),
      journal(st.gstrJournalFile),
      output(foreseen->gstrOutputFile) {}

ConversionAhead::~ConversionAhead() = default;

bool ConversionAhead::holds(const ProgramState& st) const {
    const ProgramState& then = *foreseen;
    if (!made || st.gstrJournalFile != journal || st.gstrOutputFile != output ||
        st.gintTargetApp != then.gintTargetApp || st.gblnAllToJournals != then.gblnAllToJournals ||
        st.gcolTaxPayables != then.gcolTaxPayables ||
        st.gcolTaxCodeTaxItemLinks != then.gcolTaxCodeTaxItemLinks)
        return false;
    if (earlierScan(st, journal, scanned->start, scanned->request) != scanned) return false;
    const RunTables now(st, encoding), before(then, encoding);
    for (const std::string& number : witness.accounts()) {
        const MappedAccount* a = now.lookups.mappedAccount(number);
        const MappedAccount* b = before.lookups.mappedAccount(number);
        if (!a != !b || (a && a->targetNumber != b->targetNumber)) return false;
    }
    for (const std::string& item : witness.taxItems()) {
        const MappedTaxCode* a = now.lookups.mappedTaxCode(item);
        const MappedTaxCode* b = before.lookups.mappedTaxCode(item);
        if (!a != !b || (a && a->code != b->code)) return false;
    }
    for (const std::string& bytes : witness.taxLineItems())
        if (now.isMappedTaxItem(bytes) != before.isMappedTaxItem(bytes)) return false;
    return true;
}

std::shared_ptr<const ReportScan> sfConvertAhead(ProgramState& st, UiPort& ui,
                                                 ConversionAhead& ahead) {
    TextReader& report = st.files.reader(kReportFile);
    const std::uint64_t start = report.bytesRead(), lines = report.linesRead();
    SilentPort port(&ui);  // it shows the reading's progress
    const std::string output = std::exchange(st.gstrOutputFile, ahead.output);
    st.files.close(kReportFile);
    ahead.run.makingAhead = &ahead;
    Sem e = sfReadCreateWriteHeader(st, port, ahead.run);
    if (e.empty()) e = sfReadConvertAppend(st, port, ahead.run);
    ahead.run.makingAhead = nullptr;
    st.gstrOutputFile = output;
    std::shared_ptr<const ReportScan> scan;
    if (e.empty() && !port.spoke()) {
        try {
            ahead.scan.scanRest(ahead.journal);
            scan = ahead.scan.finish(ahead.journal);
        } catch (...) {
            scan = nullptr;  // the scan of its own meets what failed here
        }
    }
    ahead.made = scan != nullptr;
    ahead.scanned = scan;
    if (!ahead.made) {
        ahead.run.importFile.abandon();
        ahead.run.outputLock.release();
    }

    // The report open again, where the scan of its own leaves it (or would begin).
    if (Sem opened = sfOpenFile(st, ui, st.gstrJournalFile, "Input", kReportFile); !opened.empty())
        raise(0, "The QuickBooks Journal report could not be opened again.");
    TextReader& again = st.files.reader(kReportFile);
    if (!scan) {
        again.seek(start, lines);
        return nullptr;
    }
    if (ahead.scan.lines() > 0) {
        again.seek(ahead.scan.lastLine(), lines + ahead.scan.lines() - 1);
        again.line();
        again.eof();  // a kept scan read to the end, and met it
    } else {
        again.seek(start, lines);
    }
    st.files.learnEncoding(kReportFile, scan->encoding);
    st.reportScan = scan;
    return scan;
}

}  // namespace tav
