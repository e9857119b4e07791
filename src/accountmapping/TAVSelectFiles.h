#pragma once
// The select ledger screen's rules without its window: which target chart of accounts
// the account mapping maps to. Loading a ledger empties the account mapping. Failures
// are reported under "TAVSelectFiles.frm".

#include <string>
#include <string_view>

#include "safe/UiPort.h"

namespace tav {

struct ProgramState;

namespace selectledger {

inline constexpr std::string_view kModule = "TAVSelectFiles.frm";
// Longest customised ledger path shown before it is shortened.
inline constexpr short kPathDisplayLength = 45;

struct View {
    std::string mstrLedgerPath;  // the chosen ledger, "none" or the customised file
    bool customisedEnabled = false;
    std::string lblCustomisedLedgerPath;
};

// Selects the stored choice, which loads it while no accounts are loaded; nothing is
// selected after the target changed (glngLedgerNumber -1).
void Form_Load(ProgramState& st, UiPort& ui, View& view);

// Stores the choice and loads its ledger when it differs from the stored one or no
// accounts are loaded; "Customised ledger" enables the choice of a file.
void cboLedgers_Click(ProgramState& st, UiPort& ui, long position, View& view);

// Asks for a customised ledger and loads a file other than the one chosen before.
void cmdCustomisedCofA_Click(ProgramState& st, UiPort& ui, View& view);

// Loads the chosen ledger again.
void cmdReloadAccounts_Click(ProgramState& st, UiPort& ui, View& view);

}  // namespace selectledger
}  // namespace tav
