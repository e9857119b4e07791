#include "ui/frmNavigator.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "safe/ErrorLog.h"
#include "shell/ProgramState.h"
#include "shell/Targets.h"
#include "ui/SafeForms.h"

namespace tav::ui {

HyperLink::HyperLink(const QString& text, QWidget* parent) : QLabel(text, parent) {
    // The link's own blue on a light window; on a dark one, the palette's colour of links.
    QPalette p = palette();
    const bool dark = p.color(QPalette::Window).lightness() < 128;
    p.setColor(QPalette::WindowText, dark ? p.color(QPalette::Link) : QColor(0, 0, 240));
    setPalette(p);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(text);
    setAccessibleDescription("Link: opens its help topic");
}

void HyperLink::setUnderline(bool on) {
    QFont f = font();
    f.setUnderline(on || hasFocus() || hovered_);
    setFont(f);
}

void HyperLink::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    setUnderline(true);
    setCursor(Qt::PointingHandCursor);
    QLabel::enterEvent(event);
}

void HyperLink::leaveEvent(QEvent* event) {
    hovered_ = false;
    setUnderline(false);
    unsetCursor();
    QLabel::leaveEvent(event);
}

void HyperLink::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space)
        return emit clicked();
    QLabel::keyPressEvent(event);
}

void HyperLink::focusInEvent(QFocusEvent* event) {
    setUnderline(true);
    QLabel::focusInEvent(event);
}

void HyperLink::focusOutEvent(QFocusEvent* event) {
    QLabel::focusOutEvent(event);
    setUnderline(false);
}

void HyperLink::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}

frmNavigator::frmNavigator(const FormContext& context)
    : TavForm(context, "frmNavigator", "TAV Navigator", tav::helpTopic(Screen::Navigator)) {
    auto* banner = label("lblBanner", "QuickBooks to MYOB");
    banner->setAlignment(Qt::AlignCenter);
    banner->setMinimumHeight(44);
    banner->setStyleSheet(
        "background: rgb(0, 110, 150); color: white; font-size: 16pt;"
        "font-weight: bold; border-radius: 4px;");

    lblQBi_ = label("lblQBi", view_.lblQBi);
    cmbSourceProduct_ = new QComboBox(this);
    cmbSourceProduct_->setObjectName("cmbSourceProduct");
    for (const char* edition : navigator::kEditions) cmbSourceProduct_->addItem(edition);
    cmbTarget_ = new QComboBox(this);
    cmbTarget_->setObjectName("cmbTarget");
    for (std::int16_t t = 0; t < kTargetCount; ++t)
        cmbTarget_->addItem(qtText(targetInfo(t)->listText));
    auto* link = new HyperLink("Using Accountants' Toggle?", this);
    link->setObjectName("txtHyperLink1");

    auto* choices = new QGridLayout;
    choices->addWidget(label("lblSourceApp", "Source Application:"), 0, 0);
    choices->addWidget(lblQBi_, 0, 1);
    choices->addWidget(label("lblEdition", "&Edition:", cmbSourceProduct_), 1, 0);
    choices->addWidget(cmbSourceProduct_, 1, 1);
    choices->addWidget(label("lblTargetApp", "&Target Application:", cmbTarget_), 2, 0);
    choices->addWidget(cmbTarget_, 2, 1);
    choices->addWidget(link, 3, 1);
    choices->setColumnStretch(1, 1);

    auto* fraClientFolder =
        new QGroupBox("Browse to select or create the client's data folder:", this);
    fraClientFolder->setObjectName("fraClientFolder");
    auto* cmdBrowse = button("cmdBrowse", "Bro&wse");
    lblClientFolder_ = label("lblClientFolder", "");
    lblClientFolder_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblClientFolder_->setAccessibleName("Client folder");
    auto* folderRow = new QHBoxLayout(fraClientFolder);
    folderRow->addWidget(cmdBrowse);
    folderRow->addWidget(lblClientFolder_, 1);

    auto* fraSteps = new QGroupBox("Follow these steps to convert your data", this);
    fraSteps->setObjectName("fraSteps");
    auto* steps = new QGridLayout(fraSteps);
    steps->setColumnStretch(1, 1);
    addStep(steps, 0, "cmdPrelim", "lblPrelim", "Preliminary Tasks", Screen::Prelim);
    addStep(steps, 1, "cmdTransAndLists", "lblTransAndLists", "Extract Data", Screen::GetData);
    addStep(steps, 2, "cmdMapping", "lblMapping", "", Screen::TaxMapping);
    addStep(steps, 3, "cmdCreateFile", "lblConvert", "Convert Data", Screen::Convert);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(banner);
    layout->addLayout(choices);
    layout->addWidget(fraClientFolder);
    layout->addWidget(fraSteps);
    setFixedSize(480, 500);

    if (const Sem e = sfSetCmbDropDownHeight(kTargetCount, cmbTarget_, this); !e.empty())
        dsCreateSEMAndDoAll(st_, ui_, navigator::kModule, "Form_Load", 0,
                            "Error setting the height of the target list.", e, true);
    navigator::Form_Load(st_, ui_, view_);
    cmbSourceProduct_->setCurrentIndex(st_.gintQBEdition);
    cmbTarget_->setCurrentIndex(targetInfo(st_.gintTargetApp) ? st_.gintTargetApp : -1);
    showView();

    connect(cmbSourceProduct_, &QComboBox::activated, this,
            [this](int index) { navigator::cmbSourceProduct_Click(st_, index); });
    connect(cmbTarget_, &QComboBox::activated, this, [this](int index) {
        navigator::cmbTarget_Click(st_, ui_, index, view_);
        showView();
    });
    connect(cmdBrowse, &QPushButton::clicked, this, [this] {
        navigator::cmdBrowse_Click(st_, ui_, view_);
        showView();
    });
    connect(link, &HyperLink::clicked, this,
            [this] { host_.showHelp(HelpTopic::AccountantsToggle); });
}

void frmNavigator::addStep(QGridLayout* steps, int row, const char* buttonName,
                           const char* labelName, std::string_view caption, Screen screen) {
    auto* step = button(buttonName, std::to_string(row + 1));
    step->setFixedSize(40, 40);
    step->setStyleSheet(
        "QPushButton { background: rgb(0, 160, 200); color: white;"
        "font-size: 15pt; font-weight: bold; border-radius: 20px; }"
        "QPushButton:hover { background: rgb(0, 130, 170); }"
        "QPushButton:focus { border: 2px solid rgb(255, 200, 40); }");
    QLabel* text = label(labelName, caption, step);
    text->setCursor(Qt::PointingHandCursor);
    text->installEventFilter(this);
    steps->addWidget(step, row, 0);
    steps->addWidget(text, row, 1);
    if (screen == Screen::TaxMapping) {
        lblMapping_ = text;
        cmdMapping_ = step;
    }
    connect(step, &QPushButton::clicked, this, [this, screen] { host_.showScreen(screen); });
}

bool frmNavigator::eventFilter(QObject* watched, QEvent* event) {
    auto* text = qobject_cast<QLabel*>(watched);
    if (text && text->buddy() && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
        text->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
        static_cast<QPushButton*>(text->buddy())->click();
        return true;
    }
    return TavForm::eventFilter(watched, event);
}

void frmNavigator::showView() {
    lblQBi_->setText(labelText(view_.lblQBi));
    lblMapping_->setText(qtText(view_.lblMapping));  // a buddy's label: "&&" is "&"
    cmdMapping_->setAccessibleName(plainText(view_.lblMapping));
    lblClientFolder_->setText(qtText(view_.lblClientFolder));
    lblClientFolder_->setToolTip(QString::fromStdString(st_.gstrClientFolder));
}

}  // namespace tav::ui
