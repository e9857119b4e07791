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

// Work done in later steps, which the navigator's choices may drop.
void doLaterWork(tav::ProgramState& st) {
    st.gstrCompanyFile = "Client.qbw";
    st.gstrJournalFile = "Journal.txt";
    st.gcolTargetTaxCodes.Add("GST");
    st.gcolMappedAccounts.Add({"Income", "4000", "Sales", "2", "100", "Sales"});
}

auto wizardState(const tav::ProgramState& st) {
    return std::tuple(st.gintQBEdition, st.gintTargetApp, st.gstrClientFolder, st.gstrCompanyFile,
                      st.gstrJournalFile, st.gcolTargetTaxCodes, st.gcolMappedAccounts);
}

}  // namespace

class NavigatorWindowTest : public QObject {
    Q_OBJECT
private slots:
    void targetEditionAndClientFolderReset();
    void backNextAndCancelWalkTheWizard();
};

// The full rules are the core's (NavigatorTest); here each control must reach them and
// show their result.
void NavigatorWindowTest::targetEditionAndClientFolderReset() {
    Desktop d;
    QVERIFY(d.start());
    auto* cmbTarget = d.control<QComboBox>("cmbTarget");
    doLaterWork(d.st);
    const auto before = wizardState(d.st);
    Desktop::choose(cmbTarget, 0);  // the target already chosen
    QCOMPARE(wizardState(d.st), before);

    Desktop::choose(cmbTarget, 3);
    QCOMPARE(d.control<QLabel>("lblQBi")->text(), QString("QuickBooks QBi (N.Z.)"));
    QVERIFY(d.st.gcolTargetTaxCodes.empty() && d.st.gcolMappedAccounts.empty());
    QCOMPARE(d.st.gstrCompanyFile, std::string("Client.qbw"));
    Desktop::choose(cmbTarget, 1);
    QCOMPARE(d.control<QLabel>("lblMapping")->text(), QString("Tax Code Mapping"));

    Desktop::choose(d.control<QComboBox>("cmbSourceProduct"), 0);
    QCOMPARE(d.st.gintQBEdition, std::int16_t{0});
    QCOMPARE(d.st.gstrCompanyFile, std::string());

    doLaterWork(d.st);
    const auto kept = wizardState(d.st);
    d.click("cmdBrowse");  // cancelled
    QCOMPARE(wizardState(d.st), kept);
    tav::test::TempDir other;
    d.ui.dialogAnswers.push_back(other.path());
    d.click("cmdBrowse");
    QCOMPARE(d.control<QLabel>("lblClientFolder")->text(), QString::fromStdString(other.path()));
    QVERIFY(d.st.gcolMappedAccounts.empty());
    QCOMPARE(d.st.gcolTargetTaxCodes.Count(), 1);
    QVERIFY(d.ui.messages.empty());
}

void NavigatorWindowTest::backNextAndCancelWalkTheWizard() {
    Desktop d;
    QVERIFY(d.start());
    doLaterWork(d.st);
    const auto before = wizardState(d.st);

    // The button clicked and the screen shown after it.
    const std::pair<const char*, const char*> walk[] = {
        {"cmdPrelim", "frmPrelim"},
        {"cmdNext", "frmGetVADiz6Data"},
        {"cmdBack", "frmPrelim"},
        {"cmdBack", "frmNavigator"},
        {"cmdTransAndLists", "frmGetVADiz6Data"},
        {"cmdCancel", "frmNavigator"},
        {"cmdPrelim", "frmPrelim"},
        {"cmdCancel", "frmNavigator"},
        {"cmdCreateFile", "frmConvert"},
        {"cmdNavigator", "frmNavigator"},
        {"cmdTransAndLists", "frmGetVADiz6Data"},
    };
    for (const auto& [button, screen] : walk) {
        d.click(button);
        QCOMPARE(d.screenName(), QString(screen));
    }
    QCOMPARE(d.screen()->windowTitle(), QString("Extract Data from QuickBooks"));
    QCOMPARE(QFileInfo(d.control<QTextBrowser>("wbrGetData")->source().toLocalFile()).fileName(),
             QString("Extract_Data_Integrated.htm"));
    QCOMPARE(d.frame->mdiArea()->subWindowList().size(), 1);  // one screen at a time
    QCOMPARE(wizardState(d.st), before);
    QVERIFY(d.ui.messages.empty());

    // Step 3 from the instruction page and from the navigator.
    for (const auto& [button, screen] :
         {std::pair{"cmdNext", "frmTaxMapping"}, std::pair{"cmdCancel", "frmNavigator"},
          std::pair{"cmdMapping", "frmTaxMapping"}}) {
        d.click(button);
        QCOMPARE(d.screenName(), QString(screen));
    }
}

int runNavigatorWindowTests(int argc, char** argv) {
    NavigatorWindowTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "NavigatorWindowTest.moc"
