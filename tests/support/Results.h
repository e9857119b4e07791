#pragma once
// Reading what a routine left behind: the outermost description of a SEM list (or the
// last one logged in TAV.log) and the entries of a collection, to compare whole.

#include <string>
#include <vector>

#include "safe/Collection.h"
#include "safe/SafeMethods.h"
#include "shell/Records.h"

namespace tav::test {

inline std::string lastDescription(const std::string& semLines) {
    const StrArray lines = vbSplit(semLines, "\r\n");
    for (auto line = lines.rbegin(); line != lines.rend(); ++line)
        if (!line->empty()) return vbSplit(*line, "\t", 4).at(3);
    return {};
}

// A record as a row of texts, its fields in the order its file holds them.
inline StrArray row(const TaxCodeLink& r) { return {r.code, r.purchaseItem, r.salesItem}; }
inline StrArray row(const MappedTaxCode& r) { return {r.item, r.code, r.position}; }
inline StrArray row(const TargetAccount& r) { return {r.number, r.name}; }
inline StrArray row(const MappedAccount& r) {
    return {r.type, r.number, r.name, r.listIndex, r.targetNumber, r.targetName};
}
inline StrArray row(const DefaultTaxMapping& r) {
    StrArray f{r.item, r.masCode, r.accountsCode, r.masPosition, r.accountsPosition};
    f.resize(r.fields);
    return f;
}

// The entries of a collection; records as rows.
template <class T>
auto entries(const Collection<T>& c) {
    if constexpr (requires(const T& t) { row(t); }) {
        std::vector<StrArray> out;
        for (const T& e : c) out.push_back(row(e));
        return out;
    } else {
        return std::vector<T>(c.begin(), c.end());
    }
}

}  // namespace tav::test
