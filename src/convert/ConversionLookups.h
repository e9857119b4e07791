#pragma once
// Hash indexes over the mapping collections for one conversion run. A report of a
// million lines looks up an account, a tax code and a tax item on every line, so
// the collections are not scanned each time; each lookup gives exactly what the
// scan from the first entry gives.
//
// The indexes point into the program state's collections: build them after the
// mapping is complete and do not change the collections while they are in use.

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "convert/TextTable.h"
#include "safe/Collection.h"
#include "shell/Records.h"

namespace tav {

struct ProgramState;

// The hash of the report's short texts, for the standard library's tables. Not noexcept on
// purpose: the standard library then keeps each entry's hash, and a lookup compares hashes
// before texts instead of hashing the entries it passes.
struct TextHash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return static_cast<size_t>(hashText(text)); }
};

// The keys a run looked up, for a run converted with mappings foreseen before they were
// made (the batch command's conversion in the same reading as the scan), which is kept
// only if the mappings made since give the same for each. Its threads share it; a thread
// looks a text up once.
class LookupWitness {
public:
    void account(std::string_view number) { note(accounts_, number); }
    void taxItem(std::string_view item) { note(taxItems_, item); }
    // A tax line's item, in the report's bytes.
    void taxLineItem(std::string_view bytes) { note(taxLineItems_, bytes); }
    const std::unordered_set<std::string>& accounts() const { return accounts_; }
    const std::unordered_set<std::string>& taxItems() const { return taxItems_; }
    const std::unordered_set<std::string>& taxLineItems() const { return taxLineItems_; }

private:
    void note(std::unordered_set<std::string>& keys, std::string_view key) {
        const std::lock_guard lock(mutex_);
        keys.emplace(key);
    }

    std::mutex mutex_;
    std::unordered_set<std::string> accounts_, taxItems_, taxLineItems_;
};

class ConversionLookups {
public:
    ConversionLookups() = default;
    explicit ConversionLookups(const ProgramState& st, LookupWitness* witness = nullptr);

    // The first gcolMappedAccounts entry of the QuickBooks account number; nullptr when
    // there is none.
    const MappedAccount* mappedAccount(std::string_view number) const;
    // The last gcolMappedTaxCodes entry of the tax item; nullptr when there is none.
    const MappedTaxCode* mappedTaxCode(std::string_view taxItem) const;
    // Some gcolMappedTaxCodes entry is the tax item's.
    bool isMappedTaxItem(std::string_view taxItem) const;
    // The first gcolTaxCodeTaxItemLinks entry of the tax code.
    const TaxCodeLink* taxCodeLink(std::string_view code) const;
    bool isTaxPayable(std::string_view number) const;
    // The account text has a number, and it is a tax payable account's.
    bool isTaxPayableAccount(std::string_view accountText) const;

private:
    template <class Entry>
    using Index = std::unordered_map<std::string_view, const Entry*, TextHash>;

    Index<MappedAccount> mappedAccounts_;
    Index<TaxCodeLink> taxCodeLinks_;
    Index<MappedTaxCode> lastTaxItems_;
    std::unordered_set<std::string_view, TextHash> taxPayables_;
    LookupWitness* witness_ = nullptr;
};

}  // namespace tav
