#pragma once
// Reading what a routine left behind: the outermost description of a SEM list (or the
// last one logged in TAV.log) and the entries of a collection, to compare whole.

#include <string>
#include <vector>

#include "safe/Collection.h"
#include "safe/SafeMethods.h"

namespace tav::test {

inline std::string lastDescription(const std::string& semLines) {
    const StrArray lines = vbSplit(semLines, "\r\n");
    for (auto line = lines.rbegin(); line != lines.rend(); ++line)
        if (!line->empty()) return vbSplit(*line, "\t", 4).at(3);
    return {};
}

template <class T>
std::vector<T> entries(const Collection<T>& c) {
    return {c.begin(), c.end()};
}

}  // namespace tav::test
