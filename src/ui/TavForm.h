#pragma once
// What every window of the program shares: its system name as objectName, its caption,
// its help topic, and the state, port and main window it works with. Screens and the
// windows shown inside the main window are TavForms; dialogs, which close on Esc and
// press their default button on Enter, are TavDialogs.

#include <QDialog>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <string_view>

#include "safe/UiPort.h"
#include "shell/Help.h"
#include "shell/Wizard.h"

class QHBoxLayout;
class QLabel;
class QPushButton;

namespace tav {
struct ProgramState;
}

namespace tav::ui {

// The main window as the screens see it.
class ScreenHost {
public:
    // Unloads the current screen and shows the given one (or tells the user that this
    // build has no such screen, and stays).
    virtual void showScreen(Screen screen) = 0;
    // F1: the help at a topic.
    virtual void showHelp(HelpTopic topic) = 0;
    // A page the program wrote itself (the conversion check), in the help viewer.
    virtual void showPage(const std::string& path) = 0;
    // The please-wait window over the current screen, fed by the port's progress.
    virtual void showWait(const QString& message) = 0;
    virtual void unloadWait() = 0;

protected:
    ~ScreenHost() = default;
};

struct FormContext {
    ProgramState& st;
    UiPort& ui;
    ScreenHost& host;
};

// The parts of a window: its help topic, its context and the makers of its controls.
class WindowParts {
public:
    HelpTopic helpTopic() const { return topic_; }

protected:
    WindowParts(QWidget& window, const FormContext& context, const char* name,
                std::string_view caption, HelpTopic topic);
    ~WindowParts() = default;

    // Unloads this window; a failure is reported for the window's module and routine.
    void unload(std::string_view module, std::string_view procedure);

    QPushButton* button(const char* name, std::string_view caption);
    QLabel* label(const char* name, std::string_view text);
    // A label that names a control: its access key ("&") gives the control the focus, and
    // the control takes the label's words as its accessible name.
    QLabel* label(const char* name, std::string_view text, QWidget* buddy);
    // Names a control without a label of its own, for the keyboard and screen readers.
    static void name(QWidget* control, const char* objectName, std::string_view accessibleName);
    // The Tab key's order: the controls as they are read, left to right, top to bottom.
    static void tabOrder(const QList<QWidget*>& reading);

    // The row under a wizard page: Help at the left, then Back, Next (the default button)
    // and Cancel, which go to the page before, the page after and the navigator. A page
    // that ends the wizard has no Next.
    struct WizardButtons {
        QPushButton* help;
        QPushButton* back;
        QPushButton* next;  // null on the last page
        QPushButton* cancel;
        QHBoxLayout* row;
    };
    enum class NextPage { Shown, None };
    WizardButtons wizardButtons(Screen page, NextPage next = NextPage::Shown);

    // Brings up a window of this one's that leaves it usable (Add Account, Add Tax Code,
    // the standard codes), made the first time; `closed` runs each time the user closes it.
    template <class Window, class... Closed>
    void showOwnWindow(QPointer<Window>& window, Closed... closed) {
        if (!window) {
            window = new Window(FormContext{st_, ui_, host_}, &window_);
            (QObject::connect(window, &QDialog::finished, &window_, closed), ...);
        }
        window->show();
        window->raise();
        window->activateWindow();
    }

    ProgramState& st_;
    UiPort& ui_;
    ScreenHost& host_;

private:
    QWidget& window_;
    HelpTopic topic_;
};

// Enter presses the form's default button (Next on the wizard's pages) wherever the focus
// is, unless the control with the focus takes Enter itself; Esc closes a form that is a
// window of its own (the About box, the help viewer).
class TavForm : public QWidget, public WindowParts {
    Q_OBJECT
public:
    TavForm(const FormContext& context, const char* name, std::string_view caption, HelpTopic topic,
            QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// A dialog over the main window (or over the window given as parent).
class TavDialog : public QDialog, public WindowParts {
    Q_OBJECT
public:
    TavDialog(const FormContext& context, const char* name, std::string_view caption,
              HelpTopic topic, QWidget* parent);

protected:
    // Centres the dialog over the window it belongs to.
    void centre();
};

// A UTF-8 text of the core for a widget: CR LF line ends become plain line feeds.
QString qtText(std::string_view text);
// A label caption: "&&" stands for "&", and a label shows it as is.
QString labelText(std::string_view caption);
// The same without its access key's "&", as a screen reader says it.
QString plainText(std::string_view caption);

// The program's picture, drawn from its vector image for the screen's scale: the About box
// and the Introduction; tavIcon() is the windows' icon, sharp at any size.
QPixmap tavPicture(int size);
QIcon tavIcon();

// Pixels for a length in twips, the unit the window layouts were drawn in.
constexpr int twips(int t) { return t / 15; }

}  // namespace tav::ui
