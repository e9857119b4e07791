#pragma once
// Hash indexes over the mapping collections for one conversion run. A report of a
// million lines looks up an account, a tax code and a tax item on every line, so
// the collections are not scanned each time; each lookup gives exactly what the
// scan from the first entry gives, including the "Subscript out of range" raised
// when the scan would reach an entry too short for the element it reads.
//
// The indexes point into the program state's collections: build them after the
// mapping is complete and do not change the collections while they are in use.

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "safe/Collection.h"

namespace tav {

struct ProgramState;

// A hash of the short texts of a report (accounts, tax items), eight bytes at a time.
// Not noexcept on purpose: the standard library then keeps each entry's hash, and a
// lookup compares hashes before texts instead of hashing the entries it passes.
struct TextHash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const {
        constexpr std::uint64_t kMix = 0x9E3779B97F4A7C15ULL;
        std::uint64_t h = text.size() * kMix;
        auto mix = [&h](std::uint64_t word) {
            h = (h ^ word) * kMix;
            h ^= h >> 29;
        };
        size_t i = 0;
        for (std::uint64_t word; i + sizeof word <= text.size(); i += sizeof word) {
            std::memcpy(&word, text.data() + i, sizeof word);
            mix(word);
        }
        if (i < text.size()) {
            std::uint64_t word = 0;
            std::memcpy(&word, text.data() + i, text.size() - i);
            mix(word);
        }
        return static_cast<size_t>(h);
    }
};

class ConversionLookups {
public:
    ConversionLookups() = default;
    explicit ConversionLookups(const ProgramState& st);

    // The first gcolMappedAccounts entry whose element 1 is the QuickBooks account
    // number; nullptr when there is none.
    const StrArray* mappedAccount(std::string_view number) const;
    // The last gcolMappedTaxCodes entry whose element 0 is the tax item; nullptr when
    // there is none.
    const StrArray* mappedTaxCode(std::string_view taxItem) const;
    // Some gcolMappedTaxCodes entry has the tax item as element 0.
    bool isMappedTaxItem(std::string_view taxItem) const;
    // The first gcolTaxCodeTaxItemLinks entry whose element 0 is the tax code.
    const StrArray* taxCodeLink(std::string_view code) const;
    bool isTaxPayable(std::string_view number) const;
    // The account text has a number, and it is a tax payable account's.
    bool isTaxPayableAccount(std::string_view accountText) const;

private:
    using Index = std::unordered_map<std::string_view, const StrArray*, TextHash>;
    // A lookup that finds nothing before the first entry too short for its key
    // fails as the scan would on reaching that entry.
    struct KeyedIndex {
        Index entries;
        bool brokenEntry = false;
        const StrArray* find(std::string_view key) const;
    };

    KeyedIndex mappedAccounts_;
    KeyedIndex taxCodeLinks_;
    KeyedIndex firstTaxItems_;
    Index lastTaxItems_;
    std::unordered_set<std::string_view, TextHash> taxPayables_;
};

}  // namespace tav
