#pragma once
// The conversion engine's module: the Journal report reader, the driver and the
// field helpers. Routines report under the module name "modConvert.bas".
//
// During a conversion the Journal report is file number 1 and the import file file
// number 2. The driver opens and closes both; the reader only reads file 1 and the
// writers only append to file 2.

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "convert/ConversionLookups.h"
#include "convert/ReportFacts.h"
#include "convert/ReportLine.h"
#include "convert/ReportScan.h"
#include "safe/ByteScan.h"
#include "safe/Collection.h"
#include "safe/ErrorLog.h"
#include "safe/FileReplacement.h"
#include "safe/FileTable.h"
#include "safe/Sem.h"
#include "safe/TextCodec.h"
#include "safe/TextReader.h"
#include "safe/UiPort.h"
#include "safe/Values.h"

namespace tav {

struct ProgramState;
namespace check {
struct ConversionCheck;
class ImportDigestReader;
class ReportTally;
}  // namespace check
struct ConversionAhead;

inline constexpr int kImportFile = 2;

// ---- The Journal report ---------------------------------------------------

// One accepted report line, commas deleted, with the tax item in place of the tax code
// and both amounts formatted, and the facts of its account text and tax item. Its fields
// are views: into the report's read buffer where they lie there, valid until the
// transaction changes.
class JournalLine {
public:
    std::string_view operator[](size_t column) const {
        const Span s = line_->spans[column];
        return {((s.at & kOwn) ? own_ : report_) + (s.at & ~kOwn), s.size};
    }
    static constexpr size_t size() { return col::Count; }
    // The account text's facts (set by the reader).
    const AccountFacts& account() const { return *line_->account; }
    // The tax item's facts; null when the line has no tax item.
    const TaxItemFacts* taxItem() const { return line_->taxItem; }
    // The value of an amount column (col::Amount or col::TaxAmount) as the reader read it
    // when it formatted the column's text; none for more than thirty whole digits.
    const std::optional<Money>& value(size_t column) const {
        return column == col::Amount ? line_->amount : line_->taxAmount;
    }

private:
    friend class JournalTransaction;
    // A field: where it begins in the report's bytes or, with kOwn, in the transaction's
    // own text (a transaction holds at most 64 MiB, so offsets are 32 bits).
    struct Span {
        std::uint32_t at = 0, size = 0;
    };
    static constexpr std::uint32_t kOwn = 1u << 31;
    struct Line {
        std::array<Span, col::Count> spans;
        const AccountFacts* account = nullptr;
        const TaxItemFacts* taxItem = nullptr;
        std::optional<Money> amount = Money(), taxAmount = Money();
    };
    JournalLine(const char* report, const char* own, const Line* line)
        : report_(report), own_(own), line_(line) {}
    const char* report_;
    const char* own_;
    const Line* line_;
};

// The lines of one transaction in report order, its first line first. Fields are read
// where they lie in the report's read buffer, which keeps the transaction's lines (the
// reader says where they begin, kept()); only a field rewritten or read without its
// commas is copied, into the transaction's own text. A report of millions of lines
// allocates nothing per line.
class JournalTransaction {
public:
    long Count() const { return static_cast<long>(count_); }
    bool empty() const { return count_ == 0; }
    // Line i, from 1; out of range raises "Subscript out of range".
    JournalLine Item(long i) const;
    // Line i, from 1 to Count(), for a loop over the lines that knows its bounds.
    JournalLine line(long i) const {
        return JournalLine(report_, own_.data(), &lines_[static_cast<size_t>(i - 1)]);
    }
    void clear();

    // Room at the end of the own text for the copies of a line's fields without their
    // commas, made before the line is split (ReportFields::split with a room): a line
    // added then keeps them there, where they were made.
    char* roomForLine(size_t bytes) {
        if (retired_.empty() && ownSize_ != 0 && bytes <= own_.size() - ownSize_) [[likely]]
            return own_.data() + ownSize_;
        return makeRoomForLine(bytes);
    }
    // Adds a line of eleven fields, report being where the transaction's first line
    // begins in the read buffer (the line's own start, for a first line).
    void add(const ReportFields& fields, const char* report);
    // The read buffer moved: where the first line begins now.
    void moved(const char* report) { report_ = report; }
    // Puts a text in a column of the last line.
    void setLast(size_t column, std::string_view text);
    // Puts the zero amount "0.00" in an amount column of the last line.
    void setLastZero(size_t column);
    // Puts in one column of the last line what another holds.
    void copyLast(size_t from, size_t to);
    // Sets the value of an amount column of the last line.
    void setLastValue(size_t column, std::optional<Money> value) {
        (column == col::Amount ? last().amount : last().taxAmount) = value;
    }
    void setLastFacts(const AccountFacts* account, const TaxItemFacts* taxItem);
    void removeLast() { --count_; }
    // The facts of the transaction's type, its first line's (set by the reader).
    const TypeFacts& type() const { return *type_; }
    void setType(const TypeFacts& type) { type_ = &type; }
    // A column of the last line is not the report's own text (rewritten, or without commas).
    bool lastRewritten(size_t column) const {
        return (lines_[count_ - 1].spans[column].at & JournalLine::kOwn) != 0;
    }

private:
    JournalLine::Line& last() { return lines_[count_ - 1]; }
    std::uint32_t own(std::string_view text);
    // Makes room for more bytes after the own text's ownSize_.
    void grow(size_t bytes);
    char* makeRoomForLine(size_t bytes);
    void clearOwn();

    const char* report_ = nullptr;
    // The transaction's own text: its beginning, ownSize_ bytes, is in use. It always
    // begins with the zero amount that lines without a tax amount take.
    std::string own_;
    size_t ownSize_ = 0;
    std::string retired_;  // the own text before it last grew
    // The lines: the first count_ of them; the rest are kept for their memory and filled
    // again, whole, as lines are added.
    std::vector<JournalLine::Line> lines_;
    size_t count_ = 0;
    const TypeFacts* type_ = nullptr;
};

// Text inside a double-quoted field, in the pieces to write in order: a double quote in it
// is doubled, as comma-separated files write one.
template <class Put>
void quotedFieldText(std::string_view text, Put&& put) {
    for (size_t quote; (quote = text.find('"')) != std::string_view::npos;) {
        put(text.substr(0, quote + 1));
        put("\"");
        text.remove_prefix(quote + 1);
    }
    put(text);
}
// The same as one text.
std::string quotedFieldText(std::string_view text);
// Whether a text holds a double quote. Texts are short and seldom hold one: looked at
// inline, sixteen bytes at a time, rather than through a library call.
inline bool holdsQuote(std::string_view text) {
    return bytescan::find<bytescan::AnyOf<'"'>>(text.data(), 0, text.size()) != text.size();
}

class ImportLines;

// One import line as it is put together, straight into the buffer of import lines. The
// place to write is kept in the line itself (not in the buffer), so that a writer's pieces
// are copied one after the other without going back to memory for it.
class ImportLine {
public:
    void put(std::string_view piece) {
        if (piece.size() > static_cast<size_t>(limit_ - at_)) [[unlikely]]
            makeRoom(piece.size());
        copyShort(at_, piece.data(), piece.size());
        at_ += piece.size();
    }
    void put(char c) {
        if (at_ == limit_) [[unlikely]]
            makeRoom(1);
        *at_++ = c;
    }
    void comma() { put(','); }
    // Room for the line's next pieces, at most this many bytes of them, made at once; those
    // pieces are then put with putInRoom, without a test each.
    void reserve(size_t bytes) {
        if (bytes > static_cast<size_t>(limit_ - at_)) [[unlikely]]
            makeRoom(bytes);
    }
    void putInRoom(std::string_view piece) {
        copyShort(at_, piece.data(), piece.size());
        at_ += piece.size();
    }
    // Text inside a double-quoted field.
    void putQuoted(std::string_view text) {
        if (!holdsQuote(text)) return put(text);
        quotedFieldText(text, [this](std::string_view piece) { put(piece); });
    }

private:
    friend class ImportLines;
    struct Room {
        char* at;
        char* limit;
    };
    ImportLine(ImportLines& lines, Room room) : lines_(lines), at_(room.at), limit_(room.limit) {}
    void makeRoom(size_t piece);

    ImportLines& lines_;
    char* at_;
    char* limit_;
};

// Import lines as they are written, in the report's encoding, each ending with CR LF.
// On the thread that owns the files they go to the import file whenever they fill a
// block of it, as lines written one by one would.
class ImportLines {
public:
    ImportLines() = default;
    ImportLines(const ImportLines&) = delete;
    ImportLines& operator=(const ImportLines&) = delete;

    void sendTo(FileTable& files, int number) {
        files_ = &files;
        number_ = number;
        room_ = FileTable::kWriteBlock - files.pendingBytes(number);
    }
    // A line: begun here, its pieces put, then ended. Nothing else is written between.
    ImportLine begin() { return ImportLine(*this, {end_, bytes_.data() + bytes_.size()}); }
    void end(ImportLine& line) {
        line.put("\r\n");
        end_ = line.at_;
        ++lines_;
        if (files_ && size() >= room_) flush();
    }
    void flush();
    // Empties it, and starts counting again.
    void clear() {
        drop();
        lines_ = 0;
    }
    // Hands the lines over for an emptied buffer, whose memory it keeps.
    void handOver(std::string& into);

    // The lines not sent yet, and how many lines were written in all.
    std::string_view bytes() const { return {bytes_.data(), size()}; }
    size_t size() const { return static_cast<size_t>(end_ - bytes_.data()); }
    long lines() const { return lines_; }

private:
    friend class ImportLine;
    // Room for a piece after the line begun, which reaches to the given place.
    ImportLine::Room grow(char* at, size_t piece);
    // Empties the buffer; the lines stay counted.
    void drop() { end_ = bytes_.data(); }

    std::string bytes_;  // its beginning holds the lines
    char* end_ = bytes_.data();
    long lines_ = 0;
    FileTable* files_ = nullptr;
    int number_ = 0;
    size_t room_ = 0;  // what fills the file's block
};

// Texts a writer puts together once per transaction for every line it writes: made side by
// side in memory kept from one transaction to the next, each viewed until the texts are
// started again.
class TransactionTexts {
public:
    // Starts them afresh; they take at most this many bytes in all.
    void start(size_t bytes) {
        if (bytes_.size() < bytes) bytes_.resize(std::max(bytes, 2 * bytes_.size()));
        at_ = bytes_.data();
    }
    // One text: the given pieces one after the other.
    template <class... Pieces>
    std::string_view join(const Pieces&... pieces) {
        char* const from = at_;
        (put(std::string_view(pieces)), ...);
        return {from, static_cast<size_t>(at_ - from)};
    }

private:
    void put(std::string_view piece) {
        copyShort(at_, piece.data(), piece.size());
        at_ += piece.size();
    }

    std::string bytes_;
    char* at_ = nullptr;
};

inline void ImportLine::makeRoom(size_t piece) {
    const Room room = lines_.grow(at_, piece);
    at_ = room.at;
    limit_ = room.limit;
}

// One conversion run, owned by whoever starts it (the convert screen, the batch
// command) and handed to the driver.
struct ConversionRun {
    // The user answered No at a data-error prompt, or an amount was out of range:
    // the run ends quietly, keeping what was written, and does not report success.
    bool blnConversionStopped = false;
    bool blnAmountOutOfRange = false;

    long transactionsWritten = 0;
    long transactionsOmitted = 0;  // answered Yes at a data-error prompt
    long linesWritten = 0;         // import lines, file headers included

    // A report ends with its TOTAL line. One that ends without it was cut short when it
    // was saved: the transaction it ends in the middle of (its number here) is not written,
    // and the run says so rather than report a plain success.
    bool totalLineRead = false;
    std::string incompleteTransaction;

    // The last report line read (from 1) and the byte offset where it begins, kept when
    // the driver closes the report, so that a failure can be shown beside its line.
    std::uint64_t reportLine = 0;
    std::uint64_t reportLineOffset = 0;

    // The import file while the run writes it: its lock, and its new version between the
    // two driver routines.
    OutputLock outputLock;
    FileReplacement importFile;

    // The date written in the MAS file header, dd/mm/yyyy.
    std::string headerDate = logTimestamp().substr(0, 10);

    // Every run ends with the check of its import file, unless told otherwise (to time
    // the check).
    bool checked = true;
    // What the check needs of the report, gathered while the run reads it.
    std::shared_ptr<check::ReportTally> tally;
    // The import file as read back while the run wrote it, when it was read to its end. It
    // belongs to the file as this run left it: only the run's own check takes it.
    std::shared_ptr<const check::ImportDigestReader> readBack;
    // The import file read back and compared with the report, once the run has written it.
    std::shared_ptr<const check::ConversionCheck> check;

    // The batch command's conversion made ahead, in the same reading as the scan (set
    // while it is made); once made, the driver takes it when the mappings made since give
    // what it converted with, and drops it otherwise.
    ConversionAhead* makingAhead = nullptr;
    std::shared_ptr<ConversionAhead> ahead;
    bool takenAhead = false;  // this run's import file is the one made ahead
};

// A conversion made ahead of the mappings (ConversionRun::ahead): it converts with the
// mappings foreseen for the accounts and tax items it meets, and notes each it looked up.
struct ConversionAhead {
    // The foreseen state holds the target, the lists and the mappings.
    ConversionAhead(const ProgramState& st, std::unique_ptr<ProgramState> foreseen,
                    const ScanRequest& request, std::uint64_t start);
    ~ConversionAhead();
    ConversionAhead(const ConversionAhead&) = delete;
    ConversionAhead& operator=(const ConversionAhead&) = delete;

    // The state gives every mapping it looked up as foreseen, for the same report,
    // unchanged, and the same import file.
    bool holds(const ProgramState& st) const;

    const std::unique_ptr<ProgramState> foreseen;
    // The report's encoding as its first lines show it: Windows-1252 when one of them is
    // not UTF-8; else UTF-8, which its scan confirms or refutes.
    const Encoding encoding;
    LookupWitness witness;
    ScanAlongside scan;
    ConversionRun run;  // its outcome, its import file pending
    std::string journal, output;
    std::shared_ptr<const ReportScan> scanned;  // its scan, when kept
    bool made = false;  // converted to its end, without a failure or the user
};

// One thread's part of a conversion: the report as it reads it (the report file itself,
// or a block of it), the facts it has worked out, the lines it has written and what
// happened. On the thread that owns the port (ui set), data errors are asked about and
// the lines go to the import file as they are written; elsewhere a transaction that
// needs the user, or that fails, stops the part, which the owning thread then does again.
struct ConversionPart {
    // On the owning thread, with the state and the port; elsewhere without them.
    ConversionPart(const RunTables& tables, TextReader& reportReader,
                   ProgramState* ownerState = nullptr, UiPort* port = nullptr)
        : st(tables.st), report(reportReader), facts(tables), owner(ownerState), ui(port) {}

    const ProgramState& st;
    TextReader& report;
    ReportFacts facts;
    DateTexts dates;  // the transactions' dates, read and written
    ProgramState* owner;
    UiPort* ui;
    ImportLines out;
    check::ReportTally* tally = nullptr;    // the check's tally of what it reads, if any
    ScanAlongside::Thread* scan = nullptr;  // the scan made in the same reading, if any

    long transactionsWritten = 0;
    long transactionsOmitted = 0;
    bool blnConversionStopped = false;  // No at a data-error prompt, or out of range
    bool blnAmountOutOfRange = false;
    bool needsOwner = false;  // without a port: stopped where the user was needed
    // How the report ended in this part: at its TOTAL line, or (cut short) in the middle
    // of the transaction numbered here; neither when it ends elsewhere.
    bool totalLineRead = false;
    std::string incompleteTransaction;

    // A block ends before its first line that begins a transaction after a closing line,
    // the closing line beginning after this offset; none: the report's end.
    std::optional<std::uint64_t> endAfter;
    bool atBlockEnd = false;
    bool previousClosed = false;  // the line before closes a transaction, after endAfter

    ReportFields fields;     // the line being read, kept for its memory
    TransactionTexts texts;  // the writer's, kept for its memory

    // Where the report was read to when each transaction was written, and how far its
    // import lines reached: on a worker, so that a write of them that fails later can be
    // told at the line a reading by one thread would have been at.
    struct WrittenAt {
        std::uint64_t outEnd, lines, lineOffset;
    };
    std::vector<WrittenAt>* writtenAt = nullptr;

    // Starts on a block: it ends at the first cut after the given offset.
    void reset(std::uint64_t blockEnd) {
        out.clear();
        transactionsWritten = transactionsOmitted = 0;
        blnConversionStopped = blnAmountOutOfRange = needsOwner = totalLineRead = false;
        incompleteTransaction.clear();
        endAfter = blockEnd;
        atBlockEnd = previousClosed = false;
    }
};

// ---- Field helpers --------------------------------------------------------

// The target account mapped to the account's number (empty while unmapped).
Sem sfMappedAccount(const ConversionLookups& lookups, std::string_view accountText,
                    std::string& targetAccount);

// The target tax code of a QuickBooks tax item; the last mapping of the item wins.
// An empty tax item has an empty code.
Sem sfMappedTaxCode(const ConversionLookups& lookups, std::string_view taxItem,
                    std::string& targetCode);

// Rewrites a numeric amount text with two decimals ("-1234.50"); fails, leaving it
// unchanged, when the text is not numeric.
Sem sfCheckAndFormatAmount(std::string& amount);
// The text is an amount as sfCheckAndFormatAmount writes it, which it leaves as it is;
// value, when given, receives its value (none for more than thirty whole digits, which no
// Money holds).
bool isFormattedAmount(std::string_view amount, std::optional<Money>* value = nullptr);
// The same for an amount of at most sixteen whole digits (nearly all), read into cents in one
// pass without a call; false for every other text, longer amounts included.
inline bool readFormattedAmount(std::string_view amount, std::int64_t& cents) {
    const char* p = amount.data();
    const char* const end = p + amount.size();
    const bool negative = p != end && *p == '-';
    p += negative;
    const auto n = static_cast<size_t>(end - p);
    if (n < 4 || n > 19 || end[-3] != '.' || (n > 4 && *p == '0')) return false;
    auto digit = [](char c) { return static_cast<unsigned>(static_cast<unsigned char>(c) - '0'); };
    const unsigned tens = digit(end[-2]), units = digit(end[-1]);
    if (tens > 9 || units > 9) return false;
    std::uint64_t whole = 0;
    for (; p != end - 3; ++p) {
        const unsigned d = digit(*p);
        if (d > 9) return false;
        whole = whole * 10 + d;
    }
    const auto value = static_cast<std::int64_t>(whole * 100 + tens * 10 + units);
    if (negative && value == 0) return false;  // "-0.00"
    cents = negative ? -value : value;
    return true;
}

// The QuickBooks tax item that a tax code stands for in a purchase or a sale. An
// empty tax code leaves the tax item unchanged.
Sem sfConvertTaxCodeToTaxItem(const ConversionLookups& lookups, std::string_view taxCode,
                              std::string& taxItem, std::string_view transactionType);

// A transaction type whose tax codes stand for purchase tax items; all others are sales.
bool isPurchaseType(std::string_view type);

// Appends a line to the import file and counts it.
void writeImportLine(ProgramState& st, ConversionRun& run, std::string_view line);
// The same for a line of fields joined with commas, each in double quotes when asked.
void writeImportLine(ProgramState& st, ConversionRun& run,
                     std::initializer_list<std::string_view> fields, bool quoted = false);

// ---- The reader ------------------------------------------------------------

// The earliest and latest transaction date of the rest of the report; both stay
// Date::earliest() when no line is dated.
Sem sfGetDateRange(ProgramState& st, UiPort& ui, Date& firstDate, Date& lastDate);

// The accounts the rest of the report uses, once each in order of first use: with their
// names for the 'Accounts' file header, or as numbers alone for the account mapping of
// the other targets. Entries already present are not added again.
Sem sfExtractAccounts(ProgramState& st, UiPort& ui, Collection<JournalAccount>& accounts);
Sem sfExtractAccounts(ProgramState& st, UiPort& ui, Collection<std::string>& numbers);

// QuickBooks writes no blank line (empty, or blanks only) into a report: one means the
// file was changed or not saved whole. The message names the line (from 1).
inline bool isBlankLine(std::string_view line) {
    return line.find_first_not_of(' ') == std::string_view::npos;
}
std::string blankLineMessage(std::uint64_t lineNumber);

// Reads the next transaction into an empty transaction. blnValid is false at the end
// of the report, at a "TOTAL" line, when the user answers No at a data-error prompt
// (which sets part.blnConversionStopped) and at the end of a block.
Sem sfReadInTransaction(ConversionPart& part, bool& blnValid, JournalTransaction& transaction);

// Blocks of the report are cut between a line that closes a transaction and one that can
// begin one; both threads that read on either side of a cut find it. A block whose cut is
// not found this far past its end is left to the owning thread.
bool closesTransaction(const ReportFields& line);
bool beginsTransaction(const ReportFields& line);
inline constexpr std::uint64_t kCutSearchBytes = 1 << 20;

// ---- The driver -------------------------------------------------------------

// Creates the import file, checks the report's header row and writes the target's
// file header.
Sem sfReadCreateWriteHeader(ProgramState& st, UiPort& ui, ConversionRun& run);

// Converts the report transaction by transaction and appends them to the import file.
Sem sfReadConvertAppend(ProgramState& st, UiPort& ui, ConversionRun& run);

// The batch command's one reading: converts the report open as file 1 (its header row
// read) into a new version of the import file, left pending in ahead.run, with the
// foreseen mappings and without the user, and makes the scan asked for from the same
// lines. Returns that scan when it is the one scanReport would give, file 1 left at the
// report's end as that leaves it; else nullptr, file 1 where it was, and nothing is kept.
std::shared_ptr<const ReportScan> sfConvertAhead(ProgramState& st, UiPort& ui,
                                                 ConversionAhead& ahead);

}  // namespace tav
