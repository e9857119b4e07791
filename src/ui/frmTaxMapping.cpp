#include "ui/frmTaxMapping.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "safe/ErrorLog.h"
#include "shell/ProgramState.h"
#include "taxmapping/modIIFSDK.h"
#include "ui/MappingGrid.h"
#include "ui/frmNewTaxCode.h"
#include "ui/frmVADiz6StandardCodes.h"

namespace tav::ui {

namespace {

using taxmappingscreen::kModule;

// The grid's two columns are 1645 twips wide each.
constexpr int kColumnWidth = twips(1645);
constexpr int kListItemsShown = 18;

QLabel* wrapping(QLabel* label) {
    label->setWordWrap(true);
    return label;
}

}  // namespace

frmTaxMapping::frmTaxMapping(const FormContext& context)
    : TavForm(context, "frmTaxMapping", "", tav::helpTopic(Screen::TaxMapping)), table_(st_) {
    taxmappingscreen::Form_Load(st_, ui_);

    auto* fraSelectQBDataFile = new QGroupBox("Select QuickBooks Company File", this);
    fraSelectQBDataFile->setObjectName("fraSelectQBDataFile");
    auto* cmdQBDataFile = button("cmdQBDataFile", "B&rowse");
    cmdQBDataFile->setAccessibleName("Browse for the QuickBooks company file");
    lblQBDataFilePath_ = label("lblQBDataFilePath", "");
    auto* companyRow = new QHBoxLayout(fraSelectQBDataFile);
    companyRow->addWidget(cmdQBDataFile);
    companyRow->addWidget(lblQBDataFilePath_, 1);

    auto* cmdExtractQBLists = button("cmdExtractQBLists", "&Get QuickBooks Lists");
    auto* lblGetQBLists = wrapping(label("lblGetQBLists", ""));
    auto* extractRow = new QHBoxLayout;
    extractRow->addWidget(cmdExtractQBLists, 0, Qt::AlignTop);
    extractRow->addWidget(lblGetQBLists, 1);

    auto* fraSelectJournal = new QGroupBox("Select QuickBooks Journal File", this);
    fraSelectJournal->setObjectName("fraSelectJournal");
    auto* cmdTransFile = button("cmdTransFile", "Bro&wse");
    cmdTransFile->setAccessibleName("Browse for the QuickBooks Journal file");
    lblJournalPath_ = label("lblJournalPath", "");
    auto* journalRow = new QHBoxLayout(fraSelectJournal);
    journalRow->addWidget(cmdTransFile);
    journalRow->addWidget(lblJournalPath_, 1);

    fraMapping_ = buildMappingFrame();

    const WizardButtons wizard = wizardButtons(Screen::TaxMapping);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fraSelectQBDataFile);
    layout->addLayout(extractRow);
    layout->addWidget(fraSelectJournal);
    layout->addWidget(fraMapping_, 1);
    layout->addStretch();
    layout->addLayout(wizard.row);
    setMinimumWidth(twips(7110));

    const taxmappingscreen::View v = taxmappingscreen::view(st_);
    lblGetQBLists->setText(qtText(v.lblGetQBLists));
    fraMapping_->setVisible(v.mapping);
    showView();

    QList<QWidget*> reading{cmdQBDataFile, cmdExtractQBLists, cmdTransFile};
    if (v.mapping) reading << cmdShowCodes_ << cmbTaxCodes_;
    tabOrder(reading << wizard.help << wizard.back << wizard.next << wizard.cancel);
    // The list has the focus when the screen opens (the company file's button for
    // Accountant's Office).
    (v.mapping ? static_cast<QWidget*>(cmbTaxCodes_) : cmdQBDataFile)->setFocus();

    connect(cmdQBDataFile, &QPushButton::clicked, this, [this] {
        taxmappingscreen::cmdQBDataFile_Click(st_, ui_);
        showView();
    });
    connect(cmdExtractQBLists, &QPushButton::clicked, this,
            [this] { cmdExtractQBLists_Click(st_, ui_); });
    connect(cmdTransFile, &QPushButton::clicked, this, &frmTaxMapping::cmdTransFile_Click);
}

QGroupBox* frmTaxMapping::buildMappingFrame() {
    auto* fraMapping = new QGroupBox("Complete Mapping", this);
    fraMapping->setObjectName("fraMapping");
    lblCodeMapping_ = wrapping(label("lblCodeMapping", ""));
    cmdShowCodes_ = button("cmdShowCodes", "&View Standard Tax Items/Codes");

    cmbTaxCodes_ = new QComboBox;
    name(cmbTaxCodes_, "cmbTaxCodes", "Select target tax code");
    cmbTaxCodes_->setMaxVisibleItems(kListItemsShown);
    refillList();
    model_ = new MappingTableModel(table_, this);
    flxTaxCodes_ = new MappingGrid(model_, cmbTaxCodes_, fraMapping);
    flxTaxCodes_->setObjectName("flxTaxCodes");
    flxTaxCodes_->setColumnWidths({kColumnWidth, kColumnWidth});
    auto* lblMapping = label("lblMapping", "Tax Code Mapping", flxTaxCodes_);

    // The legend of the rows the remembered mapping filled.
    legend_ = new QWidget(fraMapping);
    auto* picRemembered = label("picRemembered", "");
    picRemembered->setPixmap(
        MappingTableModel::noteIcon().pixmap(QSize(16, 16), devicePixelRatioF()));
    auto* lblRemembered =
        wrapping(label("lblRemembered", "Marked rows are mapped as remembered for this client."));
    auto* legend = new QHBoxLayout(legend_);
    legend->setContentsMargins({});
    legend->addWidget(picRemembered, 0, Qt::AlignTop);
    legend->addWidget(lblRemembered, 1);

    auto* gridRow = new QHBoxLayout;
    gridRow->addWidget(flxTaxCodes_);
    gridRow->addWidget(legend_, 1, Qt::AlignTop);
    gridRow->addStretch();
    auto* layout = new QVBoxLayout(fraMapping);
    layout->addWidget(lblCodeMapping_);
    layout->addWidget(cmdShowCodes_, 0, Qt::AlignLeft);
    layout->addWidget(lblMapping);
    layout->addLayout(gridRow, 1);

    connect(flxTaxCodes_, &MappingGrid::rowEntered, this, [this](long r) {
        cmbTaxCodes_->setCurrentIndex(static_cast<int>(table_.listIndex(r)));
    });
    connect(cmbTaxCodes_, &QComboBox::activated, this, [this](int index) {
        const long row = flxTaxCodes_->currentRow();
        follow(taxmappingscreen::cmbTaxCodes_Click(st_, ui_, table_, row, index), row);
    });
    flxTaxCodes_->setKeyHandler([this](GridKey key, bool listOpen) {
        const KeyOutcome outcome = taxmappingscreen::cmbTaxCodes_KeyDown(
            key, listOpen, flxTaxCodes_->currentRow(), table_.rowCount(), flxTaxCodes_->pageRows());
        switch (outcome.action) {
            case KeyOutcome::Action::Pass: return false;
            case KeyOutcome::Action::Discard: return true;
            case KeyOutcome::Action::MoveTo: flxTaxCodes_->setCurrentRow(outcome.row); return true;
            case KeyOutcome::Action::OpenList:
                flxTaxCodes_->scrollTo(flxTaxCodes_->currentIndex());
                cmbTaxCodes_->showPopup();
                return true;
        }
        return false;
    });
    connect(cmdShowCodes_, &QPushButton::clicked, this, [this] { showOwnWindow(standardCodes_); });
    return fraMapping;
}

void frmTaxMapping::showView() {
    const taxmappingscreen::View v = taxmappingscreen::view(st_);
    setWindowTitle(qtText(v.caption));
    lblQBDataFilePath_->setText(qtText(v.lblQBDataFilePath));
    lblQBDataFilePath_->setToolTip(QString::fromStdString(st_.gstrCompanyFile));
    lblJournalPath_->setText(qtText(v.lblJournalPath));
    lblJournalPath_->setToolTip(QString::fromStdString(st_.gstrJournalFile));
    if (!v.mapping) return;
    lblCodeMapping_->setText(qtText(v.lblCodeMapping));
    bool remembered = false;
    for (long r = 1; r <= table_.rowCount() && !remembered; ++r)
        remembered = !table_.note(r).empty();
    legend_->setVisible(remembered);
}

void frmTaxMapping::refillList() {
    StrArray items;
    if (const Sem e = sfSetUpTaxCombo(st_, items); !e.empty())
        return dsCreateSEMAndDoAll(st_, ui_, kModule, "Form_Load", 0,
                                   "Error setting up combo on grid.", e, true);
    cmbTaxCodes_->clear();
    for (const std::string& item : items) cmbTaxCodes_->addItem(qtText(item));
}

void frmTaxMapping::follow(const GridMove& move, long from) {
    model_->rowChanged(from);
    showView();
    flxTaxCodes_->setCurrentRow(move.row);
    if (move.addNew) openNewTaxCode();
}

void frmTaxMapping::cmdTransFile_Click() {
    using taxmappingscreen::JournalChoice;
    JournalChoice choice = taxmappingscreen::chooseJournalFile(st_, ui_);
    if (choice == JournalChoice::Chosen) {
        host_.showWait(
            "Reading the QuickBooks Journal file.\nThis may take a while for large files.");
        choice = taxmappingscreen::readJournalFile(st_, ui_);
        host_.unloadWait();
        if (choice == JournalChoice::Taken) taxmappingscreen::applyRememberedTaxMapping(st_, ui_);
    }
    if (choice != JournalChoice::Kept && model_) {
        refillList();  // the remembered mapping may have added codes
        model_->reload();
    }
    showView();
    if (fraMapping_->isVisible()) cmbTaxCodes_->setFocus();
}

void frmTaxMapping::openNewTaxCode() {
    showOwnWindow(newTaxCode_, [this] { dsHaveLeftAddTaxCode(); });
}

void frmTaxMapping::dsHaveLeftAddTaxCode() {
    cmbTaxCodes_->setFocus();
    refillList();
    const long row = flxTaxCodes_->currentRow();
    follow(taxmappingscreen::dsHaveLeftAddTaxCode(st_, ui_, table_, row), row);
}

}  // namespace tav::ui
