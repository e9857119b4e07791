#pragma once
// The tax mapping screen's rules without its window: choosing the company file and the
// Journal report, and rebuilding the mapping from the report. The window shows
// gcolMappedTaxCodes afresh after each of them; the batch command calls them in the
// same order as a user does. Failures are reported under "TAVTaxMapping.frm".

#include <string_view>

#include "safe/Sem.h"
#include "safe/UiPort.h"
#include "taxmapping/modTaxMapping.h"

namespace tav {

struct ProgramState;

namespace taxmappingscreen {

inline constexpr std::string_view kModule = "TAVTaxMapping.frm";

// Falls back to the root folder and to the client folder's Journal.txt when they have
// gone. For MAS and 'Accounts' it loads the target's tax codes and the default mapping
// while they are still empty; a failed load is reported and the screen goes on.
void Form_Load(ProgramState& st, UiPort& ui);

// Asks for the company file; a different file must have its lists extracted again.
void cmdQBDataFile_Click(ProgramState& st, UiPort& ui);

enum class JournalChoice {
    Cancelled,  // no report chosen, or the user has not extracted the lists
    Kept,       // the same report again: its mapping stays as it is
    Taken,      // read: tax items collected (and mapped), accounts collected
    Failed,     // the user has been told why
};

// Asks for the Journal report, reads the two lists, checks the report's header, collects
// its tax items (mapping the standard ones for MAS and 'Accounts') and, except for
// 'Accounts', the accounts it uses, dropping the account mapping made before.
JournalChoice cmdTransFile_Click(ProgramState& st, UiPort& ui);

// Takes the tax items of a scan of the Journal report and maps the standard ones.
Sem sfImportCodes(ProgramState& st, const ReportScan& scan);

}  // namespace taxmappingscreen
}  // namespace tav
