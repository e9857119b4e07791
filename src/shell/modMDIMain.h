#pragma once
// Start-up and shutdown of the program, without windows: the main window runs
// these from its load and unload events, the batch command and the tests call them
// directly.

#include <string>

#include "safe/Sem.h"
#include "safe/UiPort.h"

namespace tav {

struct ProgramState;

enum class StartupOutcome {
    Fatal,     // the user has been told; the program must end now
    Stopped,   // the rest of start-up was skipped; only the empty main window stays
    Complete,  // show the navigator (and the Introduction when gblnShowIntro)
};

// Finds or creates the data folder, sets the list file paths, hands the log path to
// the settings component, clears the Journal report choice, reads TAV.ini with every
// fallback, and registers the help file.
StartupOutcome MDIForm_Load(ProgramState& st, UiPort& ui);

// Earlier versions kept the data folder where every user could write (outside Windows).
// The first start with the user's own data folder moves the user's own lists and log from
// there; files of other users, and links, stay where they are.
void moveFromEarlierDataFolder(const std::string& earlier, const std::string& dataFolder);

// Empties gstrJournalFile.
Sem sfInitModVars(ProgramState& st);

// Writes the navigator's choices back to TAV.ini, in their fixed order.
void MDIForm_Unload(ProgramState& st, UiPort& ui);

}  // namespace tav
