#include "convert/ReportScan.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <unordered_map>
#include <unordered_set>

#include "convert/ConversionLookups.h"
#include "convert/ReportBlocks.h"
#include "convert/ReportFacts.h"
#include "convert/TextTable.h"
#include "convert/modConvert.h"
#include "safe/ByteScan.h"
#include "safe/Platform.h"
#include "shell/ProgramState.h"

namespace tav {

namespace {

// What a report line is to the readings: its first eight fields, from the reader's marks
// of its first eight tabs.
class ScanFields {
public:
    static constexpr size_t kTabs = col::Account + 1;

    void split(std::string_view line, const TextReader::Marks& marks) {
        line_ = line;
        tabs_ = marks.tabs;
        found_ = std::min(marks.tabCount, kTabs);
        count_ = line.empty() ? 0 : found_ + 1;
    }
    size_t count() const { return count_; }  // up to 9: more than eight
    std::string_view operator[](size_t i) const {
        const size_t from = i == 0 ? 0 : tabs_[i - 1] + 1;
        const size_t end = i < found_ ? tabs_[i] : line_.size();
        return {line_.data() + from, end - from};
    }

private:
    std::string_view line_;
    const std::uint32_t* tabs_ = nullptr;
    size_t found_ = 0, count_ = 0;
};

// Everything one thread keeps while scanning: the accounts' texts it has worked out.
class ScanThread {
public:
    ScanThread(const std::unordered_set<std::string>& payables) : payables_(payables) {}

    ScannedAccount& account(std::string_view text, Encoding encoding) {
        // A report of endlessly many different account texts must not fill the memory.
        if (accounts_.size() > (1 << 14) || accounts_.textBytes() > (1 << 20)) accounts_.clear();
        ScannedAccount& a = accounts_.find(
            text, [&](std::string_view text, ScannedAccount& a) { workOut(text, a, encoding); });
        if (!a.ascii && a.encoding != encoding) workOut(text, a, encoding);
        return a;
    }
    // The same, kept where the other reading found the text.
    ScannedAccount& account(std::string_view text, Encoding encoding,
                            std::optional<ScannedAccount>& kept) {
        if (!kept)
            workOut(text, kept.emplace(), encoding);
        else if (!kept->ascii && kept->encoding != encoding)
            workOut(text, *kept, encoding);
        return *kept;
    }
    TextReader reader;

private:
    void workOut(std::string_view text, ScannedAccount& a, Encoding encoding) {
        const std::uint64_t collectedIn = a.collectedIn;
        a = ScannedAccount{};
        a.collectedIn = collectedIn;
        a.encoding = encoding;
        a.ascii = isAscii(text);
        const std::string decoded = decode(text, encoding);
        std::string number;
        a.taxNumberFailure = sfNumberOnly(decoded, number);
        a.payable = a.taxNumberFailure.empty() && payables_.contains(number);
        a.account = decoded;
        std::erase(a.account, ',');
        a.numberFailure = sfNumberOnly(a.account, a.number);
        a.nameFailure = sfNameOnly(a.account, a.name);
    }

    const std::unordered_set<std::string>& payables_;
    TextTable<ScannedAccount> accounts_;
};

constexpr std::string_view kNoNumberSuffix =
    " . Make sure that all QuickBooks accounts are numbered before exporting the Journal file "
    "and getting lists again from QuickBooks.";

// Scans lines into a part. On a worker thread any failure makes the part unusable (the
// owner reads it again and meets the failure itself).
class PartScanner {
public:
    // The encoding is known, or found on the way starting from startAs. Without a
    // throttle the part is a worker's.
    PartScanner(const ScanRequest& request, const std::unordered_set<std::string>& payables,
                bool withPayables, ScanThread& thread, std::optional<Encoding> known,
                Encoding startAs, EventThrottle* throttle, std::uint64_t mark)
        : request_(request),
          withPayables_(withPayables),
          thread_(thread),
          known_(known),
          throttle_(throttle),
          worker_(throttle == nullptr),
          mark_(mark),
          encoding_(known.value_or(startAs)) {
        // The tax item reading looks at an empty account text as at any other.
        noAccount_.payable = payables.contains("");
    }

    // Scans the reader's lines up to the first beginning after the given offset (or the
    // end of the report); lines are counted from firstLine.
    void scan(TextReader& reader, std::optional<std::uint64_t> endAfter, std::uint64_t firstLine,
              ScannedPart& part) {
        begin(part, reader.bytesRead());
        // Its commas no reading needs: an account text is looked up as it stands.
        reader.markFields(ScanFields::kTabs, false);
        for (;;) {
            if (reader.eof()) break;
            const std::uint64_t offset = reader.bytesRead();
            if (throttle_) throttle_->tick(offset, reader.size());
            if (endAfter && offset > *endAfter) break;
            const std::uint64_t lineNumber = firstLine + part.lines + 1;
            std::string_view line;
            try {
                line = reader.line();
            } catch (const RuntimeError& e) {
                endAll(part, e.number(), e.description(), lineNumber, offset);
                ++part.lines;
                break;
            }
            if (!this->line(part, line, reader.marks(), lineNumber, offset)) break;
        }
        end(part, reader.bytesRead());
    }

    // The same, a line at a time, for lines another reading reads: begin, the lines, end.
    void begin(ScannedPart& part, std::uint64_t start) {
        part = ScannedPart{};
        part.start = start;
        items_.clear();
        itemTexts_.clear();
    }
    // False when the scan ends at the line. Inline in the scan's own loop.
    // found: the line's account text as the other reading found it, if it did.
    [[gnu::always_inline]] bool line(ScannedPart& part, std::string_view line,
                                     const TextReader::Marks& marks, std::uint64_t lineNumber,
                                     std::uint64_t offset, const AccountFacts* found = nullptr) {
        ++part.lines;
        if (!checkEncoding(line, part)) return false;
        if (isBlankLine(line)) {
            endAll(part, 0, blankLineMessage(lineNumber), lineNumber, offset);
            return false;
        }
        fields_.split(line, marks);
        auto fail = [&](std::optional<ReadingFailure>& failure, long number,
                        std::string description, Sem details = {}) {
            failure = ReadingFailure{number, std::move(description), std::move(details), lineNumber,
                                     offset};
        };
        const size_t count = fields_.count();
        // The line's account text, looked up once for every reading.
        const ScannedAccount* account = &noAccount_;
        if (count > col::Account) {
            if (const std::string_view text = fields_[col::Account]; !text.empty()) {
                account = found ? &thread_.account(text, encoding_, found->scanned)
                                : &thread_.account(text, encoding_);
                if (!account->ascii && encoding_ == Encoding::Utf8) part.readAsUtf8 = true;
            }
        }

        if (request_.accounts != ScanRequest::Accounts::None && !part.accountFailure) {
            const ScannedAccount& a = *account;
            if (count > col::Account && (&a == &noAccount_ || a.collectedIn == mark_)) {
                // no account, or one already collected here
            } else if (count == 0) {
                fail(part.accountFailure, err::SubscriptOutOfRange,
                     errorText(err::SubscriptOutOfRange));
            } else if (fields_[col::TransNo] == "Trans #") {
            } else if (count <= col::Account) {
                fail(part.accountFailure, err::SubscriptOutOfRange,
                     errorText(err::SubscriptOutOfRange));
            } else if (!a.numberFailure.empty()) {
                fail(part.accountFailure, 0,
                     "Error extracting account numbers from journal file accounts",
                     a.numberFailure);
            } else if (a.number.empty()) {
                fail(part.accountFailure, 0,
                     "At least one account used in transactions does not have an account "
                     "number. The first such account found is " +
                         a.account + std::string(kNoNumberSuffix));
            } else if (request_.accounts == ScanRequest::Accounts::NumbersAndNames &&
                       !a.nameFailure.empty()) {
                fail(part.accountFailure, 0, "Error extracting name from journal file accounts",
                     a.nameFailure);
            } else {
                const_cast<ScannedAccount&>(a).collectedIn = mark_;
                part.accounts.push_back(
                    {a.number, request_.accounts == ScanRequest::Accounts::Numbers ? "" : a.name});
            }
        }

        if (request_.dates && !part.dateFailure) {
            if (count <= col::Date) {
                fail(part.dateFailure, err::SubscriptOutOfRange,
                     errorText(err::SubscriptOutOfRange));
            } else if (const std::string_view text = fields_[col::Date];
                       text != "Date" && !text.empty() && text != lastDateText_) {
                // Neighbouring transactions mostly share their date: a date text
                // is read, and weighed against the range, once for its run.
                if (const std::optional<Date> date = parseDate(text)) {
                    lastDateText_ = text;
                    if (!part.dated) part.first = part.last = *date;
                    part.first = std::min(part.first, *date);
                    part.last = std::max(part.last, *date);
                    part.dated = true;
                } else {
                    fail(part.dateFailure, 0,
                         "Invalid date in QuickBooks Journal file. Please ensure your Windows "
                         "regional settings are set to English(Australian), then check dates "
                         "in QuickBooks journal before saving it to file.");
                }
            }
        }

        // Without tax payable accounts the Account column is not even looked at.
        if (request_.taxItems && withPayables_) {
            if (count <= col::Account) {
                fail(part.taxFailure, err::SubscriptOutOfRange,
                     errorText(err::SubscriptOutOfRange));
            } else if (!account->taxNumberFailure.empty()) {
                fail(part.taxFailure, 0,
                     "Error extracting account numbers from journal file accounts",
                     account->taxNumberFailure);
            } else if (const std::string_view item = fields_[col::Item];
                       account->payable && !item.empty()) {
                items_.find(item,
                            [&](std::string_view text, bool&) { itemTexts_.emplace_back(text); });
            }
            if (part.taxFailure) part.ended = true;
        }
        const bool failed = part.taxFailure || part.accountFailure || part.dateFailure;
        return !(part.ended || (worker_ && failed));
    }
    void end(ScannedPart& part, std::uint64_t endOffset) {
        if (worker_ && (part.taxFailure || part.accountFailure || part.dateFailure))
            part.usable = false;
        part.items = std::move(itemTexts_);
        itemTexts_ = {};
        part.end = endOffset;
    }

private:
    // A line that cannot be read, or a blank one, ends every reading there.
    void endAll(ScannedPart& part, long number, const std::string& description,
                std::uint64_t lineNumber, std::uint64_t offset) {
        const ReadingFailure f{number, description, {}, lineNumber, offset};
        if (request_.taxItems) part.taxFailure = f;
        if (request_.accounts != ScanRequest::Accounts::None && !part.accountFailure)
            part.accountFailure = f;
        if (request_.dates && !part.dateFailure) part.dateFailure = f;
        part.ended = true;
    }

    // Reads the line's bytes for their encoding: a report is UTF-8 while every line is.
    // False when texts were read as UTF-8 before a line showed they are not.
    bool checkEncoding(std::string_view line, ScannedPart& part) {
        if (known_ || encoding_ != Encoding::Utf8 || isAscii(line) || isValidUtf8(line))
            return true;
        part.invalidUtf8 = true;
        encoding_ = Encoding::Windows1252;
        if (!part.readAsUtf8) return true;
        part.restart = true;
        return false;
    }

    const ScanRequest& request_;
    bool withPayables_;
    ScanThread& thread_;
    std::optional<Encoding> known_;
    EventThrottle* throttle_;
    bool worker_;
    std::uint64_t mark_;
    Encoding encoding_;
    ScanFields fields_;
    ScannedAccount noAccount_;            // an empty account text's
    std::string lastDateText_;            // the last valid date text, already in the range
    TextTable<bool> items_;               // the part's tax items met so far
    std::vector<std::string> itemTexts_;  // the same, in the order met
};

}  // namespace

// The findings of the parts, put together in report order.
class ScanMerge {
public:
    explicit ScanMerge(ReportScan& scan) : scan_(scan) {}

    void take(ScannedPart& part, std::uint64_t linesBefore) {
        if (part.invalidUtf8) invalid_ = true;
        if (part.readAsUtf8) readAsUtf8_ = true;
        auto place = [&](std::optional<ReadingFailure>& into, std::optional<ReadingFailure>& f) {
            if (into || !f) return;
            into = std::move(f);
            into->line += linesBefore;
        };
        if (!scan_.accountFailure) {
            for (JournalAccount& a : part.accounts)
                if (numbers_.insert(a.number).second) scan_.accounts.Add(std::move(a));
        }
        place(scan_.accountFailure, part.accountFailure);
        for (std::string& item : part.items)
            if (itemsSeen_.insert(item).second) items_.push_back(std::move(item));
        place(scan_.taxFailure, part.taxFailure);
        if (!scan_.dateFailure && part.dated) {
            if (!dated_) scan_.firstDate = scan_.lastDate = part.first;
            scan_.firstDate = std::min(scan_.firstDate, part.first);
            scan_.lastDate = std::max(scan_.lastDate, part.last);
            dated_ = true;
        }
        place(scan_.dateFailure, part.dateFailure);
    }

    // Texts with bytes above 0x7F were read as UTF-8 in a report that is not.
    bool misread() const { return invalid_ && readAsUtf8_; }
    Encoding encoding() const { return invalid_ ? Encoding::Windows1252 : Encoding::Utf8; }

    void finish(Encoding encoding) {
        scan_.encoding = encoding;
        for (const std::string& item : items_) scan_.taxItems.push_back(decode(item, encoding));
    }

private:
    ReportScan& scan_;
    std::unordered_set<std::string> numbers_, itemsSeen_;
    std::vector<std::string> items_;
    bool invalid_ = false, readAsUtf8_ = false, dated_ = false;
};

namespace {

// One scan from the reader's position, with the encoding known or found on the way; false
// when it must be done again knowing that the report is Windows-1252.
bool scanOnce(ProgramState& st, UiPort& ui, ReportScan& scan, std::optional<Encoding> known) {
    const std::unordered_set<std::string> payables(st.gcolTaxPayables.begin(),
                                                   st.gcolTaxPayables.end());
    const bool withPayables = !st.gcolTaxPayables.empty();

    TextReader& report = st.files.reader(kReportFile);
    const std::uint64_t size = report.size();
    const std::uint64_t blockBytes =
        st.reading.blockBytes ? st.reading.blockBytes : std::uint64_t{1} << 20;
    const std::uint64_t span = size > scan.start ? size - scan.start : 0;
    const size_t blocks = static_cast<size_t>((span + blockBytes - 1) / blockBytes);
    const unsigned threads =
        static_cast<unsigned>(std::min<size_t>(readingThreads(st.reading.threads), blocks));
    ScanMerge merge(scan);
    EventThrottle throttle(ui);
    std::uint64_t resumeAt = scan.start, linesBefore = report.linesRead(), mark = 0;
    bool finished = false;

    if (threads > 1) {
        std::vector<std::unique_ptr<ScanThread>> workers;
        for (unsigned i = 0; i < threads; ++i)
            workers.push_back(std::make_unique<ScanThread>(payables));
        const std::uint64_t firstMark = 1;
        BlockRunner<ScannedPart> runner(threads, blocks);
        runner.run(
            [&](size_t k, ScannedPart& part, unsigned w) {
                ScanThread& thread = *workers[w];
                try {
                    if (!thread.reader.isOpen()) thread.reader.open(scan.path, true);
                    const std::uint64_t from = scan.start + k * blockBytes;
                    if (k == 0) {
                        thread.reader.seek(from, 0);
                    } else if (!seekLineAfter(thread.reader, from)) {
                        part = ScannedPart{};
                        part.start = part.end = size;
                        return;
                    } else {
                        thread.reader.seek(thread.reader.bytesRead(), 0);
                    }
                    PartScanner(scan.request, payables, withPayables, thread, known, Encoding::Utf8,
                                nullptr, firstMark + k)
                        .scan(thread.reader, from + blockBytes, 0, part);
                } catch (...) {
                    part = ScannedPart{};
                    part.usable = false;
                }
            },
            [&](size_t, ScannedPart& part) {
                // A block that does not begin where the one before ended (a line longer
                // than a block) is left to this thread too.
                if (!part.usable || part.restart || part.start != resumeAt) return false;
                merge.take(part, linesBefore);
                resumeAt = part.end;
                linesBefore += part.lines;
                throttle.tick(resumeAt, size);
                finished = resumeAt >= size;
                return !finished;
            },
            [&] { throttle.tick(resumeAt, size); });
        mark = firstMark + blocks;
        // The report is left where a reading by one thread would have left it: read to its
        // end, it has met the end, so that no message after the scan names a line of it.
        report.seek(resumeAt, linesBefore);
        if (finished) report.eof();
    }
    if (!finished) {
        // The rest on this thread, where failures are met and kept.
        ScanThread thread(payables);
        ScannedPart part;
        PartScanner(scan.request, payables, withPayables, thread, known, merge.encoding(),
                    &throttle, mark + 1)
            .scan(report, std::nullopt, linesBefore, part);
        if (part.restart) return false;
        merge.take(part, 0);
    }
    if (!known && merge.misread()) return false;
    merge.finish(known.value_or(merge.encoding()));
    scan.complete = !scan.taxFailure;
    return true;
}

}  // namespace

struct ScanAlongside::Thread::State {
    explicit State(const ScanAlongside& scan) : thread(scan.payables_) {}
    ScanThread thread;
    std::optional<PartScanner> scanner;
    std::unique_ptr<ScannedPart> part;
    bool scanning = false;
};

ScanAlongside::Thread::Thread(ScanAlongside& scan)
    : scan_(scan), state_(std::make_unique<State>(scan)) {}

ScanAlongside::Thread::~Thread() = default;

void ScanAlongside::Thread::begin(std::uint64_t start) {
    State& s = *state_;
    s.scanner.emplace(scan_.request_, scan_.payables_, scan_.withPayables_, s.thread, scan_.known_,
                      Encoding::Utf8, nullptr, ++scan_.marks_);
    s.part = std::make_unique<ScannedPart>();
    // The other reading may begin at the header row, which the scan passes over.
    s.scanner->begin(*s.part, std::max(start, scan_.start_));
    s.scanning = true;
}

void ScanAlongside::Thread::line(std::string_view line, const TextReader::Marks& marks,
                                 std::uint64_t lineNumber, std::uint64_t offset,
                                 const AccountFacts* account) {
    State& s = *state_;
    if (!s.scanning || offset < scan_.start_) return;
    s.part->lastLine = offset;
    if (!s.scanner->line(*s.part, line, marks, lineNumber, offset, account)) {
        s.scanning = false;
        s.part->usable = false;
    }
}

std::unique_ptr<ScannedPart> ScanAlongside::Thread::end(std::uint64_t endOffset) {
    State& s = *state_;
    s.scanner->end(*s.part, endOffset);
    s.scanning = false;
    return std::move(s.part);
}

ScanAlongside::ScanAlongside(const ProgramState& st, const ScanRequest& request,
                             std::uint64_t start, std::optional<Encoding> known)
    : request_(request),
      start_(start),
      known_(known),
      payables_(st.gcolTaxPayables.begin(), st.gcolTaxPayables.end()),
      withPayables_(!st.gcolTaxPayables.empty()),
      scan_(std::make_shared<ReportScan>()),
      merge_(std::make_unique<ScanMerge>(*scan_)),
      next_(start) {
    scan_->request = request;
    scan_->start = start;
}

ScanAlongside::~ScanAlongside() = default;

void ScanAlongside::take(std::unique_ptr<ScannedPart> part) {
    // Only a scan that read every line, in order, with nothing to tell, is kept.
    if (!part || !part->usable || part->restart || part->invalidUtf8 || part->ended ||
        part->start != next_) {
        failed_ = true;
        return;
    }
    merge_->take(*part, 0);
    next_ = part->end;
    if (part->lines > 0) lastLine_ = part->lastLine;
    lines_ += part->lines;
}

void ScanAlongside::scanRest(const std::string& path) {
    if (failed_) return;
    TextReader reader;
    reader.open(path, true);
    reader.seek(next_, 0);
    if (reader.eof()) return;
    ScanThread thread(payables_);
    auto part = std::make_unique<ScannedPart>();
    PartScanner(request_, payables_, withPayables_, thread, known_, Encoding::Utf8, nullptr,
                ++marks_)
        .scan(reader, std::nullopt, 0, *part);
    part->lastLine = reader.lineOffset();
    take(std::move(part));
}

std::shared_ptr<ReportScan> ScanAlongside::finish(const std::string& path) {
    const auto identity = FileTable::identity(path);
    if (failed_ || !identity || next_ != std::get<1>(*identity)) return nullptr;
    merge_->finish(known_.value_or(merge_->encoding()));
    scan_->path = path;
    scan_->size = std::get<1>(*identity);
    scan_->modified = std::get<2>(*identity);
    scan_->complete = true;
    return scan_;
}

std::shared_ptr<const ReportScan> scanReport(ProgramState& st, UiPort& ui,
                                             const ScanRequest& request) {
    auto scan = std::make_shared<ReportScan>();
    scan->request = request;
    scan->path = st.files.path(kReportFile);
    const auto identity = FileTable::identity(scan->path);
    if (identity) {
        scan->size = std::get<1>(*identity);
        scan->modified = std::get<2>(*identity);
    }
    TextReader& report = st.files.reader(kReportFile);
    scan->start = report.bytesRead();
    const std::uint64_t lines = report.linesRead();
    if (!scanOnce(st, ui, *scan, std::nullopt)) {
        // Texts were read as UTF-8 before the report showed it is not: again, knowing.
        const ScanRequest asked = scan->request;
        const std::string path = scan->path;
        const std::uint64_t start = scan->start, size = scan->size;
        const std::int64_t modified = scan->modified;
        *scan = ReportScan{};
        scan->request = asked;
        scan->path = path;
        scan->start = start;
        scan->size = size;
        scan->modified = modified;
        report.seek(start, lines);
        scanOnce(st, ui, *scan, Encoding::Windows1252);
    }
    if (scan->complete) st.files.learnEncoding(kReportFile, scan->encoding);
    st.reportScan = scan;
    return scan;
}

std::shared_ptr<const ReportScan> earlierScan(const ProgramState& st, const std::string& path,
                                              std::uint64_t start, const ScanRequest& request) {
    const std::shared_ptr<const ReportScan>& scan = st.reportScan;
    if (!scan || !scan->complete || scan->path != path || scan->start != start) return nullptr;
    if ((request.taxItems && !scan->request.taxItems) || (request.dates && !scan->request.dates) ||
        request.accounts > scan->request.accounts)
        return nullptr;
    const auto identity = FileTable::identity(path);
    if (!identity || std::get<1>(*identity) != scan->size ||
        std::get<2>(*identity) != scan->modified)
        return nullptr;
    return scan;
}

void showAtFailure(ProgramState& st, const ReadingFailure& failure) {
    TextReader& report = st.files.reader(kReportFile);
    report.seek(failure.offset, failure.line - 1);
    if (!report.eof()) {
        try {
            report.line();
        } catch (const RuntimeError&) {
            // The line that cannot be read: the reading stopped at it all the same.
        }
    }
}

}  // namespace tav
