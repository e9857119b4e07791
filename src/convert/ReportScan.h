#pragma once
// The readings of the Journal report before the conversion, done in one scan: the tax
// items posted to tax payable accounts (the tax mapping screen's reading), the accounts
// the report uses (for the account mapping, and for the 'Accounts' file header) and the
// earliest and latest transaction date (for the same header). The report's encoding is
// found in the same scan. Each line is split once, and its account text looked up once.
//
// Each reading keeps the failure it would meet reading alone, with the line where it met
// it; a failure of the tax item reading ends the scan, as it ends that reading. With
// more than one thread the scan reads blocks of the report at the same time and puts
// their findings together in report order.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "safe/Collection.h"
#include "safe/Sem.h"
#include "safe/TextCodec.h"
#include "safe/UiPort.h"
#include "safe/Values.h"
#include "shell/Records.h"

namespace tav {

struct ProgramState;

struct ScanRequest {
    bool taxItems = false;
    enum class Accounts { None, Numbers, NumbersAndNames } accounts = Accounts::None;
    bool dates = false;
};

// A reading's failure as the routine reading alone would raise or return it, and the
// line of the report where it met it (from 1; offset: where that line begins).
struct ReadingFailure {
    long number = 0;
    std::string description;
    Sem details;
    std::uint64_t line = 0, offset = 0;

    Sem as(std::string_view module, std::string_view procedure) const {
        return sfSemCreate(module, procedure, number, description, details);
    }
};

struct ReportScan {
    ScanRequest request;
    // The report, and the byte where the scan began (the line after the header row).
    std::string path;
    std::uint64_t size = 0;
    std::int64_t modified = 0;
    std::uint64_t start = 0;
    Encoding encoding = Encoding::Utf8;
    bool complete = false;  // read to the end

    // The tax items posted to tax payable accounts, in order of first use.
    std::vector<std::string> taxItems;
    std::optional<ReadingFailure> taxFailure;
    // The accounts in order of first use, one per number; without their names when only
    // the numbers were asked for.
    Collection<JournalAccount> accounts;
    std::optional<ReadingFailure> accountFailure;
    // Both Date::earliest() while no line is dated.
    Date firstDate, lastDate;
    std::optional<ReadingFailure> dateFailure;
};

// Scans the Journal report open as file 1 from where it stands to its end, and tells the
// file table its encoding. The tax payable accounts come from the state.
std::shared_ptr<const ReportScan> scanReport(ProgramState& st, UiPort& ui,
                                             const ScanRequest& request);

// The scan of the same report, unchanged since, from the same line, that collected at
// least what is asked; nullptr when there is none.
std::shared_ptr<const ReportScan> earlierScan(const ProgramState& st, const std::string& path,
                                              std::uint64_t start, const ScanRequest& request);

// Leaves file 1 at the line of a reading's failure, as the reading that met it would
// have, so that the failure is shown beside its line.
void showAtFailure(ProgramState& st, const ReadingFailure& failure);

}  // namespace tav
