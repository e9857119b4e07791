#include "accountmapping/TAVAccountMapping.h"

#include <algorithm>

#include "accountmapping/modAccountMapping.h"
#include "safe/ErrorLog.h"
#include "safe/SafeMethods.h"
#include "shell/ProgramState.h"

namespace tav::accountmappingscreen {

namespace {

char foldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool beginsWith(std::string_view item, std::string_view text) {
    return item.size() >= text.size() &&
           std::equal(text.begin(), text.end(), item.begin(),
                      [](char a, char b) { return foldCase(a) == foldCase(b); });
}

// Sets the combo to an item, its whole text selected, without running the click logic.
// An index outside the list (a mapping file that lacks its accounts) selects nothing.
void setListIndex(View& view, long index) {
    const StrArray& items = view.table.items();
    Combo& combo = view.combo;
    const bool inList = index >= 0 && index < static_cast<long>(items.size());
    combo.listIndex = inList ? index : -1;
    combo.text = inList ? items[static_cast<size_t>(index)] : std::string();
    combo.selStart = 0;
    combo.selLength = combo.text.size();
}

// The combo shows the current row's choice.
void showStoredChoice(View& view) { setListIndex(view, view.table.listIndex(view.row)); }

// Removes the selected text; the change runs the change logic, as any change does.
void deleteSelection(View& view) {
    Combo& c = view.combo;
    if (c.selLength == 0) return;
    c.text.erase(c.selStart, c.selLength);
    c.selLength = 0;
    cmbAccounts_Change(view);
}

void showNewAccount(View& view) {
    if (view.showNewAccount) view.showNewAccount();
}

// After Up stored a choice: the row above the one the key was pressed on (the first row
// stays), showing its own choice.
void moveUp(View& view, long keyRow) {
    view.row = std::max(1L, keyRow - 1);
    showStoredChoice(view);
}

void askToAdd(ProgramState& st, UiPort& ui, View& view, GridKey key, long keyRow) {
    const Answer answer = ui.messageBox(
        Message{"The account number you entered is not in the list. \r\nWould you like to add "
                "it to the list? \r\n(The account must be in the client ledger in " +
                    st.gstrTargetAppName + ".)",
                Buttons::YesNo, Icon::Question, DefaultButton::First, "Add account to List?"});
    if (answer != Answer::Yes) return;
    st.gstrNewAccountText = view.combo.text;
    showNewAccount(view);
    if (st.gblnNewAccountAdded && key == GridKey::Up) moveUp(view, keyRow);
}

// Enter, Down and Up: the item the text begins with (the empty item for an empty text)
// is stored for the row.
void chooseFromText(ProgramState& st, UiPort& ui, View& view, GridKey key) {
    const long keyRow = view.row;
    const long index = view.combo.text.empty() ? MappingTable::kBlank
                                               : findItem(view.table.items(), view.combo.text);
    if (index < 0) return askToAdd(st, ui, view, key, keyRow);
    setListIndex(view, index);
    cmbAccounts_Click(st, ui, view, index);
    if (key == GridKey::Up) moveUp(view, keyRow);
}

// Its target cell shown as the grid shows it; a number too long for its blanks raises.
void checkShown(const MappedAccount& mapped) {
    fillerLength(mapped.targetNumber, kTargetNumberWidth);
}

}  // namespace

bool Form_Load(ProgramState& st, UiPort& ui) {
    bool built = false;
    reportingFailures(st, ui, kModule, "Form_Load", [&] {
        st.gblnNewAccountAdded = false;
        if (st.gcolMappedAccounts.empty()) {
            ui.setBusy(true);
            const Sem e = sfPopulateColMappedAccounts(st, ui);
            ui.setBusy(false);
            if (!e.empty())
                return dsCreateSEMAndDoAll(st, ui, kModule, "Form_Load", 0,
                                           "Error obtaining accounts to map.", e, true);
        }
        built = true;
    });
    return built;
}

std::string instructions(const ProgramState& st) {
    const std::string& target = st.gstrTargetAppName;
    const bool ao = isAccountantsOffice(st.gintTargetApp);
    std::string text = "Map the QuickBooks accounts to " + target +
                       " accounts then save the mapping for future use. You can load a previous "
                       "mapping for this client if you have one. Auto-mapping maps unmapped "
                       "accounts to accounts with the same account number.\r\nDo not map to " +
                       target + (ao ? " 'Master'," : "") +
                       " 'Control' or 'Special Use' accounts.\r\nType the account codes and use "
                       "the arrows, Enter, Backspace and Delete keys to make use of the "
                       "auto-complete feature.";
    if (ao)
        text +=
            "\r\nTo create a customised ledger, add new accounts in the accounts list and click "
            "Save Ledger.";
    return text;
}

StrArray AccountTable::header() const { return accountGridHeader(st_); }

StrArray AccountTable::entryRow(long r) const {
    const MappedAccount& mapped = st_.gcolMappedAccounts.Item(r);
    try {
        return accountGridRow(mapped);
    } catch (...) {
        // A number too long for its blanks was reported when it came; painting goes on.
        return {" " + mapped.type, " " + mapped.number + " " + mapped.name,
                " " + mapped.targetNumber + " " + mapped.targetName, mapped.listIndex};
    }
}

void AccountTable::store(long r, long index) { storeAccountChoice(st_, r, index); }

std::string AccountTable::placeholderCell(long index) const {
    return " " + items_.at(static_cast<size_t>(index));
}

bool Form_Load(ProgramState& st, UiPort& ui, View& view) {
    view.lblAccountMapping = instructions(st);
    view.saveLedgerVisible = isAccountantsOffice(st.gintTargetApp);
    view.table.setRows(0);
    view.table.setItems({});
    view.table.clearPlaceholder();
    view.row = 1;
    view.combo = {};
    view.mblnSuppressAutoComplete = false;
    if (!Form_Load(st, ui)) return false;
    bool built = false;
    reportingFailures(st, ui, kModule, "Form_Load", [&] {
        long rows = 0;
        for (const MappedAccount& mapped : st.gcolMappedAccounts) {
            fillerLength(mapped.number, kQuickBooksNumberWidth);
            fillerLength(mapped.targetNumber, kTargetNumberWidth);
            view.table.setRows(++rows);
        }
        StrArray items;
        if (Sem e = sfSetUpCombo(st, items); !e.empty())
            return dsCreateSEMAndDoAll(st, ui, kModule, "Form_Load", 0,
                                       "Error setting up combo on grid.", e, true);
        view.table.setItems(std::move(items));
        showStoredChoice(view);
        built = true;
    });
    return built;
}

long findItem(const StrArray& items, std::string_view text) {
    if (text.empty()) return -1;
    const auto found = std::ranges::find_if(
        items, [&](const std::string& item) { return beginsWith(item, text); });
    return found == items.end() ? -1 : static_cast<long>(found - items.begin());
}

void cmbAccounts_Change(View& view) {
    Combo& c = view.combo;
    const StrArray& items = view.table.items();
    if (items.empty() || view.mblnSuppressAutoComplete) {
        view.mblnSuppressAutoComplete = false;
        return;
    }
    const long index = findItem(items, c.text);
    if (index < 0) return;
    const std::string& item = items[static_cast<size_t>(index)];
    if (item.size() <= c.text.size()) return;
    // The typed part keeps its own case; only the rest comes from the item.
    const size_t typed = c.text.size();
    c.text += item.substr(typed);
    c.selStart = typed;
    c.selLength = c.text.size() - typed;
}

KeyOutcome cmbAccounts_KeyDown(ProgramState& st, UiPort& ui, View& view, GridKey key,
                               bool listOpen) {
    using Action = KeyOutcome::Action;
    if (listOpen) return {Action::Pass};
    KeyOutcome outcome{Action::Discard};
    reportingFailures(st, ui, kModule, "cmbAccounts_KeyDown", [&] {
        switch (key) {
            case GridKey::Delete:  // without a selection it does nothing
                if (view.combo.selLength > 0) {
                    view.mblnSuppressAutoComplete = true;
                    deleteSelection(view);
                }
                return;
            case GridKey::Backspace:  // removes a selection alone, else the character before
                view.mblnSuppressAutoComplete = true;
                if (view.combo.selLength > 0)
                    deleteSelection(view);
                else
                    outcome = {Action::Pass};
                return;
            case GridKey::Left:
            case GridKey::Right:
                view.mblnSuppressAutoComplete = true;
                deleteSelection(view);
                outcome = {Action::Pass};
                return;
            case GridKey::Enter:
            case GridKey::Down:
            case GridKey::Up:
                chooseFromText(st, ui, view, key);
                outcome = {Action::MoveTo, view.row};
                return;
            case GridKey::Character:
            case GridKey::Space: outcome = {Action::Pass}; return;
            case GridKey::OpenList:  // at the item the text begins with
                if (const long index = findItem(view.table.items(), view.combo.text); index >= 0)
                    view.combo.listIndex = index;
                outcome = {Action::OpenList};
                return;
            default: return;  // Home, End, the page keys, Escape
        }
    });
    return outcome;
}

void cmbAccounts_Click(ProgramState& st, UiPort& ui, View& view, long listIndex) {
    reportingFailures(st, ui, kModule, "cmbAccounts_Click", [&] {
        if (listIndex == MappingTable::kAddNew) {
            showStoredChoice(view);
            return showNewAccount(view);
        }
        if (listIndex < 0 || listIndex >= static_cast<long>(view.table.items().size()))
            return showStoredChoice(view);
        // The placeholder row of an empty mapping shows the choice and stores nothing.
        const GridMove move = view.table.choose(view.row, listIndex);
        if (move.row == view.row) return;
        view.row = move.row;
        showStoredChoice(view);
    });
}

void flxAccounts_SelChange(View& view, long row) {
    if (row < 1 || row > view.table.rowCount()) return;
    view.row = row;
    showStoredChoice(view);
}

void RefreshAfterNewAccount(ProgramState& st, UiPort& ui, View& view) {
    constexpr std::string_view kProc = "RefreshAfterNewAccount";
    reportingFailures(st, ui, kModule, kProc, [&] {
        if (!st.gblnNewAccountAdded) return showStoredChoice(view);
        StrArray items;
        if (Sem e = sfSetUpCombo(st, items); !e.empty())
            return dsCreateSEMAndDoAll(st, ui, kModule, kProc, 0, "Error setting up combo on grid.",
                                       e, true);
        view.table.setItems(std::move(items));
        const long newest = static_cast<long>(view.table.items().size()) - 1;
        setListIndex(view, newest);
        cmbAccounts_Click(st, ui, view, newest);
    });
}

void cmdAutoMapping_Click(ProgramState& st, UiPort& ui, View& view) {
    tav::cmdAutoMapping_Click(st, ui,
                              [&](long row) { checkShown(st.gcolMappedAccounts.Item(row)); });
    showStoredChoice(view);
}

void cmdLoadMapping_Click(ProgramState& st, UiPort& ui, View& view) {
    if (std::optional<StrArray> items = tav::cmdLoadMapping_Click(st, ui)) {
        view.table.setItems(std::move(*items));
        showStoredChoice(view);
    }
}

}  // namespace tav::accountmappingscreen
