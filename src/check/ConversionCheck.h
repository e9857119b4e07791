#pragma once
// The conversion check: after a conversion, the import file it wrote is read back with a
// reader of the target's own import layout and compared with the Journal report. The
// report side applies the target's rules (the lines it leaves out, where it carries the
// tax, what it rounds to whole dollars), so a faithful conversion shows no difference, and
// a fault of the writer, of the reader or of the report shows up with the accounts and
// transactions that make it.
//
// The report is not read again for a faithful conversion: the conversion gathers what
// the check needs of it as it reads (ReportTally), and the import file is read once into
// a digest of its postings and compared with it. Only when they differ (or the run ended
// early) are both files read again strictly forwards and side by side, one transaction
// at a time, to name each difference. Either way the check holds a table per account and
// tax code and a few lines of each file, and keeps at most kMaxListed entries of each
// list (counting the rest).

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "safe/Sem.h"
#include "safe/Values.h"

namespace tav {

struct ProgramState;
struct ConversionRun;
class UiPort;

namespace check {

inline constexpr size_t kMaxListed = 1000;
// Transactions named beside one account's or tax code's difference.
inline constexpr size_t kMaxNamed = 20;

// One figure as the report gives it (under the target's rules), as the import file holds
// it, and, where the conversion counted it, as the conversion reported it.
struct CountRow {
    std::string what;
    long long report = 0;
    long long import = -1;     // -1: not in the import file
    long long converted = -1;  // -1: not counted by the conversion
    bool compared() const { return import >= 0 || converted >= 0; }
    bool differs() const {
        return (import >= 0 && import != report) || (converted >= 0 && converted != report);
    }
};

// The net amount posted to one target account, or the tax of one tax code.
struct TotalRow {
    std::string key;                   // the target account or tax code
    std::vector<std::string> sources;  // the QuickBooks accounts or tax items mapped to it
    Money report, import;
    std::vector<std::string> transactions;  // those whose lines make a difference
    bool differs() const { return report != import; }
};

// A QuickBooks tax item: the tax on the report's lines and the tax QuickBooks posted to
// tax liability accounts for it (written transactions only).
struct TaxItemRow {
    std::string item, targetCode;
    Money onLines, taxLines;
};

struct Omission {
    std::string number;
    std::uint64_t line = 0;
    std::string reason;
};

// A transaction's sums: of its lines in the report, of the lines the target should hold
// (as it adds them) and of those the import file holds; for MAS and 'Accounts' the tax on
// its lines and the tax QuickBooks posted for it, which the target's own rounding may set
// apart by a cent a taxed line.
struct TransactionSums {
    Money report, expected, wholeDollars, import;
    Money taxOnLines, taxLinesPosted;
    long taxedLines = 0;
};

struct UnbalancedTransaction {
    std::string number;
    std::uint64_t line = 0;
    TransactionSums sums;
    bool counts = true;  // false: the target's own rounding, which a faithful conversion shows
    // Why it does not add up, from its sums (made only for the page).
    std::string why() const;
};

// An amount the report holds that the conversion could not take as it stands.
struct MisreadAmount {
    std::string number;
    std::uint64_t line = 0;
    std::string column;  // "Amount" or "Tax Amount"
    std::string text;    // as in the report
    std::string read;    // as converted
    std::string why;
};

// A line the report calls for that the import file does not hold as it should.
struct LineDifference {
    std::string number;            // the transaction
    std::uint64_t reportLine = 0;  // 0: the import file has a line the report does not call for
    std::uint64_t importLine = 0;  // 0: the line is missing from the import file
    std::string expected, found;   // the line's figures
};

template <class Row>
struct Listed {
    std::vector<Row> rows;  // the first kMaxListed
    long long total = 0;
    void add(Row row) {
        ++total;
        if (rows.size() < kMaxListed) rows.push_back(std::move(row));
    }
};

struct ConversionCheck {
    std::string targetName, reportFile, importFile, checkedAt;
    bool carriesTaxCodes = false;  // MAS and 'Accounts'; Accountant's Office notes tax items
    std::string stoppedAt;         // how the run ended early, if it did

    std::vector<CountRow> counts;
    std::vector<CountRow> masTypes;  // MAS only: transactions per journal code
    std::vector<TotalRow> accounts;
    std::vector<TotalRow> taxCodes;  // by target tax code, or by tax item for Accountant's Office
    std::vector<TaxItemRow> taxItems;
    Listed<Omission> omitted;
    Listed<UnbalancedTransaction> unbalanced;
    long long unbalancedCounted = 0;  // those that count as differences, listed or not
    Listed<MisreadAmount> misread;
    Listed<LineDifference> lines;
    std::vector<std::string> fileProblems;  // a missing header, an unreadable line

    // Everything flagged: figures that differ, unbalanced transactions (but those the
    // target's own rounding makes), amounts read otherwise than written, differing lines,
    // omitted transactions and a stop before the end of the report.
    long long differences() const;
    bool matches() const { return differences() == 0; }
};

class ImportDigestReader;

// Checks the import file of a run that completed or was stopped (not of a failed one).
// The report's figures are those the conversion gathered as it read (ConversionRun::tally)
// while the import file matches them; otherwise, or when asked, the report is read again
// beside the import file, line by line, to name each difference. The import file is read
// as it is now, unless the run's own reading of it as it wrote it is given (readBack).
Sem sfCheckConversion(ProgramState& st, UiPort& ui, const ConversionRun& run,
                      ConversionCheck& result, bool readReportAgain = false,
                      const ImportDigestReader* readBack = nullptr);

// "check: balanced" or "check: N differences".
std::string summaryText(const ConversionCheck& check);

}  // namespace check
}  // namespace tav
