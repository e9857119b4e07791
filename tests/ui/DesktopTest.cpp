// The main window: start-up, shutdown, the Help menu, help, About and Introduction.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>

#include "Desktop.h"
#include "safe/Platform.h"
#include "ui/frmHelpViewer.h"

using tav::test::Desktop;

namespace {

QString shownHelpPage(Desktop& d) {
    if (!d.frame->helpViewer()) return {};
    const QUrl source = d.frame->helpViewer()->findChild<QTextBrowser*>("txtHelp")->source();
    return QFileInfo(source.toLocalFile()).fileName();
}

void press(QWidget* window, const char* button) {
    auto* b = window ? window->findChild<QPushButton*>(button) : nullptr;
    QVERIFY2(b, button);
    QTest::mouseClick(b, Qt::LeftButton);
    Desktop::settle();
}

}  // namespace

class DesktopTest : public QObject {
    Q_OBJECT
private slots:
    void firstStartWithAnEmptySettingsFile();
    void exitAndTheCloseBoxSaveTheSettingsOnce_data();
    void exitAndTheCloseBoxSaveTheSettingsOnce();
    void viewLogBeforeAnyError();
    void introductionCheckBoxTickedThenUnticked();
    void helpOpensTheTopicOfTheWindow();
    void aboutBox();
    void pleaseWaitShowsProgress();
};

void DesktopTest::firstStartWithAnEmptySettingsFile() {
    Desktop d;
    d.writeIni("");
    QVERIFY(d.start());

    QCOMPARE(d.ui.titles(),
             (std::vector<std::string>{"Error Report", "Error Report", "Error Report",
                                       "Error Report", "Previous Client Folder not found."}));

    QCOMPARE(d.frame->windowTitle(), QString("Tavora v6"));
    QCOMPARE(d.frame->mdiArea()->background().color(), QColor(0, 160, 200));
    QCOMPARE(d.screenName(), QString("frmNavigator"));
    QVERIFY(!d.window("frmIntroduction"));  // the blank IntroScreen counts as False

    QCOMPARE(d.control<QComboBox>("cmbSourceProduct")->currentIndex(), 1);
    QCOMPARE(d.control<QLabel>("lblQBi")->text(), QString("QuickBooks QBi (Aust.)"));
    QCOMPARE(d.control<QLabel>("lblMapping")->text(), QString("Tax Code && Account Mapping"));
    QCOMPARE(d.control<QLabel>("lblClientFolder")->text(),
             QString::fromStdString(d.install.path()));
    QCOMPARE(d.st.gstrTargetAppName, std::string("MAS"));
}

void DesktopTest::exitAndTheCloseBoxSaveTheSettingsOnce_data() {
    QTest::addColumn<bool>("byMenu");
    QTest::newRow("File > Exit") << true;
    QTest::newRow("close box") << false;
}

void DesktopTest::exitAndTheCloseBoxSaveTheSettingsOnce() {
    QFETCH(bool, byMenu);
    Desktop d;
    QVERIFY(d.start());
    d.trigger("mnuHelpAbout");
    d.frame->showHelp(tav::HelpTopic::Navigator);
    d.st.gintTargetApp = 2;

    const auto leave = [&](bool menu) {
        if (menu)
            d.trigger("mnuFileExit");
        else
            d.frame->close();
        Desktop::settle();
    };
    leave(byMenu);
    QVERIFY(!d.frame->isVisible());
    QVERIFY(!d.window("frmHelpAbout"));
    QVERIFY(!d.window("frmHelpViewer"));
    const std::string saved = tav::test::readFile(d.install.file("TAV.ini"));
    QVERIFY(saved.find("TargetApplication=2\r\n") != std::string::npos);

    // Whatever happens after the first save is not written.
    d.st.gintTargetApp = 3;
    leave(!byMenu);
    QCOMPARE(tav::test::readFile(d.install.file("TAV.ini")), saved);
    QVERIFY(d.ui.messages.empty());
}

void DesktopTest::viewLogBeforeAnyError() {
    Desktop d;
    QVERIFY(d.start());
    d.trigger("mnuHelpView");
    QCOMPARE(d.ui.titles(), std::vector<std::string>{"File not found"});
    QCOMPARE(d.ui.messages[0].text,
             std::string("The file to view could not be found at the specified path."));
    QVERIFY(d.ui.viewed.empty());
    const std::string log = tav::platform::joinPath(d.st.gstrDataFolder, "TAV.log");
    QVERIFY(!tav::platform::pathExists(log));

    tav::test::writeFile(log, "an entry\r\n");
    d.trigger("mnuHelpView");
    QCOMPARE(d.ui.viewed, std::vector<std::string>{log});
}

void DesktopTest::introductionCheckBoxTickedThenUnticked() {
    Desktop d;
    d.writeIni(d.validIni(true));
    QVERIFY(d.start());
    auto* intro = d.window("frmIntroduction");
    QVERIFY(intro);
    QCOMPARE(d.frame->mdiArea()->activeSubWindow()->widget(), intro);  // over the navigator

    auto* box = intro->findChild<QCheckBox*>("chkDontShow");
    QVERIFY(!box->isChecked());
    QTest::mouseClick(box, Qt::LeftButton);
    QVERIFY(!d.st.gblnShowIntro);
    QTest::mouseClick(box, Qt::LeftButton);
    QVERIFY(d.st.gblnShowIntro);

    press(intro, "cmdOK");
    QVERIFY(!d.window("frmIntroduction"));
    QCOMPARE(d.screenName(), QString("frmNavigator"));
}

void DesktopTest::helpOpensTheTopicOfTheWindow() {
    Desktop d;
    QVERIFY(d.start());
    QTest::mouseClick(d.control<QLabel>("txtHyperLink1"), Qt::LeftButton);
    QCOMPARE(shownHelpPage(d), QString("accountants-toggle.html"));

    d.click("cmdPrelim");
    d.click("cmdHelp");
    QCOMPARE(shownHelpPage(d), QString("preliminary-tasks.html"));

    d.click("cmdNext");
    d.frame->activateWindow();
    QTest::keyClick(d.screen(), Qt::Key_F1);
    QCOMPARE(shownHelpPage(d), QString("extract-data.html"));

    d.trigger("mnuHelpContents");
    QCOMPARE(shownHelpPage(d), QString("index.html"));
    QVERIFY(d.ui.messages.empty());
}

void DesktopTest::aboutBox() {
    Desktop d;
    QVERIFY(d.start());
    d.trigger("mnuHelpAbout");
    auto* about = d.window("frmHelpAbout");
    QVERIFY(about);
    QCOMPARE(about->windowTitle(), QString("About Tavora"));
    QCOMPARE(about->findChild<QLabel*>("lblTitle")->text(), QString("Tavora"));
    QCOMPARE(about->findChild<QLabel*>("lblVersion")->text(), QString("Version 6.0.1"));
    QVERIFY(about->findChild<QLabel*>("lblDescription")->text().contains("Copyright"));
    press(about, "cmdSysInfo");
    QCOMPARE(d.ui.started.size(), size_t{1});
    press(about, "cmdOK");
    QVERIFY(!d.window("frmHelpAbout"));
}

void DesktopTest::pleaseWaitShowsProgress() {
    Desktop d;
    QVERIFY(d.start());
    d.frame->showWait("Data is being converted.");
    auto* wait = d.window("frmWait");
    QVERIFY(wait);
    QCOMPARE(wait->findChild<QLabel*>("lblMessage")->text(), QString("Data is being converted."));
    auto* bar = wait->findChild<QProgressBar*>("prgProgress");
    QCOMPARE(bar->maximum(), 0);  // busy until the work says how far it is
    // A report larger than the range of int.
    d.frame->progress(3'000'000'000ULL, 12'000'000'000ULL);
    QCOMPARE(bar->value() * 4, bar->maximum());
    d.frame->unloadWait();
    QVERIFY(!d.window("frmWait"));
    QCOMPARE(d.screenName(), QString("frmNavigator"));
}

int runDesktopTests(int argc, char** argv) {
    DesktopTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "DesktopTest.moc"
