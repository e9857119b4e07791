#include "convert/ConversionLookups.h"

#include "convert/modConvert.h"
#include "shell/ProgramState.h"

namespace tav {

namespace {

template <class Entry>
const Entry* find(const auto& index, std::string_view key) {
    const auto it = index.find(key);
    return it == index.end() ? nullptr : it->second;
}

}  // namespace

ConversionLookups::ConversionLookups(const ProgramState& st, LookupWitness* witness)
    : witness_(witness) {
    // The first entry of each key, as a scan from the first entry finds it; for the tax
    // items the last.
    for (const MappedAccount& e : st.gcolMappedAccounts) mappedAccounts_.try_emplace(e.number, &e);
    for (const TaxCodeLink& e : st.gcolTaxCodeTaxItemLinks) taxCodeLinks_.try_emplace(e.code, &e);
    for (const MappedTaxCode& e : st.gcolMappedTaxCodes) lastTaxItems_[e.item] = &e;
    for (const std::string& number : st.gcolTaxPayables) taxPayables_.insert(number);
}

const MappedAccount* ConversionLookups::mappedAccount(std::string_view number) const {
    if (witness_) witness_->account(number);
    return find<MappedAccount>(mappedAccounts_, number);
}

const MappedTaxCode* ConversionLookups::mappedTaxCode(std::string_view taxItem) const {
    if (witness_) witness_->taxItem(taxItem);
    return find<MappedTaxCode>(lastTaxItems_, taxItem);
}

bool ConversionLookups::isMappedTaxItem(std::string_view taxItem) const {
    if (witness_) witness_->taxItem(taxItem);
    return lastTaxItems_.contains(taxItem);
}

const TaxCodeLink* ConversionLookups::taxCodeLink(std::string_view code) const {
    return find<TaxCodeLink>(taxCodeLinks_, code);
}

bool ConversionLookups::isTaxPayable(std::string_view number) const {
    return taxPayables_.contains(number);
}

bool ConversionLookups::isTaxPayableAccount(std::string_view accountText) const {
    std::string number;
    return sfNumberOnly(accountText, number).empty() && isTaxPayable(number);
}

}  // namespace tav
