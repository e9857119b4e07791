// The whole road, from the navigator to the import file, through the real windows on the
// shipped sample client: each import file is the one the batch command writes for the
// same choices.

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTextBrowser>
#include <algorithm>
#include <filesystem>

#include "Desktop.h"
#include "safe/Platform.h"
#include "shell/ProgramState.h"
#include "ui/frmHelpViewer.h"

using tav::test::Desktop;

namespace {

// The MAS header says when the file was written.
std::string withoutHeaderDate(std::string file) {
    const size_t end = file.find("\r\n");
    const size_t on = file.rfind(" on ", end);
    if (file.rfind("\"V\"", 0) == 0 && on != std::string::npos) file.erase(on, end - on);
    return file;
}

// The sample client from the navigator to the convert screen, as a user goes: the
// company file's lists, the Journal report and, where the target maps accounts, the
// standard ledger with the client's saved mapping and Auto Mapping for the rest.
void reachConvert(Desktop& d, std::int16_t target, bool mapAccounts = true) {
    QVERIFY(d.sampleClientAtStep3(target));
    d.click("cmdNext");
    if (target != tav::target::Accounts) {
        QCOMPARE(d.screenName(), QString("frmSelectFiles"));
        d.click("cmdNext");
        QCOMPARE(d.screenName(), QString("frmAccountMapping"));
        if (mapAccounts) {
            d.ui.dialogAnswers = {d.client.file("ClientXAccountMapping.csv")};
            d.click("cmdLoadMapping");
            d.click("cmdAutoMapping");
        }
        d.click("cmdNext");
    }
    QCOMPARE(d.screenName(), QString("frmConvert"));
    d.ui.messages.clear();
}

// What tav-convert writes for the same client and choices, into a folder of its own.
struct Batch {
    tav::test::TempDir out, data;
    std::string file;
    int exitCode = -1;

    Batch(const Desktop& d, const QString& target, const QStringList& more) {
        file = out.file(target == "accounts" ? "TAVOutput.csv" : "TAVOutput.txt");
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", QString::fromStdString(data.path()));
        p.setProcessEnvironment(env);
        QStringList args{"--target",
                         target,
                         "--journal",
                         QString::fromStdString(d.client.file("Journal.txt")),
                         "--cofa",
                         QString::fromStdString(d.st.gstrChartOfAccountsFile),
                         "--taxcodes",
                         QString::fromStdString(d.st.gstrTaxCodeListFile),
                         "--ledger",
                         "standard",
                         "--account-mapping",
                         QString::fromStdString(d.client.file("ClientXAccountMapping.csv")),
                         "--auto-map",
                         "--quiet",
                         "--out",
                         QString::fromStdString(file)};
        p.start(TAV_CONVERT, args + more);
        if (p.waitForFinished(60000)) exitCode = p.exitCode();
    }
    std::string written() const { return withoutHeaderDate(tav::test::readFile(file)); }
};

QString shown(Desktop& d, const char* name) {
    auto* w = d.control<QWidget>(name);
    if (auto* frame = qobject_cast<QGroupBox*>(w)) return frame->title();
    if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
    return {};
}

}  // namespace

class ConvertWindowTest : public QObject {
    Q_OBJECT
private slots:
    void theWholeRoadWritesWhatTheBatchCommandWrites_data();
    void theWholeRoadWritesWhatTheBatchCommandWrites();
    void aFaultyTransactionAnsweredYesOrNo();
    void anIncompleteMappingSendsTheUserBack();
    void theImportFileItsNameAndTheViewer();
};

void ConvertWindowTest::theWholeRoadWritesWhatTheBatchCommandWrites_data() {
    QTest::addColumn<std::int16_t>("target");
    QTest::addColumn<QString>("option");
    QTest::addColumn<bool>("allToJournals");
    QTest::newRow("MAS (Aust.)") << tav::target::MasAU << "mas-au" << false;
    QTest::newRow("'Accounts'") << tav::target::Accounts << "accounts" << false;
    QTest::newRow("Accountant's Office (Aust.)")
        << tav::target::AccountantsOfficeAU << "ao-au" << false;
    QTest::newRow("MAS (N.Z.), all to journals") << tav::target::MasNZ << "mas-nz" << true;
    QTest::newRow("Accountant's Office (N.Z.)")
        << tav::target::AccountantsOfficeNZ << "ao-nz" << false;
}

void ConvertWindowTest::theWholeRoadWritesWhatTheBatchCommandWrites() {
    QFETCH(std::int16_t, target);
    QFETCH(QString, option);
    QFETCH(bool, allToJournals);
    Desktop d;
    reachConvert(d, target);
    const bool mas = tav::isMas(target), accounts = target == tav::target::Accounts;
    const QString name = QString::fromStdString(d.st.gstrTargetAppName);
    QCOMPARE(d.screen()->windowTitle(), QString("Convert Data to Create Import File"));
    QCOMPARE(shown(d, "fraImportToMYOB"), "Import into " + name);
    QCOMPARE(
        shown(d, "lblMYOB"),
        "Click the Help button for information on importing the converted data into " + name + ".");
    QCOMPARE(d.control<QWidget>("fraJournalsOrMapping")->isVisible(), mas || accounts);
    QCOMPARE(d.control<QWidget>("chkJournals")->isVisible(), mas);
    QCOMPARE(d.control<QWidget>("lblNoAccountMapping")->isVisible(), accounts);
    if (mas || accounts)
        QCOMPARE(shown(d, "fraJournalsOrMapping"), mas ? "Optional" : "Account Mapping");
    const std::string output = d.client.file(accounts ? "TAVOutput.csv" : "TAVOutput.txt");
    QCOMPARE(d.st.gstrOutputFile, output);
    QCOMPARE(d.control<QLabel>("lblOutputFile")->toolTip(), QString::fromStdString(output));
    if (allToJournals) d.control<QCheckBox>("chkJournals")->click();

    d.click("cmdConvert");
    QCOMPARE(d.ui.titles(), std::vector<std::string>{"Conversion complete"});
    QCOMPARE(d.ui.messages[0].text, std::string("Conversion successful."));
    QVERIFY(!d.window("frmWait"));
    QVERIFY(d.control<QPushButton>("cmdConvert")->isEnabled());

    const Batch batch(d, option, allToJournals ? QStringList{"--all-to-journals"} : QStringList{});
    QCOMPARE(batch.exitCode, 0);
    const std::string written = withoutHeaderDate(tav::test::readFile(output));
    QVERIFY(written.size() > 1000);
    QVERIFY(written == batch.written());
    // The tick is what makes every MAS line a journal, in the window and the batch alike.
    if (mas) QCOMPARE(written.find(",SDB,") == std::string::npos, allToJournals);
}

void ConvertWindowTest::aFaultyTransactionAnsweredYesOrNo() {
    for (const tav::Answer answer : {tav::Answer::Yes, tav::Answer::No}) {
        Desktop d;
        reachConvert(d, tav::target::MasAU);
        // Transaction 2419 is dated 31 February.
        std::string report = tav::test::readFile(d.client.file("Journal.txt"));
        report.replace(report.find("06/07/2023"), 10, "31/02/2023");
        tav::test::writeFile(d.client.file("Journal.txt"), report);

        // The prompt comes while the please-wait window covers the screen.
        bool waiting = false, convertEnabled = true;
        d.ui.onMessage = [&](const tav::Message& m) {
            if (m.title != "Error in data") return;
            auto* wait = d.frame->findChild<QWidget*>("frmWait");
            waiting = wait && wait->isVisibleTo(d.frame.get());
            convertEnabled = d.control<QPushButton>("cmdConvert")->isEnabled();
        };
        d.ui.answers = {answer};
        d.click("cmdConvert");
        QVERIFY(waiting);
        QVERIFY(!convertEnabled);
        QVERIFY(!d.window("frmWait"));
        QVERIFY(d.control<QPushButton>("cmdConvert")->isEnabled());

        const bool omit = answer == tav::Answer::Yes;
        QCOMPARE(d.ui.titles(),
                 omit ? (std::vector<std::string>{"Error in data", "Conversion complete"})
                      : std::vector<std::string>{"Error in data"});
        const Batch batch(d, "mas-au", {"--on-data-error", omit ? "omit" : "stop"});
        QCOMPARE(batch.exitCode, omit ? 5 : 3);  // 5: the check misses the omitted transaction
        const std::string written = withoutHeaderDate(tav::test::readFile(d.st.gstrOutputFile));
        QVERIFY(written == batch.written());
        // No keeps the header and the two transactions before the faulty one.
        const auto lines = std::count(written.begin(), written.end(), '\n');
        QVERIFY(omit ? lines > 100 : lines == 5);
    }
}

void ConvertWindowTest::anIncompleteMappingSendsTheUserBack() {
    Desktop d;
    reachConvert(d, tav::target::MasAU, false);
    d.click("cmdConvert");
    QCOMPARE(d.ui.titles(), std::vector<std::string>{"Incomplete account mapping"});
    QCOMPARE(d.screenName(), QString("frmAccountMapping"));
    QVERIFY(!tav::platform::fileExists(d.st.gstrOutputFile));

    // 'Accounts' maps no accounts, but waits for every tax item.
    Desktop a;
    reachConvert(a, tav::target::Accounts);
    a.click("cmdBack");
    QCOMPARE(a.screenName(), QString("frmTaxMapping"));
    Desktop::choose(a.control<QComboBox>("cmbTaxCodes"), 1);  // blank: the first row unmapped
    a.click("cmdNext");
    a.click("cmdConvert");
    QCOMPARE(a.ui.titles(), std::vector<std::string>{"Incomplete tax mapping"});
    QCOMPARE(a.screenName(), QString("frmTaxMapping"));
}

void ConvertWindowTest::theImportFileItsNameAndTheViewer() {
    Desktop d;
    reachConvert(d, tav::target::AccountantsOfficeAU);
    const std::string standard = d.client.file("TAVOutput.txt");
    const std::string own = d.client.file("Own.txt");

    // Browse: the Save As dialog; cancelling it changes nothing.
    d.click("cmdBrowse");
    QCOMPARE(d.ui.dialogs.back().kind, tav::DialogKind::Save);
    QCOMPARE(d.ui.dialogs.back().filter, std::string("ASCII text (comma delim) (*.txt)|*.txt"));
    QCOMPARE(d.ui.dialogs.back().fileName, std::string("TAVOutput.txt"));
    QVERIFY(d.ui.dialogs.back().overwritePrompt);
    QCOMPARE(d.st.gstrOutputFile, standard);
    d.ui.dialogAnswers = {own};
    d.click("cmdBrowse");
    QCOMPARE(d.control<QLabel>("lblOutputFile")->toolTip(), QString::fromStdString(own));
    QVERIFY(!d.control<QPushButton>("cmdViewCheck")->isEnabled());  // nothing checked yet
    d.click("cmdConvert");
    QCOMPARE(d.ui.titles(), std::vector<std::string>{"Conversion complete"});
    d.click("cmdViewResult");
    QCOMPARE(d.ui.viewed, std::vector<std::string>{own});

    // View Check: the conversion's check, in the help viewer, says so first.
    d.click("cmdViewCheck");
    QVERIFY(d.frame->helpViewer());
    const auto* page = d.frame->helpViewer()->findChild<QTextBrowser*>("txtHelp");
    QVERIFY(page->source().toString().endsWith("TAVCheck.html"));
    QVERIFY(page->toPlainText().startsWith("The import file matches the Journal report."));

    // The import file is kept while it is there; once deleted, the default comes back.
    d.click("cmdNavigator");
    d.click("cmdCreateFile");  // step 4
    QCOMPARE(d.st.gstrOutputFile, own);
    std::filesystem::remove(own);
    d.click("cmdCancel");
    QCOMPARE(d.screenName(), QString("frmNavigator"));
    d.click("cmdCreateFile");
    QCOMPARE(d.st.gstrOutputFile, standard);
    d.click("cmdBack");
    QCOMPARE(d.screenName(), QString("frmAccountMapping"));
}

int runConvertWindowTests(int argc, char** argv) {
    ConvertWindowTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "ConvertWindowTest.moc"
