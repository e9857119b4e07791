#include "check/CheckPage.h"

#include <fmt/format.h>

#include "safe/FileCloser.h"
#include "safe/SafeMethods.h"
#include "shell/ProgramState.h"

namespace tav::check {

namespace {

std::string html(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string joined(const std::vector<std::string>& items, std::string_view separator) {
    std::string out;
    for (const std::string& i : items) {
        if (!out.empty()) out += separator;
        out += i;
    }
    return out;
}

std::string count(long long n) { return n < 0 ? std::string() : std::to_string(n); }

Money difference(Money report, Money import) { return import + Money::fromCents(-report.cents()); }

std::string headline(const ConversionCheck& c) {
    const long long n = c.differences();
    if (n == 0) return "The import file matches the Journal report.";
    return fmt::format("The import file does not match the Journal report: {} {}.", n,
                       n == 1 ? "difference" : "differences");
}

std::string leadText(const ConversionCheck& c) {
    if (c.matches())
        return "Every transaction of the report was written, every account total" +
               std::string(c.carriesTaxCodes ? ", every tax code total" : "") +
               " and every count of the import file agrees with the Journal report, and every "
               "transaction balances.";
    return "Each difference is marked DIFFERS below, with the accounts, tax codes and "
           "transactions that make it. Check them before the import file is imported.";
}

constexpr std::string_view kStyle =
    R"(body { font-family: sans-serif; font-size: 10pt; margin: 2em; color: #000; background: #fff; }
h1 { font-size: 16pt; margin-bottom: 0.2em; }
h1.differs { color: #a00; }
h2 { font-size: 12pt; margin-top: 1.5em; border-bottom: 1px solid #888; }
table { border-collapse: collapse; margin-top: 0.5em; }
th, td { border: 1px solid #bbb; padding: 2px 6px; text-align: left; vertical-align: top; }
th { background: #eee; }
td.n { text-align: right; font-family: monospace; white-space: nowrap; }
tr.differs td { background: #fdd; font-weight: bold; }
table.about th { background: none; border: none; padding-left: 0; }
table.about td { border: none; }
@media print { h2 { page-break-after: avoid; } tr { page-break-inside: avoid; } })";

// A table of the page: its header cells, then rows of cells, each a text and whether it
// is a figure (right-aligned).
class Table {
public:
    explicit Table(std::string& out, std::initializer_list<std::string_view> headers) : out_(out) {
        out_ += "<table>\n<tr>";
        for (std::string_view h : headers) out_ += "<th>" + html(h) + "</th>";
        out_ += "</tr>\n";
    }
    ~Table() { out_ += "</table>\n"; }
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    struct Cell {
        std::string text;
        bool figure = false;
    };
    void row(std::initializer_list<Cell> cells, bool differs = false) {
        out_ += differs ? "<tr class=\"differs\">" : "<tr>";
        for (const Cell& c : cells)
            out_ += (c.figure ? "<td class=\"n\">" : "<td>") + html(c.text) + "</td>";
        out_ += "</tr>\n";
    }

private:
    std::string& out_;
};

Table::Cell figure(std::string text) { return {std::move(text), true}; }
Table::Cell status(bool differs) { return {differs ? "DIFFERS" : "agrees"}; }
Table::Cell status(const CountRow& r) { return r.compared() ? status(r.differs()) : Table::Cell{}; }

// A target account's or tax code's row: its totals either side and what makes a difference.
void totalRow(Table& t, const TotalRow& r) {
    t.row({{r.key},
           {joined(r.sources, "; ")},
           figure(r.report.fixed()),
           figure(r.import.fixed()),
           figure(difference(r.report, r.import).fixed()),
           status(r.differs()),
           {joined(r.transactions, ", ")}},
          r.differs());
}

template <class Row>
void more(std::string& out, const Listed<Row>& list) {
    if (list.total > static_cast<long long>(list.rows.size()))
        out += fmt::format("<p>… and {} more, not listed.</p>\n",
                           list.total - static_cast<long long>(list.rows.size()));
}

}  // namespace

std::string checkPage(const ConversionCheck& c) {
    std::string out;
    out += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
    out += "<title>" + html(headline(c)) + "</title>\n<style>\n" + std::string(kStyle) +
           "\n</style>\n</head>\n<body>\n";
    out += std::string(c.matches() ? "<h1>" : "<h1 class=\"differs\">") + html(headline(c)) +
           "</h1>\n";
    out += "<p>" + html(leadText(c)) + "</p>\n";
    out += "<table class=\"about\">\n";
    for (const auto& [what, value] :
         {std::pair<std::string_view, const std::string&>{"Target", c.targetName},
          {"Journal report", c.reportFile},
          {"Import file", c.importFile},
          {"Checked", c.checkedAt}})
        out += "<tr><th>" + html(what) + "</th><td>" + html(value) + "</td></tr>\n";
    out += "</table>\n";
    if (!c.stoppedAt.empty()) out += "<p><strong>DIFFERS: " + html(c.stoppedAt) + "</strong></p>\n";
    for (const std::string& p : c.fileProblems)
        out += "<p class=\"differs\"><strong>DIFFERS: " + html(p) + "</strong></p>\n";

    out += "<h2>Counts</h2>\n";
    {
        Table t(out, {"", "Journal report", "Import file", "Conversion reported", ""});
        for (const CountRow& r : c.counts)
            t.row({{r.what},
                   figure(count(r.report)),
                   figure(count(r.import)),
                   figure(count(r.converted)),
                   status(r)},
                  r.differs());
    }
    if (!c.masTypes.empty()) {
        out += "<h2>Transactions per MAS journal code</h2>\n";
        Table t(out, {"", "Journal report", "Import file", ""});
        for (const CountRow& r : c.masTypes)
            t.row({{r.what}, figure(count(r.report)), figure(count(r.import)), status(r.differs())},
                  r.differs());
    }

    out +=
        "<h2>Accounts</h2>\n<p>The net amount the import file posts to each account, beside "
        "the report's lines of the QuickBooks accounts mapped to it, as the target takes "
        "them (written transactions only).</p>\n";
    {
        Table t(out, {"Account", "QuickBooks accounts", "Journal report", "Import file",
                      "Difference", "", "Transactions"});
        for (const TotalRow& r : c.accounts) totalRow(t, r);
    }
    if (c.carriesTaxCodes) {
        out +=
            "<h2>Tax codes</h2>\n<p>The tax the import file carries per target tax code, "
            "beside the report's tax on the lines of the QuickBooks tax items mapped to "
            "it.</p>\n";
    } else {
        out +=
            "<h2>Tax noted in descriptions</h2>\n<p>Accountant's Office has no tax "
            "columns: the tax of a line is noted in its description. The tax noted per "
            "QuickBooks tax item, beside the report's.</p>\n";
    }
    {
        Table t(out, {c.carriesTaxCodes ? "Tax code" : "Tax item",
                      c.carriesTaxCodes ? "QuickBooks tax items" : "", "Journal report",
                      "Import file", "Difference", "", "Transactions"});
        for (const TotalRow& r : c.taxCodes) totalRow(t, r);
    }
    if (!c.taxItems.empty()) {
        out +=
            "<h2>QuickBooks tax items</h2>\n<p>The tax on the report's lines and the tax "
            "QuickBooks posted to tax liability accounts for each tax item.</p>\n";
        Table t(out, {"Tax item", c.carriesTaxCodes ? "Target tax code" : "", "Tax on lines",
                      "Tax lines posted"});
        for (const TaxItemRow& r : c.taxItems)
            t.row(
                {{r.item}, {r.targetCode}, figure(r.onLines.fixed()), figure(r.taxLines.fixed())});
    }

    out += "<h2>Unbalanced transactions</h2>\n";
    if (c.unbalanced.total == 0) {
        out += "<p>Every transaction adds up to zero in the report and in the import file.</p>\n";
    } else {
        Table t(out, {"Transaction", "Report line", "Sum in the report", "Sum in the import file",
                      "Why", ""});
        for (const UnbalancedTransaction& u : c.unbalanced.rows)
            t.row({{u.number},
                   figure(std::to_string(u.line)),
                   figure(u.sums.report.fixed()),
                   figure(u.sums.import.fixed()),
                   {u.why()},
                   {u.counts ? "DIFFERS" : "the target's rule"}},
                  u.counts);
    }
    more(out, c.unbalanced);

    out += "<h2>Amounts read otherwise than written</h2>\n";
    if (c.misread.total == 0) {
        out += "<p>Every amount of the report was converted exactly as written.</p>\n";
    } else {
        Table t(out,
                {"Transaction", "Report line", "Column", "In the report", "Converted as", "Why"});
        for (const MisreadAmount& m : c.misread.rows)
            t.row({{m.number},
                   figure(std::to_string(m.line)),
                   {m.column},
                   figure(m.text),
                   figure(m.read),
                   {m.why}},
                  true);
    }
    more(out, c.misread);

    out += "<h2>Omitted transactions</h2>\n";
    if (c.omitted.total == 0) {
        out += "<p>No transaction was omitted.</p>\n";
    } else {
        out +=
            "<p>Left out of the import file at a data error, when the answer was Yes: the "
            "import file does not hold them.</p>\n";
        Table t(out, {"Transaction", "Report line", "Reason", ""});
        for (const Omission& o : c.omitted.rows)
            t.row({{o.number}, figure(std::to_string(o.line)), {o.reason}, {"DIFFERS"}}, true);
    }
    more(out, c.omitted);

    out += "<h2>Lines that differ</h2>\n";
    if (c.lines.total == 0) {
        out += "<p>Every line of the import file is the line the report calls for.</p>\n";
    } else {
        Table t(out, {"Transaction", "Report line", "Import line", "The report calls for",
                      "The import file holds"});
        for (const LineDifference& d : c.lines.rows)
            t.row({{d.number},
                   figure(d.reportLine ? std::to_string(d.reportLine) : ""),
                   figure(d.importLine ? std::to_string(d.importLine) : ""),
                   {d.expected.empty() ? "(no line)" : d.expected},
                   {d.found.empty() ? "(no line)" : d.found}},
                  true);
    }
    more(out, c.lines);
    out += "</body>\n</html>\n";
    return out;
}

namespace {

std::string csvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string out = "\"";
    for (char ch : text) {
        if (ch == '"') out += '"';
        out += ch;
    }
    return out + "\"";
}

class Csv {
public:
    void row(std::initializer_list<std::string_view> fields) {
        bool first = true;
        for (std::string_view f : fields) {
            if (!first) out += ',';
            out += csvField(f);
            first = false;
        }
        out += '\n';
    }
    template <class Row>
    void more(std::string_view section, const Listed<Row>& list) {
        const long long rest = list.total - static_cast<long long>(list.rows.size());
        if (rest > 0) row({section, fmt::format("{} more, not listed", rest)});
    }
    std::string out;
};

// The QuickBooks accounts or tax items behind a total, and the transactions that make
// its difference.
std::string details(const TotalRow& r) {
    std::string out;
    if (!r.sources.empty()) out = "QuickBooks: " + joined(r.sources, "; ");
    if (!r.transactions.empty())
        out += (out.empty() ? "" : "; ") + ("transactions: " + joined(r.transactions, " "));
    return out;
}

std::string_view flag(bool differs) { return differs ? "DIFFERS" : "agrees"; }
std::string_view flag(const CountRow& r) { return r.compared() ? flag(r.differs()) : ""; }

}  // namespace

std::string checkCsv(const ConversionCheck& c) {
    Csv csv;
    csv.row({"Section", "Item", "Journal report", "Import file", "Conversion reported",
             "Difference", "Status", "Details"});
    csv.row({"Result", headline(c), "", "", "", std::to_string(c.differences()), flag(!c.matches()),
             "Target: " + c.targetName + "; report: " + c.reportFile +
                 "; import file: " + c.importFile + "; checked " + c.checkedAt});
    if (!c.stoppedAt.empty())
        csv.row({"Result", "Stopped", "", "", "", "", "DIFFERS", c.stoppedAt});
    for (const std::string& p : c.fileProblems)
        csv.row({"Import file", "Header", "", "", "", "", "DIFFERS", p});
    for (const CountRow& r : c.counts)
        csv.row({"Counts", r.what, count(r.report), count(r.import), count(r.converted), "",
                 flag(r), ""});
    for (const CountRow& r : c.masTypes)
        csv.row({"MAS journal codes", r.what, count(r.report), count(r.import), "", "",
                 flag(r.differs()), ""});
    auto totals = [&](std::string_view section, const std::vector<TotalRow>& rows) {
        for (const TotalRow& r : rows)
            csv.row({section, r.key, r.report.fixed(), r.import.fixed(), "",
                     difference(r.report, r.import).fixed(), flag(r.differs()), details(r)});
    };
    totals("Accounts", c.accounts);
    totals(c.carriesTaxCodes ? "Tax codes" : "Tax noted", c.taxCodes);
    for (const TaxItemRow& r : c.taxItems)
        csv.row({"QuickBooks tax items", r.item, r.onLines.fixed(), "", "", "", "",
                 (c.carriesTaxCodes ? "target tax code " + r.targetCode + "; " : std::string()) +
                     "tax lines posted " + r.taxLines.fixed()});
    for (const UnbalancedTransaction& u : c.unbalanced.rows)
        csv.row({"Unbalanced", "transaction " + u.number + " line " + std::to_string(u.line),
                 u.sums.report.fixed(), u.sums.import.fixed(), "", "",
                 u.counts ? "DIFFERS" : "the target's rule", u.why()});
    csv.more("Unbalanced", c.unbalanced);
    for (const MisreadAmount& m : c.misread.rows)
        csv.row({"Amounts read otherwise",
                 "transaction " + m.number + " line " + std::to_string(m.line) + " " + m.column,
                 m.text, m.read, "", "", "DIFFERS", m.why});
    csv.more("Amounts read otherwise", c.misread);
    for (const Omission& o : c.omitted.rows)
        csv.row({"Omitted", "transaction " + o.number + " line " + std::to_string(o.line), "", "",
                 "", "", "DIFFERS", o.reason});
    csv.more("Omitted", c.omitted);
    for (const LineDifference& d : c.lines.rows)
        csv.row({"Lines", "transaction " + d.number, d.expected, d.found, "", "", "DIFFERS",
                 fmt::format("report line {}; import line {}",
                             d.reportLine ? std::to_string(d.reportLine) : "none",
                             d.importLine ? std::to_string(d.importLine) : "none")});
    csv.more("Lines", c.lines);
    return csv.out;
}

Sem sfWriteCheck(ProgramState& st, UiPort& ui, const std::string& path, std::string_view text) {
    return guarded("ConversionCheck", "sfWriteCheck", [&]() -> Sem {
        const int file = st.files.freeFile();
        if (Sem e = sfOpenFile(st, ui, path, "Output", file); !e.empty()) return e;
        FileCloser closer(st.files, file);
        for (size_t at = 0; at < text.size();) {
            const size_t end = text.find('\n', at);
            st.files.printLine(file, text.substr(at, end - at));
            if (end == std::string_view::npos) break;
            at = end + 1;
        }
        st.files.close(file);
        return {};
    });
}

}  // namespace tav::check
