#pragma once
// What the check needs of the Journal report, gathered by the conversion while it reads
// the report, so that the check does not read it again: for every written transaction
// the postings the target should hold (as a digest of their sequence) and their totals
// per target account and tax code, the tax per tax item, the counts, the transactions
// that do not add up, the amounts that were rounded or misread, and the omitted
// transactions. The figures follow the check's own rules of each target, from the facts
// the conversion has looked up once per text.
//
// Each thread tallies its block of the report; the blocks are appended in report order.
// A tally holds a few figures per account text and tax item, not per line.

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "check/ConversionCheck.h"
#include "check/ImportFileReader.h"
#include "check/PostingDigest.h"
#include "convert/ConversionLookups.h"
#include "convert/ReportLine.h"
#include "safe/ByteScan.h"
#include "safe/TextCodec.h"
#include "safe/TextReader.h"

namespace tav {

class JournalLine;
class JournalTransaction;
class ReportFacts;
struct AccountFacts;
struct TaxItemFacts;
struct TaxLineItemFacts;
struct TypeFacts;

namespace check {

// 'Accounts' takes cents below 10 million (and above minus 1 million), whole dollars up
// to 10 billion (down to minus 1 billion), and nothing beyond. What rounding to whole
// dollars adds is added to the sum given.
std::optional<Money> wholeDollarsInAccountsRange(Money v, Money* rounding);  // beyond cents
inline std::optional<Money> inAccountsRange(Money v, Money* rounding) {
    // Nearly every amount, in cents.
    if (v.cents() > -100'000'000 && v.cents() < 1'000'000'000) return v;
    return wholeDollarsInAccountsRange(v, rounding);
}

// Lists the transaction when it does not add up, and counts it when that is a difference
// (not the target's own rounding).
void listIfUnbalanced(Listed<UnbalancedTransaction>& list, long long& counted,
                      std::string_view number, std::uint64_t line, const TransactionSums& sums);

// Commas in a report's amount are deleted before it is read: right for thousands
// separators (each after a digit, before three digits and the point), wrong for a decimal
// comma ("2.750,00" reads as 2.75).
bool commasAreThousands(std::string_view text);
// Why an amount text (raw, as in the report) read as it was needs the user's eye: a comma
// that is no thousands separator, a third decimal; empty when nothing does.
std::string whyMisread(std::string_view raw, const Decimal& read);

class ReportTally {
public:
    ReportTally(Layout layout, bool allToJournals, Encoding encoding, std::uint64_t digestBase);
    // An empty tally for a block of the same run.
    std::unique_ptr<ReportTally> blank() const {
        return std::make_unique<ReportTally>(layout_, allToJournals_, encoding_, digest_.base());
    }

    // ---- As the conversion reads (texts in the report's bytes) ----
    // Starts a block: everything gathered is forgotten.
    void clear();
    // A transaction is about to be read.
    void beginTransaction() {
        taxLineCount_ = 0;
        misread_.clear();
        firstLine_ = 0;
    }
    // Its first line, from 1 (in a block, from the block's start).
    void firstLine(std::uint64_t line) { firstLine_ = line; }
    // A line QuickBooks added for the tax on a tax liability account, which the target
    // does not write.
    void taxLine(const TaxLineItemFacts& facts, std::string_view item, std::string_view amount);
    // The amounts of the line just taken (the last of t) that the conversion did not find
    // written as it writes amounts (tax, amount: which): each noted when reading it
    // changed more than its layout. Nearly all only lost their thousands separators.
    [[gnu::always_inline]] void amountsRewritten(const ReportFields& fields,
                                                 const TextReader::Marks& tabs,
                                                 const JournalTransaction& t, std::uint64_t line,
                                                 bool tax, bool amount) {
        if (tax && !onlySeparatorsDeleted(fields, tabs, col::TaxAmount))
            noteTaxMisread(fields, tabs, t, line);
        if (amount && !onlySeparatorsDeleted(fields, tabs, col::Amount))
            noteMisread(fields, rawField(fields, tabs, col::Amount), col::Amount, t, line);
    }
    // The transaction read was omitted at a data error (Yes).
    void omitted(std::string_view number, std::uint64_t line, std::string_view reason);
    // The report ended while a transaction waited for its closing line.
    void unclosed() { unclosed_ = true; }
    // The transaction read was written.
    void written(const JournalTransaction& t, ReportFacts& facts);

    // Appends the tally of the next block, its lines counted from linesBefore.
    void append(ReportTally& later, std::uint64_t linesBefore);

    // ---- For the check ----
    // The check can be made from the tally alone: nothing stopped the reading early.
    bool complete() const { return !unclosed_ && !incomplete_; }
    const PostingDigest& digest() const { return digest_; }
    long long postings() const { return static_cast<long long>(digest_.count()); }
    // Accountant's Office: a tax item noted in a description, in the report's bytes.
    bool notes(std::string_view item) const { return noted_.find(item) != noted_.end(); }
    // A tax item noted holds the text.
    bool notesItemHolding(std::string_view text) const {
        for (const std::string& item : noted_)
            if (item.find(text) != std::string::npos) return true;
        return false;
    }
    // Fills what the report gives of the check (for an import file that matches it line
    // for line): counts, per journal code, totals, tax items, the lists.
    void fill(ConversionCheck& result, const ConversionLookups& lookups) const;
    long long transactionsWritten() const { return written_; }
    long long transactionsOmitted() const { return omittedCount_; }

    // A sum kept for one of a few texts.
    template <class Sum>
    struct TextSum {
        std::string text;
        std::uint64_t key;  // the text as a number, when short
        Sum sum;
        bool used = true;  // a tax line's item: false until a transaction written has one
    };

private:
    struct Total {
        Money sum;
        std::vector<std::string> sources;  // in the report's bytes
    };
    struct AccountSlot {
        std::string key, source;
        std::string run;  // the key and the comma after it in a line
        std::uint64_t hash = 0;
        Money sum;
    };
    struct ItemSlot {
        std::string key, item;  // the tax code (Accountant's Office: the item) and item
        std::string run;        // the key and the comma after it in a line
        std::uint64_t hash = 0;
        Money taxSum, onLines;
        bool posted = false;
        bool noted = false;
    };
    struct PendingTaxLine {
        std::uint32_t item;  // in taxLineItems_, from 1; 0: none
        Money amount;
    };
    struct ItemFigures {
        Money onLines, taxLines;
    };

    // The slot of an account text or tax item in this tally, made when first met.
    AccountSlot& account(const JournalLine& line);
    ItemSlot& item(const TaxItemFacts& facts);
    AccountSlot& newAccount(const AccountFacts& facts, std::string_view text);
    ItemSlot& newItem(const TaxItemFacts& facts);
    // Tax the target posts under an item's code.
    [[gnu::always_inline]] void postTax(ItemSlot& i, Money tax) {
        if (!i.posted) postedItems_.push_back(static_cast<size_t>(&i - itemSlots_.data()));
        i.posted = true;
        i.taxSum = i.taxSum + tax;
    }
    template <Layout L>
    void writtenAs(const JournalTransaction& t, ReportFacts& facts);
    // An amount column's text as the report holds it, between its tabs.
    static std::string_view rawField(const ReportFields& f, const TextReader::Marks& tabs,
                                     size_t column) {
        const std::string_view text = f.line();
        const size_t from = tabs.tabs[column - 1] + 1;
        const size_t end = column + 1 < col::Count ? tabs.tabs[column] : text.size();
        return {text.data() + from, end - from};
    }
    // The conversion read an amount column only without its commas, which were thousands
    // separators in their places: a point before two decimals, each comma four bytes
    // before the next or the point, a digit before the first. (The conversion has read the
    // amount, so the bytes between the commas are its digits.)
    [[gnu::always_inline]] static bool onlySeparatorsDeleted(const ReportFields& f,
                                                             const TextReader::Marks& tabs,
                                                             size_t column) {
        if (f.inLine(column)) return false;  // rewritten otherwise
        const std::string_view raw = rawField(f, tabs, column);
        const size_t n = raw.size(), commas = n - f[column].size();
        if (n < 4 + 4 * commas || raw[n - 3] != '.') return false;
        for (size_t k = 1; k <= commas; ++k)
            if (raw[n - 3 - 4 * k] != ',') return false;
        const size_t first = n - 3 - 4 * commas;
        return first > 0 && raw[first - 1] >= '0' && raw[first - 1] <= '9';
    }
    void noteTaxMisread(const ReportFields& f, const TextReader::Marks& tabs,
                        const JournalTransaction& t, std::uint64_t line);
    // An amount column of the line just taken whose reading changed more than thousands
    // separators: noted, with why, when it needs the user's eye.
    void noteMisread(const ReportFields& f, std::string_view raw, size_t column,
                     const JournalTransaction& t, std::uint64_t line);
    void addTaxLine(const TaxLineItemFacts& facts, std::string_view item, Money amount);
    // The item of a tax line, from 1, in taxLineItems_: kept in its facts for this tally.
    std::uint32_t taxLineSlot(const TaxLineItemFacts& facts, std::string_view item);
    // The same, found among the few by its text (marked unused when new).
    std::uint32_t taxLineItem(std::string_view item);
    // Where the count of a MAS type's journal code is to be, in kinds_ (kNoKind: not yet
    // met in this tally).
    static constexpr size_t kNoKind = ~size_t{0};
    size_t& newKind(const TypeFacts& type);
    // What a transaction that does not add up is listed with, worked out from its lines
    // only then: the tax on them and ('Accounts') what rounding to whole dollars added.
    template <Layout L>
    void addTaxOnLines(const JournalTransaction& t, TransactionSums& sums) const;
    void note(std::vector<std::string>& sources, std::string_view text) const;
    std::string text(std::string_view bytes) const { return decode(bytes, encoding_); }

    Layout layout_;
    bool allToJournals_;
    Encoding encoding_;
    std::uint64_t id_ = 0;  // which tally the facts' slots belong to
    // An empty text; MAS's tax code and tax of a line without tax (",0.00").
    std::uint64_t emptyHash_, noTaxRun_;

    // The transaction being read.
    std::vector<PendingTaxLine> taxLines_;
    size_t taxLineCount_ = 0;
    std::vector<MisreadAmount> misread_;
    std::uint64_t firstLine_ = 0;
    // The transactions' dates as the import file gives them.
    DateTexts dates_;
    // MAS and Accountant's Office: room for the runs of a line's bytes hashed (see
    // PostingDigest.h), the first beginning with what begins each line of a transaction.
    static constexpr size_t kRunRoom = 64;
    std::string runText_, taxRunText_;

    // Per text met in this block, in order of first posting.
    std::vector<AccountSlot> accountSlots_;
    std::vector<ItemSlot> itemSlots_;
    std::vector<size_t> postedItems_;           // item slots in order of first tax posted
    std::vector<TextSum<Money>> taxLineItems_;  // the few tax items of tax lines

    // Appended blocks, keyed by the report's bytes.
    std::unordered_map<std::string, Total> accounts_, taxCodes_;
    std::map<std::string, ItemFigures> items_;
    std::unordered_set<std::string, TextHash, std::equal_to<>> noted_;

    std::vector<TextSum<long long>> kinds_;  // MAS: a few journal codes
    size_t journalAt_ = kNoKind;             // where "Jnl" is counted
    PostingDigest digest_;
    long long written_ = 0, omittedCount_ = 0;
    Listed<Omission> omissions_;
    Listed<UnbalancedTransaction> unbalanced_;
    long long unbalancedCounted_ = 0;
    Listed<MisreadAmount> misreadAll_;
    bool unclosed_ = false, incomplete_ = false;
};

}  // namespace check
}  // namespace tav
