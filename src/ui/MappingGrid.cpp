#include "ui/MappingGrid.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include "ui/TavForm.h"

namespace tav::ui {

namespace {

QString cellText(const std::string& text) { return QString::fromStdString(text); }

// The least height of a row (285 twips); rows are as tall as the editor needs.
constexpr int kMinimumRowHeight = twips(285);

}  // namespace

MappingTableModel::MappingTableModel(MappingTable& table, QObject* parent)
    : QAbstractTableModel(parent), table_(table) {}

QIcon MappingTableModel::noteIcon() {
    // Drawn large and scaled down, so it stays sharp at any scale.
    constexpr int kSize = 64;
    QPixmap mark(kSize, kSize);
    mark.fill(Qt::transparent);
    QPainter p(&mark);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QApplication::palette().color(QPalette::Highlight));
    p.drawEllipse(QRectF(6, 6, kSize - 12, kSize - 12));
    QPen tick(QApplication::palette().color(QPalette::HighlightedText), 7, Qt::SolidLine,
              Qt::RoundCap, Qt::RoundJoin);
    p.setPen(tick);
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF{{20, 33}, {29, 42}, {45, 24}});
    return QIcon(mark);
}

int MappingTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(table_.rowCount());
}

int MappingTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(table_.header().size());
}

QVariant MappingTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const long r = index.row() + 1;
    switch (role) {
        case Qt::DisplayRole: {
            const StrArray cells = table_.row(r);
            const auto column = static_cast<size_t>(index.column());
            return column < cells.size() ? cellText(cells[column]) : QVariant();
        }
        case Qt::ToolTipRole:
        case Qt::AccessibleDescriptionRole: {
            const std::string note = table_.note(r);
            return note.empty() ? QVariant() : cellText(note);
        }
        case Qt::DecorationRole:
            if (index.column() == 0 && !table_.note(r).empty()) return noteIcon();
            return {};
        default: return {};
    }
}

QVariant MappingTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) return {};
    if (role == Qt::TextAlignmentRole) return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole) return {};
    const StrArray header = table_.header();
    const auto column = static_cast<size_t>(section);
    return column < header.size() ? cellText(header[column]) : QVariant();
}

void MappingTableModel::reload() {
    beginResetModel();
    table_.clearPlaceholder();
    endResetModel();
}

void MappingTableModel::rowChanged(long r) {
    const int row = static_cast<int>(r) - 1;
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void MappingTableModel::allRowsChanged() {
    emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

std::optional<GridKey> gridKeyOf(const QKeyEvent& event) {
    const Qt::KeyboardModifiers mods = event.modifiers() & ~Qt::KeypadModifier;
    const int key = event.key();
    if (mods & Qt::AltModifier)
        return key == Qt::Key_Down || key == Qt::Key_Up ? std::optional(GridKey::OpenList)
                                                        : std::nullopt;
    if (mods & (Qt::ControlModifier | Qt::MetaModifier)) return std::nullopt;
    switch (key) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_F1: return std::nullopt;
        case Qt::Key_Up: return GridKey::Up;
        case Qt::Key_Down: return GridKey::Down;
        case Qt::Key_PageUp: return GridKey::PageUp;
        case Qt::Key_PageDown: return GridKey::PageDown;
        case Qt::Key_Home: return GridKey::Home;
        case Qt::Key_End: return GridKey::End;
        case Qt::Key_Return:
        case Qt::Key_Enter: return GridKey::Enter;
        case Qt::Key_Space: return GridKey::Space;
        case Qt::Key_F4: return GridKey::OpenList;
        case Qt::Key_Escape: return GridKey::Escape;
        case Qt::Key_Backspace: return GridKey::Backspace;
        case Qt::Key_Delete: return GridKey::Delete;
        case Qt::Key_Left: return GridKey::Left;
        case Qt::Key_Right: return GridKey::Right;
        default: break;
    }
    const QString text = event.text();
    if (!text.isEmpty() && text.at(0).isPrint()) return GridKey::Character;
    return GridKey::Other;
}

MappingGrid::MappingGrid(MappingTableModel* model, QWidget* editor, QWidget* parent)
    : QTableView(parent), model_(model), editor_(editor) {
    setModel(model);
    setSelectionBehavior(SelectRows);
    setSelectionMode(SingleSelection);
    setEditTriggers(NoEditTriggers);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(ScrollPerItem);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(
        std::max(kMinimumRowHeight, editor->sizeHint().height()));
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(false);
    setColumnHidden(model->columnCount() - 1, true);

    // The editor stands in for the grid: it takes the focus, the keys and the wheel. The
    // grid itself is no stop of the Tab key: the editor is, once.
    editor->setParent(viewport());
    setFocusPolicy(Qt::NoFocus);
    editor->installEventFilter(this);
    if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        listView_ = combo->view();
        listView_->installEventFilter(this);
    }
    connect(model, &QAbstractItemModel::modelReset, this, [this] { setCurrentRow(1); });
    setCurrentRow(1);
}

int MappingGrid::editorColumn() const { return model_->table().listColumn(); }

long MappingGrid::currentRow() const {
    return currentIndex().isValid() ? currentIndex().row() + 1 : 0;
}

void MappingGrid::setCurrentRow(long r) {
    const long told = enteredRow_;
    setCurrentIndex(model_->index(static_cast<int>(r) - 1, editorColumn()));
    if (enteredRow_ != told) return;  // currentChanged has told
    scrollTo(currentIndex());
    placeEditor();
    emit rowEntered(enteredRow_);
}

long MappingGrid::pageRows() const {
    return std::max(1, viewport()->height() / verticalHeader()->defaultSectionSize());
}

void MappingGrid::setColumnWidths(const QList<int>& widths) {
    widths_ = widths;
    for (int c = 0; c < widths.size(); ++c) setColumnWidth(c, widths[c]);
    fitWidth();
}

void MappingGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    // A click anywhere on a row puts the editor on it.
    if (current.isValid() && current.column() != editorColumn()) {
        setCurrentIndex(model_->index(current.row(), editorColumn()));
        return;
    }
    QTableView::currentChanged(current, previous);
    placeEditor();
    if (currentRow() == enteredRow_) return;
    enteredRow_ = currentRow();
    if (enteredRow_) emit rowEntered(enteredRow_);
}

void MappingGrid::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    editor_->setFocus(event->reason());
}

void MappingGrid::mousePressEvent(QMouseEvent* event) {
    QTableView::mousePressEvent(event);
    editor_->setFocus(Qt::MouseFocusReason);
}

void MappingGrid::scrollContentsBy(int dx, int dy) {
    QTableView::scrollContentsBy(dx, dy);
    placeEditor();
}

void MappingGrid::updateGeometries() {
    QTableView::updateGeometries();
    fitWidth();
    placeEditor();
}

void MappingGrid::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    fitWidth();
    placeEditor();
}

// The editor covers the list column of the current row; a row scrolled out of sight
// takes it along, out of sight too, so that it never covers another row.
void MappingGrid::placeEditor() {
    const QModelIndex current = currentIndex();
    if (!current.isValid()) {
        editor_->hide();
        return;
    }
    editor_->setGeometry(visualRect(model_->index(current.row(), editorColumn())));
    editor_->show();
}

void MappingGrid::fitWidth() {
    if (widths_.isEmpty()) return;
    int width = 2 * frameWidth();
    for (int w : widths_) width += w;
    const int room = height() - 2 * frameWidth() - horizontalHeader()->height();
    if (model_->rowCount() * verticalHeader()->defaultSectionSize() > room)
        width += verticalScrollBar()->sizeHint().width();
    setFixedWidth(width);
}

bool MappingGrid::eventFilter(QObject* watched, QEvent* event) {
    const bool inList = watched == listView_;
    if (watched != editor_ && !inList) return QTableView::eventFilter(watched, event);
    if (event->type() == QEvent::Wheel && !inList) {
        // The wheel scrolls the grid; it never changes the choice under it.
        QCoreApplication::sendEvent(verticalScrollBar(), event);
        return true;
    }
    if (event->type() != QEvent::KeyPress || !keyHandler_) return false;
    const std::optional<GridKey> key = gridKeyOf(*static_cast<QKeyEvent*>(event));
    return key && keyHandler_(*key, inList);
}

}  // namespace tav::ui
