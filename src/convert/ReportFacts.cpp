#include "convert/ReportFacts.h"

#include <algorithm>

#include "convert/modConvert.h"
#include "convert/modConvertToAO.h"
#include "convert/modConvertToAccounts.h"
#include "convert/modConvertToMAS.h"
#include "shell/ProgramState.h"

namespace tav {

namespace {

// Beyond this many texts of one kind, or this many bytes of them, a thread's facts start
// afresh.
constexpr size_t kMaxFacts = 1 << 14;
constexpr size_t kMaxFactBytes = 1 << 20;

template <class Table>
bool full(const Table& table) {
    return table.size() > kMaxFacts || table.textBytes() > kMaxFactBytes;
}

// The text in the report's encoding, when it has one there: a text from a list with a
// character the report's encoding lacks equals no text of the report.
std::optional<std::string> encodedExactly(std::string_view text, Encoding e) {
    std::string bytes = encode(text, e);
    if (decode(bytes, e) != text) return std::nullopt;
    return bytes;
}

// MAS accepts a contra account for payments, receipts and bank statements only when it
// is one of the bank accounts 680 to 689.
bool isBankContra(std::string_view account) {
    const std::optional<Decimal> d = parseDecimal(account);
    return d && compare(*d, 680) >= 0 && compare(*d, 689) <= 0;
}

}  // namespace

RunTables::RunTables(const ProgramState& state, Encoding reportEncoding, LookupWitness* witness)
    : st(state), encoding(reportEncoding), lookups(state, witness), witness_(witness) {
    for (const MappedTaxCode& entry : st.gcolMappedTaxCodes) {
        if (auto bytes = encodedExactly(entry.item, encoding)) mappedTaxItems_.insert(*bytes);
    }
}

bool RunTables::isMappedTaxItem(std::string_view itemBytes) const {
    if (witness_) witness_->taxLineItem(itemBytes);
    return mappedTaxItems_.find(itemBytes) != mappedTaxItems_.end();
}

const TaxLineItemFacts* ReportFacts::mappedTaxLineItem(std::string_view item) {
    const TaxLineItemFacts& f = taxLineItem(item);
    return f.mapped ? &f : nullptr;
}

const AccountFacts& ReportFacts::account(std::string_view text) {
    return accounts_.find(text, [this](std::string_view text, AccountFacts& f) {
        const std::string decoded = decode(text, run_.encoding);
        std::string number;
        f.numberFailure = sfNumberOnly(decoded, number);
        f.number = encode(number, run_.encoding);
        f.quotedNumber = quotedFieldText(f.number);
        f.payable = f.numberFailure.empty() && run_.lookups.isTaxPayable(number);
        std::string target;
        f.targetFailure = sfMappedAccount(run_.lookups, decoded, target);
        f.target = encode(target, run_.encoding);
        f.bankContra = isBankContra(target);
    });
}

const TaxItemFacts& ReportFacts::listItem(std::string_view item) {
    return listItems_.find(item, [this](std::string_view item, TaxItemFacts& f) {
        f.text = encode(item, run_.encoding);
        f.withoutCommas = f.text;
        std::erase(f.withoutCommas, ',');
        std::string code;
        f.codeFailure = sfMappedTaxCode(run_.lookups, item, code);
        f.targetCode = encode(code, run_.encoding);
        f.quotedTargetCode = quotedFieldText(f.targetCode);
        f.capital = item == "CAI" || item == "CAG" || item == "CAF";
    });
}

const TaxItemFacts& ReportFacts::journalItem(std::string_view item) {
    return journalItems_.find(item, [this](std::string_view item, TaxItemFacts& f) {
        f = listItem(decode(item, run_.encoding));
        f.tallyId = 0;  // a slot of its own
        f.text = item;  // the report's own bytes, which are the same text
        f.withoutCommas = item;
    });
}

TaxCodeFacts& ReportFacts::taxCode(std::string_view code) {
    return taxCodes_.find(code, [this](std::string_view code, TaxCodeFacts& f) {
        const std::string decoded = decode(code, run_.encoding);
        // The kind of transaction only chooses between the code's two items.
        f.failure = sfConvertTaxCodeToTaxItem(run_.lookups, decoded, f.purchaseItem, "Bill");
        if (!f.failure.empty()) return;
        sfConvertTaxCodeToTaxItem(run_.lookups, decoded, f.saleItem, "Invoice");
    });
}

const TypeFacts& ReportFacts::type(std::string_view type) {
    return types_.find(type, [this](std::string_view type, TypeFacts& f) {
        const std::string decoded = decode(type, run_.encoding);
        f.generalJournal = decoded == "General Journal";
        f.purchase = isPurchaseType(decoded);
        f.lendsName = !f.generalJournal && decoded != "Transfer" && decoded != "Build";
        mas::sfTransType(decoded, f.masCode);
        ao::sfTransType(decoded, f.aoLetter);
        sfCashBasis(decoded, f.basis);
    });
}

void ReportFacts::limit() {
    if (full(accounts_)) accounts_.clear();
    if (full(journalItems_)) journalItems_.clear();
    if (full(types_)) types_.clear();
    if (full(taxLineItems_)) taxLineItems_.clear();
    // Tax codes point at the list's items.
    if (full(taxCodes_) || full(listItems_)) {
        taxCodes_.clear();
        listItems_.clear();
    }
}

}  // namespace tav
