#pragma once
// What a mapping screen's grid and its drop-down list do, whatever they map: the tax
// mapping screen pairs tax items with target tax codes, the account mapping screen
// QuickBooks accounts with target accounts.
//
// The grid shows one row per mapping entry, in the entries' order, or a single
// placeholder row while the mapping is empty. The list floats over one column of the
// current row and offers " <Add New>" (index 0), the blank entry that unmaps (index 1)
// and then the target's codes or accounts. Each row's last cell, hidden, holds the list
// index of its choice, which is what the list shows while it stands on the row.
//
// A window shows this and passes on only what the user did (a choice from the list, a
// key, a click on a row); the program's own changes of the list's selection are never
// a choice. Rows are counted from 1 below the header, as the entries are.

#include <string>

#include "safe/Collection.h"

namespace tav {

// The keys the list hears. Keys that move the focus (Tab) and the window's shortcuts
// (access keys, F1 as context help) are the window's and never come here.
enum class GridKey {
    Up,
    Down,
    PageUp,
    PageDown,
    Home,
    End,
    Enter,
    Space,
    OpenList,  // F4, Alt+Down
    Escape,
    Backspace,
    Delete,
    Left,
    Right,
    Character,  // a typed character
    Other,
};

// What a key does on the list.
struct KeyOutcome {
    enum class Action {
        Pass,      // the list's own handling
        Discard,   // nothing
        MoveTo,    // the grid moves to `row`
        OpenList,  // the list drops down over the current row
    };
    Action action = Action::Pass;
    long row = 0;

    friend bool operator==(const KeyOutcome&, const KeyOutcome&) = default;
};

// Where a user's choice leaves the grid.
struct GridMove {
    long row = 1;         // the current row now
    bool stored = false;  // an entry of the mapping changed
    bool addNew = false;  // the dialog that adds to the list is to be opened, without blocking

    friend bool operator==(const GridMove&, const GridMove&) = default;
};

class MappingTable {
public:
    static constexpr long kAddNew = 0;  // " <Add New>"
    static constexpr long kBlank = 1;   // the blank entry: not mapped

    virtual ~MappingTable() = default;

    // One header text per column; the last column holds the list index and is hidden.
    virtual StrArray header() const = 0;
    // The list: " <Add New>", the blank entry, then the target's codes or accounts.
    virtual StrArray listItems() const = 0;
    // The column (from 0) the list floats over.
    virtual int listColumn() const = 0;

    // At least 1: the placeholder row stands in for an empty mapping.
    long rowCount() const;
    bool showsPlaceholder() const { return entryCount() == 0; }
    // The cells of row r, the hidden list index last.
    StrArray row(long r) const;
    // The list index of row r's choice; -1 (nothing) when its cell holds no index.
    long listIndex(long r) const;
    // Something the user should know about row r (where its choice came from); "" for
    // nothing.
    virtual std::string note(long /*r*/) const { return {}; }

    // The user chose list item `index` on row `r`. " <Add New>" keeps the row's choice
    // and asks for the dialog. Any other item is the row's choice: stored in its entry
    // (the placeholder row only shows it) and the grid moves on to the next row, so that
    // the user can map row after row; the last row stays current.
    GridMove choose(long r, long index);

    // The dialog opened by " <Add New>" has closed: when it added to the list, row r
    // takes the newest item (the list's last) as if the user had chosen it; otherwise
    // the row keeps its choice.
    GridMove afterAdding(long r, bool added);

    // The entries were rebuilt: the placeholder row is empty again.
    void clearPlaceholder();

protected:
    virtual long entryCount() const = 0;
    // Entry r's cells, the list index last.
    virtual StrArray entryRow(long r) const = 0;
    // Makes list item `index` entry r's choice.
    virtual void store(long r, long index) = 0;
    // The cell the list's item shows in the placeholder row.
    virtual std::string placeholderCell(long index) const;

private:
    StrArray placeholder_;  // empty until a choice is made in the placeholder row
};

}  // namespace tav
