#include "accountmapping/TAVAccountMapping.h"

#include <algorithm>
#include <charconv>

#include "accountmapping/modAccountMapping.h"
#include "safe/ErrorLog.h"
#include "shell/ProgramState.h"

namespace tav::accountmappingscreen {

namespace {

constexpr size_t kTargetCell = 2;
constexpr size_t kIndexCell = 3;

char foldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool beginsWith(std::string_view item, std::string_view text) {
    return item.size() >= text.size() &&
           std::equal(text.begin(), text.end(), item.begin(),
                      [](char a, char b) { return foldCase(a) == foldCase(b); });
}

// The list index kept in the current row's hidden cell; -1 for a text that is none.
long storedIndex(const View& view) {
    if (view.row < 1 || view.row > static_cast<long>(view.grid.size())) return -1;
    const std::string& cell = view.grid[static_cast<size_t>(view.row - 1)].at(kIndexCell);
    long index = -1;
    const auto [end, ec] = std::from_chars(cell.data(), cell.data() + cell.size(), index);
    return ec == std::errc() && end == cell.data() + cell.size() ? index : -1;
}

// Sets the combo to an item, its whole text selected, without running the click logic.
// An index outside the list (a mapping file that lacks its accounts) selects nothing.
void setListIndex(Combo& combo, long index) {
    const bool inList = index >= 0 && index < static_cast<long>(combo.items.size());
    combo.listIndex = inList ? index : -1;
    combo.text = inList ? combo.items[static_cast<size_t>(index)] : std::string();
    combo.selStart = 0;
    combo.selLength = combo.text.size();
}

void showStoredChoice(View& view) { setListIndex(view.combo, storedIndex(view)); }

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

void askToAdd(ProgramState& st, UiPort& ui, View& view, Key key, long keyRow) {
    const Answer answer = ui.messageBox(
        Message{"The account number you entered is not in the list. \r\nWould you like to add "
                "it to the list? \r\n(The account must be in the client ledger in " +
                    st.gstrTargetAppName + ".)",
                Buttons::YesNo, Icon::Question, DefaultButton::First, "Add account to List?"});
    if (answer != Answer::Yes) return;
    st.gstrNewAccountText = view.combo.text;
    showNewAccount(view);
    if (st.gblnNewAccountAdded && key == Key::Up) moveUp(view, keyRow);
}

// Enter, Down and Up: the item the text begins with (the empty item for an empty text)
// is stored for the row.
void chooseFromText(ProgramState& st, UiPort& ui, View& view, Key key) {
    const long keyRow = view.row;
    const long index = view.combo.text.empty() ? 1 : findItem(view.combo.items, view.combo.text);
    if (index < 0) return askToAdd(st, ui, view, key, keyRow);
    setListIndex(view.combo, index);
    cmbAccounts_Click(st, ui, view, index);
    if (key == Key::Up) moveUp(view, keyRow);
}

void rebuildTargetCells(const ProgramState& st, View& view, long row) {
    if (row < 1 || row > static_cast<long>(view.grid.size())) return;
    const StrArray cells = accountGridRow(st.gcolMappedAccounts.Item(row));
    StrArray& shown = view.grid[static_cast<size_t>(row - 1)];
    shown.at(kTargetCell) = cells[kTargetCell];
    shown.at(kIndexCell) = cells[kIndexCell];
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

bool Form_Load(ProgramState& st, UiPort& ui, View& view) {
    view.lblAccountMapping = instructions(st);
    view.saveLedgerVisible = isAccountantsOffice(st.gintTargetApp);
    view.header = accountGridHeader(st);
    view.grid.clear();
    view.row = 1;
    view.combo = {};
    view.mblnSuppressAutoComplete = false;
    if (!Form_Load(st, ui)) return false;
    bool built = false;
    reportingFailures(st, ui, kModule, "Form_Load", [&] {
        view.grid.reserve(static_cast<size_t>(st.gcolMappedAccounts.Count()));
        for (const MappedAccount& mapped : st.gcolMappedAccounts)
            view.grid.push_back(accountGridRow(mapped));
        if (view.grid.empty()) view.grid.push_back(accountGridPlaceholderRow());
        if (Sem e = sfSetUpCombo(st, view.combo.items); !e.empty())
            return dsCreateSEMAndDoAll(st, ui, kModule, "Form_Load", 0,
                                       "Error setting up combo on grid.", e, true);
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
    if (c.items.empty() || view.mblnSuppressAutoComplete) {
        view.mblnSuppressAutoComplete = false;
        return;
    }
    const long index = findItem(c.items, c.text);
    if (index < 0) return;
    const std::string& item = c.items[static_cast<size_t>(index)];
    if (item.size() <= c.text.size()) return;
    // The typed part keeps its own case; only the rest comes from the item.
    const size_t typed = c.text.size();
    c.text += item.substr(typed);
    c.selStart = typed;
    c.selLength = c.text.size() - typed;
}

KeyResult cmbAccounts_KeyDown(ProgramState& st, UiPort& ui, View& view, Key key) {
    KeyResult result = KeyResult::Consumed;
    reportingFailures(st, ui, kModule, "cmbAccounts_KeyDown", [&] {
        switch (key) {
            case Key::Delete:  // without a selection it does nothing
                if (view.combo.selLength > 0) {
                    view.mblnSuppressAutoComplete = true;
                    deleteSelection(view);
                }
                return;
            case Key::Backspace:  // removes a selection alone, else the character before
                view.mblnSuppressAutoComplete = true;
                if (view.combo.selLength > 0)
                    deleteSelection(view);
                else
                    result = KeyResult::Passed;
                return;
            case Key::Left:
            case Key::Right:
                view.mblnSuppressAutoComplete = true;
                deleteSelection(view);
                result = KeyResult::Passed;
                return;
            case Key::Enter:
            case Key::Down:
            case Key::Up: return chooseFromText(st, ui, view, key);
            case Key::Text:
            case Key::ShowList:
            case Key::Help: result = KeyResult::Passed; return;
            case Key::Other: return;
        }
    });
    return result;
}

void cmbAccounts_Click(ProgramState& st, UiPort& ui, View& view, long listIndex) {
    reportingFailures(st, ui, kModule, "cmbAccounts_Click", [&] {
        Combo& c = view.combo;
        if (listIndex == 0) {  // " <Add New>"
            showStoredChoice(view);
            return showNewAccount(view);
        }
        if (listIndex < 0 || listIndex >= static_cast<long>(c.items.size()))
            return showStoredChoice(view);
        StrArray& cells = view.grid.at(static_cast<size_t>(view.row - 1));
        cells.at(kTargetCell) = " " + c.items[static_cast<size_t>(listIndex)];
        cells.at(kIndexCell) = std::to_string(listIndex);
        storeAccountChoice(st, view.row, listIndex);  // the placeholder row stores nothing
        if (view.row < static_cast<long>(view.grid.size())) {
            ++view.row;
            showStoredChoice(view);
        }
    });
}

void flxAccounts_SelChange(View& view, long row) {
    if (row < 1 || row > static_cast<long>(view.grid.size())) return;
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
        view.combo.items = std::move(items);
        const long newest = static_cast<long>(view.combo.items.size()) - 1;
        setListIndex(view.combo, newest);
        cmbAccounts_Click(st, ui, view, newest);
    });
}

void cmdAutoMapping_Click(ProgramState& st, UiPort& ui, View& view) {
    tav::cmdAutoMapping_Click(st, ui, [&](long row) { rebuildTargetCells(st, view, row); });
    showStoredChoice(view);
}

void cmdLoadMapping_Click(ProgramState& st, UiPort& ui, View& view) {
    std::optional<StrArray> items = tav::cmdLoadMapping_Click(st, ui);
    reportingFailures(st, ui, kModule, "cmdLoadMapping_Click", [&] {
        // A failed load keeps what it did before failing, the rows unmapped included.
        if (!st.gcolMappedAccounts.empty())
            for (long row = 1; row <= static_cast<long>(view.grid.size()); ++row)
                rebuildTargetCells(st, view, row);
        if (!items) return;
        view.combo.items = std::move(*items);
        showStoredChoice(view);
    });
}

}  // namespace tav::accountmappingscreen
