// The Journal report reader of modConvert: the header row, the date range and the
// transactions. The report is read strictly forwards, one line at a time, holding one
// transaction.

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <optional>
#include <utility>

#include "convert/DataErrorPrompts.h"
#include "convert/modConvert.h"
#include "safe/SafeMethods.h"
#include "shell/ProgramState.h"

namespace tav {

namespace {

constexpr std::string_view kHeaderWithMemo =
    "Trans #\tType\tDate\tNum\tName\tMemo\tItem\tAccount\tTax Code\tAmount\tTax Amount";
constexpr std::string_view kHeaderWithDescription =
    "Trans #\tType\tDate\tNum\tName\tDescription\tItem\tAccount\tTax Code\tAmount\tTax Amount";

bool isTotalLine(std::string_view first) {
    constexpr std::string_view kTotal = "TOTAL";
    if (first.size() != kTotal.size()) return false;
    for (size_t i = 0; i < kTotal.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(first[i])) != kTotal[i]) return false;
    return true;
}

// A transaction is held whole until its closing line arrives; a report whose lines never
// close a transaction must not fill the memory.
constexpr long kMaxTransactionLines = 100'000;
constexpr size_t kMaxTransactionBytes = 64 << 20;

bool isWholeNumber(std::string_view text) {
    if (text.empty()) return false;
    // Transaction numbers are plain digits, which need no full numeric test.
    if (text.size() <= 9 &&
        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return true;
    return sfIsLong(text).empty();
}

// ---- Field rewriting ----------------------------------------------------------

// The last line's fields are rewritten as it is stored. Each step reads the line afresh:
// a text put in a column may move the transaction's text.

// Puts the QuickBooks tax item in the tax code column: a journal line names it in the
// Item column, other lines have their tax code looked up for the transaction's type.
Sem rewriteTaxItem(const ConversionLookups& lookups, JournalTransaction& t, std::string_view type,
                   std::string& scratch) {
    const JournalLine f = t.Item(t.Count());
    if (type == "General Journal") {
        t.setLast(col::TaxItem, f[col::Item]);
        return {};
    }
    scratch.clear();
    Sem e = sfConvertTaxCodeToTaxItem(lookups, f[col::TaxCode], scratch, type);
    if (e.empty()) t.setLast(col::TaxItem, scratch);
    return e;
}

// An amount column formatted with two decimals; empty is zero.
Sem formatAmount(JournalTransaction& t, size_t column, std::string& scratch) {
    const std::string_view amount = t.Item(t.Count())[column];
    if (amount.empty()) {
        t.setLast(column, "0.00");
        return {};
    }
    if (isFormattedAmount(amount)) return {};
    scratch.assign(amount);
    Sem e = sfCheckAndFormatAmount(scratch);
    if (e.empty() && scratch != amount) t.setLast(column, scratch);
    return e;
}

// A tax amount counts only on a line with a tax item.
Sem formatTaxAmount(JournalTransaction& t, std::string& scratch) {
    const JournalLine f = t.Item(t.Count());
    if (f[col::TaxItem].empty() || f[col::TaxAmount].empty()) {
        t.setLast(col::TaxAmount, "0.00");
        return {};
    }
    return formatAmount(t, col::TaxAmount, scratch);
}

struct FieldFailure {
    DataError error;
    Sem details;
};

// Puts the tax item in place and formats both amounts of the line just added, as a line
// is stored; a step that fails names its data error. The type is not the line's own.
std::optional<FieldFailure> rewriteFields(const ConversionLookups& lookups, JournalTransaction& t,
                                          std::string_view type, bool firstLine,
                                          std::string& scratch) {
    if (Sem e = rewriteTaxItem(lookups, t, type, scratch); !e.empty())
        return FieldFailure{DataError::TaxCode, std::move(e)};
    if (Sem e = formatTaxAmount(t, scratch); !e.empty())
        return FieldFailure{
            firstLine ? DataError::TaxAmountFirstLine : DataError::TaxAmountContinuation,
            std::move(e)};
    if (Sem e = formatAmount(t, col::Amount, scratch); !e.empty())
        return FieldFailure{firstLine ? DataError::AmountFirstLine : DataError::AmountContinuation,
                            std::move(e)};
    return std::nullopt;
}

}  // namespace

JournalLine JournalTransaction::Item(long i) const {
    if (i < 1 || i > Count()) raise(err::SubscriptOutOfRange);
    return JournalLine(text_.data(), lines_[static_cast<size_t>(i - 1)].data());
}

void JournalTransaction::clear() {
    text_.clear();
    lines_.clear();
}

std::uint32_t JournalTransaction::append(std::string_view text) {
    // A column's text is often another column's (a journal line's item): it is there.
    const std::less_equal<const char*> atOrBefore;
    if (atOrBefore(text_.data(), text.data()) &&
        atOrBefore(text.data(), text_.data() + text_.size()))
        return static_cast<std::uint32_t>(text.data() - text_.data());
    const auto at = static_cast<std::uint32_t>(text_.size());
    text_.append(text);
    return at;
}

void JournalTransaction::add(const ReportFields& fields) {
    // The line is copied whole, in one go; a column read without its commas goes after it.
    const std::string_view line = fields.line();
    const auto base = static_cast<std::uint32_t>(text_.size());
    text_.append(line);
    Spans& spans = lines_.emplace_back();
    for (size_t i = 0; i < col::Count; ++i) {
        const std::string_view f = fields[i];
        const auto at = fields.inLine(i) ? base + static_cast<std::uint32_t>(f.data() - line.data())
                                         : append(f);
        spans[i] = {at, static_cast<std::uint32_t>(f.size())};
    }
}

void JournalTransaction::setLast(size_t column, std::string_view text) {
    // Read before appending, which may move the text.
    const auto size = static_cast<std::uint32_t>(text.size());
    lines_.back()[column] = {append(text), size};
}

Sem sfReadAndCheckHeader(ProgramState& st, bool& blnHeaderOK) {
    blnHeaderOK = false;
    return guarded(kModConvert, "sfReadAndCheckHeader", [&]() -> Sem {
        const std::string_view line = st.files.lineView(kReportFile);
        blnHeaderOK = line == kHeaderWithMemo || line == kHeaderWithDescription;
        return {};
    });
}

Sem sfGetDateRange(ProgramState& st, UiPort& ui, Date& firstDate, Date& lastDate,
                   const LineReader& alsoRead) {
    constexpr std::string_view kProc = "sfGetDateRange";
    firstDate = lastDate = Date::earliest();
    return guarded(kModConvert, kProc, [&]() -> Sem {
        EventThrottle throttle(ui);
        while (!st.files.eof(kReportFile)) {
            throttle.tick(st.files.bytesRead(kReportFile), st.files.size(kReportFile));
            // Dates are digits and separators: a line's bytes serve undecoded.
            const std::string_view line = st.files.lineBytes(kReportFile);
            refuseBlankLine(st, line);
            if (alsoRead) alsoRead(line);
            const std::string_view text = tabField(line, col::Date);
            if (text == "Date" || text.empty()) continue;
            const std::optional<Date> date = parseDate(text);
            if (!date)
                return sfSemCreate(kModConvert, kProc, 0,
                                   "Invalid date in QuickBooks Journal file. Please ensure your "
                                   "Windows regional settings are set to English(Australian), then "
                                   "check dates in QuickBooks journal before saving it to file.");
            if (firstDate == Date::earliest()) {
                firstDate = lastDate = *date;
            } else {
                firstDate = std::min(firstDate, *date);
                lastDate = std::max(lastDate, *date);
            }
        }
        return {};
    });
}

bool isBlankLine(std::string_view line) { return trimView(line).empty(); }

std::string blankLineMessage(std::uint64_t lineNumber) {
    return "Line " + std::to_string(lineNumber) +
           " of the QuickBooks Journal report is blank. QuickBooks writes no blank lines into "
           "the report, so the file has been changed since it was saved, or was not saved "
           "whole. Please export the Journal report from QuickBooks again.";
}

void refuseBlankLine(const ProgramState& st, std::string_view line) {
    if (isBlankLine(line)) raise(0, blankLineMessage(st.files.linesRead(kReportFile)));
}

void readReportUpTo(ProgramState& st, std::uint64_t line) {
    while (st.files.linesRead(kReportFile) < line && !st.files.eof(kReportFile))
        st.files.lineView(kReportFile);
}

Sem sfReadInTransaction(ProgramState& st, UiPort& ui, ConversionRun& run, bool& blnValid,
                        JournalTransaction& transaction) {
    constexpr std::string_view kProc = "sfReadInTransaction";
    blnValid = false;
    return guarded(kModConvert, kProc, [&]() -> Sem {
        const ConversionLookups& lookups = run.lookups;
        bool blnFirstLineSeen = false;
        bool blnSkipping = false;
        size_t heldBytes = 0;  // the text of the transaction's lines

        // Yes omits the transaction: it is cleared and, unless its first part was the
        // missing one, its remaining lines are passed over up to the next first line.
        // No stops the run.
        auto omitted = [&](DataError e, std::string_view t, std::string_view code = {},
                           std::string_view details = {}) {
            if (!askToOmit(st, ui, e, t, code, details)) {
                run.blnConversionStopped = true;
                return false;
            }
            ++run.transactionsOmitted;
            transaction.clear();
            heldBytes = 0;
            blnFirstLineSeen = false;
            blnSkipping = e != DataError::FirstPartMissing;
            return true;
        };

        std::string_view line;
        ReportFields& r = run.fields;
        // The line is added, then rewritten; a line whose fields fail is taken out again.
        auto hold = [&] {
            heldBytes += line.size();
            if (transaction.Count() > kMaxTransactionLines || heldBytes > kMaxTransactionBytes)
                raise(0, "Transaction number " + std::string(transaction.Item(1)[col::TransNo]) +
                             " has more than 100,000 lines or 64 MiB of text, more than the "
                             "program can hold. Check that every transaction of the Journal "
                             "report ends with its total line, or export the report again.");
        };

        std::string scratch;
        for (;;) {
            if (st.files.eof(kReportFile)) {
                // No TOTAL line: the report was cut short.
                if (blnFirstLineSeen) run.incompleteTransaction = transaction.Item(1)[col::TransNo];
                return {};
            }
            line = st.files.lineView(kReportFile);
            if (r.split(line) != col::Count) {
                long count = 0;
                Sem e = r.size() == 0 ? sfArrayCount(StrArray{}, count) : Sem{};
                if (isBlankLine(line))
                    e = sfSemCreate(kModConvert, kProc, 0,
                                    blankLineMessage(st.files.linesRead(kReportFile)));
                return sfSemCreate(kModConvert, kProc, 0,
                                   "Not able to verify the number of fields in transaction line",
                                   e);
            }

            if (r[col::TransNo] == "Trans #") continue;
            if (isTotalLine(r[col::TransNo])) {
                run.totalLineRead = true;
                return {};
            }
            const bool numbered = isWholeNumber(r[col::TransNo]);
            if (blnSkipping && !numbered) continue;

            if (r[col::Account].empty()) {  // the total line closing a transaction
                if (blnFirstLineSeen) {
                    blnValid = true;
                    return {};
                }
                if (!omitted(DataError::FirstPartMissing, {})) return {};
                continue;
            }

            if (numbered) {
                blnSkipping = false;
                if (!parseDate(r[col::Date])) {
                    if (!omitted(DataError::InvalidDate, r[col::TransNo])) return {};
                    continue;
                }
                transaction.add(r);
                if (const auto failed =
                        rewriteFields(lookups, transaction, r[col::Type], true, scratch)) {
                    transaction.removeLast();
                    if (!omitted(failed->error, r[col::TransNo], r[col::TaxCode], failed->details))
                        return {};
                    continue;
                }
                blnFirstLineSeen = true;
                hold();
                continue;
            }

            if (!r[col::TransNo].empty() || !blnFirstLineSeen) {
                if (!omitted(DataError::InvalidData, {})) return {};
                continue;
            }

            // A continuation line. QuickBooks adds a line for the tax on tax liability
            // accounts; only Accountant's Office, which has no tax columns, keeps it.
            if (lookups.isTaxPayableAccount(r[col::Account]) &&
                lookups.isMappedTaxItem(r[col::Item])) {
                if (!isAccountantsOffice(st.gintTargetApp)) continue;
                const std::optional<Decimal> amount = parseDecimal(r[col::Amount]);
                if (!amount || amount->isZero()) continue;
            }
            transaction.add(r);
            if (const auto failed = rewriteFields(lookups, transaction,
                                                  transaction.Item(1)[col::Type], false, scratch)) {
                transaction.removeLast();
                // Outlives the transaction's clearing.
                const std::string t(transaction.Item(1)[col::TransNo]);
                if (!omitted(failed->error, t, r[col::TaxCode], failed->details)) return {};
                continue;
            }
            hold();
        }
    });
}

}  // namespace tav
