// What every window owes a user of the keyboard, of a screen reader or of a dark desktop:
// names, access keys, Esc and Enter, and a main window that keeps its place.

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QMdiArea>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBrowser>

#include "Desktop.h"
#include "ui/frmHelpViewer.h"

using tav::test::Desktop;

namespace {

// The controls of a window the keyboard reaches and a screen reader cannot name.
QStringList unnamed(QWidget* window) {
    QStringList names;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisible() || w->focusPolicy() == Qt::NoFocus || !w->isEnabled()) continue;
        if (w->objectName().isEmpty() || w->objectName().startsWith("qt_")) continue;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        if (!a || a->text(QAccessible::Name).trimmed().isEmpty()) names << w->objectName();
    }
    return names;
}

void pressKey(QWidget* w, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(w, key, modifiers);
    Desktop::settle();
}

// The sample client as far as the tax mapping screen, its lists and report read.
void sampleClientMapped(Desktop& d) {
    QVERIFY(d.sampleClientAtStep3(tav::target::MasAU));
    d.ui.messages.clear();
}

}  // namespace

class EveryWindowTest : public QObject {
    Q_OBJECT
private slots:
    void everyControlOfEveryWindowHasAName();
    void labelsGiveTheirControlsAccessKeys();
    void escClosesTheAboutBoxTheHelpViewerAndTheDialogs();
    void enterPressesNextOrTheButtonWithTheFocus();
    void theNavigatorsLinkAndStepLabels();
    void theMainWindowKeepsItsPlaceAndScrolls();
    void aDarkPaletteKeepsTheLinkAndThePagesLegible();
};

void EveryWindowTest::everyControlOfEveryWindowHasAName() {
    Desktop d;
    d.writeIni(d.validIni(true));
    sampleClientMapped(d);
    QStringList missing;
    auto check = [&](const QString& where, QWidget* window) {
        QVERIFY2(window, qPrintable(where));
        for (const QString& name : unnamed(window)) missing << where + "." + name;
    };
    check("frmIntroduction", d.window("frmIntroduction"));
    using tav::Screen;
    for (const Screen s : {Screen::Navigator, Screen::Prelim, Screen::GetData, Screen::TaxMapping,
                           Screen::SelectLedger, Screen::AccountMapping, Screen::Convert}) {
        d.frame->showScreen(s);
        check(d.screenName(), d.screen());
    }
    for (const std::int16_t target : {tav::target::Accounts, tav::target::AccountantsOfficeAU}) {
        d.chooseTarget(target);
        d.frame->showScreen(Screen::Convert);
        check("frmConvert", d.screen());
    }
    d.chooseTarget(tav::target::MasAU);
    d.frame->showScreen(Screen::TaxMapping);
    auto* list = d.control<QComboBox>("cmbTaxCodes");
    emit list->activated(0);  // " <Add New>"
    check("frmNewTaxCode", d.window("frmNewTaxCode"));
    d.window<QDialog>("frmNewTaxCode")->reject();
    d.click("cmdShowCodes");
    check("frmVADiz6StandardCodes", d.window("frmVADiz6StandardCodes"));
    d.window<QDialog>("frmVADiz6StandardCodes")->reject();
    d.frame->showScreen(Screen::AccountMapping);
    emit d.control<QComboBox>("cmbAccounts")->activated(0);  // " <Add New>"
    check("frmNewMASAccount", d.window("frmNewMASAccount"));
    d.window<QDialog>("frmNewMASAccount")->reject();
    d.trigger("mnuHelpAbout");
    check("frmHelpAbout", d.window("frmHelpAbout"));
    d.frame->showHelp(tav::HelpTopic::Navigator);
    check("frmHelpViewer", d.frame->helpViewer());
    QCOMPARE(missing, QStringList{});
}

void EveryWindowTest::labelsGiveTheirControlsAccessKeys() {
    Desktop d;
    QVERIFY(d.start());
    QApplication::setActiveWindow(d.frame.get());
    auto* edition = d.control<QComboBox>("cmbSourceProduct");
    auto* target = d.control<QComboBox>("cmbTarget");
    QCOMPARE(d.control<QLabel>("lblEdition")->buddy(), edition);
    QCOMPARE(d.control<QLabel>("lblTargetApp")->buddy(), target);
    QCOMPARE(edition->accessibleName(), QString("Edition:"));
    QCOMPARE(target->accessibleName(), QString("Target Application:"));
    pressKey(d.control<QWidget>("cmdBrowse"), Qt::Key_T, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), target);
    pressKey(target, Qt::Key_E, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), edition);
    // Each round step button is named by its label.
    QCOMPARE(d.control<QWidget>("cmdPrelim")->accessibleName(), QString("Preliminary Tasks"));
    QCOMPARE(d.control<QWidget>("cmdMapping")->accessibleName(),
             QString("Tax Code & Account Mapping"));
}

void EveryWindowTest::escClosesTheAboutBoxTheHelpViewerAndTheDialogs() {
    Desktop d;
    sampleClientMapped(d);
    d.trigger("mnuHelpAbout");
    pressKey(d.window("frmHelpAbout"), Qt::Key_Escape);
    QVERIFY(!d.window("frmHelpAbout"));
    d.frame->showHelp(tav::HelpTopic::Navigator);
    pressKey(d.frame->helpViewer()->findChild<QTextBrowser*>("txtHelp"), Qt::Key_Escape);
    QVERIFY(!d.window("frmHelpViewer"));

    d.click("cmdShowCodes");
    pressKey(d.window("frmVADiz6StandardCodes"), Qt::Key_Escape);
    QVERIFY(!d.window("frmVADiz6StandardCodes"));
    emit d.control<QComboBox>("cmbTaxCodes")->activated(0);  // " <Add New>"
    pressKey(d.window<QDialog>("frmNewTaxCode")->focusWidget(), Qt::Key_Escape);
    QVERIFY(!d.window("frmNewTaxCode"));
    // A screen inside the main window stays.
    pressKey(d.control<QWidget>("cmdNext"), Qt::Key_Escape);
    QCOMPARE(d.screenName(), QString("frmTaxMapping"));
}

void EveryWindowTest::enterPressesNextOrTheButtonWithTheFocus() {
    Desktop d;
    sampleClientMapped(d);
    d.click("cmdCancel");
    d.click("cmdPrelim");
    // Enter in the page's text and on a wizard page's other controls is Next.
    const std::pair<const char*, const char*> walk[] = {
        {"wbrPreliminary", "frmGetVADiz6Data"},
        {"wbrGetData", "frmTaxMapping"},
        {"cmdShowCodes", ""},  // a button with the focus is pressed itself
        {"cmdNext", "frmSelectFiles"},
        {"cboLedgers", "frmAccountMapping"},
    };
    for (const auto& [control, next] : walk) {
        auto* w = d.control<QWidget>(control);
        QVERIFY2(w, control);
        w->setFocus();
        pressKey(w, Qt::Key_Return);
        if (*next) {
            QCOMPARE(d.screenName(), QString(next));
        } else {
            QVERIFY(d.window("frmVADiz6StandardCodes"));
            d.window<QDialog>("frmVADiz6StandardCodes")->reject();
        }
    }
    QVERIFY(d.ui.messages.empty());
}

void EveryWindowTest::theNavigatorsLinkAndStepLabels() {
    Desktop d;
    QVERIFY(d.start());
    auto* link = d.control<QLabel>("txtHyperLink1");
    d.control<QWidget>("cmbTarget")->setFocus();
    pressKey(d.control<QWidget>("cmbTarget"), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), link);
    QVERIFY(link->font().underline());  // the focus shows
    pressKey(link, Qt::Key_Return);
    QVERIFY(d.frame->helpViewer());
    QVERIFY(
        d.frame->helpViewer()->findChild<QTextBrowser*>("txtHelp")->source().toString().endsWith(
            "accountants-toggle.html"));

    QTest::mouseClick(d.control<QLabel>("lblPrelim"), Qt::LeftButton);
    Desktop::settle();
    QCOMPARE(d.screenName(), QString("frmPrelim"));
    d.click("cmdCancel");
    QTest::mouseClick(d.control<QLabel>("lblConvert"), Qt::LeftButton);
    Desktop::settle();
    QCOMPARE(d.screenName(), QString("frmConvert"));
}

void EveryWindowTest::theMainWindowKeepsItsPlaceAndScrolls() {
    const QRect where(60, 50, 900, 640);
    Desktop d;
    QVERIFY(d.start());
    QVERIFY(d.frame->minimumSize() != d.frame->maximumSize());  // resizable
    d.frame->setGeometry(where);
    d.frame->close();
    const std::string ini = tav::test::readFile(d.install.file("TAV.ini"));
    QVERIFY(ini.find("\r\nMainWindow=60,50,900,640\r\n") != std::string::npos);

    Desktop again;
    again.writeIni(ini);
    QVERIFY(again.start());
    QCOMPARE(again.frame->geometry(), where);

    // Too small for the navigator: scroll bars, not a clipped screen.
    again.frame->resize(300, 250);
    Desktop::settle();
    QMdiArea* area = again.frame->mdiArea();
    QVERIFY(area->verticalScrollBar()->isVisible());
    QVERIFY(area->horizontalScrollBar()->isVisible());

    // A place on no screen (a monitor since removed) is not taken.
    Desktop gone;
    std::string far = gone.validIni();
    far.insert(far.find("ClientFolder="), "MainWindow=-30000,-30000,900,640\r\n");
    gone.writeIni(far);
    QVERIFY(gone.start());
    QVERIFY(gone.frame->geometry().x() > -30000);
    QVERIFY(gone.ui.messages.empty());
}

void EveryWindowTest::aDarkPaletteKeepsTheLinkAndThePagesLegible() {
    const QPalette light = QApplication::palette();
    QPalette dark = light;
    dark.setColor(QPalette::Window, QColor(40, 40, 40));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    dark.setColor(QPalette::Link, QColor(110, 170, 255));
    QApplication::setPalette(dark);
    {
        Desktop d;
        QVERIFY(d.start());
        const QColor link =
            d.control<QLabel>("txtHyperLink1")->palette().color(QPalette::WindowText);
        QVERIFY(link.lightness() > 128);
        d.click("cmdPrelim");
        const QPalette page = d.control<QTextBrowser>("wbrPreliminary")->palette();
        QCOMPARE(page.color(QPalette::Base), QColor(Qt::white));
        QCOMPARE(page.color(QPalette::Text), QColor(Qt::black));
    }
    QApplication::setPalette(light);
}

int runEveryWindowTests(int argc, char** argv) {
    EveryWindowTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "EveryWindowTest.moc"
