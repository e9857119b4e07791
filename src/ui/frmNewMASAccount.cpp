#include "ui/frmNewMASAccount.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "shell/ProgramState.h"

namespace tav::ui {

frmNewMASAccount::frmNewMASAccount(const FormContext& context, QWidget* screen)
    : TavDialog(context, "frmNewMASAccount", "Add Account to List",
                tav::helpTopic(Screen::AccountMapping), screen) {
    setAttribute(Qt::WA_DeleteOnClose);
    lblInstructions_ = label("lblInstructions", "");
    lblInstructions_->setWordWrap(true);
    txtNumber_ = new QLineEdit(this);
    txtNumber_->setObjectName("txtNumber");
    txtName_ = new QLineEdit(this);
    txtName_->setObjectName("txtName");
    auto* boxes = new QGridLayout;
    boxes->addWidget(label("lblNumber", "Number:", txtNumber_), 0, 0);
    boxes->addWidget(label("lblName", "Name:", txtName_), 0, 1);
    boxes->addWidget(txtNumber_, 1, 0);
    boxes->addWidget(txtName_, 1, 1);
    boxes->setColumnStretch(0, 1);
    boxes->setColumnStretch(1, 2);

    auto* cmdCancel = button("cmdCancel", "&Cancel");
    auto* cmdOK = button("cmdOK", "&OK");
    auto* cmdNext = button("cmdNext", "&Next");
    cmdOK->setDefault(true);
    // Cancel never takes the focus from a box by a click, so that leaving a box with a
    // number it refuses cannot stop the user from cancelling.
    cmdCancel->setFocusPolicy(Qt::TabFocus);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {cmdCancel, cmdOK, cmdNext}) buttons->addWidget(b);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblInstructions_);
    layout->addLayout(boxes);
    layout->addLayout(buttons);
    setFixedWidth(twips(6300));
    adjustSize();
    centre();
    tabOrder({txtNumber_, txtName_, cmdCancel, cmdOK, cmdNext});

    newaccount::Form_Load(st_, ui_, view_);
    showView();

    for (QLineEdit* box : {txtNumber_, txtName_}) box->installEventFilter(this);
    connect(cmdOK, &QPushButton::clicked, this, [this] {
        takeBoxes();
        outcome(newaccount::cmdOK_Click(st_, ui_, view_));
    });
    connect(cmdNext, &QPushButton::clicked, this, [this] {
        takeBoxes();
        newaccount::cmdNext_Click(st_, ui_, view_);
        showView();
    });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmNewMASAccount::done(int result) {
    closing_ = true;
    TavDialog::done(result);
}

bool frmNewMASAccount::eventFilter(QObject* watched, QEvent* event) {
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (!box) return TavDialog::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) return keyPress(box, static_cast<QKeyEvent*>(event));
    if (event->type() == QEvent::FocusOut) {
        // Another window coming to the front (a message, the mapping screen) is no leaving.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (!closing_ && !refocusing_ && reason != Qt::ActiveWindowFocusReason &&
            reason != Qt::PopupFocusReason)
            lostFocus(box);
    }
    return TavDialog::eventFilter(watched, event);
}

bool frmNewMASAccount::keyPress(QLineEdit* box, QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        takeBoxes();
        outcome(box == txtNumber_ ? newaccount::txtNumber_Enter(st_, ui_, view_)
                                  : newaccount::cmdOK_Click(st_, ui_, view_));
        return true;
    }
    const QString text = event->text();
    if (text.isEmpty() || !text.at(0).isPrint() ||
        (event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)))
        return false;
    const std::string key = text.toStdString();
    const bool takes = box == txtNumber_ ? newaccount::numberTakesKey(
                                               st_.gintTargetApp, box->text().toStdString(), key)
                                         : newaccount::nameTakesKey(key);
    return !takes;
}

void frmNewMASAccount::lostFocus(QLineEdit* box) {
    takeBoxes();
    const bool refused = box == txtNumber_ ? newaccount::txtNumber_LostFocus(st_, ui_, view_)
                                           : newaccount::txtName_LostFocus(ui_, view_);
    if (!refused) return;
    // The focus is still on its way to the next control: it goes back once it arrived.
    refocusing_ = true;
    QTimer::singleShot(0, this, [this] {
        showView();
        refocusing_ = false;
    });
}

void frmNewMASAccount::takeBoxes() {
    view_.txtNumber = txtNumber_->text().toStdString();
    view_.txtName = txtName_->text().toStdString();
}

void frmNewMASAccount::showView() {
    lblInstructions_->setText(qtText(view_.lblInstructions));
    if (txtNumber_->text().toStdString() != view_.txtNumber)
        txtNumber_->setText(QString::fromStdString(view_.txtNumber));
    if (txtName_->text().toStdString() != view_.txtName)
        txtName_->setText(QString::fromStdString(view_.txtName));
    if (view_.focus) {
        QLineEdit* box = *view_.focus == newaccount::Box::Number ? txtNumber_ : txtName_;
        box->setFocus();
        box->selectAll();
        view_.focus.reset();
    }
}

void frmNewMASAccount::outcome(newaccount::Outcome outcome) {
    if (outcome == newaccount::Outcome::Added) return accept();
    showView();
}

}  // namespace tav::ui
