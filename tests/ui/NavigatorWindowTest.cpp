// The navigator window and the two instruction pages, as the user drives them.

#include <QComboBox>
#include <QLabel>
#include <QMdiArea>
#include <QTextBrowser>
#include <QUrl>
#include <tuple>

#include "Desktop.h"

using tav::test::Desktop;

namespace {

// A click on a list item, as the mouse ends it.
void choose(QComboBox* list, int index) {
    list->setCurrentIndex(index);
    emit list->activated(index);
    Desktop::settle();
}

// Work done in later steps, which the navigator's choices may drop.
void doLaterWork(tav::ProgramState& st, const std::string& folder) {
    st.gstrCompanyFile = folder + "/Client.qbw";
    st.gblnListsExtracted = true;
    st.gstrJournalFile = folder + "/Journal.txt";
    st.gstrOutputFile = folder + "/TAVOutput.txt";
    st.gstrSavedMappingFile = folder + "/Map.csv";
    st.glngLedgerNumber = 1;
    st.gcolTargetTaxCodes.Add("GST");
    st.gcolMappedTaxCodes.Add({"GST", "GST", "2"});
    st.gcolTargetAccounts.Add({"100", "Sales"});
    st.gcolMappedAccounts.Add({"Income", "4000", "Sales", "2", "100", "Sales", ""});
}

auto wizardState(const tav::ProgramState& st) {
    return std::tuple(st.gintQBEdition, st.gintTargetApp, st.gstrClientFolder, st.gstrCompanyFile,
                      st.gstrJournalFile, st.gstrOutputFile, st.glngLedgerNumber,
                      st.gcolMappedTaxCodes.Count(), st.gcolMappedAccounts.Count());
}

QString pageShown(Desktop& d, const char* browser) {
    return QFileInfo(d.control<QTextBrowser>(browser)->source().toLocalFile()).fileName();
}

const std::string kNotice = "This step is not available in this build of Tavora.";

}  // namespace

class NavigatorWindowTest : public QObject {
    Q_OBJECT
private slots:
    void targetEditionAndClientFolderReset();
    void backNextAndCancelBetweenNavigatorAndPages();
    void stepsWithoutAScreenShowTheNotice();
};

void NavigatorWindowTest::targetEditionAndClientFolderReset() {
    Desktop d;
    QVERIFY(d.start());
    auto* cmbTarget = d.control<QComboBox>("cmbTarget");
    auto* lblQBi = d.control<QLabel>("lblQBi");
    auto* lblMapping = d.control<QLabel>("lblMapping");

    // The same target again keeps all work.
    doLaterWork(d.st, d.client.path());
    const auto before = wizardState(d.st);
    choose(cmbTarget, 0);
    QCOMPARE(wizardState(d.st), before);

    // MAS (Aust.) to MAS (N.Z.): still MAS, but everything built for the old target goes.
    choose(cmbTarget, 3);
    QCOMPARE(d.st.gintTargetApp, std::int16_t{3});
    QCOMPARE(d.st.gstrTargetAppName, std::string("MAS"));
    QCOMPARE(lblQBi->text(), QString("QuickBooks QBi (N.Z.)"));
    QCOMPARE(lblMapping->text(), QString("Tax Code & Account Mapping"));
    QVERIFY(d.st.gcolTargetTaxCodes.empty() && d.st.gcolMappedTaxCodes.empty());
    QVERIFY(d.st.gcolTargetAccounts.empty() && d.st.gcolMappedAccounts.empty());
    QCOMPARE(d.st.gstrJournalFile + d.st.gstrOutputFile + d.st.gstrSavedMappingFile, std::string());
    QCOMPARE(d.st.glngLedgerNumber, -1);
    QCOMPARE(d.st.gstrCompanyFile, d.client.path() + "/Client.qbw");

    choose(cmbTarget, 1);
    QCOMPARE(d.st.gstrTargetAppName, std::string("'Accounts'"));
    QCOMPARE(lblQBi->text(), QString("QuickBooks QBi (Aust.)"));
    QCOMPARE(lblMapping->text(), QString("Tax Code Mapping"));

    // Another edition drops the company file and its lists, nothing else.
    doLaterWork(d.st, d.client.path());
    choose(d.control<QComboBox>("cmbSourceProduct"), 0);
    QCOMPARE(d.st.gintQBEdition, std::int16_t{0});
    QCOMPARE(d.st.gstrCompanyFile, std::string());
    QVERIFY(!d.st.gblnListsExtracted);
    QCOMPARE(d.st.gcolMappedAccounts.Count(), 1);

    // Browse, cancelled: nothing changes.
    doLaterWork(d.st, d.client.path());
    const auto kept = wizardState(d.st);
    d.click("cmdBrowse");
    QCOMPARE(wizardState(d.st), kept);

    // Browse to another folder: mappings and files go, the target's lists stay.
    tav::test::TempDir other;
    d.ui.dialogAnswers.push_back(other.path());
    d.click("cmdBrowse");
    QCOMPARE(d.ui.dialogs.back().title, std::string("Select a Folder"));
    QCOMPARE(d.st.gstrClientFolder, other.path());
    QCOMPARE(d.control<QLabel>("lblClientFolder")->text(), QString::fromStdString(other.path()));
    QVERIFY(d.st.gcolMappedTaxCodes.empty() && d.st.gcolMappedAccounts.empty());
    QCOMPARE(d.st.gstrJournalFile + d.st.gstrCompanyFile + d.st.gstrOutputFile, std::string());
    QCOMPARE(d.st.gcolTargetTaxCodes.Count(), 2);
    QCOMPARE(d.st.glngLedgerNumber, 1);
    QVERIFY(d.ui.messages.empty());
}

void NavigatorWindowTest::backNextAndCancelBetweenNavigatorAndPages() {
    Desktop d;
    QVERIFY(d.start());
    doLaterWork(d.st, d.client.path());
    const auto before = wizardState(d.st);

    d.click("cmdPrelim");
    QCOMPARE(d.screenName(), QString("frmPrelim"));
    QCOMPARE(d.screen()->windowTitle(), QString("Preliminary Tasks"));
    QCOMPARE(pageShown(d, "wbrPreliminary"), QString("Preliminary_Tasks.htm"));
    d.click("cmdNext");
    QCOMPARE(d.screenName(), QString("frmGetVADiz6Data"));
    QCOMPARE(d.screen()->windowTitle(), QString("Extract Data from QuickBooks"));
    QCOMPARE(pageShown(d, "wbrGetData"), QString("Extract_Data_Integrated.htm"));
    d.click("cmdBack");
    QCOMPARE(d.screenName(), QString("frmPrelim"));
    d.click("cmdBack");
    QCOMPARE(d.screenName(), QString("frmNavigator"));

    d.click("cmdTransAndLists");
    QCOMPARE(d.screenName(), QString("frmGetVADiz6Data"));
    d.click("cmdCancel");
    QCOMPARE(d.screenName(), QString("frmNavigator"));
    d.click("cmdPrelim");
    d.click("cmdCancel");
    QCOMPARE(d.screenName(), QString("frmNavigator"));

    QCOMPARE(d.frame->mdiArea()->subWindowList().size(), 1);  // one screen at a time
    QCOMPARE(wizardState(d.st), before);
    QVERIFY(d.ui.messages.empty());
}

void NavigatorWindowTest::stepsWithoutAScreenShowTheNotice() {
    Desktop d;
    QVERIFY(d.start());
    d.click("cmdMapping");
    QCOMPARE(d.screenName(), QString("frmNavigator"));
    d.click("cmdCreateFile");
    QCOMPARE(d.screenName(), QString("frmNavigator"));
    d.click("cmdTransAndLists");
    d.click("cmdNext");
    QCOMPARE(d.screenName(), QString("frmGetVADiz6Data"));

    QCOMPARE(d.ui.messages.size(), size_t{3});
    for (const tav::Message& m : d.ui.messages) QCOMPARE(m.text, kNotice);
}

int runNavigatorWindowTests(int argc, char** argv) {
    NavigatorWindowTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "NavigatorWindowTest.moc"
