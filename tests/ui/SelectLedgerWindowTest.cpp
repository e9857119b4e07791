// The select ledger window, as the user drives it: every kind of ledger for an
// Accountant's Office and a MAS target.

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "Desktop.h"
#include "support/Files.h"

using tav::test::Desktop;

namespace {

std::string firstAccount(const tav::ProgramState& st) {
    return st.gcolTargetAccounts.empty() ? "" : st.gcolTargetAccounts.Item(1).name;
}

void mapSomething(tav::ProgramState& st) {
    st.gcolMappedAccounts.Add({"Bank", "1-1100", "Cheque", "2", "100", "Sales"});
}

}  // namespace

class SelectLedgerWindowTest : public QObject {
    Q_OBJECT
private slots:
    void everyLedgerOfAnAccountantsOfficeTarget();
    void standardAndCustomisedMasLedgers();
};

void SelectLedgerWindowTest::everyLedgerOfAnAccountantsOfficeTarget() {
    Desktop d;
    d.installData();
    QVERIFY(d.start());
    d.chooseTarget(tav::target::AccountantsOfficeAU);
    d.frame->showScreen(tav::Screen::SelectLedger);
    QCOMPARE(d.screen()->windowTitle(), QString("Select Ledger For Account Mapping"));
    auto* cboLedgers = d.control<QComboBox>("cboLedgers");
    auto* browse = d.control<QPushButton>("cmdCustomisedCofA");
    QCOMPARE(cboLedgers->count(), 9);
    QCOMPARE(cboLedgers->currentIndex(), -1);  // the target changed: nothing chosen yet
    QVERIFY(d.st.gcolTargetAccounts.empty());
    QVERIFY(!browse->isEnabled());

    Desktop::choose(cboLedgers, 6);
    QCOMPARE(cboLedgers->currentText(), QString("Master Large Company (with PP)"));
    QCOMPARE(d.st.glngLedgerNumber, 6);
    QCOMPARE(d.st.gcolTargetAccounts.Count(), 118);
    mapSomething(d.st);
    Desktop::choose(cboLedgers, 6);  // the same choice again keeps the mapping
    QCOMPARE(d.st.gcolMappedAccounts.Count(), 1);
    d.click("cmdReloadAccounts");
    QVERIFY(d.st.gcolMappedAccounts.empty());
    QCOMPARE(d.st.gcolTargetAccounts.Count(), 118);

    Desktop::choose(cboLedgers, 7);  // "No accounts (add your own)"
    QVERIFY(d.st.gcolTargetAccounts.empty());
    Desktop::choose(cboLedgers, 8);
    QVERIFY(browse->isEnabled());
    QVERIFY(d.st.gcolTargetAccounts.empty());
    tav::test::writeFile(d.client.file("Own ledger.txt"), tav::test::crlf({"900,Own account"}));
    d.ui.dialogAnswers = {d.client.file("Own ledger.txt")};
    d.click("cmdCustomisedCofA");
    QCOMPARE(d.ui.dialogs.back().title, std::string("Customised Ledger"));
    QCOMPARE(firstAccount(d.st), std::string("Own account"));
    QVERIFY(d.control<QLabel>("lblCustomisedLedgerPath")->text().endsWith("Own ledger.txt"));

    // Coming back shows the choice as it was left, without loading it again.
    mapSomething(d.st);
    d.click("cmdCancel");
    QCOMPARE(d.screenName(), QString("frmNavigator"));
    d.frame->showScreen(tav::Screen::SelectLedger);
    QCOMPARE(d.control<QComboBox>("cboLedgers")->currentIndex(), 8);
    QVERIFY(d.control<QPushButton>("cmdCustomisedCofA")->isEnabled());
    QCOMPARE(d.st.gcolMappedAccounts.Count(), 1);
    QVERIFY(d.ui.messages.empty());
}

void SelectLedgerWindowTest::standardAndCustomisedMasLedgers() {
    Desktop d;
    d.installData();
    QVERIFY(d.start());
    d.frame->showScreen(tav::Screen::SelectLedger);  // the stored choice: the standard ledger
    auto* cboLedgers = d.control<QComboBox>("cboLedgers");
    QCOMPARE(cboLedgers->count(), 2);
    QCOMPARE(cboLedgers->currentText(), QString("Standard ledger"));
    QCOMPARE(firstAccount(d.st), std::string("Sales"));

    // A file the MAS reader cannot read is reported, and remembered all the same.
    tav::test::writeFile(d.client.file("Mine.txt"),
                         tav::test::crlf({"\"1-1000\",\"Cheque\",\"B\"", ""}));
    Desktop::choose(cboLedgers, 1);
    d.ui.dialogAnswers = {d.client.file("Mine.txt")};
    d.click("cmdCustomisedCofA");
    QCOMPARE(d.ui.titles(), std::vector<std::string>{"Error Report"});
    QCOMPARE(d.st.gstrCustomisedLedgerPath, d.client.file("Mine.txt"));
    QCOMPARE(firstAccount(d.st), std::string("Cheque"));

    Desktop::choose(cboLedgers, 0);
    QCOMPARE(firstAccount(d.st), std::string("Sales"));
    QVERIFY(!d.control<QGroupBox>("fraCustomisedLedger")->isEnabled());
    QCOMPARE(d.control<QLabel>("lblCustomisedLedgerPath")->text(), QString());
}

int runSelectLedgerWindowTests(int argc, char** argv) {
    SelectLedgerWindowTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "SelectLedgerWindowTest.moc"
