// The tax mapping screen, its Add Tax Code dialog and the standard codes view, driven as
// a user drives them on the shipped sample client.

#include <QAccessible>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <filesystem>

#include "Desktop.h"
#include "safe/Platform.h"
#include "ui/MappingGrid.h"
#include "ui/frmHelpViewer.h"

using tav::test::Desktop;
using tav::ui::MappingGrid;

namespace {

using Rows = tav::test::GridRows;

MappingGrid* grid(Desktop& d) { return d.control<MappingGrid>("flxTaxCodes"); }
QComboBox* list(Desktop& d) { return d.control<QComboBox>("cmbTaxCodes"); }

// The grid's rows as shown: tax item and code.
Rows shown(Desktop& d) { return tav::test::gridRows(grid(d), 0, 1, tav::test::Blanks::Kept); }

// The sample client on step 3: company file chosen, lists extracted, report read.
// A code chosen without the mouse: the list dropped down with F4, walked to the item with
// the arrows, Enter.
void pickWithKeys(QComboBox* list, int index) {
    list->setFocus();
    QTest::keyClick(list, Qt::Key_F4);
    QVERIFY(list->view()->isVisible());
    const int from = list->currentIndex();
    for (int i = from; i < index; ++i) QTest::keyClick(list->view(), Qt::Key_Down);
    for (int i = from; i > index; --i) QTest::keyClick(list->view(), Qt::Key_Up);
    QTest::keyClick(list->view(), Qt::Key_Return);
    Desktop::settle();
}

}  // namespace

class TaxMappingWindowTest : public QObject {
    Q_OBJECT
private slots:
    void companyFileListsAndReportGiveTheAutomaticMapping();
    void theListMapsRowAfterRow();
    void addNewAddsCodesAndMapsTheRowToTheLast();
    void theRememberedMappingComesBackInAFreshRun();
    void accountantsOfficeOnlyExtractsAndSelects();
    void standardCodesHelpAndTheWizardButtons();
    void theKeyboardReachesEveryControlInReadingOrder();
};

void TaxMappingWindowTest::companyFileListsAndReportGiveTheAutomaticMapping() {
    Desktop d;
    d.installData();
    d.useSampleClient();
    QVERIFY(d.start());
    d.click("cmdMapping");
    QCOMPARE(d.screenName(), QString("frmTaxMapping"));
    QCOMPARE(d.screen()->windowTitle(), QString("QuickBooks Tax Item to MAS Tax Code Mapping"));
    QCOMPARE(shown(d), (Rows{{"", ""}}));  // the placeholder row
    QCOMPARE(list(d)->count(), 16);
    QCOMPARE(list(d)->itemText(0), QString(" <Add New>"));
    QCOMPARE(d.frame->focusWidget(), list(d));

    d.ui.dialogAnswers = {d.client.file("HarbourLaneCafe.qbw")};
    d.click("cmdQBDataFile");
    QCOMPARE(d.control<QLabel>("lblQBDataFilePath")->toolTip(),
             QString::fromStdString(d.client.file("HarbourLaneCafe.qbw")));
    d.click("cmdExtractQBLists");
    QCOMPARE(d.ui.titles(), std::vector<std::string>{"List extraction complete"});

    d.ui.dialogAnswers = {d.client.file("Journal.txt")};
    d.click("cmdTransFile");
    QCOMPARE(shown(d), (Rows{{" NCG", " 5"},
                             {" NCF", " 6"},
                             {" GST", " 1"},
                             {" FRE", " 2"},
                             {" CAG", " 8"},
                             {" INP", " 4"}}));
    QCOMPARE(grid(d)->currentRow(), 1L);
    QCOMPARE(list(d)->currentIndex(), 6);
    QVERIFY(!d.window("frmWait"));
    QCOMPARE(d.ui.titles().size(), size_t{1});

    // The same report again keeps the mapping as it stands, without a question.
    Desktop::choose(list(d), 1);
    d.ui.dialogAnswers = {d.client.file("Journal.txt")};
    d.click("cmdTransFile");
    QCOMPARE(shown(d)[0], (std::pair<QString, QString>{" NCG", " "}));

    // A new company file needs its lists extracted: No to the question reads nothing.
    d.ui.dialogAnswers = {d.client.file("HarbourLaneCafe.qbw") + "x"};
    d.click("cmdQBDataFile");
    tav::test::writeFile(d.client.file("Journal2.txt"),
                         tav::test::readFile(d.client.file("Journal.txt")));
    d.ui.dialogAnswers = {d.client.file("Journal2.txt")};
    d.ui.answers = {tav::Answer::No};
    d.click("cmdTransFile");
    QCOMPARE(d.ui.titles().back(), std::string("Have you extracted the lists?"));
    QCOMPARE(d.st.gstrJournalFile, d.client.file("Journal.txt"));
    QCOMPARE(shown(d), (Rows{{"", ""}}));
}

void TaxMappingWindowTest::theListMapsRowAfterRow() {
    Desktop d;
    QVERIFY(d.sampleClientAtStep3(tav::target::MasAU));
    QComboBox* cmb = list(d);

    // Typed characters and the closed list's arrows never choose; the arrows move rows.
    QTest::keyClick(cmb, Qt::Key_3);
    QCOMPARE(cmb->currentIndex(), 6);
    QTest::keyClick(cmb, Qt::Key_Down);
    QCOMPARE(grid(d)->currentRow(), 2L);
    QCOMPARE(cmb->currentIndex(), 7);
    QTest::keyClick(cmb, Qt::Key_Up);
    QCOMPARE(grid(d)->currentRow(), 1L);
    QCOMPARE(d.st.gcolMappedTaxCodes.Item(1), (tav::MappedTaxCode{"NCG", "5", "6"}));

    // A choice is stored and the next row comes up.
    pickWithKeys(cmb, 4);
    QCOMPARE(d.st.gcolMappedTaxCodes.Item(1), (tav::MappedTaxCode{"NCG", "3", "4"}));
    QCOMPARE(shown(d)[0].second, QString(" 3"));
    QCOMPARE(grid(d)->currentRow(), 2L);
    QCOMPARE(cmb->currentIndex(), 7);

    // The blank entry unmaps.
    Desktop::choose(cmb, 1);
    QCOMPARE(d.st.gcolMappedTaxCodes.Item(2), (tav::MappedTaxCode{"NCF", "", "1"}));
    QCOMPARE(grid(d)->currentRow(), 3L);

    // A click on a row, then a choice on the last row, which stays current.
    QTest::mouseClick(grid(d)->viewport(), Qt::LeftButton, {},
                      grid(d)->visualRect(grid(d)->model()->index(5, 0)).center());
    QCOMPARE(grid(d)->currentRow(), 6L);
    QCOMPARE(d.frame->focusWidget(), cmb);
    pickWithKeys(cmb, 15);
    QCOMPARE(d.st.gcolMappedTaxCodes.Item(6), (tav::MappedTaxCode{"INP", "14", "15"}));
    QCOMPARE(grid(d)->currentRow(), 6L);
    QCOMPARE(cmb->currentIndex(), 15);
    QVERIFY(d.ui.titles().size() == 1);  // only the extraction's
}

void TaxMappingWindowTest::addNewAddsCodesAndMapsTheRowToTheLast() {
    Desktop d;
    QVERIFY(d.sampleClientAtStep3(tav::target::MasAU));
    Desktop::choose(list(d), 0);  // " <Add New>" on row 1
    auto* dialog = d.window<QDialog>("frmNewTaxCode");
    QVERIFY(dialog && dialog->isVisible());
    QCOMPARE(dialog->windowTitle(), QString("Add Tax Code to List"));
    QCOMPARE(list(d)->currentIndex(), 6);  // the row keeps its choice meanwhile
    QCOMPARE(
        dialog->findChild<QLabel*>("lblInstructions")->text(),
        QString("Enter the new tax code below. New tax codes for MAS must be in the range 15 - "
                "20."));

    auto* box = dialog->findChild<QLineEdit*>("txtTaxCode");
    QCOMPARE(dialog->focusWidget(), box);
    QTest::keyClick(box, Qt::Key_F1);  // the screen's topic
    QCOMPARE(QFileInfo(d.frame->helpViewer()->findChild<QTextBrowser*>()->source().toLocalFile())
                 .fileName(),
             QString("tax-mapping.html"));
    dialog->activateWindow();
    QTest::keyClicks(box, "1x5,");
    QCOMPARE(box->text(), QString("15"));
    QTest::mouseClick(dialog->findChild<QPushButton*>("cmdNext"), Qt::LeftButton);
    QCOMPARE(box->text(), QString());
    QTest::keyClicks(box, "21");
    QTest::mouseClick(dialog->findChild<QPushButton*>("cmdNext"), Qt::LeftButton);
    QCOMPARE(d.ui.titles().back(), std::string("Tax Code not in required range"));
    box->clear();
    QTest::keyClicks(box, "16");
    QTest::mouseClick(dialog->findChild<QPushButton*>("cmdNext"), Qt::LeftButton);
    QTest::keyClicks(box, "17");
    QTest::keyClick(box, Qt::Key_Return);  // OK
    QVERIFY(!d.window("frmNewTaxCode"));

    QCOMPARE(list(d)->count(), 19);
    QCOMPARE(list(d)->itemText(18), QString(" 17"));
    QCOMPARE(d.st.gcolMappedTaxCodes.Item(1), (tav::MappedTaxCode{"NCG", "17", "18"}));
    QCOMPARE(grid(d)->currentRow(), 2L);

    // Esc leaves without adding: the row keeps its code.
    Desktop::choose(list(d), 0);
    dialog = d.window<QDialog>("frmNewTaxCode");
    QTest::keyClick(dialog->findChild<QLineEdit*>("txtTaxCode"), Qt::Key_Escape);
    QVERIFY(!d.window("frmNewTaxCode"));
    QCOMPARE(d.st.gcolMappedTaxCodes.Item(2), (tav::MappedTaxCode{"NCF", "6", "7"}));
    QCOMPARE(list(d)->currentIndex(), 7);
}

void TaxMappingWindowTest::theRememberedMappingComesBackInAFreshRun() {
    const std::string rememberedName = "TAVTaxMappingMasAU.txt";
    std::string remembered;
    {
        Desktop d;
        QVERIFY(d.sampleClientAtStep3(tav::target::MasAU));
        QVERIFY(!d.control<QWidget>("lblRemembered")->isVisible());
        QTest::keyClick(list(d), Qt::Key_Down);
        Desktop::choose(list(d), 1);   // NCF unmapped
        Desktop::choose(list(d), 13);  // GST to 12
        remembered = tav::test::readFile(d.client.file(rememberedName));
    }
    QCOMPARE(remembered, tav::test::crlf({"NCG,5", "NCF,", "GST,12", "FRE,2", "CAG,8", "INP,4"}));

    Desktop d;
    d.useSampleClient();
    tav::test::writeFile(d.client.file(rememberedName), remembered);
    QVERIFY(d.sampleClientAtStep3(tav::target::MasAU));
    QCOMPARE(shown(d), (Rows{{" NCG", " 5"},
                             {" NCF", " "},
                             {" GST", " 12"},
                             {" FRE", " 2"},
                             {" CAG", " 8"},
                             {" INP", " 4"}}));
    QVERIFY(d.control<QWidget>("lblRemembered")->isVisible());
    const QModelIndex gst = grid(d)->model()->index(2, 0);
    QCOMPARE(gst.data(Qt::ToolTipRole).toString(), QString("Mapped as remembered for this client"));
    QVERIFY(!gst.data(Qt::DecorationRole).isNull());

    // A row the user chooses again is the user's own.
    grid(d)->setCurrentRow(3);
    Desktop::choose(list(d), 2);
    QVERIFY(grid(d)->model()->index(2, 0).data(Qt::ToolTipRole).isNull());
}

void TaxMappingWindowTest::accountantsOfficeOnlyExtractsAndSelects() {
    Desktop d;
    d.installData();
    d.useSampleClient();
    QVERIFY(d.start());
    Desktop::choose(d.control<QComboBox>("cmbTarget"), 2);
    d.click("cmdMapping");
    QCOMPARE(d.screen()->windowTitle(), QString("Extract Lists and Select Journal File"));
    QVERIFY(!d.control<QGroupBox>("fraMapping")->isVisible());
    QVERIFY(!grid(d)->isVisible() && !list(d)->isVisible());
    QVERIFY(d.st.gcolTargetTaxCodes.empty() && d.st.gcolDefaultTaxMapping.empty());

    d.ui.dialogAnswers = {d.client.file("HarbourLaneCafe.qbw")};
    d.click("cmdQBDataFile");
    d.click("cmdExtractQBLists");
    d.ui.dialogAnswers = {d.client.file("Journal.txt")};
    d.click("cmdTransFile");
    QCOMPARE(d.st.gcolMappedTaxCodes.Count(), 6);
    QCOMPARE(d.st.gcolMappedTaxCodes.Item(1), (tav::MappedTaxCode{"NCG", "", "1"}));
    QVERIFY(d.st.gcolJournalAccounts.Count() > 10);
    QVERIFY(!tav::platform::pathExists(d.client.file("TAVTaxMappingMasAU.txt")));
}

void TaxMappingWindowTest::standardCodesHelpAndTheWizardButtons() {
    Desktop d;
    QVERIFY(d.sampleClientAtStep3(tav::target::MasAU));
    d.click("cmdShowCodes");
    auto* view = d.window<QDialog>("frmVADiz6StandardCodes");
    QVERIFY(view && view->isVisible());
    QCOMPARE(view->windowTitle(), QString("Standard QuickBooks Tax Items and MAS Tax Codes"));
    QCOMPARE(
        QFileInfo(view->findChild<QTextBrowser*>("wbrTaxCodes")->source().toLocalFile()).fileName(),
        QString("QBMAS_Tax_Codes_AU.htm"));
    QTest::keyClick(view, Qt::Key_Escape);
    QVERIFY(!d.window("frmVADiz6StandardCodes"));

    d.click("cmdHelp");
    QVERIFY(d.frame->helpViewer());
    const std::pair<const char*, const char*> walk[] = {
        {"cmdNext", "frmSelectFiles"},   {"cmdBack", "frmTaxMapping"},
        {"cmdBack", "frmGetVADiz6Data"}, {"cmdNext", "frmTaxMapping"},
        {"cmdCancel", "frmNavigator"},   {"cmdMapping", "frmTaxMapping"},
    };
    for (const auto& [button, screen] : walk) {
        d.click(button);
        QCOMPARE(d.screenName(), QString(screen));
    }
    QCOMPARE(shown(d).size(), size_t{6});  // the mapping lives on in the program state

    // 'Accounts' maps no accounts: Next leads to the convert screen.
    d.chooseTarget(tav::target::Accounts);
    d.click("cmdNext");
    QCOMPARE(d.screenName(), QString("frmConvert"));
}

void TaxMappingWindowTest::theKeyboardReachesEveryControlInReadingOrder() {
    Desktop d;
    QVERIFY(d.sampleClientAtStep3(tav::target::MasAU));
    QStringList order;
    d.control<QWidget>("cmdQBDataFile")->setFocus();
    for (int i = 0; i < 10; ++i) {
        QWidget* focus = d.frame->focusWidget();
        order << focus->objectName();
        QAccessibleInterface* named = QAccessible::queryAccessibleInterface(focus);
        QVERIFY2(named && !named->text(QAccessible::Name).isEmpty(), qPrintable(order.back()));
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    QCOMPARE(order, (QStringList{"cmdQBDataFile", "cmdExtractQBLists", "cmdTransFile",
                                 "cmdShowCodes", "cmbTaxCodes", "cmdHelp", "cmdBack", "cmdNext",
                                 "cmdCancel", "cmdQBDataFile"}));
    QCOMPARE(grid(d)->accessibleName(), QString("Tax Code Mapping"));
    QCOMPARE(list(d)->accessibleName(), QString("Select target tax code"));
}

int runTaxMappingWindowTests(int argc, char** argv) {
    TaxMappingWindowTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "TaxMappingWindowTest.moc"
