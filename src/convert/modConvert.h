#pragma once
// The conversion engine's module: the Journal report reader, the driver and the
// field helpers. Routines report under the module name "modConvert.bas".
//
// During a conversion the Journal report is file number 1 and the import file file
// number 2. The driver opens and closes both; the reader only reads file 1 and the
// writers only append to file 2.

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "convert/ConversionLookups.h"
#include "convert/ReportLine.h"
#include "safe/Collection.h"
#include "safe/ErrorLog.h"
#include "safe/FileReplacement.h"
#include "safe/Sem.h"
#include "safe/TextCodec.h"
#include "safe/UiPort.h"
#include "safe/Values.h"

namespace tav {

struct ProgramState;
namespace check {
struct ConversionCheck;
}

inline constexpr std::string_view kModConvert = "modConvert.bas";

inline constexpr int kReportFile = 1;
inline constexpr int kImportFile = 2;

// ---- The Journal report ---------------------------------------------------

// One accepted report line, commas deleted, with the tax item in place of the tax code
// and both amounts formatted: views into its transaction's text, valid until the
// transaction changes.
class JournalLine {
public:
    std::string_view operator[](size_t column) const {
        return {text_ + spans_[column].at, spans_[column].size};
    }
    static constexpr size_t size() { return col::Count; }

private:
    friend class JournalTransaction;
    struct Span {
        std::uint32_t at = 0, size = 0;
    };
    JournalLine(const char* text, const Span* spans) : text_(text), spans_(spans) {}
    const char* text_;
    const Span* spans_;
};

// The lines of one transaction in report order, its first line first. Their fields are
// copied once into one text that the next transactions reuse (a transaction holds at
// most 64 MiB, so offsets into it are 32 bits): a report of millions of lines
// allocates nothing per line.
class JournalTransaction {
public:
    long Count() const { return static_cast<long>(lines_.size()); }
    bool empty() const { return lines_.empty(); }
    // Line i, from 1; out of range raises "Subscript out of range".
    JournalLine Item(long i) const;
    void clear();

    // Adds a line of eleven fields.
    void add(const ReportFields& fields);
    // Puts a text in a column of the last line.
    void setLast(size_t column, std::string_view text);
    void removeLast() { lines_.pop_back(); }

private:
    using Spans = std::array<JournalLine::Span, col::Count>;
    std::uint32_t append(std::string_view text);

    std::string text_;
    std::vector<Spans> lines_;
};

// One conversion run, owned by whoever starts it (the convert screen, the batch
// command) and handed to the driver, the reader and the writers.
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

    // The import line and the description being built and the report line being read,
    // kept to reuse their memory.
    std::string line, description;
    ReportFields fields;

    // Built from the mapping collections when the transactions are converted.
    ConversionLookups lookups;

    // The import file read back and compared with the report, once the run has written it.
    std::shared_ptr<const check::ConversionCheck> check;
};

// ---- Field helpers --------------------------------------------------------

// The number part of a QuickBooks account text ("1-1100 · Cheque Account" gives
// "1-1100"); empty when there is no middle dot.
Sem sfNumberOnly(std::string_view accountText, std::string& number);

// The name part ("Cheque Account"); the whole trimmed text when there is no middle dot.
Sem sfNameOnly(std::string_view accountText, std::string& name);

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
// The text is an amount as sfCheckAndFormatAmount writes it, which it leaves as it is.
bool isFormattedAmount(std::string_view amount);

// The QuickBooks tax item that a tax code stands for in a purchase or a sale. An
// empty tax code leaves the tax item unchanged.
Sem sfConvertTaxCodeToTaxItem(const ConversionLookups& lookups, std::string_view taxCode,
                              std::string& taxItem, std::string_view transactionType);

// Appends a line to the import file and counts it.
void writeImportLine(ProgramState& st, ConversionRun& run, std::string_view line);
// The same for a line of fields joined with commas, each in double quotes when asked.
void writeImportLine(ProgramState& st, ConversionRun& run,
                     std::initializer_list<std::string_view> fields, bool quoted = false);

// ---- The reader ------------------------------------------------------------

// Reads the header row; blnHeaderOK tells whether it is one of the two accepted rows.
Sem sfReadAndCheckHeader(ProgramState& st, bool& blnHeaderOK);

// Every line a routine reads, handed on undecoded (FileTable::lineBytes) to another
// collection made in the same reading.
using LineReader = std::function<void(std::string_view lineBytes)>;

// The earliest and latest transaction date of the rest of the report; both stay
// Date::earliest() when no line is dated. Every line read is handed to alsoRead too.
Sem sfGetDateRange(ProgramState& st, UiPort& ui, Date& firstDate, Date& lastDate,
                   const LineReader& alsoRead = {});

// The accounts the rest of the report uses, once each in order of first use: as
// [number, name] pairs for the 'Accounts' file header, or as numbers alone for the
// account mapping of the other targets. Entries already present are not added again.
Sem sfExtractAccounts(ProgramState& st, UiPort& ui, Collection<StrArray>& accounts);
Sem sfExtractAccounts(ProgramState& st, UiPort& ui, Collection<std::string>& numbers);

// What sfExtractAccounts does, a line at a time, so that a routine reading the report
// for something else can collect the accounts in the same reading: given the lines from
// the report's first, it adds the same entries and keeps the failure sfExtractAccounts
// would return (lines after a failure are ignored).
class AccountReader {
public:
    explicit AccountReader(Collection<StrArray>& accounts);
    explicit AccountReader(Collection<std::string>& numbers);
    // The line's bytes in the report's encoding: only account texts not met before are
    // decoded.
    void take(std::string_view lineBytes, Encoding encoding);
    const Sem& failure() const { return failure_; }

private:
    Collection<StrArray>* accounts_ = nullptr;
    Collection<std::string>* numbers_ = nullptr;
    std::unordered_set<std::string> seen_;
    TextCache<bool> done_;  // account texts, undecoded, whose number is already in
    std::string decoded_, withoutCommas_, number_;
    Sem failure_;
};

// QuickBooks writes no blank line (empty, or blanks only) into a report: one means the
// file was changed or not saved whole. The message names the line (from 1).
bool isBlankLine(std::string_view line);
std::string blankLineMessage(std::uint64_t lineNumber);
// Raises that message when the report line just read is blank.
void refuseBlankLine(const ProgramState& st, std::string_view line);

// Reads the report on up to the given line (from 1), so that the report of a failure met
// there by a reading that went further can point at it.
void readReportUpTo(ProgramState& st, std::uint64_t line);

// Reads the next transaction into an empty transaction. blnValid is false at the end
// of the report, at a "TOTAL" line, and when the user answers No at a data-error
// prompt (which sets run.blnConversionStopped).
Sem sfReadInTransaction(ProgramState& st, UiPort& ui, ConversionRun& run, bool& blnValid,
                        JournalTransaction& transaction);

// ---- The driver -------------------------------------------------------------

// Creates the import file, checks the report's header row and writes the target's
// file header.
Sem sfReadCreateWriteHeader(ProgramState& st, UiPort& ui, ConversionRun& run);

// Converts the report transaction by transaction and appends them to the import file.
Sem sfReadConvertAppend(ProgramState& st, UiPort& ui, ConversionRun& run);

}  // namespace tav
