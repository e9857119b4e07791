#include "ui/frmAccountMapping.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStringListModel>
#include <QVBoxLayout>
#include <set>

#include "accountmapping/modAccountMapping.h"
#include "shell/ProgramState.h"
#include "ui/MappingGrid.h"
#include "ui/frmNewMASAccount.h"

namespace tav::ui {

namespace {

// The length in UTF-16 units of the first `bytes` bytes of a UTF-8 text.
int units(const std::string& text, size_t bytes) {
    return static_cast<int>(QString::fromUtf8(text.data(), static_cast<qsizetype>(bytes)).size());
}

// The length in UTF-8 bytes of a piece of a widget's text.
size_t bytes(const QString& text) { return static_cast<size_t>(text.toUtf8().size()); }

}  // namespace

frmAccountMapping::frmAccountMapping(const FormContext& context)
    : TavForm(context, "frmAccountMapping", "Account Mapping",
              tav::helpTopic(Screen::AccountMapping)),
      view_(context.st) {
    auto* fraAccountMapping = new QGroupBox(this);
    fraAccountMapping->setObjectName("fraAccountMapping");
    QLabel* lblAccountMapping = label("lblAccountMapping", "");
    lblAccountMapping->setWordWrap(true);
    auto* cmdLoadMapping = button("cmdLoadMapping", "&Load Mapping");
    auto* cmdSaveMapping = button("cmdSaveMapping", "&Save Mapping");
    auto* cmdAutoMapping = button("cmdAutoMapping", "&Auto Mapping");
    auto* cmdSaveLedger = button("cmdSaveLedger", "Sa&ve Ledger");
    auto* fileButtons = new QGridLayout;
    fileButtons->addWidget(cmdLoadMapping, 0, 0);
    fileButtons->addWidget(cmdSaveMapping, 0, 1);
    fileButtons->addWidget(cmdAutoMapping, 1, 0);
    fileButtons->addWidget(cmdSaveLedger, 1, 1);
    auto* top = new QHBoxLayout(fraAccountMapping);
    top->addWidget(lblAccountMapping, 1);
    top->addLayout(fileButtons);

    cmbAccounts_ = new QComboBox;
    name(cmbAccounts_, "cmbAccounts", "Target account");
    cmbAccounts_->setEditable(true);
    // The completion and the keys are the screen's rules, not the combo's own.
    cmbAccounts_->setCompleter(nullptr);
    cmbAccounts_->setInsertPolicy(QComboBox::NoInsert);
    cmbAccounts_->setMaxVisibleItems(accountmappingscreen::kDropDownItems);
    // Sizing the combo to its items would measure every one of them.
    cmbAccounts_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cmbAccounts_->setMinimumContentsLength(12);
    items_ = new QStringListModel(this);
    cmbAccounts_->setModel(items_);
    model_ = new MappingTableModel(view_.table, this);
    flxAccounts_ = new MappingGrid(model_, cmbAccounts_, this);
    name(flxAccounts_, "flxAccounts", "Account mapping");
    flxAccounts_->setMinimumHeight(twips(4943));

    const WizardButtons wizard = wizardButtons(Screen::AccountMapping);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fraAccountMapping);
    layout->addWidget(flxAccounts_, 1);
    layout->addLayout(wizard.row);
    tabOrder({cmdLoadMapping, cmdSaveMapping, cmdAutoMapping, cmdSaveLedger, cmbAccounts_,
              wizard.help, wizard.back, wizard.next, wizard.cancel});

    view_.showNewAccount = [this] { openNewAccount(); };
    accountmappingscreen::Form_Load(st_, ui_, view_);
    lblAccountMapping->setText(qtText(view_.lblAccountMapping));
    fitColumns();
    cmdSaveLedger->setVisible(view_.saveLedgerVisible);
    refillCombo();
    model_->reload();
    showCombo();
    cmbAccounts_->setFocus();

    connect(flxAccounts_, &MappingGrid::rowEntered, this, [this](long r) {
        // The rules move the rows themselves; only the user's moves are news to them.
        if (r == view_.row) return;
        accountmappingscreen::flxAccounts_SelChange(view_, r);
        showCombo();
    });
    connect(cmbAccounts_->lineEdit(), &QLineEdit::textEdited, this, [this] {
        takeCombo();
        accountmappingscreen::cmbAccounts_Change(view_);
        showCombo();
    });
    connect(cmbAccounts_, &QComboBox::activated, this, [this](int index) {
        const long from = view_.row;
        accountmappingscreen::cmbAccounts_Click(st_, ui_, view_, index);
        follow(from);
    });
    flxAccounts_->setKeyHandler(
        [this](GridKey key, bool listOpen) { return keyDown(key, listOpen); });

    connect(cmdAutoMapping, &QPushButton::clicked, this, [this] {
        accountmappingscreen::cmdAutoMapping_Click(st_, ui_, view_);
        model_->allRowsChanged();
        showCombo();
    });
    connect(cmdLoadMapping, &QPushButton::clicked, this, [this] {
        accountmappingscreen::cmdLoadMapping_Click(st_, ui_, view_);
        refillCombo();
        model_->allRowsChanged();
        showCombo();
    });
    connect(cmdSaveMapping, &QPushButton::clicked, this,
            [this] { cmdSaveMapping_Click(st_, ui_); });
    connect(cmdSaveLedger, &QPushButton::clicked, this, [this] { cmdSaveLedger_Click(st_, ui_); });
}

// The widths the screen was drawn with, wider where this font needs more room for the
// headers and the account types.
void frmAccountMapping::fitColumns() {
    const QFontMetrics header = flxAccounts_->horizontalHeader()->fontMetrics();
    const QFontMetrics cells = flxAccounts_->fontMetrics();
    const int margin = 3 * cells.averageCharWidth();
    const StrArray titles = view_.table.header();
    QList<int> widths{twips(1835), twips(3965), twips(5255)};
    for (int c = 0; c < widths.size(); ++c)
        widths[c] = std::max(widths[c], header.horizontalAdvance(qtText(titles.at(c))) + margin);
    std::set<std::string> types;
    for (const MappedAccount& mapped : st_.gcolMappedAccounts) types.insert(mapped.type);
    for (const std::string& type : types)
        widths[0] = std::max(widths[0], cells.horizontalAdvance(qtText(" " + type)) + margin);
    flxAccounts_->setColumnWidths(widths);
}

bool frmAccountMapping::keyDown(GridKey key, bool listOpen) {
    using Action = KeyOutcome::Action;
    takeCombo();
    const long from = view_.row;
    const KeyOutcome outcome =
        accountmappingscreen::cmbAccounts_KeyDown(st_, ui_, view_, key, listOpen);
    switch (outcome.action) {
        case Action::Pass: showCombo(); return false;
        case Action::Discard: showCombo(); return true;
        case Action::MoveTo: follow(from); return true;
        case Action::OpenList:
            showCombo();
            cmbAccounts_->showPopup();
            return true;
    }
    return false;
}

void frmAccountMapping::takeCombo() {
    const QLineEdit* edit = cmbAccounts_->lineEdit();
    const QString text = edit->text();
    accountmappingscreen::Combo& c = view_.combo;
    c.text = text.toStdString();
    const int start = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
    c.selStart = bytes(text.left(start));
    c.selLength = bytes(edit->selectedText());
}

void frmAccountMapping::follow(long from) {
    model_->rowChanged(from);
    flxAccounts_->setCurrentRow(view_.row);
    showCombo();
}

// The rules' text and selection in the combo; the program's own change is no choice.
void frmAccountMapping::showCombo() {
    const QSignalBlocker quiet(cmbAccounts_);
    const accountmappingscreen::Combo& c = view_.combo;
    if (cmbAccounts_->currentIndex() != c.listIndex)
        cmbAccounts_->setCurrentIndex(static_cast<int>(c.listIndex));
    QLineEdit* edit = cmbAccounts_->lineEdit();
    const QString text = QString::fromStdString(c.text);
    const int start = units(c.text, c.selStart);
    const int length = units(c.text, c.selStart + c.selLength) - start;
    if (edit->text() != text) edit->setText(text);
    if (length > 0)
        edit->setSelection(start, length);
    else if (edit->cursorPosition() != start || edit->hasSelectedText())
        edit->setCursorPosition(start);
}

void frmAccountMapping::refillCombo() {
    QStringList items;
    items.reserve(static_cast<qsizetype>(view_.table.items().size()));
    for (const std::string& item : view_.table.items()) items << QString::fromStdString(item);
    const QSignalBlocker quiet(cmbAccounts_);
    items_->setStringList(items);
}

void frmAccountMapping::openNewAccount() {
    showOwnWindow(newAccount_, [this] { RefreshAfterNewAccount(); });
}

void frmAccountMapping::RefreshAfterNewAccount() {
    activateWindow();
    cmbAccounts_->setFocus();
    const long from = view_.row;
    accountmappingscreen::RefreshAfterNewAccount(st_, ui_, view_);
    refillCombo();
    follow(from);
}

}  // namespace tav::ui
