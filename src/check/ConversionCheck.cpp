#include "check/ConversionCheck.h"

#include <algorithm>
#include <deque>
#include <map>
#include <optional>
#include <span>
#include <unordered_map>
#include <utility>

#include "check/ImportFileReader.h"
#include "check/ReportTally.h"
#include "convert/DataErrorPrompts.h"
#include "convert/modConvert.h"
#include "convert/modConvertToAO.h"
#include "convert/modConvertToAccounts.h"
#include "convert/modConvertToMAS.h"
#include "safe/ErrorLog.h"
#include "safe/FileCloser.h"
#include "safe/SafeMethods.h"
#include "safe/TextCodec.h"
#include "shell/ProgramState.h"
#include "shell/Targets.h"

namespace tav::check {

namespace {

constexpr std::string_view kModule = "ConversionCheck";
constexpr std::string_view kProc = "sfCheckConversion";

// How far the two files may drift apart (lines missing or added) and still be matched
// line by line again.
constexpr size_t kWindow = 8;

// ---- The report, read again ------------------------------------------------------

struct ReportLineFacts {
    std::uint64_t line = 0;
    std::string account;      // the account text
    std::string taxItem;      // the tax item the conversion puts on the line
    std::string taxLineItem;  // a tax line: its Item
    Money amount, tax;
    bool taxLine = false;  // a line QuickBooks adds for the tax on a tax liability account
    bool kept = true;      // the target writes it
};

// One transaction at a time; the lines' memory serves the next transactions.
class ReportTransaction {
public:
    std::string number, type, date, num;
    std::uint64_t line = 0;  // its first line
    std::vector<MisreadAmount> misread;
    Money sum;  // every line, tax lines included

    std::span<const ReportLineFacts> lines() const { return {store_.data(), count_}; }
    bool empty() const { return count_ == 0; }
    ReportLineFacts& last() { return store_[count_ - 1]; }
    // A new line, its texts emptied.
    ReportLineFacts& add() {
        if (count_ == store_.size()) store_.emplace_back();
        ReportLineFacts& l = store_[count_++];
        l.account.clear();
        l.taxItem.clear();
        l.taxLineItem.clear();
        l.amount = l.tax = Money();
        l.taxLine = false;
        l.kept = true;
        return l;
    }
    void removeLast() { --count_; }
    void clear() {
        number.clear();
        count_ = 0;
        misread.clear();
        sum = Money();
    }

private:
    std::vector<ReportLineFacts> store_;
    size_t count_ = 0;
};

// Reads the report as the conversion reads it: the same kinds of line, the same tax line
// test and the same field helpers, keeping each line's figures and raw amount texts.
class ReportReader {
public:
    // Unclosed: the report ends while a transaction waits for its closing line, which the
    // conversion passes over without a word.
    enum class Event { Transaction, Omitted, Unclosed, End };

    ReportReader(ProgramState& st, int file, const ConversionLookups& lookups, Layout layout)
        : st_(st), file_(file), lookups_(lookups), layout_(layout) {}

    Event next(ReportTransaction& t, Omission& omission, DataError& error) {
        t.clear();
        bool firstLineSeen = false;
        // Yes at a prompt passes over the rest of the transaction, up to the next first
        // line, unless its first part was the missing one.
        auto omit = [&](DataError e, std::string_view number, std::string_view code = {}) {
            omission = {std::string(number), st_.files.linesRead(file_), logText(e, number, code)};
            error = e;
            skipping_ = e != DataError::FirstPartMissing;
            return Event::Omitted;
        };
        for (;;) {
            if (st_.files.eof(file_)) return firstLineSeen ? Event::Unclosed : Event::End;
            const std::string_view text = st_.files.lineView(file_);
            // The conversion stops at a line of any other shape; only a stopped run
            // leaves such lines unread, and they are not counted.
            if (fields_.split(text) != col::Count) continue;
            const ReportFields& f = fields_;
            const std::string_view first = f[col::TransNo];
            if (first == "Trans #") continue;
            if (isTotalLine(first)) return Event::End;
            const bool numbered = isWholeNumber(first);
            if (skipping_ && !numbered) continue;
            if (f[col::Account].empty()) {
                if (firstLineSeen) return Event::Transaction;
                return omit(DataError::FirstPartMissing, {});
            }
            if (numbered) {
                skipping_ = false;
                if (!parseDate(f[col::Date])) return omit(DataError::InvalidDate, first);
                if (t.empty()) {
                    t.number = first;
                    t.type = f[col::Type];
                    t.date = f[col::Date];
                    t.num = f[col::Num];
                    t.line = st_.files.linesRead(file_);
                }
                if (const auto e = take(t, f[col::Type], true))
                    return omit(*e, first, f[col::TaxCode]);
                firstLineSeen = true;
                continue;
            }
            if (!first.empty() || !firstLineSeen) return omit(DataError::InvalidData, {});
            if (lookups_.isTaxPayableAccount(f[col::Account]) &&
                lookups_.isMappedTaxItem(f[col::Item])) {
                // Accountant's Office has no tax columns: it keeps the tax lines that post.
                const std::optional<Decimal> d = parseDecimal(f[col::Amount]);
                if (layout_ != Layout::AccountantsOffice || !d || d->isZero()) {
                    ReportLineFacts& tax = t.add();
                    tax.line = st_.files.linesRead(file_);
                    tax.account = f[col::Account];
                    tax.taxLineItem = f[col::Item];
                    tax.amount = d ? Money::fromDecimal(*d) : Money();
                    tax.taxLine = true;
                    tax.kept = false;
                    t.sum = t.sum + tax.amount;
                    continue;
                }
                if (const auto e = take(t, t.type, false))
                    return omit(*e, t.number, f[col::TaxCode]);
                t.last().taxLine = true;
                t.last().taxLineItem = f[col::Item];
                continue;
            }
            if (const auto e = take(t, t.type, false)) return omit(*e, t.number, f[col::TaxCode]);
        }
    }

private:
    static bool isWholeNumber(std::string_view text) {
        return !text.empty() && sfIsLong(text).empty();
    }

    // The line's figures, as the conversion takes them; the data error it would ask about.
    std::optional<DataError> take(ReportTransaction& t, std::string_view type, bool firstLine) {
        const ReportFields& f = fields_;
        ReportLineFacts& l = t.add();
        auto fails = [&](DataError e) {
            t.removeLast();
            return e;
        };
        l.line = st_.files.linesRead(file_);
        l.account = f[col::Account];
        if (type == "General Journal") {
            l.taxItem = f[col::Item];
        } else if (!sfConvertTaxCodeToTaxItem(lookups_, f[col::TaxCode], l.taxItem, type).empty()) {
            return fails(DataError::TaxCode);
        }
        if (!l.taxItem.empty() && !f[col::TaxAmount].empty()) {
            const auto tax = amount(t, col::TaxAmount, "Tax Amount");
            if (!tax)
                return fails(firstLine ? DataError::TaxAmountFirstLine
                                       : DataError::TaxAmountContinuation);
            l.tax = *tax;
        }
        if (!f[col::Amount].empty()) {
            const auto a = amount(t, col::Amount, "Amount");
            if (!a)
                return fails(firstLine ? DataError::AmountFirstLine
                                       : DataError::AmountContinuation);
            l.amount = *a;
        }
        t.sum = t.sum + l.amount;
        return std::nullopt;
    }

    // An amount column read as the conversion reads it, noting what that reading changed.
    std::optional<Money> amount(ReportTransaction& t, size_t column, std::string_view name) {
        // Most amounts are plain, with their thousands separators right.
        if (const std::optional<Money> plain = writtenAmount(fields_[column]))
            if (fields_.inLine(column) || commasAreThousands(tabField(fields_.line(), column)))
                return plain;
        const std::optional<Decimal> d = parseDecimal(fields_[column]);
        if (!d) return std::nullopt;
        const Money m = Money::fromDecimal(*d);
        const std::string_view raw = tabField(fields_.line(), column);
        if (std::string why = whyMisread(raw, *d); !why.empty())
            t.misread.push_back({t.number.empty() ? std::string(fields_[col::TransNo]) : t.number,
                                 st_.files.linesRead(file_), std::string(name), std::string(raw),
                                 m.fixed(), std::move(why)});
        return m;
    }

    ProgramState& st_;
    int file_;
    const ConversionLookups& lookups_;
    Layout layout_;
    ReportFields fields_;
    bool skipping_ = false;
};

// ---- What the target makes of a transaction -------------------------------------------

struct Expected {
    Posting posting;
    std::uint64_t line = 0;  // in the report
    std::uint64_t transaction = 0;
};

struct Expectation {
    std::vector<Posting> postings;
    std::vector<const ReportLineFacts*> from, kept;
    Money balance;            // the sum the target makes of its lines
    Money wholeDollars;       // what rounding to whole dollars added to it
    bool outOfRange = false;  // 'Accounts' stops the run at this transaction
};

// MAS takes a contra account for payments, receipts and bank statements only when it is
// one of the bank accounts 680 to 689.
bool isBankContra(std::string_view account) {
    const std::optional<Decimal> d = parseDecimal(account);
    return d && compare(*d, 680) >= 0 && compare(*d, 689) <= 0;
}

class TargetRules {
public:
    TargetRules(const ConversionLookups& lookups, Layout layout, bool allToJournals)
        : lookups_(lookups), layout_(layout), allToJournals_(allToJournals) {}

    void expect(const ReportTransaction& t, Expectation& e) const {
        e.postings.clear();
        e.from.clear();
        e.balance = e.wholeDollars = Money();
        e.outOfRange = false;
        std::vector<const ReportLineFacts*>& kept = e.kept;
        kept.clear();
        for (const ReportLineFacts& l : t.lines())
            if (l.kept) kept.push_back(&l);
        if (kept.empty()) return;
        const std::string date = SafeDateText(t.date, "dd/mm/yyyy");
        switch (layout_) {
            case Layout::Mas: {
                std::string code = "Jnl";
                if (!allToJournals_) mas::sfTransType(t.type, code);
                if (code != "Jnl" && code != "SDB" && code != "PDB" &&
                    !isBankContra(mapped(kept.front()->account)))
                    code = "Jnl";
                // The first line goes last.
                std::rotate(kept.begin(), kept.begin() + 1, kept.end());
                for (const ReportLineFacts* l : kept) {
                    add(e, l,
                        {date, code, std::string(leftChars(t.num, 6)), mapped(l->account),
                         l->amount, taxCode(l->taxItem), l->tax});
                    e.balance = e.balance + l->amount + l->tax;
                }
                break;
            }
            case Layout::Accounts: {
                std::string basis, number;
                sfCashBasis(t.type, basis);
                for (const ReportLineFacts* l : kept) {
                    sfNumberOnly(l->account, number);
                    const Money taxIn = l->taxItem.empty() ? Money() : l->tax;
                    const std::optional<Money> tax = inAccountsRange(taxIn, nullptr);
                    const std::optional<Money> amount =
                        tax ? inAccountsRange(l->amount + taxIn, &e.wholeDollars) : std::nullopt;
                    if (!amount) {
                        e.outOfRange = true;
                        return;
                    }
                    add(e, l,
                        {date, basis, std::string(leftChars(t.num, 7)), number, *amount,
                         taxCode(l->taxItem), *tax});
                    e.balance = e.balance + *amount;
                }
                break;
            }
            case Layout::AccountantsOffice: {
                std::string letter, number;
                ao::sfTransType(t.type, letter);
                for (const ReportLineFacts* l : kept) {
                    sfNumberOnly(l->account, number);
                    const bool noted = !l->taxItem.empty() && !lookups_.isTaxPayable(number);
                    add(e, l,
                        {date, letter, std::string(leftChars(t.num, 12)), mapped(l->account),
                         l->amount, noted ? l->taxItem : std::string(), noted ? l->tax : Money()});
                    e.balance = e.balance + l->amount;
                }
                break;
            }
        }
    }

    std::string taxCode(std::string_view item) const {
        std::string code;
        sfMappedTaxCode(lookups_, item, code);
        return code;
    }

private:
    static void add(Expectation& e, const ReportLineFacts* from, Posting p) {
        e.postings.push_back(std::move(p));
        e.from.push_back(from);
    }

    std::string mapped(std::string_view account) const {
        std::string target;
        if (!sfMappedAccount(lookups_, account, target).empty()) return "?";
        return target;
    }

    const ConversionLookups& lookups_;
    Layout layout_;
    bool allToJournals_;
};

// ---- Matching the two files line by line -------------------------------------------------

struct Totals {
    Money report, import;
    std::vector<std::string> sources, transactions;
};

void note(std::vector<std::string>& list, std::string_view text, size_t limit) {
    if (std::find(list.begin(), list.end(), text) == list.end() && list.size() < limit)
        list.emplace_back(text);
}

struct TransactionState {
    std::string number, kind, foundKind;
    std::uint64_t line = 0;
    size_t pending = 0;  // its expected lines not yet matched or given up
    TransactionSums sums;
    bool differs = false, found = false;
    bool counted = true;  // false: the transaction that stopped the run
};

// Why a transaction that adds up in the report does not in the import file. The
// target's own rules explain it when it rounds to whole dollars, and when the tax
// QuickBooks posted for the whole transaction is a few cents (one per taxed line at
// most) from the sum of its lines' tax, which is what the target adds up.
Money taxGap(const TransactionSums& t) {
    return t.taxOnLines + Money::fromCents(-t.taxLinesPosted.cents());
}

// Whether a transaction that does not add up is a difference: not when the target's own
// rules explain it.
bool counts(const TransactionSums& t) {
    if (!t.report.isZero() || t.import != t.expected) return true;
    const Money gap = taxGap(t);
    if (t.expected != t.wholeDollars + gap) return true;
    return (gap.cents() < 0 ? -gap.cents() : gap.cents()) > t.taxedLines;
}

}  // namespace

std::string UnbalancedTransaction::why() const {
    const TransactionSums& t = sums;
    if (!t.report.isZero()) return "Its lines in the report do not add up to zero.";
    if (t.import != t.expected) return "Its lines in the import file differ from the report's.";
    const Money taxGap = check::taxGap(t);
    if (t.expected != t.wholeDollars + taxGap) return "The target's lines do not add up to zero.";
    std::string why;
    if (!t.wholeDollars.isZero())
        why =
            "'Accounts' takes amounts from 10 million (and from minus 1 million) in whole "
            "dollars.";
    if (taxGap.isZero()) return why;
    if (!why.empty()) why += " ";
    why += "QuickBooks posted " + t.taxLinesPosted.fixed() +
           " tax for the transaction, its lines carry " + t.taxOnLines.fixed() +
           ", and the target adds up the lines' tax";
    why += counts ? ": it will not balance the transaction."
                  : ": a rounding of cents, not counted as a difference.";
    return why;
}

void listIfUnbalanced(Listed<UnbalancedTransaction>& list, long long& counted,
                      std::string_view number, std::uint64_t line, const TransactionSums& sums) {
    if (sums.report.isZero() && sums.import.isZero()) return;
    const bool difference = counts(sums);
    if (difference) ++counted;
    // Beyond the rows listed only the number is kept.
    if (list.rows.size() >= kMaxListed) {
        ++list.total;
        return;
    }
    list.add({std::string(number), line, sums, difference});
}

namespace {

class Matcher {
public:
    Matcher(Layout layout, ConversionCheck& result) : layout_(layout), result_(result) {}

    void expectTransaction(const ReportTransaction& t, const Expectation& e,
                           const TargetRules& rules) {
        TransactionState s;
        s.number = t.number;
        s.line = t.line;
        s.pending = e.postings.size();
        s.sums.report = t.sum;
        s.sums.expected = e.balance;
        s.sums.wholeDollars = e.wholeDollars;
        s.counted = !e.outOfRange;
        if (layout_ != Layout::AccountantsOffice) {
            for (const ReportLineFacts& l : t.lines()) {
                if (l.taxLine) {
                    s.sums.taxLinesPosted = s.sums.taxLinesPosted + l.amount;
                } else if (!l.taxItem.empty() && !l.tax.isZero()) {
                    s.sums.taxOnLines = s.sums.taxOnLines + l.tax;
                    ++s.sums.taxedLines;
                }
            }
        }
        if (!e.postings.empty()) s.kind = e.postings.front().kind;
        transactions_.push_back(std::move(s));
        const std::uint64_t index = firstTransaction_ + transactions_.size() - 1;
        for (size_t i = 0; i < e.postings.size(); ++i) {
            const Posting& p = e.postings[i];
            Totals& a = accounts_[p.account];
            a.report = a.report + p.amount;
            note(a.sources, e.from[i]->account, 50);
            if (!p.taxCode.empty() || !p.tax.isZero()) {
                Totals& x = taxes_[p.taxCode];
                x.report = x.report + p.tax;
                if (layout_ != Layout::AccountantsOffice) note(x.sources, e.from[i]->taxItem, 50);
            }
            expected_.push_back({p, e.from[i]->line, index});
        }
        for (const ReportLineFacts& l : t.lines()) {
            const std::string& item = l.taxLine ? l.taxLineItem : l.taxItem;
            if (item.empty()) continue;
            TaxItemRow& row = items_[item];
            if (l.taxLine)
                row.taxLines = row.taxLines + l.amount;
            else
                row.onLines = row.onLines + l.tax;
            if (row.targetCode.empty() && layout_ != Layout::AccountantsOffice)
                row.targetCode = rules.taxCode(item);
        }
        if (!e.outOfRange) ++kinds_[transactions_.back().kind].report;
    }

    void actual(ImportLine line) {
        if (line.readable) {
            Totals& a = accounts_[line.posting.account];
            a.import = a.import + line.posting.amount;
            if (layout_ != Layout::AccountantsOffice &&
                (!line.posting.taxCode.empty() || !line.posting.tax.isZero())) {
                Totals& x = taxes_[line.posting.taxCode];
                x.import = x.import + line.posting.tax;
            }
        }
        actual_.push_back(std::move(line));
    }

    size_t expectedWaiting() const { return expected_.size(); }
    size_t actualWaiting() const { return actual_.size(); }

    // Matches what both windows hold, keeping kWindow lines of each to look ahead in,
    // unless the files are read to their ends.
    void match(bool atEnd) {
        while (!expected_.empty() && !actual_.empty() &&
               (atEnd || (expected_.size() > kWindow && actual_.size() > kWindow))) {
            if (same(expected_.front(), actual_.front())) {
                resolve(&expected_.front(), &actual_.front());
                expected_.pop_front();
                actual_.pop_front();
                continue;
            }
            const size_t missing = findExpected(actual_.front());
            const size_t added = findActual(expected_.front());
            if (missing != 0 && (added == 0 || missing <= added)) {
                for (size_t i = 0; i < missing; ++i) {
                    resolve(&expected_.front(), nullptr);
                    expected_.pop_front();
                }
            } else if (added != 0) {
                for (size_t i = 0; i < added; ++i) {
                    resolve(nullptr, &actual_.front());
                    actual_.pop_front();
                }
            } else {
                resolve(&expected_.front(), &actual_.front());
                expected_.pop_front();
                actual_.pop_front();
            }
        }
        if (atEnd) {
            for (; !expected_.empty(); expected_.pop_front()) resolve(&expected_.front(), nullptr);
            for (; !actual_.empty(); actual_.pop_front()) resolve(nullptr, &actual_.front());
        }
        finishTransactions(atEnd);
    }

    void finish(long long& foundWhole) {
        foundWhole = foundWhole_;
        for (auto& [key, t] : accounts_)
            result_.accounts.push_back({key, t.sources, t.report, t.import, t.transactions});
        for (auto& [key, t] : taxes_)
            result_.taxCodes.push_back({key, t.sources, t.report, t.import, t.transactions});
        for (auto* rows : {&result_.accounts, &result_.taxCodes})
            std::sort(rows->begin(), rows->end(),
                      [](const TotalRow& a, const TotalRow& b) { return a.key < b.key; });
        for (auto& [item, row] : items_) {
            row.item = item;
            result_.taxItems.push_back(row);
        }
        if (layout_ == Layout::Mas)
            for (const auto& [kind, counts] : kinds_)
                result_.masTypes.push_back({"Transactions with the journal code " + kind,
                                            counts.report, counts.import, -1});
    }

private:
    // The import line as comparable with the expected one: Accountant's Office notes the
    // tax in the description, where the expected line says which tax item to look for.
    Posting seen(const Expected& e, const ImportLine& a) const {
        Posting p = a.posting;
        if (layout_ == Layout::AccountantsOffice && !e.posting.taxCode.empty()) {
            if (const auto tax = notedTax(a.description, e.posting.taxCode)) {
                p.taxCode = e.posting.taxCode;
                p.tax = *tax;
            }
        }
        return p;
    }
    bool same(const Expected& e, const ImportLine& a) const {
        return a.readable && e.posting == seen(e, a);
    }
    size_t findExpected(const ImportLine& a) const {
        for (size_t i = 1; i < expected_.size() && i <= kWindow; ++i)
            if (same(expected_[i], a)) return i;
        return 0;
    }
    size_t findActual(const Expected& e) const {
        for (size_t i = 1; i < actual_.size() && i <= kWindow; ++i)
            if (same(e, actual_[i])) return i;
        return 0;
    }

    TransactionState& state(std::uint64_t index) {
        return transactions_[static_cast<size_t>(index - firstTransaction_)];
    }

    // A line of each file taken together (matched or differing), or one left alone.
    void resolve(const Expected* e, const ImportLine* a) {
        // A line the report does not call for belongs to the transaction being matched.
        TransactionState* t = nullptr;
        if (e)
            t = &state(e->transaction);
        else if (!expected_.empty())
            t = &state(expected_.front().transaction);
        else if (!transactions_.empty())
            t = &transactions_.back();
        const bool matched = e && a && same(*e, *a);
        if (t) {
            if (e) --t->pending;
            if (a && a->readable) {
                t->sums.import = t->sums.import + a->posting.amount;
                if (layout_ == Layout::Mas) t->sums.import = t->sums.import + a->posting.tax;
                if (t->foundKind.empty()) t->foundKind = a->posting.kind;
            }
            if (a) t->found = true;
            if (!matched) t->differs = true;
        }
        if (layout_ == Layout::AccountantsOffice && e && !e->posting.taxCode.empty()) {
            Totals& x = taxes_[e->posting.taxCode];
            x.import = x.import + (a ? seen(*e, *a).tax : Money());
        }
        if (matched) return;

        const std::string number = t ? t->number : std::string();
        LineDifference d{number, e ? e->line : 0, a ? a->line : 0, {}, {}};
        if (e) d.expected = describe(e->posting, layout_);
        if (a)
            d.found = a->readable ? describe(seen(e ? *e : Expected{}, *a), layout_)
                                  : "unreadable: " + a->problem;
        result_.lines.add(std::move(d));
        for (const Posting* p :
             {e ? &e->posting : nullptr, a && a->readable ? &a->posting : nullptr}) {
            if (!p) continue;
            note(accounts_[p->account].transactions, number, kMaxNamed);
            if (!p->taxCode.empty() || !p->tax.isZero())
                note(taxes_[p->taxCode].transactions, number, kMaxNamed);
        }
    }

    void finishTransactions(bool atEnd) {
        while (!transactions_.empty() && transactions_.front().pending == 0 &&
               (transactions_.size() > 1 || atEnd)) {
            finishTransaction(transactions_.front());
            transactions_.pop_front();
            ++firstTransaction_;
        }
    }

    void finishTransaction(const TransactionState& t) {
        if (!t.counted) return;
        if (!t.differs && t.found) ++foundWhole_;
        if (t.found) ++kinds_[t.foundKind].import;
        listIfUnbalanced(result_.unbalanced, result_.unbalancedCounted, t.number, t.line, t.sums);
    }

    Layout layout_;
    ConversionCheck& result_;
    std::deque<Expected> expected_;
    std::deque<ImportLine> actual_;
    std::deque<TransactionState> transactions_;
    std::uint64_t firstTransaction_ = 0;
    long long foundWhole_ = 0;
    std::unordered_map<std::string, Totals> accounts_, taxes_;
    std::map<std::string, TaxItemRow> items_;
    struct KindCounts {
        long long report = 0, import = 0;
    };
    std::map<std::string, KindCounts> kinds_;
};

// ---- The import file, read back ---------------------------------------------------

class ImportReader {
public:
    ImportReader(ProgramState& st, int file, Layout layout)
        : st_(st), file_(file), reader_(layout) {}

    // Reads the file header; false when the file does not begin with one.
    bool readHeader() {
        bool first = true;
        while (!st_.files.eof(file_)) {
            const std::string_view text = st_.files.lineView(file_);
            ++lines_;
            if (!reader_.header(text, first)) {
                pending_ = reader_.read(text, lines_);
                break;
            }
            ++headerLines_;
            first = false;
        }
        return headerLines_ > 0;
    }

    std::optional<ImportLine> next() {
        if (pending_) return std::exchange(pending_, std::nullopt);
        if (st_.files.eof(file_)) return std::nullopt;
        const std::string_view text = st_.files.lineView(file_);
        return reader_.read(text, ++lines_);
    }

    std::uint64_t lines() const { return lines_; }
    std::uint64_t headerLines() const { return headerLines_; }

private:
    ProgramState& st_;
    int file_;
    ImportLineReader reader_;
    std::optional<ImportLine> pending_;
    std::uint64_t lines_ = 0, headerLines_ = 0;
};

// The check of a conversion whose import file holds, line for line, the postings the
// report calls for: the report's figures come from the tally the conversion made while
// reading it, and the import file is read once, leanly, into the digest of its postings.
// False when the digests differ, or the run ended early: the check then reads both files
// line by line, to name every difference.
bool checkFromTally(ProgramState& st, UiPort& ui, const ConversionRun& run, Layout layout,
                    const ImportDigestReader* readBack, ConversionCheck& result) {
    const ReportTally* tally = run.tally.get();
    if (!tally || !tally->complete() || run.blnConversionStopped) return false;
    std::optional<ImportDigestReader> readHere;
    if (!readBack) {
        const int importFile = st.files.freeFile();
        if (!sfOpenFile(st, ui, st.gstrOutputFile, "Input", importFile).empty()) return false;
        FileCloser closeImport(st.files, importFile);
        EventThrottle throttle(ui);
        readHere.emplace(layout, tally->digest().base());
        if (!readHere->read(st.files.reader(importFile), &throttle)) return false;
    }
    const ImportDigestReader& import = readBack ? *readBack : *readHere;
    const std::optional<PostingDigest> digest =
        import.digest([tally](std::string_view item) { return tally->notes(item); },
                      tally->notesItemHolding(" ("));
    if (import.headerLines() == 0 || !digest || !(*digest == tally->digest())) return false;

    const long long written = tally->transactionsWritten(), omitted = tally->transactionsOmitted();
    const auto lines = static_cast<long long>(import.lines());
    result.counts = {
        {"Transactions in the Journal report", written + omitted, -1, -1},
        {"Transactions written", written, written, run.transactionsWritten},
        {"Transactions omitted at a data error (answered Yes)", omitted, -1,
         run.transactionsOmitted},
        {"Import file lines, its header included", lines, lines, run.linesWritten},
    };
    tally->fill(result, ConversionLookups(st));
    return true;
}

}  // namespace

long long ConversionCheck::differences() const {
    long long n = static_cast<long long>(fileProblems.size());
    for (const auto* rows : {&counts, &masTypes})
        n += std::count_if(rows->begin(), rows->end(),
                           [](const CountRow& r) { return r.differs(); });
    for (const auto* rows : {&accounts, &taxCodes})
        n += std::count_if(rows->begin(), rows->end(),
                           [](const TotalRow& r) { return r.differs(); });
    n += unbalancedCounted;
    // The import file holds less than the report: a transaction omitted at a data error,
    // or the rest of the report after a stop.
    n += omitted.total + (stoppedAt.empty() ? 0 : 1);
    return n + misread.total + lines.total;
}

std::string summaryText(const ConversionCheck& check) {
    const long long n = check.differences();
    if (n == 0) return "check: balanced";
    return "check: " + std::to_string(n) + (n == 1 ? " difference" : " differences");
}

Sem sfCheckConversion(ProgramState& st, UiPort& ui, const ConversionRun& run,
                      ConversionCheck& result, bool readReportAgain,
                      const ImportDigestReader* readBack) {
    result = {};
    return guarded(kModule, kProc, [&]() -> Sem {
        const Layout layout = layoutOf(st.gintTargetApp);
        const TargetInfo* info = targetInfo(st.gintTargetApp);
        result.targetName = info ? info->listText : "";
        result.reportFile = st.gstrJournalFile;
        result.importFile = st.gstrOutputFile;
        result.checkedAt = logTimestamp();
        result.carriesTaxCodes = layout != Layout::AccountantsOffice;
        if (!readReportAgain && checkFromTally(st, ui, run, layout, readBack, result)) return {};

        const int reportFile = st.files.freeFile();
        if (Sem e = sfOpenFile(st, ui, st.gstrJournalFile, "Input", reportFile); !e.empty())
            return sfSemCreate(kModule, kProc, 0, "Error opening QuickBooks Journal Report file",
                               e);
        FileCloser closeReport(st.files, reportFile);
        const int importFile = st.files.freeFile();
        if (Sem e = sfOpenFile(st, ui, st.gstrOutputFile, "Input", importFile); !e.empty())
            return sfSemCreate(kModule, kProc, 0, "Error opening the import file", e);
        FileCloser closeImport(st.files, importFile);

        const ConversionLookups lookups(st);
        const TargetRules rules(lookups, layout, st.gblnAllToJournals);
        ReportReader report(st, reportFile, lookups, layout);
        ImportReader import(st, importFile, layout);
        Matcher matcher(layout, result);
        if (!import.readHeader())
            result.fileProblems.push_back("The import file does not begin with the " +
                                          result.targetName + " file header.");

        // A run stopped by No ends at the line of the prompt.
        const bool stoppedByNo = run.blnConversionStopped && !run.blnAmountOutOfRange;
        long long inReport = 0, written = 0, omitted = 0, notConverted = 0, expectedLines = 0;
        std::string unclosed;
        bool stopped = false;
        ReportTransaction t;
        Omission omission;
        DataError error{};
        Expectation e;
        // Each file is read as far as matching needs; a file far shorter than the other
        // has the other's lines given up a window at a time.
        constexpr size_t kHeld = 4 * kWindow;
        auto fill = [&] {
            bool importEnded = false;
            while (matcher.actualWaiting() <= matcher.expectedWaiting() + kWindow) {
                auto line = import.next();
                if (!line) {
                    importEnded = true;
                    break;
                }
                matcher.actual(std::move(*line));
            }
            matcher.match(importEnded && matcher.expectedWaiting() > kHeld);
        };
        // The report is read a second time: the window keeps being painted meanwhile.
        EventThrottle throttle(ui);
        for (;;) {
            throttle.tick(st.files.bytesRead(reportFile), st.files.size(reportFile));
            const auto event = report.next(t, omission, error);
            if (event == ReportReader::Event::End) break;
            ++inReport;
            if (event == ReportReader::Event::Unclosed) {
                if (!stopped)
                    unclosed =
                        "Transactions not converted: the report ends before the closing "
                        "line of transaction " +
                        t.number + " (line " + std::to_string(t.line) + ")";
                if (stopped) ++notConverted;
                break;
            }
            const std::uint64_t at = event == ReportReader::Event::Omitted ? omission.line : t.line;
            if (!stopped && stoppedByNo && at >= run.reportLine) {
                stopped = true;
                result.stoppedAt =
                    "The conversion was stopped by No at line " + std::to_string(at) +
                    " of the report" +
                    (event == ReportReader::Event::Omitted ? " (" + omission.reason + ")." : ".");
            }
            if (stopped) {
                ++notConverted;
                continue;
            }
            if (event == ReportReader::Event::Omitted) {
                ++omitted;
                result.omitted.add(omission);
                continue;
            }
            rules.expect(t, e);
            if (e.outOfRange) {
                stopped = true;
                ++notConverted;
                result.stoppedAt = "The conversion stopped at transaction " + t.number + " (line " +
                                   std::to_string(t.line) +
                                   "): one of its amounts is beyond what 'Accounts' can import.";
            } else {
                ++written;
            }
            for (MisreadAmount& m : t.misread) result.misread.add(std::move(m));
            expectedLines += static_cast<long long>(e.postings.size());
            matcher.expectTransaction(t, e, rules);
            fill();
        }
        while (auto line = import.next()) {
            matcher.actual(std::move(*line));
            matcher.match(matcher.actualWaiting() > kHeld);
        }
        matcher.match(true);
        long long foundWhole = 0;
        matcher.finish(foundWhole);

        result.counts = {
            {"Transactions in the Journal report", inReport, -1, -1},
            {"Transactions written", written, foundWhole, run.transactionsWritten},
            {"Transactions omitted at a data error (answered Yes)", omitted, -1,
             run.transactionsOmitted},
        };
        if (!unclosed.empty()) result.counts.push_back({unclosed, 1, 0, -1});
        if (notConverted > 0)
            result.counts.push_back(
                {"Transactions not converted (the run stopped)", notConverted, -1, -1});
        result.counts.push_back({"Import file lines, its header included",
                                 static_cast<long long>(import.headerLines()) + expectedLines,
                                 static_cast<long long>(import.lines()), run.linesWritten});
        return {};
    });
}

}  // namespace tav::check
