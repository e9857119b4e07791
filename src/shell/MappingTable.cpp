#include "shell/MappingTable.h"

#include <algorithm>
#include <charconv>

namespace tav {

long MappingTable::rowCount() const { return std::max(entryCount(), 1L); }

StrArray MappingTable::row(long r) const {
    if (!showsPlaceholder()) return entryRow(r);
    if (!placeholder_.empty()) return placeholder_;
    StrArray cells(header().size());
    cells.back() = std::to_string(kBlank);
    return cells;
}

long MappingTable::listIndex(long r) const {
    const std::string cell = row(r).back();
    long index = -1;
    const auto [end, error] = std::from_chars(cell.data(), cell.data() + cell.size(), index);
    return error == std::errc() && end == cell.data() + cell.size() && index >= 0 ? index : -1;
}

GridMove MappingTable::choose(long r, long index) {
    if (index == kAddNew) return {r, false, true};
    if (index < 0) return {r};
    if (showsPlaceholder()) {
        placeholder_ = row(r);
        placeholder_.at(static_cast<size_t>(listColumn())) = placeholderCell(index);
        placeholder_.back() = std::to_string(index);
        return {r};
    }
    store(r, index);
    return {r < rowCount() ? r + 1 : r, true};
}

GridMove MappingTable::afterAdding(long r, bool added) {
    if (!added) return {r};
    return choose(r, static_cast<long>(listItems().size()) - 1);
}

void MappingTable::clearPlaceholder() { placeholder_.clear(); }

std::string MappingTable::placeholderCell(long index) const {
    return listItems().at(static_cast<size_t>(index));
}

}  // namespace tav
