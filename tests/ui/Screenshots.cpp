// tav_screenshots FOLDER: writes a PNG of every window of the desktop application,
// grabbed offscreen, so the look can be checked without a display. A new window adds
// one line to the table below.

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMdiSubWindow>
#include <QPixmap>
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

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::cerr << "usage: tav_screenshots FOLDER\n";
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);

    Desktop d;
    d.writeIni(d.validIni(true));
    if (!d.start()) return 1;
    std::unique_ptr<QMessageBox> box;

    const std::vector<std::pair<const char*, std::function<QWidget*()>>> shots{
        {"MDIfrmMain", [&] { return d.frame.get(); }},
        {"frmIntroduction", [&] { return framed(d.window("frmIntroduction")); }},
        {"frmNavigator", [&] { return screen(d, tav::Screen::Navigator); }},
        {"frmPrelim", [&] { return screen(d, tav::Screen::Prelim); }},
        {"frmGetVADiz6Data", [&] { return screen(d, tav::Screen::GetData); }},
        {"frmSelectFiles", [&] { return screen(d, tav::Screen::SelectLedger); }},
        {"frmWait",
         [&] {
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
    };

    int written = 0;
    for (const auto& [name, show] : shots) {
        QWidget* window = show();
        Desktop::settle();
        const QString path = QDir(folder).filePath(QString(name) + ".png");
        if (!window || !window->grab().save(path)) {
            std::cerr << "could not grab " << name << "\n";
            continue;
        }
        ++written;
    }
    std::cout << written << " windows written to " << folder.toStdString() << "\n";
    return written == static_cast<int>(shots.size()) ? 0 : 1;
}
