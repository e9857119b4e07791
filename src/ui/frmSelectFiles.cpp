#include "ui/frmSelectFiles.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "accountmapping/modAccountMapping.h"
#include "shell/ProgramState.h"

namespace tav::ui {

frmSelectFiles::frmSelectFiles(const FormContext& context)
    : TavForm(context, "frmSelectFiles", "Select Ledger For Account Mapping",
              tav::helpTopic(Screen::SelectLedger)) {
    auto* fraLedgers = new QGroupBox("Choose ledger to map to", this);
    fraLedgers->setObjectName("fraLedgers");
    cboLedgers_ = new QComboBox(this);
    cboLedgers_->setObjectName("cboLedgers");
    cboLedgers_->setAccessibleName("Choose ledger to map to");
    for (const LedgerChoice& choice : ledgerChoices(st_.gintTargetApp))
        cboLedgers_->addItem(qtText(choice.caption));
    QLabel* lblLedgers =
        label("lblLedgers", "(Click 'Help' for information on customised ledgers.)");
    lblLedgers->setWordWrap(true);
    cboLedgers_->setAccessibleDescription(lblLedgers->text());
    auto* ledgers = new QVBoxLayout(fraLedgers);
    ledgers->addWidget(cboLedgers_);
    ledgers->addWidget(lblLedgers);

    fraCustomisedLedger_ = new QGroupBox("Customised ledger", this);
    fraCustomisedLedger_->setObjectName("fraCustomisedLedger");
    auto* cmdCustomisedCofA = button("cmdCustomisedCofA", "Brows&e");
    lblCustomisedLedgerPath_ = label("lblCustomisedLedgerPath", "");
    lblCustomisedLedgerPath_->setAccessibleName("Customised ledger file");
    lblCustomisedLedgerPath_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* customised = new QHBoxLayout(fraCustomisedLedger_);
    customised->addWidget(cmdCustomisedCofA);
    customised->addWidget(lblCustomisedLedgerPath_, 1);

    auto* fraOptional = new QGroupBox("Optional", this);
    fraOptional->setObjectName("fraOptional");
    auto* cmdReloadAccounts = button("cmdReloadAccounts", "&Reload");
    QLabel* lblReload = label("lblReload", "Click 'Reload' to reload the ledger selected above");
    lblReload->setWordWrap(true);
    auto* optional = new QHBoxLayout(fraOptional);
    optional->addWidget(cmdReloadAccounts);
    optional->addWidget(lblReload, 1);

    const WizardButtons wizard = wizardButtons(Screen::SelectLedger);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fraLedgers);
    layout->addWidget(fraCustomisedLedger_);
    layout->addWidget(fraOptional);
    layout->addStretch();
    layout->addLayout(wizard.row);
    setFixedSize(twips(7110), twips(6885));

    selectledger::Form_Load(st_, ui_, view_);
    showView();

    connect(cboLedgers_, &QComboBox::activated, this, [this](int position) {
        selectledger::cboLedgers_Click(st_, ui_, position, view_);
        showView();
    });
    connect(cmdCustomisedCofA, &QPushButton::clicked, this, [this] {
        selectledger::cmdCustomisedCofA_Click(st_, ui_, view_);
        showView();
    });
    connect(cmdReloadAccounts, &QPushButton::clicked, this,
            [this] { selectledger::cmdReloadAccounts_Click(st_, ui_, view_); });
}

void frmSelectFiles::showView() {
    // A stored choice beyond the list (an edited settings file) shows nothing chosen.
    const QSignalBlocker quiet(cboLedgers_);
    cboLedgers_->setCurrentIndex(
        st_.glngLedgerNumber < cboLedgers_->count() ? static_cast<int>(st_.glngLedgerNumber) : -1);
    fraCustomisedLedger_->setEnabled(view_.customisedEnabled);
    lblCustomisedLedgerPath_->setText(qtText(view_.lblCustomisedLedgerPath));
    lblCustomisedLedgerPath_->setToolTip(QString::fromStdString(st_.gstrCustomisedLedgerPath));
}

}  // namespace tav::ui
