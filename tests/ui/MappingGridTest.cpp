// The mapping grid: the editor follows the current row, the keys and the wheel reach the
// table's rules, and the grid is as wide as its columns and its scroll bar.

#include <QComboBox>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include "shell/ProgramState.h"
#include "support/ScriptedPort.h"
#include "taxmapping/TAVTaxMapping.h"
#include "ui/MappingGrid.h"

using tav::GridKey;
using tav::ui::MappingGrid;
using tav::ui::MappingTableModel;

namespace {

// A grid over a tax mapping of `rows` items, in a window of its own.
struct Grid {
    explicit Grid(int rows) {
        st.gstrTargetAppName = "MAS";
        for (const char* code : {"1", "2", "3"}) st.gcolTargetTaxCodes.Add(code);
        for (int i = 1; i <= rows; ++i)
            st.gcolMappedTaxCodes.Add({"ITEM" + std::to_string(i), "", "1"});
        list = new QComboBox;
        model = new MappingTableModel(table, &window);
        grid = new MappingGrid(model, list, &window);
        grid->setColumnWidths({110, 110});
        grid->setFixedHeight(200);
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(grid);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }

    QRect cell(int row, int column) const {
        return grid->visualRect(model->index(row - 1, column));
    }

    tav::ProgramState st;
    tav::taxmappingscreen::TaxCodeTable table{st};
    QWidget window;
    QComboBox* list;
    MappingTableModel* model;
    MappingGrid* grid;
};

}  // namespace

class MappingGridTest : public QObject {
    Q_OBJECT
private slots:
    void theEditorFloatsOverTheListColumnOfTheCurrentRow();
    void keysAndTheWheelReachTheRulesNotTheList();
    void theGridIsWiderByItsScrollBarWhenRowsDoNotFit();
};

void MappingGridTest::theEditorFloatsOverTheListColumnOfTheCurrentRow() {
    Grid g(3);
    QSignalSpy entered(g.grid, &MappingGrid::rowEntered);
    QVERIFY(g.grid->isColumnHidden(2));
    QCOMPARE(g.grid->currentRow(), 1L);
    QCOMPARE(g.list->geometry(), g.cell(1, 1));

    // A click anywhere on a row moves the editor there.
    QTest::mouseClick(g.grid->viewport(), Qt::LeftButton, {}, g.cell(3, 0).center());
    QCOMPARE(g.grid->currentRow(), 3L);
    QCOMPARE(g.grid->currentIndex().column(), 1);
    QCOMPARE(g.list->geometry(), g.cell(3, 1));
    QCOMPARE(entered.size(), 1);
    QCOMPARE(entered.takeFirst().at(0).toLongLong(), 3LL);
    QCOMPARE(g.window.focusWidget(), g.list);

    // The program's move to the row it is on tells again, so the list can show the row.
    g.grid->setCurrentRow(3);
    QCOMPARE(entered.size(), 1);
    g.grid->setCurrentRow(2);
    QCOMPARE(entered.size(), 2);

    // A rebuilt mapping starts at row 1.
    g.st.gcolMappedTaxCodes.Clear();
    g.model->reload();
    QCOMPARE(g.grid->currentRow(), 1L);
    QCOMPARE(entered.last().at(0).toLongLong(), 1LL);
    QCOMPARE(g.model->rowCount(), 1);
}

void MappingGridTest::keysAndTheWheelReachTheRulesNotTheList() {
    Grid g(30);
    std::vector<std::pair<GridKey, bool>> heard;
    g.grid->setKeyHandler([&](GridKey key, bool listOpen) {
        heard.emplace_back(key, listOpen);
        return true;
    });
    for (int i = 0; i < 6; ++i) g.list->addItem(QString::number(i));
    g.list->setCurrentIndex(2);
    QSignalSpy chosen(g.list, &QComboBox::activated);
    g.list->setFocus();

    QTest::keyClick(g.list, Qt::Key_Down);
    QTest::keyClick(g.list, Qt::Key_5);
    QTest::keyClick(g.list, Qt::Key_Down, Qt::AltModifier);
    QTest::keyClick(g.list, Qt::Key_Tab);  // the window's: not heard
    QCOMPARE(heard,
             (std::vector<std::pair<GridKey, bool>>{
                 {GridKey::Down, false}, {GridKey::Character, false}, {GridKey::OpenList, false}}));
    QCOMPARE(g.list->currentIndex(), 2);
    QVERIFY(chosen.isEmpty());

    // The wheel over the list scrolls the grid.
    QWheelEvent wheel(QPointF(5, 5), g.list->mapToGlobal(QPointF(5, 5)), {}, QPoint(0, -120),
                      Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(g.list, &wheel);
    QVERIFY(g.grid->verticalScrollBar()->value() > 0);
    QCOMPARE(g.list->currentIndex(), 2);
    QVERIFY(chosen.isEmpty());
}

void MappingGridTest::theGridIsWiderByItsScrollBarWhenRowsDoNotFit() {
    Grid few(2), many(30);
    const int columns = 220 + 2 * few.grid->frameWidth();
    QCOMPARE(few.grid->width(), columns);
    QCOMPARE(many.grid->width(), columns + many.grid->verticalScrollBar()->sizeHint().width());
    // The columns keep their widths.
    QCOMPARE(many.grid->columnWidth(1), 110);
    QVERIFY(many.grid->pageRows() >= 3);
}

int runMappingGridTests(int argc, char** argv) {
    MappingGridTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "MappingGridTest.moc"
