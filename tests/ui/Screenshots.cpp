// tav_screenshots FOLDER: writes a PNG of every window of the desktop application,
// grabbed offscreen, so the look can be checked without a display. A new window adds
// one line to the table below.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPixmap>
#include <QTemporaryFile>
#include <functional>
#include <iostream>

#include "Desktop.h"
#include "ui/QtPort.h"
#include "ui/frmHelpViewer.h"

using tav::test::Desktop;

namespace {

// A window shown inside the frame, with its title bar.
QWidget* framed(QWidget* form) { return form ? form->parentWidget() : nullptr; }

QWidget* screen(Desktop& d, tav::Screen s) {
    d.frame->showScreen(s);
    return framed(d.screen());
}

// The window as the user sees it, with any list dropped down over it (and out of it).
QPixmap grabAsSeen(QWidget* window) {
    QRect area = window->rect();
    std::vector<std::pair<QPoint, QPixmap>> popups;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (!top->isVisible() || top->windowType() != Qt::Popup) continue;
        const QPoint at = window->mapFromGlobal(top->mapToGlobal(QPoint(0, 0)));
        area |= QRect(at, top->size());
        popups.emplace_back(at, top->grab());
    }
    const qreal ratio = window->devicePixelRatioF();
    QPixmap shot(area.size() * ratio);
    shot.setDevicePixelRatio(ratio);
    shot.fill(Qt::transparent);
    QPainter painter(&shot);
    painter.drawPixmap(-area.topLeft(), window->grab());
    for (const auto& [at, popup] : popups) painter.drawPixmap(at - area.topLeft(), popup);
    return shot;
}

// The offscreen platform's one screen is 800 by 600 pixels, too small for the main window
// at 200 %, which would push lists and dialogs about; this one holds them at any scale.
void useLargeOffscreenScreen(QTemporaryFile& config) {
    if (qgetenv("QT_QPA_PLATFORM") != "offscreen" || !config.open()) return;
    config.write(R"({"screens": [{"name": "screen", "x": 0, "y": 0, "width": 3840,
                    "height": 2400, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    config.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName().toLocal8Bit());
}

// Step 3 on the sample client, mapped, with the list dropped down on the third row.
QWidget* mappedTaxScreen(Desktop& d) {
    d.frame->showScreen(tav::Screen::TaxMapping);
    d.ui.dialogAnswers = {d.client.file("HarbourLaneCafe.qbw"), d.client.file("Journal.txt")};
    for (const char* button : {"cmdQBDataFile", "cmdExtractQBLists", "cmdTransFile"})
        d.click(button);
    auto* list = d.control<QComboBox>("cmbTaxCodes");
    for (int row = 1; row < 3; ++row) QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_F4);
    return framed(d.screen());
}

// The account mapping screen on the sample client: the first rows mapped from the
// keyboard, a number typed and completed on the next, its list dropped down.
QWidget* mappedAccountScreen(Desktop& d) {
    d.frame->showScreen(tav::Screen::AccountMapping);
    auto* combo = d.control<QComboBox>("cmbAccounts");
    for (const char* number : {"680", "1", "3"}) {
        QTest::keyClicks(combo, number);
        QTest::keyClick(combo, Qt::Key_Enter);
    }
    QTest::keyClicks(combo, "21");
    QTest::keyClick(combo, Qt::Key_F4);
    return framed(d.screen());
}

// A desktop's dark colours.
QPalette darkPalette() {
    QPalette p;
    const QColor window(45, 45, 48), base(30, 30, 30), text(232, 232, 232);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::Highlight, QColor(38, 110, 180));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, QColor(110, 170, 255));
    p.setColor(QPalette::ToolTipBase, window);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, QColor(150, 150, 150));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, QColor(130, 130, 130));
    return p;
}

// The convert screen as a target shows it.
QWidget* convertScreen(Desktop& d, std::int16_t target) {
    d.chooseTarget(target);
    return screen(d, tav::Screen::Convert);
}

}  // namespace

int main(int argc, char** argv) {
    QTemporaryFile screenConfig;
    useLargeOffscreenScreen(screenConfig);
    QApplication app(argc, argv);
    if (argc != 2) {
        std::cerr << "usage: tav_screenshots FOLDER\n";
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);

    Desktop d;
    d.installData();
    d.useSampleClient();
    d.writeIni(d.validIni(true));
    if (!d.start()) return 1;
    std::unique_ptr<QMessageBox> box;

    const std::vector<std::pair<const char*, std::function<QWidget*()>>> shots{
        {"MDIfrmMain", [&] { return d.frame.get(); }},
        {"frmIntroduction", [&] { return framed(d.window("frmIntroduction")); }},
        {"frmNavigator", [&] { return screen(d, tav::Screen::Navigator); }},
        {"frmPrelim", [&] { return screen(d, tav::Screen::Prelim); }},
        {"frmGetVADiz6Data", [&] { return screen(d, tav::Screen::GetData); }},
        {"frmTaxMapping", [&] { return mappedTaxScreen(d); }},
        {"frmNewTaxCode",
         [&] {
             auto* list = d.control<QComboBox>("cmbTaxCodes");
             list->hidePopup();
             emit list->activated(0);
             auto* dialog = d.window("frmNewTaxCode");
             QTest::keyClicks(dialog->findChild<QLineEdit*>("txtTaxCode"), "15");
             return dialog;
         }},
        {"frmVADiz6StandardCodes",
         [&] {
             d.window<QDialog>("frmNewTaxCode")->reject();
             d.click("cmdShowCodes");
             return d.window("frmVADiz6StandardCodes");
         }},
        {"frmSelectFiles", [&] { return screen(d, tav::Screen::SelectLedger); }},
        {"frmAccountMapping", [&] { return mappedAccountScreen(d); }},
        {"frmNewMASAccount",
         [&] {
             auto* combo = d.control<QComboBox>("cmbAccounts");
             combo->hidePopup();
             combo->lineEdit()->selectAll();
             QTest::keyClicks(combo, "1-1 500");
             QTest::keyClick(combo, Qt::Key_Enter);  // not in the list: Yes, add it
             auto* dialog = d.window("frmNewMASAccount");
             QTest::keyClicks(dialog->findChild<QLineEdit*>("txtName"), "Loan from director");
             return dialog;
         }},
        {"frmConvert-MAS",
         [&] {
             d.window<QDialog>("frmNewMASAccount")->reject();
             return screen(d, tav::Screen::Convert);
         }},
        {"frmConvert-Accounts", [&] { return convertScreen(d, tav::target::Accounts); }},
        {"frmConvert-AccountantsOffice",
         [&] { return convertScreen(d, tav::target::AccountantsOfficeAU); }},
        {"frmWait",
         [&] {
             d.chooseTarget(tav::target::MasAU);
             d.frame->showWait(
                 "Data is being converted.\nThis may take several minutes for "
                 "large files.");
             d.frame->progress(40, 100);
             return framed(d.window("frmWait"));
         }},
        {"frmHelpAbout",
         [&] {
             d.frame->unloadWait();
             d.trigger("mnuHelpAbout");
             return d.window("frmHelpAbout");
         }},
        {"frmHelpViewer",
         [&] {
             d.frame->showHelp(tav::HelpTopic::Navigator);
             return static_cast<QWidget*>(d.frame->helpViewer());
         }},
        {"ErrorReport",
         [&] {
             box = tav::ui::QtPort::messageBoxFor(
                 tav::Message{"An error occurred in the procedure listed below.\r\n\r\nError "
                              "Details:\r\nModule: TAVNavigator.frm\r\nProcedure: Form_Load",
                              tav::Buttons::OK, tav::Icon::None, tav::DefaultButton::First,
                              "Error Report"},
                 nullptr);
             box->show();
             return static_cast<QWidget*>(box.get());
         }},
        {"frmNavigator-dark",
         [&] {
             box->hide();
             QApplication::setPalette(darkPalette());
             return screen(d, tav::Screen::Navigator);
         }},
    };

    int written = 0;
    for (const auto& [name, show] : shots) {
        QWidget* window = show();
        Desktop::settle();
        const QString path = QDir(folder).filePath(QString(name) + ".png");
        if (!window || !grabAsSeen(window).save(path)) {
            std::cerr << "could not grab " << name << "\n";
            continue;
        }
        ++written;
    }
    std::cout << written << " windows written to " << folder.toStdString() << "\n";
    return written == static_cast<int>(shots.size()) ? 0 : 1;
}
