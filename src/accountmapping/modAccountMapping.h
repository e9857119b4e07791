#pragma once
// The account mapping's model: the target chart of accounts (installed and customised
// ledgers), the mapping of QuickBooks accounts to target accounts with its automatic
// mapping, and the mapping and ledger files. Routines report under the module name
// "modAccountMapping.bas"; the button actions report as the account mapping screen.
//
// Its collections hold TargetAccount and MappedAccount records (shell/Records.h).
//
// The account combo lists " <Add New>" at index 0, the empty (unmapped) item at 1 and
// target account k at k + 1, so the order of gcolTargetAccounts is part of the mapping.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "safe/Collection.h"
#include "safe/Sem.h"
#include "safe/UiPort.h"
#include "shell/Records.h"

namespace tav {

struct ProgramState;

inline constexpr std::string_view kModAccountMapping = "modAccountMapping.bas";

// ---- Target chart of accounts ---------------------------------------------------

enum class LedgerSource { Installed, None, Customised };

// One choice of the select ledger screen.
struct LedgerChoice {
    std::string_view caption;
    LedgerSource source;
    std::string_view file;  // installed ledgers: relative to the installation folder
};

// The choices for a target, in list order; empty for 'Accounts'.
std::span<const LedgerChoice> ledgerChoices(std::int16_t target);

// The ledger path of a choice of the current target: an installed file, "none", or
// gstrCustomisedLedgerPath; "" for a position outside the list.
std::string ledgerPath(const ProgramState& st, long position);

// Empties gcolTargetAccounts and gcolMappedAccounts, then loads the ledger with the
// current target's reader. "none" or an empty path loads nothing.
Sem sfLoadTargetAccounts(ProgramState& st, UiPort& ui, const std::string& path);

// Appends the accounts of a MAS accounts file: "number","name",further fields...
Sem sfLoadColTargetAccountsFromMAS(ProgramState& st, UiPort& ui, const std::string& path);

// Appends the accounts of an Accountant's Office ledger: number,name.
Sem sfLoadColTargetAccountsFromAO(ProgramState& st, UiPort& ui, const std::string& path);

// ---- Mapping model ----------------------------------------------------------------

// The display name of a QuickBooks account type code ("BANK" gives "Bank"); an unknown
// code is shown trimmed.
Sem sfFullQBAccountType(std::string& name, std::string_view code);

// Builds gcolMappedAccounts: one unmapped entry per ACCNT line of the chart of accounts
// whose number the Journal report uses (gcolJournalAccounts). Tells the user when the
// lists or the report's accounts are missing.
Sem sfPopulateColMappedAccounts(ProgramState& st, UiPort& ui);

// "&Auto Mapping": maps every unmapped entry to the first target account with exactly
// its number. Returns the rows (1-based) that changed; rowChanged hears of each as it
// changes, so that a failure to show it ends the mapping there, reported as its own.
std::vector<long> cmdAutoMapping_Click(ProgramState& st, UiPort& ui,
                                       const std::function<void(long)>& rowChanged = {});

// Stores the combo list index chosen for grid row `row`: 1 unmaps, k >= 2 maps to target
// account k - 1. An empty mapping (the grid's placeholder row) stores nothing.
void storeAccountChoice(ProgramState& st, long row, long listIndex);

// ---- The mapping screen's grid and combo --------------------------------------------

// Blanks that line names up under a proportional font: number, 2 x (width - length of
// the number) blanks, name. A number longer than the width cannot be shown
// and raises "Invalid procedure call or argument".
inline constexpr long kQuickBooksNumberWidth = 8;
inline constexpr long kTargetNumberWidth = 11;
std::string numberAndName(std::string_view number, std::string_view name, long width);
// The number of those blanks; raises as numberAndName does.
size_t fillerLength(std::string_view number, long width);

StrArray accountGridHeader(const ProgramState& st);
// The four cells of a mapping entry's row: type, QuickBooks account, target account and
// the hidden combo list index.
StrArray accountGridRow(const MappedAccount& mapped);

// The account combo's items: " <Add New>", "", then each target account.
Sem sfSetUpCombo(const ProgramState& st, StrArray& listItems);

// ---- Mapping and ledger files -------------------------------------------------------

// Reads the mapping section of the mapping file open as file 1, up to and including the
// "MAS accounts" line, after unmapping every entry.
Sem sfLoadMapping(ProgramState& st);

// Replaces gcolTargetAccounts with the rest of file 1, one "number,name" per line.
Sem sfLoadcolTargetAccountsFromMapping(ProgramState& st);

// The mapping the mapping file gives, before the Journal report's accounts are known (the
// batch command's conversion in the same reading as the scan): into a state of its own,
// an entry for every account number the file maps, as Load Mapping maps a row of that
// number, with the file's target accounts; with autoMap, Auto Map then maps an entry for
// each target account's number that the file leaves unmapped.
Sem sfForeseeMapping(ProgramState& st, UiPort& ui, const std::string& path, bool autoMap);

// "&Save Mapping", "Sa&ve Ledger": the path comes from the port's save dialog.
void cmdSaveMapping_Click(ProgramState& st, UiPort& ui);
void cmdSaveLedger_Click(ProgramState& st, UiPort& ui);

// "&Load Mapping": the path comes from the port's open dialog. Returns the new combo
// items when the mapping and its accounts were loaded; nothing when the user cancelled
// or a failure was reported. Either way the grid shows gcolMappedAccounts afresh.
std::optional<StrArray> cmdLoadMapping_Click(ProgramState& st, UiPort& ui);

}  // namespace tav
