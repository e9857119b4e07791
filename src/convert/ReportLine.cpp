// Scanning a report line for its tabs (and, when it is split, its commas).

#include "convert/ReportLine.h"

#include "safe/ByteScan.h"
#include "safe/Sem.h"

namespace tav {

std::pair<size_t, size_t> fieldBounds(std::string_view line, size_t i) {
    size_t from = 0;
    const size_t end =
        bytescan::forEach<bytescan::AnyOf<'\t'>>(line.data(), 0, line.size(), [&](size_t tab) {
            if (i == 0) return true;
            --i;
            from = tab + 1;
            return false;
        });
    return {i == 0 ? from : std::string_view::npos, end};
}

std::string_view tabField(std::string_view line, size_t i) {
    if (line.empty()) raise(err::SubscriptOutOfRange);
    const auto [from, end] = fieldBounds(line, i);
    if (from == std::string_view::npos) raise(err::SubscriptOutOfRange);
    return line.substr(from, end - from);
}

size_t ReportFields::split(std::string_view line) {
    line_ = line;
    copied_ = 0;
    count_ = 0;
    if (line.empty()) return 0;
    // Counted in locals, so that the loop keeps them in registers.
    const char* const data = line.data();
    size_t count = 0, from = 0;
    bool commas = false;
    auto endField = [&](size_t end) {
        if (count < col::Count) {
            const std::string_view f(data + from, end - from);
            fields_[count] = commas ? withoutCommas(count, f) : f;
        }
        ++count;
        from = end + 1;
        commas = false;
    };
    bytescan::forEach<bytescan::AnyOf<'\t', ','>>(data, 0, line.size(), [&](size_t at) {
        if (data[at] == '\t')
            endField(at);
        else
            commas = true;
        return false;
    });
    endField(line.size());
    count_ = count;
    return count;
}

std::string_view ReportFields::withoutCommas(size_t column, std::string_view field) {
    copied_ |= 1u << column;
    // The copy only grows: the field is its beginning.
    std::string& copy = withoutCommas_[column];
    if (copy.size() < field.size()) copy.resize(field.size());
    char* out = copy.data();
    for (char c : field)
        if (c != ',') *out++ = c;
    return std::string_view(copy.data(), static_cast<size_t>(out - copy.data()));
}

}  // namespace tav
