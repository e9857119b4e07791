#pragma once
// The convert screen's rules without its window: where the import file goes, the MAS
// option, and the checks and run of a conversion. Failures are reported under
// "TAVConvert.frm".

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "convert/modConvert.h"
#include "safe/Collection.h"
#include "safe/UiPort.h"

namespace tav {

struct ProgramState;

namespace convertscreen {

inline constexpr std::string_view kModule = "TAVConvert.frm";

// The client folder's "TAVOutput.txt", or "TAVOutput.csv" for 'Accounts'.
std::string defaultOutputFile(const ProgramState& st);

// Falls back to the root folder when the client folder has gone, and to the default
// import file when the chosen one does not exist.
void Form_Load(ProgramState& st, UiPort& ui);

// "Convert all transactions to MAS journals."
void chkJournals_Click(ProgramState& st, bool ticked);

// Asks where the import file goes; cancelling changes nothing.
void cmdBrowse_Click(ProgramState& st, UiPort& ui);

enum class ConvertOutcome {
    NoJournal,                 // the Journal report has gone
    NoOutputFile,              // no import file named
    OutputIsAnInput,           // the import file named is one of the files the run reads
    IncompleteTaxMapping,      // the window goes back to the tax mapping screen
    IncompleteAccountMapping,  // the window goes back to the account mapping screen
    Failed,                    // the Error Report has been shown
    Stopped,                   // the user answered No at a data-error prompt
    CutShort,                  // converted, but the report ends without its TOTAL line
    Converted,
};

// What the please-wait window says while the driver runs.
inline constexpr std::string_view kWaitMessage =
    "Data is being converted.\r\nThis may take several minutes for large files.";

// Told true when the checks have passed and the driver starts (the window disables Convert
// and shows the please-wait window), and false when the driver has ended, before the
// outcome is reported.
using RunningHook = std::function<void(bool running)>;

// Checks that everything is in place, then runs both driver steps. The run counts what
// was written and where reading stopped.
ConvertOutcome cmdConvert_Click(ProgramState& st, UiPort& ui, ConversionRun& run,
                                const RunningHook& running = {});

// Opens the import file in the desktop's viewer.
void cmdViewResult_Click(ProgramState& st, UiPort& ui);

// View Check: the last conversion's check as a page in the data folder, "TAVCheck.html",
// for the help viewer to show. Nothing when there has been no conversion (the user is told)
// or the page cannot be written (the Error Report says why).
std::optional<std::string> cmdViewCheck_Click(ProgramState& st, UiPort& ui,
                                              const check::ConversionCheck* check);

// The file the run reads that the import file would replace (links followed, compared
// by device and file number), with what it is: the Journal report, a list, the company
// file, a mapping or ledger file. Nothing when the import file is none of them.
struct RunInput {
    std::string what;
    std::string path;
};
std::optional<RunInput> inputReplacedBy(const ProgramState& st, const std::string& output);

// What the user is told when the report ends without its TOTAL line.
std::string cutShortText(const ConversionRun& run);

// The tax items and the QuickBooks accounts ("number name") that the checks find unmapped.
StrArray unmappedTaxItems(const ProgramState& st);
StrArray unmappedAccounts(const ProgramState& st);

}  // namespace convertscreen
}  // namespace tav
