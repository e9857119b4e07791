// The Journal report reader of modConvert: the header row, the date range and the
// transactions. The report is read strictly forwards, one line at a time, holding one
// transaction.

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <utility>

#include "check/ReportTally.h"
#include "convert/DataErrorPrompts.h"
#include "convert/ReportScan.h"
#include "convert/modConvert.h"
#include "safe/SafeMethods.h"
#include "shell/ProgramState.h"

namespace tav {

namespace {

// A transaction is held whole until its closing line arrives; a report whose lines never
// close a transaction must not fill the memory.
constexpr long kMaxTransactionLines = 100'000;
constexpr size_t kMaxTransactionBytes = 64 << 20;

bool isLongNumber(std::string_view text) { return sfIsLong(text).empty(); }

// Most lines have no transaction number; transaction numbers are plain digits, which need
// no full numeric test.
inline bool isWholeNumber(std::string_view text) {
    if (text.empty()) return false;
    if (text.size() <= 9 &&
        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return true;
    return isLongNumber(text);
}

// A tax line's amount that is no amount, or zero. Most are in the written form, read
// without the full numeric test.
bool isZeroOrNotAnAmount(std::string_view amount) {
    if (std::int64_t cents; readFormattedAmount(amount, cents)) return cents == 0;
    const std::optional<Decimal> d = parseDecimal(amount);
    return !d || d->isZero();
}

// ---- Field rewriting ----------------------------------------------------------

struct FieldFailure {
    DataError error;
    Sem details;
};

// Formats an amount column of the last line with two decimals, empty as zero (a line's
// values start at zero), and keeps its value. Amounts QuickBooks writes are mostly in that form
// already, and stay where they lie.
std::optional<Sem> formatOtherAmount(JournalTransaction& t, size_t column, std::string_view amount);

inline std::optional<Sem> formatAmount(JournalTransaction& t, size_t column,
                                       std::string_view amount) {
    if (std::int64_t cents; readFormattedAmount(amount, cents)) [[likely]] {
        t.setLastValue(column, Money::fromCents(cents));
        return std::nullopt;
    }
    return formatOtherAmount(t, column, amount);
}

std::optional<Sem> formatOtherAmount(JournalTransaction& t, size_t column,
                                     std::string_view amount) {
    if (amount.empty()) {
        t.setLastZero(column);
        return std::nullopt;
    }
    std::optional<Money> value;
    if (isFormattedAmount(amount, &value)) {
        t.setLastValue(column, value);
        return std::nullopt;
    }
    std::string text(amount);
    if (Sem e = sfCheckAndFormatAmount(text); !e.empty()) return e;
    t.setLast(column, text);
    isFormattedAmount(text, &value);
    t.setLastValue(column, value);
    return std::nullopt;
}

// Puts the QuickBooks tax item in the tax code column of the line just added, and
// formats both amounts; a step that fails names its data error. A journal line names its
// tax item in the Item column; other lines have their tax code looked up for the
// transaction's type (not the line's own, on a continuation line). The line's fields are
// read from its split, where the transaction took them.
[[gnu::always_inline]] inline std::optional<FieldFailure> rewriteFields(
    ReportFacts& facts, JournalTransaction& t, const ReportFields& r, const AccountFacts& account,
    const TypeFacts& type, bool firstLine) {
    const TaxItemFacts* item = nullptr;
    if (type.generalJournal) {
        t.copyLast(col::Item, col::TaxItem);
        if (const std::string_view text = r[col::Item]; !text.empty())
            item = &facts.journalItem(text);
    } else if (const std::string_view code = r[col::TaxCode]; !code.empty()) {
        TaxCodeFacts& f = facts.taxCode(code);
        if (!f.failure.empty()) return FieldFailure{DataError::TaxCode, f.failure};
        item = &facts.taxItem(f, type.purchase);
        t.setLast(col::TaxItem, item->text);
    }
    t.setLastFacts(&account, item);

    // A tax amount counts only on a line with a tax item.
    if (!item || r[col::TaxAmount].empty()) {
        t.setLastZero(col::TaxAmount);
    } else if (auto e = formatAmount(t, col::TaxAmount, r[col::TaxAmount])) {
        return FieldFailure{
            firstLine ? DataError::TaxAmountFirstLine : DataError::TaxAmountContinuation,
            std::move(*e)};
    }
    if (auto e = formatAmount(t, col::Amount, r[col::Amount]))
        return FieldFailure{firstLine ? DataError::AmountFirstLine : DataError::AmountContinuation,
                            std::move(*e)};
    return std::nullopt;
}

// The check notes an amount whose reading changed more than its layout (a comma that was
// no thousands separator, a third decimal), in the order the line's amounts are read.
void noteRewrittenAmounts(check::ReportTally& tally, const ReportFields& r,
                          const TextReader::Marks& tabs, const JournalTransaction& t,
                          std::uint64_t line) {
    const bool tax = t.lastRewritten(col::TaxAmount) && !r[col::TaxAmount].empty();
    const bool amount = t.lastRewritten(col::Amount) && !r[col::Amount].empty();
    if (tax || amount) tally.amountsRewritten(r, tabs, t, line, tax, amount);
}

}  // namespace

bool closesTransaction(const ReportFields& r) {
    return r.size() == col::Count && r[col::Account].empty() && r[col::TransNo] != "Trans #";
}

bool beginsTransaction(const ReportFields& r) {
    return r.size() == col::Count && isWholeNumber(r[col::TransNo]);
}

JournalLine JournalTransaction::Item(long i) const {
    if (i < 1 || i > Count()) raise(err::SubscriptOutOfRange);
    return JournalLine(report_, own_.data(), &lines_[static_cast<size_t>(i - 1)]);
}

namespace {
constexpr std::string_view kZeroAmount = "0.00";
}  // namespace

void JournalTransaction::clearOwn() {
    if (own_.empty()) own_.resize(256);
    copyShort(own_.data(), kZeroAmount.data(), kZeroAmount.size());
    ownSize_ = kZeroAmount.size();
}

void JournalTransaction::clear() {
    clearOwn();
    count_ = 0;
    type_ = nullptr;
}

std::uint32_t JournalTransaction::own(std::string_view text) {
    if (ownSize_ == 0) clearOwn();
    if (text.size() > own_.size() - ownSize_) grow(text.size());
    copyShort(own_.data() + ownSize_, text.data(), text.size());
    const auto at = static_cast<std::uint32_t>(ownSize_);
    ownSize_ += text.size();
    return at | JournalLine::kOwn;
}

void JournalTransaction::grow(size_t bytes) {
    // The text it held stays until the next line is split: the line's fields may be viewed
    // in it while the line is rewritten.
    std::string bigger(std::max(2 * own_.size(), ownSize_ + bytes), '\0');
    std::memcpy(bigger.data(), own_.data(), ownSize_);
    retired_.swap(own_);
    own_.swap(bigger);
}

char* JournalTransaction::makeRoomForLine(size_t bytes) {
    if (!retired_.empty()) std::string().swap(retired_);
    if (ownSize_ == 0) clearOwn();
    if (bytes > own_.size() - ownSize_) grow(bytes);
    return own_.data() + ownSize_;
}

void JournalTransaction::add(const ReportFields& fields, const char* report) {
    report_ = report;
    if (count_ == lines_.size()) lines_.emplace_back();
    JournalLine::Line& line = lines_[count_++];
    // Every field's place in the line, without a test each; then the few read without their
    // commas, in a copy the next line's split reuses, are copied into the own text.
    const auto base = reinterpret_cast<std::uintptr_t>(report);
#pragma GCC unroll 11
    for (size_t i = 0; i < col::Count; ++i) {
        const std::string_view f = fields[i];
        line.spans[i] = {
            static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(f.data()) - base),
            static_cast<std::uint32_t>(f.size())};
    }
    const auto ownStart = reinterpret_cast<std::uintptr_t>(own_.data());
    for (unsigned copied = fields.copiedColumns(); copied != 0; copied &= copied - 1) {
        const auto column = static_cast<size_t>(std::countr_zero(copied));
        const std::string_view f = fields[column];
        const auto at = reinterpret_cast<std::uintptr_t>(f.data()) - ownStart;
        if (at >= ownSize_ && at + f.size() <= own_.size()) {
            // Made in the room at the end of the own text, in column order.
            line.spans[column].at = static_cast<std::uint32_t>(at) | JournalLine::kOwn;
            ownSize_ = at + f.size();
        } else {
            line.spans[column].at = own(f);
        }
    }
    line.account = nullptr;
    line.taxItem = nullptr;
    line.amount = line.taxAmount = Money();
}

void JournalTransaction::setLast(size_t column, std::string_view text) {
    last().spans[column] = {own(text), static_cast<std::uint32_t>(text.size())};
}

void JournalTransaction::setLastZero(size_t column) {
    if (ownSize_ == 0) clearOwn();
    last().spans[column] = {JournalLine::kOwn, static_cast<std::uint32_t>(kZeroAmount.size())};
}

void JournalTransaction::copyLast(size_t from, size_t to) { last().spans[to] = last().spans[from]; }

void JournalTransaction::setLastFacts(const AccountFacts* account, const TaxItemFacts* taxItem) {
    last().account = account;
    last().taxItem = taxItem;
}

Sem sfGetDateRange(ProgramState& st, UiPort& ui, Date& firstDate, Date& lastDate) {
    constexpr std::string_view kProc = "sfGetDateRange";
    firstDate = lastDate = Date::earliest();
    return guarded(kModConvert, kProc, [&]() -> Sem {
        const auto scan = scanReport(st, ui, ScanRequest{.dates = true});
        firstDate = scan->firstDate;
        lastDate = scan->lastDate;
        if (!scan->dateFailure) return {};
        showAtFailure(st, *scan->dateFailure);
        return scan->dateFailure->as(kModConvert, kProc);
    });
}

std::string blankLineMessage(std::uint64_t lineNumber) {
    return "Line " + std::to_string(lineNumber) +
           " of the QuickBooks Journal report is blank. QuickBooks writes no blank lines into "
           "the report, so the file has been changed since it was saved, or was not saved "
           "whole. Please export the Journal report from QuickBooks again.";
}

Sem sfReadInTransaction(ConversionPart& part, bool& blnValid, JournalTransaction& transaction) {
    constexpr std::string_view kProc = "sfReadInTransaction";
    blnValid = false;
    return guarded(kModConvert, kProc, [&]() -> Sem {
        TextReader& report = part.report;
        ReportFacts& facts = part.facts;
        bool blnFirstLineSeen = false;
        bool blnSkipping = false;
        size_t heldBytes = 0;  // the text of the transaction's lines
        report.keepNothing();
        report.markFields();
        check::ReportTally* const tally = part.tally;
        if (tally) tally->beginTransaction();

        // Yes omits the transaction: it is cleared and, unless its first part was the
        // missing one, its remaining lines are passed over up to the next first line.
        // No stops the run, and so does a data error met without the user at hand.
        auto omitted = [&](DataError e, std::string_view t, std::string_view code = {},
                           std::string_view details = {}) {
            if (!part.ui) {
                part.needsOwner = true;
                return false;
            }
            const std::string decodedCode = decode(code, facts.run().encoding);
            if (!askToOmit(*part.owner, *part.ui, e, t, decodedCode, details)) {
                part.blnConversionStopped = true;
                return false;
            }
            ++part.transactionsOmitted;
            if (tally)
                tally->omitted(t, report.linesRead(),
                               logText(e, decode(t, facts.run().encoding), decodedCode));
            transaction.clear();
            report.keepNothing();
            heldBytes = 0;
            blnFirstLineSeen = false;
            blnSkipping = e != DataError::FirstPartMissing;
            return true;
        };

        std::string_view line;
        ReportFields& r = part.fields;
        // The line is added, then rewritten; a line whose fields fail is taken out again.
        auto hold = [&] {
            heldBytes += line.size();
            if (transaction.Count() > kMaxTransactionLines || heldBytes > kMaxTransactionBytes)
                raise(0, "Transaction number " + std::string(transaction.Item(1)[col::TransNo]) +
                             " has more than 100,000 lines or 64 MiB of text, more than the "
                             "program can hold. Check that every transaction of the Journal "
                             "report ends with its total line, or export the report again.");
        };
        // The line just read joins the transaction; the report's bytes are kept from the
        // transaction's first line on.
        auto add = [&] {
            if (transaction.empty()) report.keepFromLastLine();
            transaction.add(r, report.kept());
        };
        auto removeLast = [&] {
            transaction.removeLast();
            if (transaction.empty()) report.keepNothing();
        };

        for (;;) {
            if (report.eof()) {
                // No TOTAL line: the report was cut short, in this transaction if one is open.
                if (blnFirstLineSeen) {
                    if (tally) tally->unclosed();
                    transaction.moved(report.kept());
                    part.incompleteTransaction = transaction.Item(1)[col::TransNo];
                }
                return {};
            }
            const std::uint64_t lineStart = report.bytesRead();
            line = report.line();
            if (!transaction.empty()) transaction.moved(report.kept());
            if (r.split(line, report.marks(), transaction.roomForLine(line.size() + 8)) !=
                col::Count) {
                long count = 0;
                Sem e = r.size() == 0 ? sfArrayCount(StrArray{}, count) : Sem{};
                if (isBlankLine(line))
                    e = sfSemCreate(kModConvert, kProc, 0, blankLineMessage(report.linesRead()));
                return sfSemCreate(kModConvert, kProc, 0,
                                   "Not able to verify the number of fields in transaction line",
                                   e);
            }
            // A block ends where the next one begins: it is read there, from a fresh start.
            if (part.endAfter) {
                if (part.previousClosed && beginsTransaction(r)) {
                    part.atBlockEnd = true;
                    return {};
                }
                if (lineStart > *part.endAfter + kCutSearchBytes) {
                    part.needsOwner = true;
                    return {};
                }
                part.previousClosed = lineStart > *part.endAfter && closesTransaction(r);
            }
            // Looked up once for the conversion and the scan made alongside, which needs the
            // text as the line holds it.
            const bool headerRow = r[col::TransNo] == "Trans #";
            const AccountFacts* account =
                headerRow || r[col::Account].empty() ? nullptr : &facts.account(r[col::Account]);
            if (part.scan)
                part.scan->line(line, report.marks(), report.linesRead(), lineStart,
                                r.inLine(col::Account) ? account : nullptr);

            if (headerRow) continue;
            if (isTotalLine(r[col::TransNo])) {
                part.totalLineRead = true;
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
                if (part.dates.ddmmyyyy(r[col::Date]).empty()) {
                    if (!omitted(DataError::InvalidDate, r[col::TransNo])) return {};
                    continue;
                }
                const TypeFacts& lineType = facts.type(r[col::Type]);
                add();
                if (const auto failed =
                        rewriteFields(facts, transaction, r, *account, lineType, true)) {
                    removeLast();
                    if (!omitted(failed->error, r[col::TransNo], r[col::TaxCode], failed->details))
                        return {};
                    continue;
                }
                if (transaction.Count() == 1) {
                    transaction.setType(lineType);
                    if (tally) tally->firstLine(report.linesRead());
                }
                if (tally)
                    noteRewrittenAmounts(*tally, r, report.marks(), transaction,
                                         report.linesRead());
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
            const TaxLineItemFacts* item =
                account->payable ? &facts.taxLineItem(r[col::Item]) : nullptr;
            if (item && item->mapped) {
                bool passedOver = !isAccountantsOffice(part.st.gintTargetApp);
                if (!passedOver) passedOver = isZeroOrNotAnAmount(r[col::Amount]);
                if (passedOver) {
                    if (tally) tally->taxLine(*item, r[col::Item], r[col::Amount]);
                    continue;
                }
            }
            add();
            if (const auto failed =
                    rewriteFields(facts, transaction, r, *account, transaction.type(), false)) {
                removeLast();
                // Outlives the transaction's clearing.
                const std::string t(transaction.Item(1)[col::TransNo]);
                if (!omitted(failed->error, t, r[col::TaxCode], failed->details)) return {};
                continue;
            }
            if (tally)
                noteRewrittenAmounts(*tally, r, report.marks(), transaction, report.linesRead());
            hold();
        }
    });
}

}  // namespace tav
