#pragma once
// The main window: the frame every screen is shown in, its File and Help menus, the
// help viewer, and the program's start-up and shutdown.

#include <QMainWindow>
#include <QPointer>

#include "ui/TavForm.h"

class QMdiArea;
class QMdiSubWindow;

namespace tav::ui {

class frmHelpViewer;
class frmWait;

// A new window of a screen of the wizard.
TavForm* makeScreen(Screen screen, const FormContext& context);

class MDIfrmMain : public QMainWindow, public ScreenHost {
    Q_OBJECT
public:
    MDIfrmMain(ProgramState& st, UiPort& ui);
    ~MDIfrmMain() override;

    // Start-up: settings read (every fallback shown), then the frame, the navigator
    // and, when wanted, the Introduction. False when the program must end at once.
    bool MDIForm_Load();
    // The frame with the navigator and, when gblnShowIntro, the Introduction over it.
    void showFirstScreens();

    void showScreen(Screen screen) override;
    void showHelp(HelpTopic topic) override;
    void showPage(const std::string& path) override;
    void showWait(const QString& message) override;
    void unloadWait() override;
    // The port's progress, into the please-wait window.
    void progress(std::uint64_t done, std::uint64_t total);

    // The screen shown now (a form inside the frame), the help viewer when open.
    TavForm* currentScreen() const;
    frmHelpViewer* helpViewer() const;
    QMdiArea* mdiArea() const { return mdiArea_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QMdiSubWindow* showChild(TavForm* form, Qt::WindowFlags buttons);
    void restorePlacement();
    void showIntroduction();
    void openTopLevel(TavForm* form);
    void contextHelp();
    FormContext context() { return {st_, ui_, *this}; }

    ProgramState& st_;
    UiPort& ui_;
    QMdiArea* mdiArea_;
    QPointer<QMdiSubWindow> screen_;
    QPointer<frmWait> wait_;
    QPointer<frmHelpViewer> helpViewer_;
    QPointer<TavForm> about_;
    bool unloaded_ = false;
};

}  // namespace tav::ui
