#pragma once
// The account mapping screen's rules without its window: the grid's cells, the account
// combo that floats over the target cell of the current row with its auto-complete and
// keys, and what the buttons do to the grid. The mapping model and the files are
// modAccountMapping's; failures are reported under "TAVAccountMapping.frm".
//
// The window shows a View and forwards its events here: the combo's text after the
// user edited it, its keys, a choice from its list, a click on another row. Changes
// the rules make (a completion, the combo set to a row's choice) run no click logic.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "safe/Collection.h"
#include "safe/UiPort.h"

namespace tav {

struct ProgramState;

namespace accountmappingscreen {

inline constexpr std::string_view kModule = "TAVAccountMapping.frm";
// The drop-down list's height in items.
inline constexpr int kDropDownItems = 18;

// The combo's keys as its rules tell them apart.
enum class Key {
    Enter,
    Up,
    Down,
    Left,
    Right,
    Delete,
    Backspace,
    Text,      // a printable character or a clipboard key: it edits the text
    ShowList,  // F4 or Alt+Down: opens the drop-down list
    Help,      // F1
    Other,     // Home, End, PageUp, PageDown and the rest
};

// cmbAccounts: its items, the one chosen (-1 none), its text and the selected part of the
// text (byte offsets into text).
struct Combo {
    StrArray items;
    long listIndex = -1;
    std::string text;
    size_t selStart = 0;
    size_t selLength = 0;
};

struct View {
    std::string lblAccountMapping;
    bool saveLedgerVisible = false;  // "Sa&ve Ledger", Accountant's Office only
    StrArray header;                 // flxAccounts' header row, four cells
    std::vector<StrArray> grid;      // rows 1, 2, ... of flxAccounts: four cells each
    long row = 1;                    // the current row, 1-based
    Combo combo;
    bool mblnSuppressAutoComplete = false;
    // Opens the "Add Account to List" dialog without blocking the screen (the window's).
    std::function<void()> showNewAccount;
};

// What the window does with a key after the rules had it.
enum class KeyResult {
    Consumed,  // nothing more
    Passed,    // the text box's own action follows (typing, deleting a character, moving
               // the caret, help, opening the list)
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

// A key in the combo: Enter and Down store the choice and move down, Up stores it and
// moves up, a number the list lacks asks whether to add it; Backspace, Delete and the
// arrows remove a completion without completing again.
KeyResult cmbAccounts_KeyDown(ProgramState& st, UiPort& ui, View& view, Key key);

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
