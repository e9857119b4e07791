// The Journal report reader of modConvert. The report is read strictly forwards, one
// line at a time, holding one transaction.

#include <algorithm>
#include <bit>
#include <cctype>
#include <cstdint>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#include <optional>
#include <unordered_set>
#include <utility>

#include "convert/modConvert.h"
#include "safe/Platform.h"
#include "safe/SafeMethods.h"
#include "shell/ProgramState.h"

namespace tav {

namespace {

constexpr std::string_view kHeaderWithMemo =
    "Trans #\tType\tDate\tNum\tName\tMemo\tItem\tAccount\tTax Code\tAmount\tTax Amount";
constexpr std::string_view kHeaderWithDescription =
    "Trans #\tType\tDate\tNum\tName\tDescription\tItem\tAccount\tTax Code\tAmount\tTax Amount";

// Field i of a line: its start is just after the i-th tab (or the line's start), its end
// at the next tab (or the line's end); npos as the start when the line has fewer tabs.
// Tabs are looked for sixteen bytes at a time.
std::pair<size_t, size_t> fieldBounds(std::string_view line, size_t i) {
    size_t from = 0, at = 0;
    // Every tab found, in order: true once field i's end is found.
    auto tabAt = [&](size_t tab) {
        if (i == 0) return true;
        --i;
        from = tab + 1;
        return false;
    };
#ifdef __SSE2__
    const __m128i tab = _mm_set1_epi8('\t');
    auto tabs = [&](size_t offset) {
        const __m128i bytes =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(line.data() + offset));
        return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, tab)));
    };
    for (; at + 16 <= line.size(); at += 16)
        for (unsigned mask = tabs(at); mask != 0; mask &= mask - 1)
            if (const size_t t = at + static_cast<size_t>(std::countr_zero(mask)); tabAt(t))
                return {from, t};
    // The last few bytes in one load that overlaps the bytes already looked at.
    if (at < line.size() && line.size() >= 16) {
        const size_t last = line.size() - 16;
        for (unsigned mask = tabs(last) >> (at - last); mask != 0; mask &= mask - 1)
            if (const size_t t = at + static_cast<size_t>(std::countr_zero(mask)); tabAt(t))
                return {from, t};
        at = line.size();
    }
#endif
    for (; at < line.size(); ++at)
        if (line[at] == '\t' && tabAt(at)) return {from, at};
    return {i == 0 ? from : std::string_view::npos, line.size()};
}

// The import files are comma-delimited and never quoted.
void deleteCommas(std::string& text) {
    if (text.find(',') != std::string::npos) std::erase(text, ',');
}

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

// ---- Data-error prompts ----------------------------------------------------

enum class DataError {
    FirstPartMissing,
    InvalidData,
    InvalidDate,
    TaxCode,
    TaxAmountFirstLine,
    AmountFirstLine,
    TaxAmountContinuation,
    AmountContinuation,
};

constexpr std::string_view kContinue =
    "Do you want to continue with the conversion? (to check the remaining data)";
constexpr std::string_view kNotFromBeginning =
    "If you select 'No' you can then select 'View Result' to see which was the last "
    "successfully converted transaction. Check the transaction following this in the "
    "QuickBooks Journal for errors, then try the export again.";
constexpr std::string_view kOmitOrFix =
    "Do you want to continue with the conversion? (to check the remaining data). If you select "
    "'Yes', this transaction will be omitted from the conversion process. If you select 'No', "
    "you can find and fix the problem in the QuickBooks Journal report, then try the export "
    "again.";

std::string promptText(DataError e, std::string_view t, std::string_view code,
                       std::string_view details) {
    const std::string crlf(kCrLf);
    const std::string tn(t);
    const std::string checkAmounts =
        crlf + std::string(details) + crlf + std::string(kContinue) + crlf +
        "If you select 'Yes', this transaction will be omitted from the conversion process. If "
        "you select 'No', you can check the ";
    const std::string forErrors =
        " for this transaction in the QuickBooks Journal for errors, "
        "then try the export again.";
    switch (e) {
        case DataError::FirstPartMissing:
            return "First part of transaction missing. This 'part' transaction will be omitted "
                   "from the conversion process. " +
                   std::string(kContinue) + "." + crlf + std::string(kNotFromBeginning);
        case DataError::InvalidData:
            return "Invalid data. This transaction will be omitted from the conversion process. " +
                   std::string(kContinue) + ". " + std::string(kNotFromBeginning);
        case DataError::InvalidDate:
            return "Invalid date in transaction number " + tn + crlf + std::string(kContinue) +
                   "." + crlf +
                   "If you select 'Yes', this transaction will be omitted from the conversion "
                   "process. If you select 'No', please ensure your Windows Regional Settings are "
                   "set to English(Australian), then check the dates in the QuickBooks Journal "
                   "before saving it to file again.";
        case DataError::TaxCode:
            return "An error occurred in transaction number " + tn + " when converting tax code '" +
                   std::string(code) + "'." + crlf + std::string(details) + crlf +
                   std::string(kOmitOrFix);
        case DataError::TaxAmountFirstLine:
            return "Invalid Tax Amount data in transaction: " + tn + checkAmounts + "tax amounts" +
                   forErrors;
        case DataError::AmountFirstLine:
            return "Invalid Amount data in transaction: " + tn + checkAmounts + "amounts" +
                   forErrors;
        case DataError::TaxAmountContinuation:
            return "Invalid Tax Amount in transaction number " + tn + crlf + std::string(details) +
                   crlf + std::string(kOmitOrFix);
        case DataError::AmountContinuation:
            return "Invalid Amount in transaction number " + tn + crlf + std::string(details) +
                   crlf + std::string(kOmitOrFix);
    }
    return {};
}

std::string logText(DataError e, std::string_view t, std::string_view code) {
    const std::string tn(t);
    switch (e) {
        case DataError::FirstPartMissing: return "First part of transaction missing.";
        case DataError::InvalidData: return "Invalid data.";
        case DataError::InvalidDate: return "Invalid Date in transaction number " + tn;
        case DataError::TaxCode:
            return "Error in txn number " + tn + " converting tax code '" + std::string(code) +
                   "'.";
        case DataError::TaxAmountFirstLine:
        case DataError::TaxAmountContinuation:
            return "Invalid Tax Amount in transaction number " + tn;
        case DataError::AmountFirstLine:
        case DataError::AmountContinuation: return "Invalid Amount in transaction number " + tn;
    }
    return {};
}

// Logs the data error to TAV.log in the installation folder, then asks whether to omit
// the transaction and go on; true for Yes.
bool askToOmit(ProgramState& st, UiPort& ui, DataError e, std::string_view t,
               std::string_view code = {}, std::string_view details = {}) {
    appendLogEntry(st, ui, platform::joinPath(st.installFolder, "TAV.log"),
                   std::string(kModConvert) + "\tsfReadInTransaction\t" + logText(e, t, code));
    return ui.messageBox(Message{promptText(e, t, code, details), Buttons::YesNo, Icon::Exclamation,
                                 DefaultButton::Second, "Error in data"}) == Answer::Yes;
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

size_t ReportFields::split(std::string_view line) {
    line_ = line;
    copied_ = 0;
    count_ = 0;
    if (line.empty()) return 0;
    // Counted in locals, so that the loop keeps them in registers.
    const char* const data = line.data();
    size_t count = 0, from = 0;
    bool commas = false;
    auto endField = [&](size_t end) {
        if (count < col::Count) {
            const std::string_view f(data + from, end - from);
            fields_[count] = commas ? withoutCommas(count, f) : f;
        }
        ++count;
        from = end + 1;
        commas = false;
    };
    auto found = [&](size_t at) {
        if (data[at] == '\t')
            endField(at);
        else
            commas = true;
    };
    // Tabs and commas are found sixteen bytes at a time; the last few bytes in one load
    // that overlaps the bytes already looked at.
    size_t i = 0;
#ifdef __SSE2__
    const __m128i tab = _mm_set1_epi8('\t'), comma = _mm_set1_epi8(',');
    auto hits = [&](size_t at) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at));
        return static_cast<unsigned>(_mm_movemask_epi8(
            _mm_or_si128(_mm_cmpeq_epi8(bytes, tab), _mm_cmpeq_epi8(bytes, comma))));
    };
    for (; i + 16 <= line.size(); i += 16)
        for (unsigned mask = hits(i); mask != 0; mask &= mask - 1)
            found(i + static_cast<size_t>(std::countr_zero(mask)));
    if (i < line.size() && line.size() >= 16) {
        const size_t last = line.size() - 16;
        for (unsigned mask = hits(last) >> (i - last); mask != 0; mask &= mask - 1)
            found(i + static_cast<size_t>(std::countr_zero(mask)));
        i = line.size();
    }
#endif
    for (; i < line.size(); ++i)
        if (data[i] == '\t' || data[i] == ',') found(i);
    endField(line.size());
    count_ = count;
    return count;
}

std::string_view ReportFields::withoutCommas(size_t column, std::string_view field) {
    copied_ |= 1u << column;
    // The copy only grows: the field is its beginning.
    std::string& copy = withoutCommas_[column];
    if (copy.size() < field.size()) copy.resize(field.size());
    char* out = copy.data();
    for (char c : field)
        if (c != ',') *out++ = c;
    return std::string_view(copy.data(), static_cast<size_t>(out - copy.data()));
}

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

std::string_view tabField(std::string_view line, size_t i) {
    if (line.empty()) raise(err::SubscriptOutOfRange);
    const auto [from, end] = fieldBounds(line, i);
    if (from == std::string_view::npos) raise(err::SubscriptOutOfRange);
    return line.substr(from, end - from);
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

namespace {

// Reads the rest of the report into the accounts.
template <class Accounts>
Sem extractAccounts(ProgramState& st, UiPort& ui, Accounts& accounts) {
    return guarded(kModConvert, "sfExtractAccounts", [&]() -> Sem {
        AccountReader reader(accounts);
        EventThrottle throttle(ui);
        while (!st.files.eof(kReportFile)) {
            throttle.tick(st.files.bytesRead(kReportFile), st.files.size(kReportFile));
            reader.take(st.files.lineBytes(kReportFile), st.files.encoding(kReportFile));
            if (!reader.failure().empty()) return reader.failure();
        }
        return {};
    });
}

}  // namespace

Sem sfExtractAccounts(ProgramState& st, UiPort& ui, Collection<StrArray>& accounts) {
    return extractAccounts(st, ui, accounts);
}

Sem sfExtractAccounts(ProgramState& st, UiPort& ui, Collection<std::string>& numbers) {
    return extractAccounts(st, ui, numbers);
}

AccountReader::AccountReader(Collection<StrArray>& accounts) : accounts_(&accounts) {
    for (const StrArray& a : accounts) seen_.insert(field(a, 0));
}

AccountReader::AccountReader(Collection<std::string>& numbers)
    : numbers_(&numbers), seen_(numbers.begin(), numbers.end()) {}

void AccountReader::take(std::string_view lineBytes, Encoding encoding) {
    constexpr std::string_view kProc = "sfExtractAccounts";
    if (!failure_.empty()) return;
    failure_ = guarded(kModConvert, kProc, [&]() -> Sem {
        // An account already in, the usual case, needs no look at the first column.
        const auto [from, end] = fieldBounds(lineBytes, col::Account);
        if (from != std::string_view::npos) {
            const std::string_view text = lineBytes.substr(from, end - from);
            if (text.empty() || done_.find(text)) return {};
        }
        if (tabField(lineBytes, col::TransNo) == "Trans #") return {};
        const std::string_view text = tabField(lineBytes, col::Account);
        std::string_view account = decodedView(text, encoding, decoded_);
        if (account.find(',') != std::string_view::npos) {
            withoutCommas_.assign(account);
            deleteCommas(withoutCommas_);
            account = withoutCommas_;
        }
        if (Sem e = sfNumberOnly(account, number_); !e.empty())
            return sfSemCreate(kModConvert, kProc, 0,
                               "Error extracting account numbers from journal file accounts", e);
        if (number_.empty())
            return sfSemCreate(kModConvert, kProc, 0,
                               "At least one account used in transactions does not have an "
                               "account number. The first such account found is " +
                                   std::string(account) +
                                   " . Make sure that all QuickBooks accounts are numbered before "
                                   "exporting the Journal file and getting lists again from "
                                   "QuickBooks.");
        if (seen_.contains(number_)) {
            done_.remember(text, true);
            return {};
        }
        if (accounts_) {
            std::string name;
            if (Sem e = sfNameOnly(account, name); !e.empty())
                return sfSemCreate(kModConvert, kProc, 0,
                                   "Error extracting name from journal file accounts", e);
            accounts_->Add({number_, std::move(name)});
        } else {
            numbers_->Add(number_);
        }
        seen_.insert(number_);
        done_.remember(text, true);
        return {};
    });
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
            if (st.files.eof(kReportFile)) return {};
            line = st.files.lineView(kReportFile);
            if (r.split(line) != col::Count) {
                long count = 0;
                const Sem e = r.size() == 0 ? sfArrayCount(StrArray{}, count) : Sem{};
                return sfSemCreate(kModConvert, kProc, 0,
                                   "Not able to verify the number of fields in transaction line",
                                   e);
            }

            if (r[col::TransNo] == "Trans #") continue;
            if (isTotalLine(r[col::TransNo])) return {};
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
