#include "check/ImportFileReader.h"

#include <array>

namespace tav::check {

namespace {

// The fields of a line, views into it; past the last field the rest of the line stays in
// the last one.
struct Fields {
    static constexpr size_t kMax = 14;
    std::array<std::string_view, kMax> at;
    size_t count = 0;
    std::string_view operator[](size_t i) const { return at[i]; }
};

Fields splitAt(std::string_view text, std::string_view separator) {
    Fields f;
    for (size_t from = 0;;) {
        const size_t next =
            f.count + 1 == Fields::kMax ? std::string_view::npos : text.find(separator, from);
        f.at[f.count++] = text.substr(from, next == std::string_view::npos ? next : next - from);
        if (next == std::string_view::npos) return f;
        from = next + separator.size();
    }
}

std::optional<Money> amountOf(std::string_view text) { return writtenAmount(text); }

// The fields of an 'Accounts' line: each value between double quotes, a quote inside one
// doubled, commas between. The views keep the doubled quotes (unquoted() reads them).
std::optional<Fields> quotedFields(std::string_view text) {
    Fields f;
    for (size_t at = 0;;) {
        if (f.count == Fields::kMax || at == text.size() || text[at] != '"') return std::nullopt;
        size_t end = at + 1;
        while ((end = text.find('"', end)) != std::string_view::npos && end + 1 < text.size() &&
               text[end + 1] == '"')
            end += 2;
        if (end == std::string_view::npos) return std::nullopt;
        f.at[f.count++] = text.substr(at + 1, end - at - 1);
        at = end + 1;
        if (at == text.size()) return f;
        if (text[at++] != ',') return std::nullopt;
    }
}

std::string unquoted(std::string_view field) {
    std::string text(field);
    for (size_t at = 0; (at = text.find("\"\"", at)) != std::string::npos; ++at) text.erase(at, 1);
    return text;
}

}  // namespace

std::optional<Money> writtenAmount(std::string_view text) {
    size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) ++i;
    Int128 cents = 0;
    size_t digits = 0, decimals = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.' && !point) {
            point = true;
        } else if (c >= '0' && c <= '9' && digits < 30) {
            cents = cents * 10 + (c - '0');
            ++digits;
            if (point && ++decimals > 2) return std::nullopt;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0) return std::nullopt;
    for (; decimals < 2; ++decimals) cents *= 10;
    return Money::fromCents(negative ? -cents : cents);
}

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
            if (f.count != 12) return unreadable("not twelve comma-separated fields");
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
            if (f.count < 8) return unreadable("fewer than eight comma-separated fields");
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
            if (!f || f->count != 14 || (*f)[0] != "TR")
                return unreadable("not a \"TR\" line of fourteen quoted fields");
            const auto& g = *f;
            p = {unquoted(g[4]),
                 unquoted(g[3]),
                 unquoted(g[7]),
                 unquoted(g[5]),
                 {},
                 unquoted(g[10]),
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
