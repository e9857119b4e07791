#include "check/ImportFileReader.h"

#include <vector>

namespace tav::check {

namespace {

std::vector<std::string_view> splitAt(std::string_view text, std::string_view separator) {
    std::vector<std::string_view> fields;
    for (size_t at = 0;;) {
        const size_t next = text.find(separator, at);
        fields.push_back(text.substr(at, next == std::string_view::npos ? next : next - at));
        if (next == std::string_view::npos) return fields;
        at = next + separator.size();
    }
}

std::optional<Money> amountOf(std::string_view text) {
    const std::optional<Decimal> d = parseDecimal(text);
    // An import file holds amounts as written: a sign, digits, at most two decimals.
    if (!d || d->fraction.size() > 2 || text.find_first_of(" $(+") != std::string_view::npos)
        return std::nullopt;
    return Money::fromDecimal(*d);
}

// The fields of an 'Accounts' line: each value between double quotes, commas between.
std::optional<std::vector<std::string_view>> quotedFields(std::string_view text) {
    if (text.size() < 2 || text.front() != '"' || text.back() != '"') return std::nullopt;
    return splitAt(text.substr(1, text.size() - 2), "\",\"");
}

}  // namespace

std::string describe(const Posting& p, Layout layout) {
    std::string text = p.date + " " + p.kind + " ref '" + p.reference + "' account " + p.account +
                       " amount " + p.amount.fixed();
    if (layout == Layout::AccountantsOffice) {
        if (!p.taxCode.empty()) text += " noting " + p.taxCode + " " + p.tax.fixed();
    } else if (!p.taxCode.empty() || !p.tax.isZero()) {
        text += " tax code '" + p.taxCode + "' tax " + p.tax.fixed();
    }
    return text;
}

bool ImportLineReader::header(std::string_view text, bool firstLine) const {
    switch (layout_) {
        case Layout::Mas: return firstLine && text.starts_with("\"V\" \",\"");
        case Layout::AccountantsOffice:
            return firstLine && text == "Ext_Date,Ext_TrType,,Ext_Ref,Ext_AccNo,Ext_Amt,,Ext_Desc";
        case Layout::Accounts: break;
    }
    return firstLine ? text.starts_with("\"XLON2\",") : text.starts_with("\"AC\",");
}

ImportLine ImportLineReader::read(std::string_view text, std::uint64_t lineNumber) const {
    ImportLine l;
    l.line = lineNumber;
    Posting& p = l.posting;
    auto unreadable = [&](std::string problem) {
        l.problem = std::move(problem);
        return l;
    };
    std::optional<Money> amount, tax = Money();
    switch (layout_) {
        case Layout::Mas: {
            const auto f = splitAt(text, ",");
            if (f.size() != 12) return unreadable("not twelve comma-separated fields");
            p = {std::string(f[0]),
                 std::string(f[1]),
                 std::string(f[3]),
                 std::string(f[4]),
                 {},
                 std::string(f[10]),
                 {}};
            amount = amountOf(f[5]);
            tax = amountOf(f[11]);
            break;
        }
        case Layout::AccountantsOffice: {
            const auto f = splitAt(text, ",");
            if (f.size() < 8) return unreadable("fewer than eight comma-separated fields");
            p = {std::string(f[0]),
                 std::string(f[1]),
                 std::string(f[3]),
                 std::string(f[4]),
                 {},
                 {},
                 {}};
            amount = amountOf(f[5]);
            // The description is the rest of the line.
            l.description = text.substr(static_cast<size_t>(f[7].data() - text.data()));
            break;
        }
        case Layout::Accounts: {
            const auto f = quotedFields(text);
            if (!f || f->size() != 14 || (*f)[0] != "TR")
                return unreadable("not a \"TR\" line of fourteen quoted fields");
            const auto& g = *f;
            p = {std::string(g[4]),
                 std::string(g[3]),
                 std::string(g[7]),
                 std::string(g[5]),
                 {},
                 std::string(g[10]),
                 {}};
            amount = amountOf(g[8]);
            if (!g[9].empty()) tax = amountOf(g[9]);
            break;
        }
    }
    if (!amount || !tax) return unreadable("an amount that is not a number with two decimals");
    p.amount = *amount;
    p.tax = *tax;
    l.readable = true;
    return l;
}

std::optional<Money> notedTax(std::string_view description, std::string_view item) {
    if (!description.ends_with(')')) return std::nullopt;
    const std::string opening = " (" + std::string(item) + " ";
    const size_t at = description.rfind(opening);
    if (at == std::string_view::npos) return std::nullopt;
    const size_t from = at + opening.size();
    return amountOf(description.substr(from, description.size() - 1 - from));
}

}  // namespace tav::check
