#pragma once
// The tax mapping screen's rules without its window: choosing the company file and the
// Journal report, rebuilding the mapping from the report, and what the grid and its list
// do with the user's choices and keys. The window shows gcolMappedTaxCodes afresh after
// each of them; the batch command calls them in the same order as a user does. Failures
// are reported under "TAVTaxMapping.frm".

#include <string>
#include <string_view>

#include "safe/Sem.h"
#include "safe/UiPort.h"
#include "shell/MappingTable.h"
#include "taxmapping/modTaxMapping.h"

namespace tav {

struct ProgramState;

namespace taxmappingscreen {

inline constexpr std::string_view kModule = "TAVTaxMapping.frm";

// Longest path shown in the labels before it is shortened.
inline constexpr short kPathDisplayLength = 45;

// What the screen shows besides the grid.
struct View {
    std::string caption;
    bool mapping = true;  // the mapping frame with the grid and the list (not for
                          // Accountant's Office, which has no tax mapping)
    std::string lblQBDataFilePath, lblJournalPath;  // shortened paths
    std::string lblGetQBLists, lblCodeMapping;
};
View view(const ProgramState& st);

// Falls back to the root folder and to the client folder's Journal.txt when they have
// gone. For MAS and 'Accounts' it loads the target's tax codes and the default mapping
// while they are still empty; a failed load is reported and the screen goes on.
void Form_Load(ProgramState& st, UiPort& ui);

// Asks for the company file; a different file must have its lists extracted again.
void cmdQBDataFile_Click(ProgramState& st, UiPort& ui);

enum class JournalChoice {
    Cancelled,  // no report chosen, or the user has not extracted the lists
    Kept,       // the same report again: its mapping stays as it is
    Chosen,     // a report to read (readJournalFile)
    Taken,      // read: tax items collected (and mapped), accounts collected
    Failed,     // the user has been told why
};

// "Bro&wse" for the Journal report: asks for it, reads the two lists, checks the
// report's header, collects its tax items (mapping the standard ones for MAS and
// 'Accounts') and, except for 'Accounts', the accounts it uses, dropping the account
// mapping made before.
JournalChoice cmdTransFile_Click(ProgramState& st, UiPort& ui);

// Its two halves, for a window that covers the reading: the choice (the file dialog,
// keeping the mapping of the same report, the lists question), which empties the mapping
// unless it is kept; then the reading of a Chosen report.
JournalChoice chooseJournalFile(ProgramState& st, UiPort& ui);
JournalChoice readJournalFile(ProgramState& st, UiPort& ui);

// Takes the tax items of a scan of the Journal report and maps the standard ones.
Sem sfImportCodes(ProgramState& st, const ReportScan& scan);

// ---- The tax mapping remembered for a client -------------------------------------------
//
// The desktop application remembers the grid's mapping beside the Journal report (the
// client folder) in the layout tav-convert's --tax-mapping reads, one file per target
// since each has its own codes, and offers it again when the next report is read there.

// "" for targets without a tax mapping, and while no report is chosen.
std::string rememberedTaxMappingFile(const ProgramState& st);

// Right after a report was read (Taken): the remembered mapping's choices, made over the
// automatic mapping, as a whole or not at all. A file that cannot be used is reported and
// ignored; the items whose rows it filled are noted.
void applyRememberedTaxMapping(ProgramState& st, UiPort& ui);

// After the user changed the mapping: writes it as the client's remembered mapping,
// keeping the remembered lines of items this report does not use. When that fails the
// user is told once, and nothing more is written until the next report is read.
void rememberTaxMapping(ProgramState& st, UiPort& ui);

// ---- The grid flxTaxCodes and its list cmbTaxCodes ------------------------------------

// The mapping as the grid shows it: " QuickBooks" and the target's name over each tax
// item and its code, both after a blank, and the hidden list position; the list floats
// over the code column.
class TaxCodeTable : public MappingTable {
public:
    explicit TaxCodeTable(ProgramState& st) : st_(st) {}

    StrArray header() const override;
    StrArray listItems() const override;
    int listColumn() const override { return 1; }
    // Rows filled by the remembered mapping say so, until the user chooses again.
    std::string note(long r) const override;

protected:
    long entryCount() const override;
    StrArray entryRow(long r) const override;
    void store(long r, long index) override;

private:
    ProgramState& st_;
};

// The user chose list item `index` on grid row `row` (see MappingTable::choose); a
// changed mapping is remembered for the client.
GridMove cmbTaxCodes_Click(ProgramState& st, UiPort& ui, TaxCodeTable& table, long row, long index);

// The "Add Tax Code to List" dialog has closed: when it added codes, row `row` takes the
// newest (see MappingTable::afterAdding).
GridMove dsHaveLeftAddTaxCode(ProgramState& st, UiPort& ui, TaxCodeTable& table, long row);

// A key in the list. A code is chosen only by picking it from the dropped-down list, so
// typed characters, and every key that would change the closed list's selection, choose
// nothing. With the list closed the arrows, Page Up, Page Down, Home and End move between
// the rows (`page` rows at a time for the page keys) and Enter, Space, F4 and Alt+Down
// drop the list down.
KeyOutcome cmbTaxCodes_KeyDown(GridKey key, bool listOpen, long row, long rows, long page);

}  // namespace taxmappingscreen
}  // namespace tav
