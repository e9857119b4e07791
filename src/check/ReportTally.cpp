#include "check/ReportTally.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>

#include "convert/ReportFacts.h"
#include "convert/TextTable.h"
#include "convert/modConvert.h"
#include "safe/SafeMethods.h"

namespace tav::check {

namespace {

constexpr std::string_view kJournal = "Jnl";

// Each tally (and each block a tally starts) has its own number, which the facts' slots
// carry, so that a slot of another tally is never taken for one of this.
std::atomic<std::uint64_t> nextTallyId{1};

// An amount as the program writes one, but for thousands separators in their places: an
// optional minus, digits in groups of three after the first (at most sixteen), at most two
// decimals.
bool plainWithThousands(std::string_view text) {
    size_t i = !text.empty() && text[0] == '-' ? 1 : 0;
    size_t digits = 0, group = 0;
    bool commas = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            ++digits;
            ++group;
        } else if (c == ',') {
            if (group == 0 || (commas && group != 3)) return false;
            commas = true;
            group = 0;
        } else if (c == '.') {
            break;
        } else {
            return false;
        }
    }
    if (digits == 0 || digits > 16 || (commas && group != 3)) return false;
    if (i == text.size()) return true;
    const size_t decimals = text.size() - i - 1;
    if (decimals > 2) return false;
    for (size_t k = i + 1; k < text.size(); ++k)
        if (text[k] < '0' || text[k] > '9') return false;
    return true;
}

}  // namespace

std::optional<Money> wholeDollarsInAccountsRange(Money v, Money* rounding) {
    if (v <= Money::fromWhole(-1'000'000'000) || v >= Money::fromWhole(10'000'000'000))
        return std::nullopt;
    const Int128 c = v.cents();
    const Money whole = Money::fromCents((c >= 0 ? c + 50 : c - 50) / 100 * 100);
    if (rounding) *rounding = *rounding + whole + Money::fromCents(-c);
    return whole;
}

// Commas in a report's amount are deleted before it is read: right for thousands
// separators, wrong for a decimal comma ("2.750,00" reads as 2.75).
bool commasAreThousands(std::string_view text) {
    const size_t point = text.find('.');
    for (size_t at = text.find(','); at != std::string_view::npos; at = text.find(',', at + 1)) {
        if (point != std::string_view::npos && at > point) return false;
        if (at == 0 || !std::isdigit(static_cast<unsigned char>(text[at - 1]))) return false;
        size_t digits = 0;
        while (at + 1 + digits < text.size() &&
               std::isdigit(static_cast<unsigned char>(text[at + 1 + digits])))
            ++digits;
        if (digits != 3) return false;
    }
    return true;
}

std::string whyMisread(std::string_view raw, const Decimal& read) {
    if (!commasAreThousands(raw))
        return "a comma that is not a thousands separator: it was deleted, as every comma is "
               "(a European-style amount?)";
    if (read.fraction.size() > 2) return "more than two decimals: rounded to cents";
    return {};
}

ReportTally::ReportTally(Layout layout, bool allToJournals, Encoding encoding,
                         std::uint64_t digestBase)
    : layout_(layout),
      allToJournals_(allToJournals),
      encoding_(encoding),
      emptyHash_(textHash({})),
      noTaxRun_(runHash(",0.00")),
      digest_(digestBase) {
    clear();
}

void ReportTally::clear() {
    id_ = nextTallyId.fetch_add(1);
    beginTransaction();
    accountSlots_.clear();
    itemSlots_.clear();
    postedItems_.clear();
    taxLineItems_.clear();
    journalAt_ = kNoKind;
    accounts_.clear();
    taxCodes_.clear();
    items_.clear();
    noted_.clear();
    kinds_.clear();
    digest_ = PostingDigest(digest_.base());
    written_ = omittedCount_ = 0;
    omissions_ = {};
    unbalanced_ = {};
    unbalancedCounted_ = 0;
    misreadAll_ = {};
    unclosed_ = incomplete_ = false;
}

void ReportTally::taxLine(const TaxLineItemFacts& facts, std::string_view item,
                          std::string_view amount) {
    if (taxLineCount_ == taxLines_.size()) taxLines_.emplace_back();
    PendingTaxLine& l = taxLines_[taxLineCount_++];
    l.item = item.empty() ? 0 : taxLineSlot(facts, item);
    if (std::int64_t cents; readFormattedAmount(amount, cents)) {
        l.amount = Money::fromCents(cents);
    } else {
        const std::optional<Decimal> d = parseDecimal(amount);
        l.amount = d ? Money::fromDecimal(*d) : Money();
    }
}

void ReportTally::noteTaxMisread(const ReportFields& f, const TextReader::Marks& tabs,
                                 const JournalTransaction& t, std::uint64_t line) {
    const TaxItemFacts* item = t.Item(t.Count()).taxItem();
    if (item && !item->text.empty())
        noteMisread(f, rawField(f, tabs, col::TaxAmount), col::TaxAmount, t, line);
}

void ReportTally::noteMisread(const ReportFields& f, std::string_view raw, size_t column,
                              const JournalTransaction& t, std::uint64_t line) {
    if (plainWithThousands(raw)) return;
    if (writtenAmount(f[column]) && (f.inLine(column) || commasAreThousands(raw))) return;
    const std::optional<Decimal> d = parseDecimal(f[column]);
    if (!d) return;
    std::string why = whyMisread(raw, *d);
    if (why.empty()) return;
    misread_.push_back({text(t.Item(1)[col::TransNo]), line,
                        column == col::Amount ? "Amount" : "Tax Amount", text(raw),
                        Money::fromDecimal(*d).fixed(), std::move(why)});
}

void ReportTally::omitted(std::string_view number, std::uint64_t line, std::string_view reason) {
    ++omittedCount_;
    omissions_.add({text(number), line, std::string(reason)});
    beginTransaction();
}

ReportTally::AccountSlot& ReportTally::newAccount(const AccountFacts& facts,
                                                  std::string_view text) {
    facts.tallyId = id_;
    facts.tallySlot = static_cast<std::uint32_t>(accountSlots_.size());
    AccountSlot& a = accountSlots_.emplace_back();
    a.key = layout_ == Layout::Accounts ? facts.number : facts.target;
    a.source = text;
    a.hash = textHash(a.key);
    a.run = a.key + ",";
    return a;
}

ReportTally::ItemSlot& ReportTally::newItem(const TaxItemFacts& facts) {
    facts.tallyId = id_;
    facts.tallySlot = static_cast<std::uint32_t>(itemSlots_.size());
    ItemSlot& i = itemSlots_.emplace_back();
    i.item = facts.text;
    // Accountant's Office notes the item itself in the description.
    i.key = layout_ == Layout::AccountantsOffice ? facts.text : facts.targetCode;
    i.hash = textHash(i.key);
    i.run = i.key + ",";
    return i;
}

namespace {

// A short text as a number, its bytes and their count, for finding it among a few texts
// quickly; all longer texts have the same number and are compared as texts.
[[gnu::always_inline]] inline std::uint64_t shortKey(std::string_view text) {
    const size_t n = text.size();
    if (n >= 8) return ~std::uint64_t{0};
    const std::uint64_t key = std::uint64_t{n} << 56;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    if (n >= 4) {
        // Two words of four bytes, the second shifted onto the bytes it shares with the
        // first.
        std::uint32_t low, high;
        std::memcpy(&low, p, 4);
        std::memcpy(&high, p + n - 4, 4);
        return key | low | std::uint64_t{high} << (8 * (n - 4));
    }
    if (n == 0) return key;
    return key | p[0] | std::uint64_t{p[n / 2]} << (8 * (n / 2)) |
           std::uint64_t{p[n - 1]} << (8 * (n - 1));
}

// Where the sum for a text among a few (journal codes, tax items) is kept, added when new.
template <class Sum>
size_t indexOf(std::vector<ReportTally::TextSum<Sum>>& sums, std::string_view text) {
    const std::uint64_t key = shortKey(text);
    for (size_t k = 0; k < sums.size(); ++k)
        if (sums[k].key == key && (text.size() < 8 || sums[k].text == text)) return k;
    sums.push_back({std::string(text), key, Sum()});
    return sums.size() - 1;
}

template <class Sum>
Sum& countOf(std::vector<ReportTally::TextSum<Sum>>& sums, std::string_view text) {
    return sums[indexOf(sums, text)].sum;
}

// The hash of a run of bytes made of a beginning of headSize bytes at p, whose first
// headWords (a multiple of eight) hash to `head`, and two texts put after it, in p's room.
[[gnu::always_inline]] inline std::uint64_t runAfter(char* p, size_t headSize, size_t headWords,
                                                     std::uint64_t head, std::string_view a,
                                                     std::string_view b) {
    copyShort(p + headSize, a.data(), a.size());
    copyShort(p + headSize + a.size(), b.data(), b.size());
    const size_t n = headSize + a.size() + b.size();
    return headWords != 0 ? runHashFrom(head, p, headWords, n) : runHash({p, n});
}

}  // namespace

inline ReportTally::AccountSlot& ReportTally::account(const JournalLine& line) {
    const AccountFacts& facts = line.account();
    return facts.tallyId == id_ ? accountSlots_[facts.tallySlot]
                                : newAccount(facts, line[col::Account]);
}

inline ReportTally::ItemSlot& ReportTally::item(const TaxItemFacts& facts) {
    return facts.tallyId == id_ ? itemSlots_[facts.tallySlot] : newItem(facts);
}

void ReportTally::written(const JournalTransaction& t, ReportFacts& facts) {
    if (t.Count() == 0) return;
    switch (layout_) {
        case Layout::Mas: writtenAs<Layout::Mas>(t, facts); break;
        case Layout::Accounts: writtenAs<Layout::Accounts>(t, facts); break;
        case Layout::AccountantsOffice: writtenAs<Layout::AccountantsOffice>(t, facts); break;
    }
}

template <Layout L>
void ReportTally::writtenAs(const JournalTransaction& t, ReportFacts& facts) {
    const long count = t.Count();
    const JournalLine first = t.line(1);
    const TypeFacts& type = t.type();
    std::string_view kind;
    size_t referenceChars = 12;
    if constexpr (L == Layout::Mas) {
        kind = allToJournals_ ? kJournal : std::string_view(type.masCode);
        // MAS takes a contra account for payments, receipts and bank statements only
        // when it is one of the bank accounts 680 to 689.
        if (kind != kJournal && kind != "SDB" && kind != "PDB" && !first.account().bankContra)
            kind = kJournal;
        referenceChars = 6;
    } else if constexpr (L == Layout::Accounts) {
        kind = type.basis;
        referenceChars = 7;
    } else {
        kind = type.aoLetter;
    }
    const std::string_view date = dates_.ddmmyyyy(first[col::Date]);
    const std::string_view reference = leftChars(first[col::Num], referenceChars, encoding_);
    std::uint64_t head = 0;
    // MAS and Accountant's Office: the run of bytes that begins each of its lines,
    // "date,kind,,reference,", and the hash of its whole words.
    size_t headSize = 0, headWords = 0;
    char* run = nullptr;
    size_t runRoom = 0;  // past headSize
    if constexpr (L == Layout::Accounts) {
        head = headHash(textHash(date), textHash(kind), textHash(reference));
    } else {
        headSize = date.size() + kind.size() + reference.size() + 4;
        if (runText_.size() < headSize + kRunRoom) runText_.resize(headSize + kRunRoom);
        run = runText_.data();
        runRoom = runText_.size() - headSize;
        char* p = run;
        copyShort(p, date.data(), date.size());
        p += date.size();
        *p++ = ',';
        copyShort(p, kind.data(), kind.size());
        p += kind.size();
        *p++ = ',';
        *p++ = ',';
        copyShort(p, reference.data(), reference.size());
        p[reference.size()] = ',';
        head = kRunStart;
        for (; headWords + 8 <= headSize; headWords += 8) {
            std::uint64_t w;
            std::memcpy(&w, run + headWords, 8);
            head = combine(head, w);
        }
    }

    Money report, balance;
    for (long k = 1; k <= count; ++k) {
        // MAS takes the first line last.
        const long index = L == Layout::Mas ? (k == count ? 1 : k + 1) : k;
        const JournalLine line = t.line(index);
        const AccountFacts& accountFacts = line.account();
        AccountSlot& a = account(line);
        // Accountant's Office keeps the tax lines that post; a tax line's item is its Item.
        const TaxLineItemFacts* taxLineFacts = nullptr;
        if constexpr (L == Layout::AccountantsOffice)
            if (accountFacts.payable) taxLineFacts = facts.mappedTaxLineItem(line[col::Item]);
        const bool taxLine = taxLineFacts != nullptr;
        const TaxItemFacts* itemFacts = line.taxItem();
        ItemSlot* const i =
            itemFacts && !itemFacts->text.empty() && !taxLine ? &item(*itemFacts) : nullptr;
        // The amounts' values as the conversion read them.
        const std::optional<Money>& read = line.value(col::Amount);
        const std::optional<Money>& taxRead = line.value(col::TaxAmount);
        if (!read || (i && !taxRead)) {
            incomplete_ = true;  // more than thirty whole digits: the full check says why
            return;
        }
        const Money amount = *read;
        report = report + amount;
        // MAS and Accountant's Office: the run of the line's first six fields, the head,
        // its account and amount.
        std::uint64_t lineRun = 0;
        if constexpr (L != Layout::Accounts) {
            const std::string_view amountText = line[col::Amount];
            if (a.run.size() + amountText.size() > runRoom) [[unlikely]] {
                runText_.resize(headSize + a.run.size() + amountText.size() + kRunRoom);
                run = runText_.data();
                runRoom = runText_.size() - headSize;
            }
            lineRun = runAfter(run, headSize, headWords, head, a.run, amountText);
        }
        if constexpr (L == Layout::Mas) {
            if (i) {
                const Money tax = *taxRead;
                // The tax code and tax, "code,tax".
                const std::string_view taxText = line[col::TaxAmount];
                if (taxRunText_.size() < i->run.size() + taxText.size())
                    taxRunText_.resize(i->run.size() + taxText.size() + kRunRoom);
                digest_.add(
                    combine(lineRun, runAfter(taxRunText_.data(), 0, 0, 0, i->run, taxText)));
                balance = balance + amount + tax;
                if (!i->key.empty() || !tax.isZero()) postTax(*i, tax);
                i->onLines = i->onLines + tax;
            } else {
                digest_.add(combine(lineRun, noTaxRun_));
                balance = balance + amount;
            }
            a.sum = a.sum + amount;
        } else if constexpr (L == Layout::Accounts) {
            const Money tax = i ? *taxRead : Money();
            const std::optional<Money> taxIn = inAccountsRange(tax, nullptr);
            const std::optional<Money> posted =
                taxIn ? inAccountsRange(amount + tax, nullptr) : std::nullopt;
            if (!posted) {
                incomplete_ = true;
                return;
            }
            digest_.add(postingHash(head, a.hash, amountWord(*posted), i ? i->hash : emptyHash_,
                                    amountWord(*taxIn)));
            a.sum = a.sum + *posted;
            balance = balance + *posted;
            if (i) {
                if (!i->key.empty() || !taxIn->isZero()) postTax(*i, *taxIn);
                i->onLines = i->onLines + tax;
            }
        } else {
            const bool noted = i && !accountFacts.payable;
            digest_.add(noted ? combine(lineRun, combine(i->hash, textHash(line[col::TaxAmount])))
                              : lineRun);
            a.sum = a.sum + amount;
            balance = balance + amount;
            if (taxLine) {
                addTaxLine(*taxLineFacts, line[col::Item], amount);
            } else if (i) {
                const Money tax = *taxRead;
                if (noted) {
                    postTax(*i, tax);
                    i->noted = true;
                }
                i->onLines = i->onLines + tax;
            }
        }
    }
    Money taxLinesPosted;
    for (size_t k = 0; k < taxLineCount_; ++k) {
        const PendingTaxLine& l = taxLines_[k];
        report = report + l.amount;
        taxLinesPosted = taxLinesPosted + l.amount;
        if (l.item != 0) {
            TextSum<Money>& sum = taxLineItems_[l.item - 1];
            sum.sum = sum.sum + l.amount;
            sum.used = true;
        }
    }
    ++written_;
    if constexpr (L == Layout::Mas) {
        // Counted under its journal code: the type's own or "Jnl". A type's facts keep
        // where its code's count is.
        size_t& at = kind.data() == kJournal.data() ? journalAt_
                     : type.tallyId == id_          ? type.tallySlot
                                                    : newKind(type);
        if (at == kNoKind) at = indexOf(kinds_, kind);
        ++kinds_[at].sum;
    }
    if (!report.isZero() || !balance.isZero()) {
        // What it is listed with, worked out again for the few that do not add up.
        TransactionSums sums;
        sums.report = report;
        sums.expected = sums.import = balance;
        if constexpr (L != Layout::AccountantsOffice) {
            sums.taxLinesPosted = taxLinesPosted;
            addTaxOnLines<L>(t, sums);
        }
        listIfUnbalanced(unbalanced_, unbalancedCounted_, text(first[col::TransNo]), firstLine_,
                         sums);
    }
    for (MisreadAmount& m : misread_) misreadAll_.add(std::move(m));
    beginTransaction();
}

template <Layout L>
void ReportTally::addTaxOnLines(const JournalTransaction& t, TransactionSums& sums) const {
    for (long k = 1; k <= t.Count(); ++k) {
        const JournalLine line = t.line(k);
        const TaxItemFacts* item = line.taxItem();
        const bool taxed = item && !item->text.empty();
        const Money tax = taxed ? *line.value(col::TaxAmount) : Money();
        // What 'Accounts' rounds to whole dollars.
        if constexpr (L == Layout::Accounts)
            inAccountsRange(*line.value(col::Amount) + tax, &sums.wholeDollars);
        if (!taxed || tax.isZero()) continue;
        sums.taxOnLines = sums.taxOnLines + tax;
        ++sums.taxedLines;
    }
}

size_t& ReportTally::newKind(const TypeFacts& type) {
    type.tallyId = id_;
    type.tallySlot = kNoKind;
    return type.tallySlot;
}

std::uint32_t ReportTally::taxLineItem(std::string_view item) {
    const size_t before = taxLineItems_.size();
    const size_t at = indexOf(taxLineItems_, item);
    if (at == before) taxLineItems_.back().used = false;
    return static_cast<std::uint32_t>(at + 1);
}

std::uint32_t ReportTally::taxLineSlot(const TaxLineItemFacts& facts, std::string_view item) {
    if (facts.tallyId != id_) {
        facts.tallyId = id_;
        facts.tallySlot = taxLineItem(item);
    }
    return facts.tallySlot;
}

void ReportTally::addTaxLine(const TaxLineItemFacts& facts, std::string_view item, Money amount) {
    TextSum<Money>& sum = taxLineItems_[taxLineSlot(facts, item) - 1];
    sum.sum = sum.sum + amount;
    sum.used = true;
}

void ReportTally::note(std::vector<std::string>& sources, std::string_view text) const {
    if (sources.size() < 50 && std::find(sources.begin(), sources.end(), text) == sources.end())
        sources.emplace_back(text);
}

void ReportTally::append(ReportTally& later, std::uint64_t linesBefore) {
    for (const AccountSlot& a : later.accountSlots_) {
        Total& t = accounts_[a.key];
        t.sum = t.sum + a.sum;
        note(t.sources, a.source);
    }
    for (size_t k : later.postedItems_) {
        const ItemSlot& i = later.itemSlots_[k];
        Total& t = taxCodes_[i.key];
        t.sum = t.sum + i.taxSum;
        if (layout_ != Layout::AccountantsOffice) note(t.sources, i.item);
        if (i.noted) noted_.insert(i.item);
    }
    for (const ItemSlot& i : later.itemSlots_) {
        ItemFigures& f = items_[i.item];
        f.onLines = f.onLines + i.onLines;
    }
    for (const TextSum<Money>& t : later.taxLineItems_) {
        if (!t.used) continue;  // only in transactions omitted
        ItemFigures& f = items_[t.text];
        f.taxLines = f.taxLines + t.sum;
    }
    // A tally that had blocks appended to it.
    for (auto& [key, total] : later.accounts_) {
        Total& t = accounts_[key];
        t.sum = t.sum + total.sum;
        for (const std::string& s : total.sources) note(t.sources, s);
    }
    for (auto& [key, total] : later.taxCodes_) {
        Total& t = taxCodes_[key];
        t.sum = t.sum + total.sum;
        for (const std::string& s : total.sources) note(t.sources, s);
    }
    for (const auto& [item, figures] : later.items_) {
        ItemFigures& f = items_[item];
        f.onLines = f.onLines + figures.onLines;
        f.taxLines = f.taxLines + figures.taxLines;
    }
    noted_.insert(later.noted_.begin(), later.noted_.end());

    for (const TextSum<long long>& k : later.kinds_) countOf(kinds_, k.text) += k.sum;
    digest_.append(later.digest_);
    written_ += later.written_;
    omittedCount_ += later.omittedCount_;
    auto rebase = [linesBefore](auto& to, auto& from) {
        for (auto& row : from.rows) {
            row.line += linesBefore;
            if (to.rows.size() < kMaxListed) to.rows.push_back(std::move(row));
        }
        to.total += from.total;
    };
    rebase(omissions_, later.omissions_);
    rebase(unbalanced_, later.unbalanced_);
    unbalancedCounted_ += later.unbalancedCounted_;
    rebase(misreadAll_, later.misreadAll_);
    unclosed_ |= later.unclosed_;
    incomplete_ |= later.incomplete_;
    later.clear();
}

void ReportTally::fill(ConversionCheck& result, const ConversionLookups& lookups) const {
    for (const auto* totals : {&accounts_, &taxCodes_}) {
        std::vector<TotalRow>& rows = totals == &accounts_ ? result.accounts : result.taxCodes;
        for (const auto& [key, total] : *totals) {
            TotalRow& row = rows.emplace_back();
            row.key = text(key);
            for (const std::string& s : total.sources) row.sources.push_back(text(s));
            row.report = row.import = total.sum;
        }
        std::sort(rows.begin(), rows.end(),
                  [](const TotalRow& a, const TotalRow& b) { return a.key < b.key; });
    }
    std::map<std::string, TaxItemRow> items;
    for (const auto& [bytes, figures] : items_) {
        TaxItemRow& row = items[text(bytes)];
        row.onLines = row.onLines + figures.onLines;
        row.taxLines = row.taxLines + figures.taxLines;
    }
    for (auto& [item, row] : items) {
        row.item = item;
        if (layout_ != Layout::AccountantsOffice) sfMappedTaxCode(lookups, item, row.targetCode);
        result.taxItems.push_back(row);
    }
    if (layout_ == Layout::Mas) {
        std::map<std::string, long long> kinds;
        for (const TextSum<long long>& k : kinds_) kinds[text(k.text)] += k.sum;
        for (const auto& [kind, n] : kinds)
            result.masTypes.push_back({"Transactions with the journal code " + kind, n, n, -1});
    }
    result.omitted = omissions_;
    result.unbalanced = unbalanced_;
    result.unbalancedCounted = unbalancedCounted_;
    result.misread = misreadAll_;
}

}  // namespace tav::check
