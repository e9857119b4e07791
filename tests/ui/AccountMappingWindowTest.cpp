// The account mapping screen and its Add Account to List dialog, driven as a user drives
// them on the shipped sample client, from the keyboard where a user can.

#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>

#include "Desktop.h"
#include "safe/Platform.h"
#include "ui/MappingGrid.h"

using tav::test::Desktop;
using tav::ui::MappingGrid;

namespace {

using Rows = tav::test::GridRows;

MappingGrid* grid(Desktop& d) { return d.control<MappingGrid>("flxAccounts"); }
QComboBox* combo(Desktop& d) { return d.control<QComboBox>("cmbAccounts"); }

// The grid's rows as shown: QuickBooks account and target account, blanks trimmed.
Rows shown(Desktop& d) { return tav::test::gridRows(grid(d), 1, 2, tav::test::Blanks::Trimmed); }

// The QuickBooks numbers of the rows without a target account.
QStringList unmapped(Desktop& d) {
    QStringList numbers;
    for (const auto& [account, target] : shown(d))
        if (target.isEmpty()) numbers << account.section(' ', 0, 0);
    return numbers;
}

// The sample client through step 3 and the select ledger screen (its stored choice, or
// the position given), onto the account mapping screen.
void reachAccountMapping(Desktop& d, std::int16_t target, int ledger = -1) {
    QVERIFY(d.sampleClientAtStep3(target));
    d.click("cmdNext");
    QCOMPARE(d.screenName(), QString("frmSelectFiles"));
    if (ledger >= 0) Desktop::choose(d.control<QComboBox>("cboLedgers"), ledger);
    d.click("cmdNext");
    QCOMPARE(d.screenName(), QString("frmAccountMapping"));
    d.ui.messages.clear();
}

// A MAS ledger of the client's own whose first account is 1-1000.
// Back to Select Ledger, the ledger list's given entry customised from the file, and on.
void useCustomisedLedger(Desktop& d, int entry, const std::string& file) {
    d.click("cmdBack");
    Desktop::choose(d.control<QComboBox>("cboLedgers"), entry);
    d.ui.dialogAnswers = {file};
    d.click("cmdCustomisedCofA");
    d.click("cmdNext");
}

void useOwnMasLedger(Desktop& d) {
    tav::test::writeFile(d.client.file("Own.txt"),
                         tav::test::crlf({R"("1-1000","Cheque account","")",
                                          R"("1-1100","Savings","")", R"("2-1000","Visa","")"}));
    useCustomisedLedger(d, 1, d.client.file("Own.txt"));
}

QString selectedText(QComboBox* c) { return c->lineEdit()->selectedText(); }

void press(QComboBox* c, Qt::Key key) {
    QTest::keyClick(c, key);
    Desktop::settle();
}

}  // namespace

class AccountMappingWindowTest : public QObject {
    Q_OBJECT
private slots:
    void autoMappingTheSampleClientAndReloadingTheLedger();
    void keyboardMappingWithAutoComplete();
    void anUnknownNumberThroughTheDialog();
    void savedMappingLoadsInAFreshRun();
    void savedLedgerIsChosenAsACustomisedLedger();
    void theKeyboardAloneMapsEveryRowAndMovesOn();
};

void AccountMappingWindowTest::autoMappingTheSampleClientAndReloadingTheLedger() {
    Desktop d;
    reachAccountMapping(d, tav::target::MasAU);
    QCOMPARE(d.screen()->windowTitle(), QString("Account Mapping"));
    QVERIFY(!d.control<QPushButton>("cmdSaveLedger")->isVisible());
    QVERIFY(d.control<QLabel>("lblAccountMapping")
                ->text()
                .startsWith("Map the QuickBooks accounts to MAS accounts"));
    const auto rows = static_cast<int>(d.st.gcolMappedAccounts.Count());
    QCOMPARE(grid(d)->model()->rowCount(), rows);
    QCOMPARE(unmapped(d).size(), rows);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(combo(d)));

    d.click("cmdAutoMapping");
    QCOMPARE(unmapped(d), (QStringList{"745", "377"}));
    QVERIFY(combo(d)->currentText().startsWith(QString::fromStdString(
        d.st.gcolMappedAccounts.Item(1).targetNumber)));  // row 1's new choice
    QVERIFY(d.ui.messages.empty());

    // Reloading the ledger drops the mapping; the screen builds it again, unmapped.
    d.click("cmdBack");
    d.click("cmdReloadAccounts");
    d.click("cmdNext");
    QCOMPARE(unmapped(d).size(), rows);
}

void AccountMappingWindowTest::keyboardMappingWithAutoComplete() {
    Desktop d;
    reachAccountMapping(d, tav::target::MasAU);
    useOwnMasLedger(d);
    auto* c = combo(d);
    QTest::keyClick(c, '1');
    QCOMPARE(c->currentText(), "1-1000" + QString(10, ' ') + "Cheque account");
    QCOMPARE(selectedText(c), "-1000" + QString(10, ' ') + "Cheque account");
    press(c, Qt::Key_Backspace);  // only the completion goes, and nothing completes again
    QCOMPARE(c->currentText(), QString("1"));
    QTest::keyClicks(c, "-11");
    QCOMPARE(c->currentText(), "1-1100" + QString(10, ' ') + "Savings");
    press(c, Qt::Key_Enter);
    QCOMPARE(d.st.gcolMappedAccounts.Item(1).targetNumber, std::string("1-1100"));
    QCOMPARE(grid(d)->currentRow(), 2L);
    QCOMPARE(shown(d)[0].second, QString("1-1100 Savings"));

    // Up with an empty combo unmaps row 2 and goes up; on the first row Up stays.
    press(c, Qt::Key_Up);
    QCOMPARE(grid(d)->currentRow(), 1L);
    QCOMPARE(c->currentText(), "1-1100" + QString(10, ' ') + "Savings");
    QTest::keyClicks(c, "2");
    press(c, Qt::Key_Up);
    QCOMPARE(grid(d)->currentRow(), 1L);
    QCOMPARE(d.st.gcolMappedAccounts.Item(1).targetNumber, std::string("2-1000"));
    press(c, Qt::Key_Home);  // does nothing, as End and the page keys
    QCOMPARE(grid(d)->currentRow(), 1L);

    // Enter with an empty combo on the last row unmaps it and stays there.
    const long last = grid(d)->model()->rowCount();
    grid(d)->setCurrentRow(last);
    QTest::keyClick(c, '1');
    press(c, Qt::Key_Down);
    QCOMPARE(grid(d)->currentRow(), last);
    QVERIFY(!d.st.gcolMappedAccounts.Item(last).targetNumber.empty());
    c->lineEdit()->selectAll();
    press(c, Qt::Key_Delete);
    press(c, Qt::Key_Enter);
    QCOMPARE(grid(d)->currentRow(), last);
    QVERIFY(d.st.gcolMappedAccounts.Item(last).targetNumber.empty());
    QVERIFY(d.ui.messages.empty());
}

void AccountMappingWindowTest::anUnknownNumberThroughTheDialog() {
    Desktop d;
    reachAccountMapping(d, tav::target::MasAU);
    useOwnMasLedger(d);
    auto* c = combo(d);
    QTest::keyClicks(c, "9-9 000");
    d.ui.answers = {tav::Answer::No};
    press(c, Qt::Key_Enter);
    QCOMPARE(c->currentText(), QString("9-9 000"));  // No: nothing else happens
    QVERIFY(!d.window("frmNewMASAccount"));
    press(c, Qt::Key_Enter);  // the script is used up: the default button, Yes
    QCOMPARE(d.ui.titles(),
             (std::vector<std::string>{"Add account to List?", "Add account to List?"}));

    auto* dialog = d.window<QDialog>("frmNewMASAccount");
    QVERIFY(dialog && dialog->isVisible() && !dialog->isModal());
    auto* number = dialog->findChild<QLineEdit*>("txtNumber");
    auto* name = dialog->findChild<QLineEdit*>("txtName");
    QCOMPARE(number->text(), QString("9-9000"));
    QVERIFY(dialog->findChild<QLabel*>("lblInstructions")
                ->text()
                .endsWith("\nAccount numbers cannot include spaces."));
    QTest::keyClicks(name, "Suspense, held");  // the comma is refused
    QCOMPARE(name->text(), QString("Suspense held"));
    QTest::mouseClick(dialog->findChild<QPushButton*>("cmdNext"), Qt::LeftButton);
    QCOMPARE(number->text() + name->text(), QString());
    QTest::keyClicks(number, "9-9100 x,12345");  // no blanks, no commas, ten characters
    QCOMPARE(number->text(), QString("9-9100x123"));
    QTest::mouseClick(dialog->findChild<QPushButton*>("cmdNext"), Qt::LeftButton);
    QTest::keyClick(dialog, Qt::Key_Escape);  // Cancel
    Desktop::settle();

    QVERIFY(!d.window("frmNewMASAccount"));
    QCOMPARE(d.st.gcolTargetAccounts.Count(), 5);
    QCOMPARE(shown(d)[0].second, QString("9-9100x123"));
    QCOMPARE(grid(d)->currentRow(), 2L);
    QCOMPARE(c->count(), 7);
    QCOMPARE(d.ui.titles().size(), size_t{2});
}

void AccountMappingWindowTest::savedMappingLoadsInAFreshRun() {
    Rows saved;
    tav::test::TempDir keep;
    const std::string file = keep.file("ClientXAccountMapping.csv");
    {
        Desktop d;
        reachAccountMapping(d, tav::target::MasAU);
        d.click("cmdAutoMapping");
        auto* c = combo(d);
        for (long r = 1; r <= grid(d)->model()->rowCount(); ++r)
            if (unmapped(d).contains(
                    QString::fromStdString(d.st.gcolMappedAccounts.Item(r).number))) {
                grid(d)->setCurrentRow(r);
                QTest::keyClicks(c, "74");
                press(c, Qt::Key_Enter);
            }
        QVERIFY(unmapped(d).isEmpty());
        d.ui.dialogAnswers = {file};
        d.click("cmdSaveMapping");
        saved = shown(d);
    }
    Desktop d;
    reachAccountMapping(d, tav::target::MasAU);
    d.ui.dialogAnswers = {file};
    d.click("cmdLoadMapping");
    QCOMPARE(d.ui.dialogs.back().title, std::string("MAS Account Mapping File"));
    QCOMPARE(shown(d), saved);
    QCOMPARE(combo(d)->currentText().simplified(), saved[0].second);
    QVERIFY(d.ui.messages.empty());
}

void AccountMappingWindowTest::savedLedgerIsChosenAsACustomisedLedger() {
    Desktop d;
    reachAccountMapping(d, tav::target::AccountantsOfficeAU, 7);  // no accounts
    QVERIFY(d.control<QPushButton>("cmdSaveLedger")->isVisible());
    QCOMPARE(combo(d)->count(), 2);  // " <Add New>" and the empty item
    for (const char* account : {"100", "200"}) {
        emit combo(d)->activated(0);  // " <Add New>" from the list
        auto* dialog = d.window<QDialog>("frmNewMASAccount");
        QTest::keyClicks(dialog->findChild<QLineEdit*>("txtNumber"), account);
        QTest::keyClicks(dialog->findChild<QLineEdit*>("txtName"), "Own account");
        QTest::mouseClick(dialog->findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
        Desktop::settle();
    }
    QCOMPARE(shown(d)[0].second, QString("100 Own account"));
    QCOMPARE(shown(d)[1].second, QString("200 Own account"));

    d.ui.dialogAnswers = {d.client.file("Ledger.txt")};
    d.click("cmdSaveLedger");
    useCustomisedLedger(d, 8, d.client.file("Ledger.txt"));
    QCOMPARE(combo(d)->count(), 4);
    QCOMPARE(combo(d)->itemText(3).simplified(), QString("200 Own account"));
    QVERIFY(unmapped(d).size() == grid(d)->model()->rowCount());  // loading dropped the mapping
    QVERIFY(d.ui.messages.empty());
}

void AccountMappingWindowTest::theKeyboardAloneMapsEveryRowAndMovesOn() {
    Desktop d;
    reachAccountMapping(d, tav::target::MasAU);
    QApplication::setActiveWindow(d.frame.get());
    QVERIFY(QTest::qWaitForWindowActive(d.frame.get()));
    auto* c = combo(d);
    QTest::keyClick(c, 'a', Qt::AltModifier);  // Auto Mapping by its access key
    QTRY_COMPARE(unmapped(d).size(), 2);       // an access key's click comes a moment later
    const QStringList left = unmapped(d);

    // Down and Enter walk the rows, keeping each row's choice; a typed prefix maps a row.
    const auto rows = static_cast<long>(grid(d)->model()->rowCount());
    for (long r = 1; r <= rows; ++r) {
        QCOMPARE(grid(d)->currentRow(), r);
        if (left.contains(QString::fromStdString(d.st.gcolMappedAccounts.Item(r).number))) {
            QTest::keyClicks(c, "74");
            press(c, Qt::Key_Enter);
        } else {
            press(c, Qt::Key_Down);
        }
    }
    QCOMPARE(grid(d)->currentRow(), rows);  // the last row keeps the focus
    QVERIFY(unmapped(d).isEmpty());
    QVERIFY(d.ui.messages.empty());

    // Tab reaches every control in reading order, and each has a name a screen reader says.
    QStringList order;
    for (int i = 0; i < 9; ++i) {
        QWidget* focus = d.frame->focusWidget();
        order << focus->objectName();
        QAccessibleInterface* named = QAccessible::queryAccessibleInterface(focus);
        QVERIFY2(named && !named->text(QAccessible::Name).isEmpty(), qPrintable(order.back()));
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    QCOMPARE(order,
             (QStringList{"cmbAccounts", "cmdHelp", "cmdBack", "cmdNext", "cmdCancel",
                          "cmdLoadMapping", "cmdSaveMapping", "cmdAutoMapping", "cmbAccounts"}));
    QCOMPARE(grid(d)->accessibleName(), QString("Account mapping"));

    QTest::keyClick(d.frame->focusWidget(), 'n', Qt::AltModifier);
    QTRY_COMPARE(d.screenName(), QString("frmConvert"));
}

int runAccountMappingWindowTests(int argc, char** argv) {
    AccountMappingWindowTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "AccountMappingWindowTest.moc"
