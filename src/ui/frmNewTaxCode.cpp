#include "ui/frmNewTaxCode.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QValidator>

#include "shell/ProgramState.h"
#include "taxmapping/TAVNewTaxCode.h"

namespace tav::ui {

namespace {

// The box takes what could be typed into it key by key, so pasting obeys the same rule.
class TaxCodeValidator : public QValidator {
public:
    TaxCodeValidator(std::int16_t target, QObject* parent) : QValidator(parent), target_(target) {}

    State validate(QString& input, int&) const override {
        const std::string text = input.toStdString();
        return newtaxcode::typed(target_, text) == text ? Acceptable : Invalid;
    }

private:
    std::int16_t target_;
};

}  // namespace

frmNewTaxCode::frmNewTaxCode(const FormContext& context, QWidget* screen)
    : TavDialog(context, "frmNewTaxCode", "Add Tax Code to List",
                tav::helpTopic(Screen::TaxMapping), screen) {
    newtaxcode::Form_Load(st_);
    auto* lblInstructions = label("lblInstructions", "");
    lblInstructions->setText(qtText(newtaxcode::instructions(st_.gintTargetApp)));
    lblInstructions->setWordWrap(true);
    txtTaxCode_ = new QLineEdit(this);
    txtTaxCode_->setObjectName("txtTaxCode");
    txtTaxCode_->setValidator(new TaxCodeValidator(st_.gintTargetApp, txtTaxCode_));
    auto* lblTaxCode = label("lblTaxCode", "Tax Code:", txtTaxCode_);

    auto* cmdOK = button("cmdOK", "OK");
    cmdOK->setDefault(true);
    auto* cmdNext = button("cmdNext", "&Next");
    auto* cmdCancel = button("cmdCancel", "&Cancel");

    auto* codeRow = new QHBoxLayout;
    codeRow->addWidget(lblTaxCode);
    codeRow->addWidget(txtTaxCode_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {cmdOK, cmdNext, cmdCancel}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblInstructions);
    layout->addLayout(codeRow);
    layout->addLayout(buttons);
    setFixedWidth(twips(5200));
    adjustSize();
    centre();
    tabOrder({txtTaxCode_, cmdOK, cmdNext, cmdCancel});
    txtTaxCode_->setFocus();

    connect(cmdOK, &QPushButton::clicked, this, [this] {
        if (newtaxcode::cmdOK_Click(st_, ui_, txtTaxCode_->text().toStdString())) return accept();
        txtTaxCode_->setFocus();
    });
    connect(cmdNext, &QPushButton::clicked, this, [this] {
        if (newtaxcode::cmdNext_Click(st_, ui_, txtTaxCode_->text().toStdString()))
            txtTaxCode_->clear();
        txtTaxCode_->setFocus();
    });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(this, &QDialog::finished, this, &QObject::deleteLater);
}

}  // namespace tav::ui
