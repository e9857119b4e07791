#pragma once
// The program's keyed collections: ordered, 1-based, searched from the first entry.
// An entry is never edited in place; Replace puts a new entry in the old one's place,
// which is what inserting it directly after the old one and removing the old one
// comes to, so the order of entries (the order of the rows on the mapping screens)
// never changes.

#include <algorithm>
#include <string>
#include <vector>

#include "safe/Sem.h"

namespace tav {

// A split line or a collection entry made of several strings, indexed from 0.
using StrArray = std::vector<std::string>;

template <class T>
class Collection {
public:
    long Count() const { return static_cast<long>(items_.size()); }
    bool empty() const { return items_.empty(); }

    // Entry i, 1-based; out of range raises "Subscript out of range".
    const T& Item(long i) const {
        check(i);
        return items_[static_cast<size_t>(i - 1)];
    }

    void Add(T entry) { items_.push_back(std::move(entry)); }

    // Puts the new entry where entry i was. Done in place, so that mapping every row
    // of a long list does not move the rest of the list each time.
    void Replace(long i, T entry) {
        check(i);
        items_[static_cast<size_t>(i - 1)] = std::move(entry);
    }

    void Clear() { items_.clear(); }

    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

    friend bool operator==(const Collection&, const Collection&) = default;

private:
    void check(long i) const {
        if (i < 1 || i > Count()) raise(err::SubscriptOutOfRange);
    }
    std::vector<T> items_;
};

}  // namespace tav
