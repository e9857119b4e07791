#pragma once
// What the conversion works out once for each text of the Journal report it meets, keyed
// by the text's own bytes: an account text, a tax code, a General Journal line's tax
// item, a transaction type. A report names the same few hundred texts on millions of
// lines; a line looks each of its texts up once and finds there everything it needs.
//
// The report's text is never decoded on the way to the import file, which is written in
// the report's encoding: only the texts that come from the lists (target accounts, target
// tax codes, the tax items of the tax code list) are encoded into it. A failure of a
// field helper is kept as the SEM list it returned, for the writer that needs the value.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>

#include "convert/ConversionLookups.h"
#include "convert/TextTable.h"
#include "safe/Sem.h"
#include "safe/TextCodec.h"

namespace tav {

struct ProgramState;

// What the scan of the report (ReportScan.h) works out from an account text, once per
// text and encoding.
struct ScannedAccount {
    Encoding encoding = Encoding::Utf8;
    bool ascii = true;  // the same whatever the encoding
    // The tax item reading looks at the text as it stands.
    Sem taxNumberFailure;
    bool payable = false;
    // The account reading looks at it without its commas.
    std::string account, number, name;
    Sem numberFailure, nameFailure;
    std::uint64_t collectedIn = 0;  // the part that last collected it
};

// A QuickBooks account text.
struct AccountFacts {
    std::string number;        // sfNumberOnly, in the report's bytes
    std::string quotedNumber;  // the same as a double-quoted field holds it
    Sem numberFailure;
    bool payable = false;  // its number is a tax payable account's
    std::string target;    // sfMappedAccount, in the report's encoding
    Sem targetFailure;
    bool bankContra = false;  // the target is one of the bank accounts 680 to 689
    // Where the check's tally of this thread's block keeps the text's figures.
    mutable std::uint64_t tallyId = 0;
    mutable std::uint32_t tallySlot = 0;
    // The scan made in the same reading keeps its findings here rather than in a table of
    // its own.
    mutable std::optional<ScannedAccount> scanned;
};

// A QuickBooks tax item, as the reader puts it in the tax item column.
struct TaxItemFacts {
    std::string text;              // in the report's encoding
    std::string withoutCommas;     // for a description, which holds no commas
    std::string targetCode;        // sfMappedTaxCode, in the report's encoding
    std::string quotedTargetCode;  // the same as a double-quoted field holds it
    Sem codeFailure;
    bool capital = false;  // CAI, CAG or CAF
    // Where the check's tally of this thread's block keeps the item's figures.
    mutable std::uint64_t tallyId = 0;
    mutable std::uint32_t tallySlot = 0;
};

// A QuickBooks tax code: the tax item it stands for in a purchase and in a sale. The
// item's facts are worked out when a line first needs them (ReportFacts::taxItem), so
// that only the items a conversion uses are looked up in the tax mapping.
struct TaxCodeFacts {
    Sem failure;  // sfConvertTaxCodeToTaxItem's, the same for both kinds
    std::string purchaseItem, saleItem;
    const TaxItemFacts* purchase = nullptr;
    const TaxItemFacts* sale = nullptr;
};

// The Item text of a line posted to a tax payable account.
struct TaxLineItemFacts {
    bool mapped = false;  // RunTables::isMappedTaxItem: QuickBooks added the line for the tax
    // Where the check's tally of this thread's block keeps the item's tax lines.
    mutable std::uint64_t tallyId = 0;
    mutable std::uint32_t tallySlot = 0;
};

// A QuickBooks transaction type.
struct TypeFacts {
    bool generalJournal = false;  // its lines name their tax item in the Item column
    bool purchase = false;
    bool lendsName = false;  // a line without a name takes the first line's
    std::string masCode;     // the MAS journal code
    std::string aoLetter;    // the Accountant's Office type letter
    std::string basis;       // the 'Accounts' cash or non-cash basis
    // Where the check's tally of this thread's block counts its MAS journal code.
    mutable std::uint64_t tallyId = 0;
    mutable size_t tallySlot = 0;
};

// What every thread of one run reads and nobody changes: the mappings' indexes and the
// mapped tax items in the report's encoding. Built after the mappings are complete; the
// collections must not change while it is in use.
class RunTables {
public:
    RunTables(const ProgramState& st, Encoding reportEncoding, LookupWitness* witness = nullptr);

    const ProgramState& st;
    const Encoding encoding;
    const ConversionLookups lookups;
    // A report's tax item (its bytes) is a mapped one: its line, posted to a tax payable
    // account, is one QuickBooks added for the tax.
    bool isMappedTaxItem(std::string_view itemBytes) const;

private:
    std::unordered_set<std::string, TextHash, std::equal_to<>> mappedTaxItems_;
    LookupWitness* witness_;
};

// One thread's facts, worked out as the texts are met.
class ReportFacts {
public:
    explicit ReportFacts(const RunTables& run) : run_(run) {}

    const RunTables& run() const { return run_; }
    const AccountFacts& account(std::string_view text);
    TaxCodeFacts& taxCode(std::string_view code);
    // The tax item a code without a failure stands for in a purchase, or in a sale.
    const TaxItemFacts& taxItem(TaxCodeFacts& code, bool purchase) {
        const TaxItemFacts*& item = purchase ? code.purchase : code.sale;
        if (!item) [[unlikely]]
            item = &listItem(purchase ? code.purchaseItem : code.saleItem);
        return *item;
    }
    const TaxItemFacts& journalItem(std::string_view item);
    const TypeFacts& type(std::string_view type);
    // Asked of every tax line; RunTables::isMappedTaxItem kept for each text met.
    const TaxLineItemFacts& taxLineItem(std::string_view item) {
        return taxLineItems_.find(item, [this](std::string_view item, TaxLineItemFacts& f) {
            f.mapped = run_.isMappedTaxItem(item);
        });
    }
    // The same when the item is a mapped one, else nothing: for the check's tally, out of
    // line (the lookup inline there left the compiler less room to inline elsewhere).
    const TaxLineItemFacts* mappedTaxLineItem(std::string_view item);

    // A report of endlessly many different texts must not fill the memory: the facts are
    // forgotten when there are too many. Only between transactions, which point at them.
    void limit();

private:
    const TaxItemFacts& listItem(std::string_view item);

    const RunTables& run_;
    TextTable<AccountFacts> accounts_;
    TextTable<TaxCodeFacts> taxCodes_;
    TextTable<TaxItemFacts> journalItems_;
    TextTable<TaxItemFacts> listItems_;  // by the list's own text
    TextTable<TypeFacts> types_;
    TextTable<TaxLineItemFacts> taxLineItems_;
};

}  // namespace tav
