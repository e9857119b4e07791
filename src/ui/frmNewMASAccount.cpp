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
#include "ui/TavForm.h"

namespace tav::ui {

frmNewMASAccount::frmNewMASAccount(ProgramState& st, UiPort& ui, QWidget* parent)
    : QDialog(parent), st_(st), ui_(ui) {
    setObjectName("frmNewMASAccount");
    setWindowTitle("Add Account to List");
    setAttribute(Qt::WA_DeleteOnClose);

    lblInstructions_ = new QLabel(this);
    lblInstructions_->setObjectName("lblInstructions");
    lblInstructions_->setWordWrap(true);
    txtNumber_ = new QLineEdit(this);
    txtNumber_->setObjectName("txtNumber");
    txtName_ = new QLineEdit(this);
    txtName_->setObjectName("txtName");
    auto* lblNumber = new QLabel("Number:", this);
    lblNumber->setObjectName("lblNumber");
    lblNumber->setBuddy(txtNumber_);
    txtNumber_->setAccessibleName("Number");
    auto* lblName = new QLabel("Name:", this);
    lblName->setObjectName("lblName");
    lblName->setBuddy(txtName_);
    txtName_->setAccessibleName("Name");
    auto* boxes = new QGridLayout;
    boxes->addWidget(lblNumber, 0, 0);
    boxes->addWidget(lblName, 0, 1);
    boxes->addWidget(txtNumber_, 1, 0);
    boxes->addWidget(txtName_, 1, 1);
    boxes->setColumnStretch(0, 1);
    boxes->setColumnStretch(1, 2);

    auto makeButton = [this](const char* name, const char* caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        return b;
    };
    auto* cmdCancel = makeButton("cmdCancel", "&Cancel");
    auto* cmdOK = makeButton("cmdOK", "&OK");
    auto* cmdNext = makeButton("cmdNext", "&Next");
    cmdOK->setDefault(true);
    // Cancel never takes the focus from a box by a click, so that leaving a box with a
    // number it refuses cannot stop the user from cancelling.
    cmdCancel->setFocusPolicy(Qt::TabFocus);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdNext);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblInstructions_);
    layout->addLayout(boxes);
    layout->addLayout(buttons);
    setMinimumWidth(420);
    setTabOrder(txtNumber_, txtName_);
    setTabOrder(txtName_, cmdCancel);
    setTabOrder(cmdCancel, cmdOK);
    setTabOrder(cmdOK, cmdNext);

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
    QDialog::done(result);
}

bool frmNewMASAccount::eventFilter(QObject* watched, QEvent* event) {
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (!box) return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) return keyPress(box, static_cast<QKeyEvent*>(event));
    if (event->type() == QEvent::FocusOut) {
        // Another window coming to the front (a message, the mapping screen) is no leaving.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (!closing_ && !refocusing_ && reason != Qt::ActiveWindowFocusReason &&
            reason != Qt::PopupFocusReason)
            lostFocus(box);
    }
    return QDialog::eventFilter(watched, event);
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
