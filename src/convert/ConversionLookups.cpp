#include "convert/ConversionLookups.h"

#include "convert/modConvert.h"
#include "shell/ProgramState.h"

namespace tav {

namespace {

// First entry per key, up to the first entry that has no key element.
template <class KeyedIndex>
void indexFirst(KeyedIndex& index, const Collection<StrArray>& entries, size_t key) {
    for (const StrArray& e : entries) {
        if (e.size() <= key) {
            index.brokenEntry = true;
            return;
        }
        index.entries.try_emplace(e[key], &e);
    }
}

}  // namespace

ConversionLookups::ConversionLookups(const ProgramState& st) {
    indexFirst(mappedAccounts_, st.gcolMappedAccounts, 1);
    indexFirst(taxCodeLinks_, st.gcolTaxCodeTaxItemLinks, 0);
    indexFirst(firstTaxItems_, st.gcolMappedTaxCodes, 0);
    for (const StrArray& e : st.gcolMappedTaxCodes) {
        if (e.empty()) break;
        // A matching entry without a code fails the scan, whatever follows it.
        const StrArray*& last = lastTaxItems_[e[0]];
        if (!last || last->size() > 1) last = &e;
    }
    for (const std::string& number : st.gcolTaxPayables) taxPayables_.insert(number);
}

const StrArray* ConversionLookups::KeyedIndex::find(std::string_view key) const {
    const auto it = entries.find(key);
    if (it != entries.end()) return it->second;
    if (brokenEntry) raise(err::SubscriptOutOfRange);
    return nullptr;
}

const StrArray* ConversionLookups::mappedAccount(std::string_view number) const {
    return mappedAccounts_.find(number);
}

const StrArray* ConversionLookups::mappedTaxCode(std::string_view taxItem) const {
    // The scan reads every entry, so one without a key always fails it.
    if (firstTaxItems_.brokenEntry) raise(err::SubscriptOutOfRange);
    const auto it = lastTaxItems_.find(taxItem);
    return it == lastTaxItems_.end() ? nullptr : it->second;
}

bool ConversionLookups::isMappedTaxItem(std::string_view taxItem) const {
    return firstTaxItems_.find(taxItem) != nullptr;
}

const StrArray* ConversionLookups::taxCodeLink(std::string_view code) const {
    return taxCodeLinks_.find(code);
}

bool ConversionLookups::isTaxPayable(std::string_view number) const {
    return taxPayables_.contains(number);
}

bool ConversionLookups::isTaxPayableAccount(std::string_view accountText) const {
    std::string number;
    return sfNumberOnly(accountText, number).empty() && isTaxPayable(number);
}

}  // namespace tav
