#include "ui/frmConvert.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "convert/TAVConvert.h"
#include "safe/SafeMethods.h"
#include "shell/ProgramState.h"

namespace tav::ui {

namespace {

QGroupBox* frame(const char* name, const QString& caption, QWidget* parent) {
    auto* box = new QGroupBox(caption, parent);
    box->setObjectName(name);
    return box;
}

}  // namespace

frmConvert::frmConvert(const FormContext& context)
    : TavForm(context, "frmConvert", "Convert Data to Create Import File",
              tav::helpTopic(Screen::Convert)) {
    convertscreen::Form_Load(st_, ui_);
    const QString targetName = qtText(st_.gstrTargetAppName);
    const bool mas = isMas(st_.gintTargetApp);
    const bool accounts = st_.gintTargetApp == target::Accounts;

    auto* fraImportToMYOB = frame("fraImportToMYOB", "Import into " + targetName, this);
    QLabel* lblMYOB = label("lblMYOB", "");
    lblMYOB->setText("Click the Help button for information on importing the converted data into " +
                     targetName + ".");
    lblMYOB->setWordWrap(true);
    (new QVBoxLayout(fraImportToMYOB))->addWidget(lblMYOB);

    auto* fraJournalsOrMapping =
        frame("fraJournalsOrMapping", accounts ? "Account Mapping" : "Optional", this);
    auto* chkJournals = new QCheckBox(qtText("Convert &all transactions to MAS journals."), this);
    chkJournals->setObjectName("chkJournals");
    chkJournals->setChecked(st_.gblnAllToJournals);
    QLabel* lblJournals = label("lblJournals",
                                "(Select this option and convert again if you encounter contra "
                                "account errors in the MAS import.)");
    lblJournals->setWordWrap(true);
    chkJournals->setAccessibleDescription(lblJournals->text());
    QLabel* lblNoAccountMapping =
        label("lblNoAccountMapping",
              "When converting from QuickBooks to 'Accounts', the account mapping is performed as "
              "part of the import process in Accounts.");
    lblNoAccountMapping->setWordWrap(true);
    auto* optional = new QVBoxLayout(fraJournalsOrMapping);
    optional->addWidget(chkJournals);
    optional->addWidget(lblJournals);
    optional->addWidget(lblNoAccountMapping);
    chkJournals->setVisible(mas);
    lblJournals->setVisible(mas);
    lblNoAccountMapping->setVisible(accounts);
    fraJournalsOrMapping->setVisible(mas || accounts);

    auto* fraOutPutFile = frame(
        "fraOutPutFile", "Select a location and name for the file that will be created:", this);
    auto* cmdBrowse = button("cmdBrowse", "Bro&wse");
    lblOutputFile_ = label("lblOutputFile", "");
    lblOutputFile_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblOutputFile_->setAccessibleName("Import file");
    auto* output = new QHBoxLayout(fraOutPutFile);
    output->addWidget(lblOutputFile_, 1);
    output->addWidget(cmdBrowse);

    cmdConvert_ = button("cmdConvert", "Convert &Data");
    auto* cmdViewResult = button("cmdViewResult", "&View Result");
    cmdConvert_->setDefault(true);
    resultButtons_ = new QHBoxLayout;
    resultButtons_->addWidget(cmdConvert_);
    resultButtons_->addWidget(cmdViewResult);
    // Alt+C stays with Cancel.
    cmdViewCheck_ = button("cmdViewCheck", "View C&heck");
    cmdViewCheck_->setEnabled(false);  // until a conversion has been checked
    resultButtons_->addWidget(cmdViewCheck_);
    resultButtons_->addStretch();

    const WizardButtons wizard = wizardButtons(Screen::Convert, NextPage::None);
    auto* cmdNavigator = button("cmdNavigator", "&Navigator");
    wizard.row->addWidget(cmdNavigator);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fraImportToMYOB);
    layout->addWidget(fraJournalsOrMapping);
    layout->addWidget(fraOutPutFile);
    layout->addLayout(resultButtons_);
    layout->addStretch();
    layout->addLayout(wizard.row);
    setMinimumWidth(twips(7110));
    tabOrder({chkJournals, cmdBrowse, cmdConvert_, cmdViewResult, cmdViewCheck_, wizard.help,
              wizard.back, wizard.cancel, cmdNavigator});
    showOutputFile();
    cmdConvert_->setFocus();

    connect(chkJournals, &QCheckBox::toggled, this,
            [this](bool ticked) { convertscreen::chkJournals_Click(st_, ticked); });
    connect(cmdBrowse, &QPushButton::clicked, this, [this] {
        convertscreen::cmdBrowse_Click(st_, ui_);
        showOutputFile();
    });
    connect(cmdConvert_, &QPushButton::clicked, this, &frmConvert::cmdConvert_Click);
    connect(cmdViewResult, &QPushButton::clicked, this,
            [this] { convertscreen::cmdViewResult_Click(st_, ui_); });
    connect(cmdViewCheck_, &QPushButton::clicked, this, [this] {
        if (const auto page = convertscreen::cmdViewCheck_Click(st_, ui_, check_.get()))
            host_.showPage(*page);
    });
    connect(cmdNavigator, &QPushButton::clicked, this,
            [this] { host_.showScreen(Screen::Navigator); });
}

void frmConvert::showOutputFile() {
    std::string shortened = st_.gstrOutputFile;
    sfShortenPath(st_.gstrOutputFile, shortened, 45);
    lblOutputFile_->setText(qtText(shortened));
    lblOutputFile_->setToolTip(qtText(st_.gstrOutputFile));
}

void frmConvert::cmdConvert_Click() {
    ConversionRun run;
    const convertscreen::ConvertOutcome outcome =
        convertscreen::cmdConvert_Click(st_, ui_, run, [this](bool running) {
            cmdConvert_->setEnabled(!running);
            if (running)
                host_.showWait(qtText(convertscreen::kWaitMessage));
            else
                host_.unloadWait();
        });
    if (run.check) check_ = run.check;
    cmdViewCheck_->setEnabled(check_ != nullptr);
    switch (outcome) {
        case convertscreen::ConvertOutcome::IncompleteTaxMapping:
            return host_.showScreen(Screen::TaxMapping);
        case convertscreen::ConvertOutcome::IncompleteAccountMapping:
            return host_.showScreen(Screen::AccountMapping);
        default: cmdConvert_->setFocus();
    }
}

}  // namespace tav::ui
