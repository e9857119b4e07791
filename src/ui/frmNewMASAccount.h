#pragma once
// "Add Account to List": adds an account to the target chart of accounts while the user
// maps accounts. Shown without blocking the account mapping screen, which refreshes
// itself when the dialog closes (finished).

#include "accountmapping/TAVNewMASAccount.h"
#include "ui/TavForm.h"

class QLabel;
class QLineEdit;

namespace tav::ui {

class frmNewMASAccount : public TavDialog {
    Q_OBJECT
public:
    frmNewMASAccount(const FormContext& context, QWidget* screen);

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool keyPress(QLineEdit* box, QKeyEvent* event);
    void lostFocus(QLineEdit* box);
    // The boxes into the view before a routine, the view into the window after it.
    void takeBoxes();
    void showView();
    void outcome(newaccount::Outcome outcome);

    newaccount::View view_;
    QLabel* lblInstructions_;
    QLineEdit* txtNumber_;
    QLineEdit* txtName_;
    bool refocusing_ = false;  // a box is getting the focus back after a refusal
    bool closing_ = false;
};

}  // namespace tav::ui
