#pragma once
// The mapping screens' grid: a MappingTable shown by a table view, with the screen's
// list (the editor: a drop-down list or a completing combo) floating over the table's
// list column on the current row. One editor serves every row and has the keyboard focus
// for the grid; a row's choice is whatever the table says, so the window only passes on
// what the user did.
//
//   auto* model = new MappingTableModel(table, this);
//   auto* grid = new MappingGrid(model, cmbTaxCodes, this);
//   connect(grid, &MappingGrid::rowEntered, ...);       // show the row's choice silently
//   connect(cmbTaxCodes, &QComboBox::activated, ...);   // a user's choice: ask the table
//   grid->setKeyHandler(...);                           // the editor's keys: ask the table

#include <QAbstractTableModel>
#include <QIcon>
#include <QTableView>
#include <functional>

#include "shell/MappingTable.h"

class QKeyEvent;

namespace tav::ui {

// A MappingTable's rows for a view, rows and columns from 0: one column per header text,
// the last (the list index) hidden by the grid. A row's note shows as a mark before its
// first cell and as its tool tip.
class MappingTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    MappingTableModel(MappingTable& table, QObject* parent);

    MappingTable& table() const { return table_; }
    // The mark of a row with a note, for a legend beside the grid.
    static QIcon noteIcon();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The mapping was rebuilt: every row anew, the placeholder row empty.
    void reload();
    // Table row r (from 1) changed.
    void rowChanged(long r);
    // Any row may have changed, none came or went (automatic mapping, a loaded mapping);
    // the current row stays.
    void allRowsChanged();

private:
    MappingTable& table_;
};

// The key of a key press as the list's rules know it; nothing for the keys that are the
// window's (Tab, access keys and other shortcuts).
std::optional<GridKey> gridKeyOf(const QKeyEvent& event);

class MappingGrid : public QTableView {
    Q_OBJECT
public:
    // Takes the editor over: it floats over the model's list column of the current row
    // and has the focus whenever the grid would.
    MappingGrid(MappingTableModel* model, QWidget* editor, QWidget* parent);

    MappingTableModel* mappingModel() const { return model_; }
    QWidget* editor() const { return editor_; }

    // The current row, from 1 as the table counts. Moving to a row (even the current
    // one) places the editor on it and signals rowEntered.
    long currentRow() const;
    void setCurrentRow(long r);
    // The rows shown whole at once: what Page Up and Page Down move by.
    long pageRows() const;

    // Widths of the visible columns. The grid is exactly as wide as its columns, and
    // wider by its scroll bar while the rows do not all fit its height.
    void setColumnWidths(const QList<int>& widths);

    // Decides a key pressed in the editor, or in its list while dropped down: true when
    // the key was dealt with and the editor must not have it.
    using KeyHandler = std::function<bool(GridKey key, bool listOpen)>;
    void setKeyHandler(KeyHandler handler) { keyHandler_ = std::move(handler); }

signals:
    // The editor stands on row r (from 1) now, after a click, a key or setCurrentRow: it
    // should show the row's choice (without that counting as a choice).
    void rowEntered(long r);

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void focusInEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void updateGeometries() override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void placeEditor();
    void fitWidth();
    int editorColumn() const;

    MappingTableModel* model_;
    QWidget* editor_;
    QWidget* listView_ = nullptr;  // the editor's drop-down list, when it has one
    long enteredRow_ = 0;          // the row rowEntered told last
    QList<int> widths_;
    KeyHandler keyHandler_;
};

}  // namespace tav::ui
