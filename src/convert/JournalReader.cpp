// The Journal report reader of modConvert. The report is read strictly forwards, one
// line at a time, holding one transaction.

#include <algorithm>
#include <cctype>
#include <optional>
#include <unordered_set>

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

// Splits at tabs as vbSplit does (an empty line has no fields).
void splitTabs(std::string_view line, StrArray& fields) {
    size_t n = 0;
    for (size_t from = 0; !line.empty();) {
        const size_t at = line.find('\t', from);
        const std::string_view f = line.substr(from, at == std::string_view::npos ? at : at - from);
        if (n < fields.size())
            fields[n].assign(f);
        else
            fields.emplace_back(f);
        ++n;
        if (at == std::string_view::npos) break;
        from = at + 1;
    }
    fields.resize(n);
}

// Field i of a line without splitting the rest of it; a line with fewer fields fails as
// a split line does.
std::string_view tabField(std::string_view line, size_t i) {
    if (line.empty()) raise(err::SubscriptOutOfRange);
    size_t from = 0;
    for (; i > 0; --i) {
        const size_t tab = line.find('\t', from);
        if (tab == std::string_view::npos) raise(err::SubscriptOutOfRange);
        from = tab + 1;
    }
    return line.substr(from, line.find('\t', from) - from);
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
    return !text.empty() && sfIsLong(text).empty();
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
        case DataError::FirstPartMissing:
            return "First part of transaction missing.";
        case DataError::InvalidData:
            return "Invalid data.";
        case DataError::InvalidDate:
            return "Invalid Date in transaction number " + tn;
        case DataError::TaxCode:
            return "Error in txn number " + tn + " converting tax code '" + std::string(code) +
                   "'.";
        case DataError::TaxAmountFirstLine:
        case DataError::TaxAmountContinuation:
            return "Invalid Tax Amount in transaction number " + tn;
        case DataError::AmountFirstLine:
        case DataError::AmountContinuation:
            return "Invalid Amount in transaction number " + tn;
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

// Puts the QuickBooks tax item in the tax code column: a journal line names it in the
// Item column, other lines have their tax code looked up for the transaction's type.
Sem rewriteTaxItem(const ConversionLookups& lookups, JournalLine& f, std::string_view type) {
    if (type == "General Journal") {
        f[col::TaxItem] = f[col::Item];
        return {};
    }
    std::string item;
    Sem e = sfConvertTaxCodeToTaxItem(lookups, f[col::TaxCode], item, type);
    if (e.empty()) f[col::TaxItem] = std::move(item);
    return e;
}

// A tax amount counts only on a line with a tax item.
Sem formatTaxAmount(JournalLine& f) {
    if (f[col::TaxItem].empty() || f[col::TaxAmount].empty()) {
        f[col::TaxAmount] = "0.00";
        return {};
    }
    return sfCheckAndFormatAmount(f[col::TaxAmount]);
}

Sem formatAmount(JournalLine& f) {
    if (f[col::Amount].empty()) {
        f[col::Amount] = "0.00";
        return {};
    }
    return sfCheckAndFormatAmount(f[col::Amount]);
}

struct FieldFailure {
    DataError error;
    Sem details;
};

// Puts the tax item in place and formats both amounts, as a line is stored; a step that
// fails names its data error.
std::optional<FieldFailure> rewriteFields(const ConversionLookups& lookups, JournalLine& f,
                                          std::string_view type, bool firstLine) {
    if (Sem e = rewriteTaxItem(lookups, f, type); !e.empty())
        return FieldFailure{DataError::TaxCode, std::move(e)};
    if (Sem e = formatTaxAmount(f); !e.empty())
        return FieldFailure{
            firstLine ? DataError::TaxAmountFirstLine : DataError::TaxAmountContinuation,
            std::move(e)};
    if (Sem e = formatAmount(f); !e.empty())
        return FieldFailure{firstLine ? DataError::AmountFirstLine : DataError::AmountContinuation,
                            std::move(e)};
    return std::nullopt;
}

// Accounts of the rest of the report, once per number: calls add(number, account text)
// for each number not seen yet.
template <class Add>
Sem extractAccounts(ProgramState& st, UiPort& ui, std::unordered_set<std::string>& seen, Add add) {
    constexpr std::string_view kProc = "sfExtractAccounts";
    EventThrottle throttle(ui);
    std::string line, account, number;
    while (!st.files.eof(kReportFile)) {
        throttle.tick(st.files.bytesRead(kReportFile), st.files.size(kReportFile));
        line = st.files.lineInput(kReportFile);
        if (tabField(line, col::TransNo) == "Trans #") continue;
        account = tabField(line, col::Account);
        if (account.empty()) continue;
        deleteCommas(account);
        if (Sem e = sfNumberOnly(account, number); !e.empty())
            return sfSemCreate(kModConvert, kProc, 0,
                               "Error extracting account numbers from journal file accounts", e);
        if (number.empty())
            return sfSemCreate(kModConvert, kProc, 0,
                               "At least one account used in transactions does not have an "
                               "account number. The first such account found is " +
                                   account +
                                   " . Make sure that all QuickBooks accounts are numbered before "
                                   "exporting the Journal file and getting lists again from "
                                   "QuickBooks.");
        if (seen.contains(number)) continue;
        if (Sem e = add(number, account); !e.empty()) return e;
        seen.insert(number);
    }
    return {};
}

}  // namespace

Sem sfReadAndCheckHeader(ProgramState& st, bool& blnHeaderOK) {
    blnHeaderOK = false;
    return guarded(kModConvert, "sfReadAndCheckHeader", [&]() -> Sem {
        const std::string line = st.files.lineInput(kReportFile);
        blnHeaderOK = line == kHeaderWithMemo || line == kHeaderWithDescription;
        return {};
    });
}

Sem sfGetDateRange(ProgramState& st, UiPort& ui, Date& firstDate, Date& lastDate) {
    constexpr std::string_view kProc = "sfGetDateRange";
    firstDate = lastDate = Date::earliest();
    return guarded(kModConvert, kProc, [&]() -> Sem {
        EventThrottle throttle(ui);
        std::string line;
        while (!st.files.eof(kReportFile)) {
            throttle.tick(st.files.bytesRead(kReportFile), st.files.size(kReportFile));
            line = st.files.lineInput(kReportFile);
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

Sem sfExtractAccounts(ProgramState& st, UiPort& ui, Collection<StrArray>& accounts) {
    return guarded(kModConvert, "sfExtractAccounts", [&]() -> Sem {
        std::unordered_set<std::string> seen;
        for (const StrArray& a : accounts) seen.insert(field(a, 0));
        return extractAccounts(
            st, ui, seen, [&](const std::string& number, const std::string& account) -> Sem {
                std::string name;
                if (Sem e = sfNameOnly(account, name); !e.empty())
                    return sfSemCreate(kModConvert, "sfExtractAccounts", 0,
                                       "Error extracting name from journal file accounts", e);
                accounts.Add({number, std::move(name)});
                return {};
            });
    });
}

Sem sfExtractAccounts(ProgramState& st, UiPort& ui, Collection<std::string>& numbers) {
    return guarded(kModConvert, "sfExtractAccounts", [&]() -> Sem {
        std::unordered_set<std::string> seen(numbers.begin(), numbers.end());
        return extractAccounts(st, ui, seen, [&](const std::string& number, const std::string&) {
            numbers.Add(number);
            return Sem{};
        });
    });
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
            transaction.Clear();
            heldBytes = 0;
            blnFirstLineSeen = false;
            blnSkipping = e != DataError::FirstPartMissing;
            return true;
        };

        auto hold = [&](const JournalLine& entry, size_t bytes) {
            heldBytes += bytes;
            if (transaction.Count() >= kMaxTransactionLines || heldBytes > kMaxTransactionBytes)
                raise(0, "Transaction number " +
                             (transaction.empty() ? entry : transaction.Item(1))[col::TransNo] +
                             " has more than 100,000 lines or 64 MiB of text, more than the "
                             "program can hold. Check that every transaction of the Journal "
                             "report ends with its total line, or export the report again.");
            transaction.Add(entry);
        };

        JournalLine f;
        f.reserve(col::Count);
        std::string line, number;
        for (;;) {
            if (st.files.eof(kReportFile)) return {};
            line = st.files.lineInput(kReportFile);
            deleteCommas(line);
            splitTabs(line, f);
            long count = 0;
            if (Sem e = sfArrayCount(f, count); !e.empty() || count != col::Count)
                return sfSemCreate(kModConvert, kProc, 0,
                                   "Not able to verify the number of fields in transaction line",
                                   e);

            if (f[col::TransNo] == "Trans #") continue;
            if (isTotalLine(f[col::TransNo])) return {};
            const bool numbered = isWholeNumber(f[col::TransNo]);
            if (blnSkipping && !numbered) continue;

            if (f[col::Account].empty()) {  // the total line closing a transaction
                if (blnFirstLineSeen) {
                    blnValid = true;
                    return {};
                }
                if (!omitted(DataError::FirstPartMissing, {})) return {};
                continue;
            }

            if (numbered) {
                blnSkipping = false;
                const std::string t = f[col::TransNo];
                if (!parseDate(f[col::Date])) {
                    if (!omitted(DataError::InvalidDate, t)) return {};
                    continue;
                }
                const std::string code = f[col::TaxCode];
                if (const auto failed = rewriteFields(lookups, f, f[col::Type], true)) {
                    if (!omitted(failed->error, t, code, failed->details)) return {};
                    continue;
                }
                blnFirstLineSeen = true;
                hold(f, line.size());
                continue;
            }

            if (!f[col::TransNo].empty() || !blnFirstLineSeen) {
                if (!omitted(DataError::InvalidData, {})) return {};
                continue;
            }

            // A continuation line. QuickBooks adds a line for the tax on tax liability
            // accounts; only Accountant's Office, which has no tax columns, keeps it.
            if (sfNumberOnly(f[col::Account], number).empty() && lookups.isTaxPayable(number) &&
                lookups.isMappedTaxItem(f[col::Item])) {
                const std::optional<Decimal> amount = parseDecimal(f[col::Amount]);
                if (!isAccountantsOffice(st.gintTargetApp) || !amount || amount->isZero()) continue;
            }
            const JournalLine& first = transaction.Item(1);
            const std::string t = first[col::TransNo];  // outlives the transaction's clearing
            const std::string code = f[col::TaxCode];
            if (const auto failed = rewriteFields(lookups, f, first[col::Type], false)) {
                if (!omitted(failed->error, t, code, failed->details)) return {};
                continue;
            }
            hold(f, line.size());
        }
    });
}

}  // namespace tav
