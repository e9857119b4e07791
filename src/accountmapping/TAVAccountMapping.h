#pragma once
// The account mapping screen's rules without its window: the grid's cells, the account
// combo that floats over the target cell of the current row with its auto-complete and
// keys, and what the buttons do to the grid. The mapping model and the files are
// modAccountMapping's; failures are reported under "TAVAccountMapping.frm".
//
// The window shows a View and forwards its events here: the combo's text after the
// user edited it, its keys, a choice from its list, a click on another row. Changes
// the rules make (a completion, the combo set to a row's choice) run no click logic.
// The grid's rows come from the mapping itself (AccountTable).

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "safe/Collection.h"
#include "safe/UiPort.h"
#include "shell/MappingTable.h"

namespace tav {

struct ProgramState;

namespace accountmappingscreen {

inline constexpr std::string_view kModule = "TAVAccountMapping.frm";
// The drop-down list's height in items.
inline constexpr int kDropDownItems = 18;

// flxAccounts: a row per mapping entry (QuickBooks account type, number and name, the
// target account and the hidden list index); the combo floats over the target account.
class AccountTable : public MappingTable {
public:
    explicit AccountTable(ProgramState& st) : st_(st) {}

    StrArray header() const override;
    StrArray listItems() const override { return items_; }
    int listColumn() const override { return 2; }

    // The combo's items: " <Add New>", "", then each target account.
    const StrArray& items() const { return items_; }
    void setItems(StrArray items) { items_ = std::move(items); }
    // The rows shown: the entries before the first whose row cannot be built.
    void setRows(long rows) { rows_ = rows; }

protected:
    long entryCount() const override { return rows_; }
    StrArray entryRow(long r) const override;
    void store(long r, long index) override;
    std::string placeholderCell(long index) const override;

private:
    ProgramState& st_;
    StrArray items_;
    long rows_ = 0;
};

// cmbAccounts: the item chosen (-1 none), its text and the selected part of the text
// (byte offsets into text).
struct Combo {
    long listIndex = -1;
    std::string text;
    size_t selStart = 0;
    size_t selLength = 0;
};

struct View {
    explicit View(ProgramState& st) : table(st) {}

    std::string lblAccountMapping;
    bool saveLedgerVisible = false;  // "Sa&ve Ledger", Accountant's Office only
    AccountTable table;              // the grid's rows and the combo's items
    long row = 1;                    // the current row, from 1
    Combo combo;
    bool mblnSuppressAutoComplete = false;
    // Opens the "Add Account to List" dialog without blocking the screen (the window's).
    std::function<void()> showNewAccount;
};

// The opening without a window, as the batch command takes it: builds the mapping from
// the chart of accounts and the report's accounts while it is empty; an existing mapping
// stays as it stands. False when building it failed (the failure has been reported).
bool Form_Load(ProgramState& st, UiPort& ui);

// Builds the label, the grid (building the mapping first while it is empty) and the
// combo, with row 1 current. A row or combo item that cannot be built is reported and
// the screen stays as far as it was built; false then.
bool Form_Load(ProgramState& st, UiPort& ui, View& view);

// The label for a target.
std::string instructions(const ProgramState& st);

// After the text changed: completes it from the first item that begins with it (ignoring
// case), the added part selected, unless the change was a deletion.
void cmbAccounts_Change(View& view);

// A key in the combo (its dropped-down list has its own): Enter and Down store the
// choice and move down, Up stores it and moves up, a number the list lacks asks whether
// to add it; Backspace, Delete and the arrows remove a completion without completing
// again; typing passes; F4 and Alt+Down open the list at the item the text begins with;
// Home, End, the page keys and the rest do nothing. A move is to view.row.
KeyOutcome cmbAccounts_KeyDown(ProgramState& st, UiPort& ui, View& view, GridKey key,
                               bool listOpen);

// A list item chosen (by the user, or by the keys above): the current row takes it and
// the next row becomes current; " <Add New>" opens the dialog.
void cmbAccounts_Click(ProgramState& st, UiPort& ui, View& view, long listIndex);

// The user made another row current.
void flxAccounts_SelChange(View& view, long row);

// After the "Add Account to List" dialog closed: an account added there is chosen for
// the current row.
void RefreshAfterNewAccount(ProgramState& st, UiPort& ui, View& view);

// The buttons' actions (modAccountMapping), with the grid and the combo brought up to
// date afterwards.
void cmdAutoMapping_Click(ProgramState& st, UiPort& ui, View& view);
void cmdLoadMapping_Click(ProgramState& st, UiPort& ui, View& view);

// The first item that begins with the text, ignoring the case of ASCII letters; -1 when
// none does or the text is empty.
long findItem(const StrArray& items, std::string_view text);

}  // namespace accountmappingscreen
}  // namespace tav
