#include "ui/MDIfrmMain.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScreen>
#include <QShortcut>

#include "shell/MDIfrmMain.h"
#include "shell/ProgramState.h"
#include "shell/modMDIMain.h"
#include "ui/InformationPages.h"
#include "ui/SafeForms.h"
#include "ui/frmHelpAbout.h"
#include "ui/frmHelpViewer.h"

namespace tav::ui {

MDIfrmMain::MDIfrmMain(ProgramState& st, UiPort& ui) : st_(st), ui_(ui) {
    setObjectName("MDIfrmMain");
    setWindowTitle(qtText(mainwindow::kCaption));
    setWindowIcon(tavIcon());
    mdiArea_ = new QMdiArea(this);
    mdiArea_->setObjectName("mdiArea");
    // A screen larger than the window scrolls rather than being cut off.
    mdiArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdiArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(mdiArea_);
    resize(1000, 720);

    auto* mnuFile = menuBar()->addMenu("&File");
    mnuFile->setObjectName("mnuFile");
    auto* mnuFileExit = mnuFile->addAction("E&xit", this, &QWidget::close);
    mnuFileExit->setObjectName("mnuFileExit");

    auto* mnuHelp = menuBar()->addMenu("&Help");
    mnuHelp->setObjectName("mnuHelp");
    auto* mnuHelpContents =
        mnuHelp->addAction("Contents + &Index", this, [this] { showHelp(HelpTopic::Contents); });
    mnuHelpContents->setObjectName("mnuHelpContents");
    auto* mnuHelpView =
        mnuHelp->addAction("&View Log", this, [this] { mainwindow::mnuHelpView_Click(st_, ui_); });
    mnuHelpView->setObjectName("mnuHelpView");
    auto* mnuHelpAbout = mnuHelp->addAction("&About TAV", this, [this] {
        if (!about_) about_ = new frmHelpAbout(context(), this);
        openTopLevel(about_);
    });
    mnuHelpAbout->setObjectName("mnuHelpAbout");

    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    f1->setContext(Qt::ApplicationShortcut);
    connect(f1, &QShortcut::activated, this, &MDIfrmMain::contextHelp);
}

MDIfrmMain::~MDIfrmMain() = default;

bool MDIfrmMain::MDIForm_Load() {
    const StartupOutcome outcome = tav::MDIForm_Load(st_, ui_);
    if (outcome != StartupOutcome::Fatal) restorePlacement();
    switch (outcome) {
        case StartupOutcome::Fatal: return false;
        case StartupOutcome::Stopped: show(); return true;
        case StartupOutcome::Complete: showFirstScreens(); return true;
    }
    return true;
}

// Where the user left the main window, if that is still on one of the screens.
void MDIfrmMain::restorePlacement() {
    const auto placement = mainwindow::savedPlacement(st_);
    if (!placement) return;
    const QRect where(placement->left, placement->top, placement->width, placement->height);
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen->availableGeometry().intersects(where)) {
            setGeometry(where);
            if (placement->maximised) setWindowState(windowState() | Qt::WindowMaximized);
            return;
        }
}

void MDIfrmMain::showFirstScreens() {
    mdiArea_->setBackground(QColor(0, 160, 200));
    show();
    showScreen(Screen::Navigator);
    if (st_.gblnShowIntro) showIntroduction();
}

QMdiSubWindow* MDIfrmMain::showChild(TavForm* form, Qt::WindowFlags buttons) {
    auto* frame = mdiArea_->addSubWindow(
        form, Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint | buttons);
    frame->setAttribute(Qt::WA_DeleteOnClose);
    frame->setWindowIcon(windowIcon());
    frame->adjustSize();
    const QSize room = mdiArea_->viewport()->size() - frame->size();
    frame->move(std::max(0, room.width() / 2), std::max(0, room.height() / 2));
    frame->show();
    mdiArea_->setActiveSubWindow(frame);
    return frame;
}

void MDIfrmMain::showScreen(Screen screen) {
    if (screen_) sfFormUnload(screen_);
    screen_ = showChild(makeScreen(screen, context()), {});
}

TavForm* MDIfrmMain::currentScreen() const {
    return screen_ ? qobject_cast<TavForm*>(screen_->widget()) : nullptr;
}

frmHelpViewer* MDIfrmMain::helpViewer() const { return helpViewer_; }

void MDIfrmMain::showIntroduction() {
    showChild(new frmIntroduction(context()), Qt::WindowCloseButtonHint);
}

void MDIfrmMain::openTopLevel(TavForm* form) {
    form->setAttribute(Qt::WA_DeleteOnClose);
    form->show();
    form->raise();
    form->activateWindow();
}

void MDIfrmMain::showHelp(HelpTopic topic) {
    const std::optional<std::string> page = topic == HelpTopic::Contents
                                                ? mainwindow::mnuHelpContents_Click(st_, ui_)
                                                : mainwindow::contextHelp(st_, ui_, topic);
    if (page) showPage(*page);
}

void MDIfrmMain::showPage(const std::string& path) {
    if (!helpViewer_) {
        helpViewer_ = new frmHelpViewer(context(), this);
        openTopLevel(helpViewer_);
    }
    helpViewer_->showPage(path);
    helpViewer_->raise();
    helpViewer_->activateWindow();
}

// F1: the topic of the window the user is in.
void MDIfrmMain::contextHelp() {
    QWidget* active = QApplication::activeWindow();
    const WindowParts* window = active == this ? nullptr : dynamic_cast<WindowParts*>(active);
    if (!window) {
        QMdiSubWindow* frame =
            mdiArea_->activeSubWindow() ? mdiArea_->activeSubWindow() : screen_.data();
        window = frame ? qobject_cast<TavForm*>(frame->widget()) : nullptr;
    }
    showHelp(window ? window->helpTopic() : HelpTopic::MainWindow);
}

// While the please-wait window is up, the work under it lets the window system run, so
// the window repaints and answers; the screen and the menus wait for the work to end.
void MDIfrmMain::showWait(const QString& message) {
    unloadWait();
    wait_ = new frmWait(context(), message);
    showChild(wait_, {});
    if (screen_) screen_->setEnabled(false);
    menuBar()->setEnabled(false);
    QCoreApplication::processEvents();
}

void MDIfrmMain::unloadWait() {
    if (wait_) sfFormUnload(wait_);
    wait_ = nullptr;
    if (screen_) screen_->setEnabled(true);
    menuBar()->setEnabled(true);
}

void MDIfrmMain::progress(std::uint64_t done, std::uint64_t total) {
    if (wait_) wait_->progress(done, total);
}

void MDIfrmMain::closeEvent(QCloseEvent* event) {
    // Closing waits for the work under the please-wait window.
    if (wait_) return event->ignore();
    // File > Exit, the close box and the system all end here; the settings are saved once.
    if (!unloaded_) {
        unloaded_ = true;
        tav::MDIForm_Unload(st_, ui_);
        const QRect normal = isMaximized() ? normalGeometry() : geometry();
        mainwindow::savePlacement(
            st_, ui_, {normal.x(), normal.y(), normal.width(), normal.height(), isMaximized()});
        sfOtherFormsUnload(this);
    }
    event->accept();
}

}  // namespace tav::ui
