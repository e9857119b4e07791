#include "ui/frmHelpAbout.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "shell/TAVHelpAbout.h"

namespace tav::ui {

frmHelpAbout::frmHelpAbout(const FormContext& context, QWidget* frame)
    : TavForm(context, "frmHelpAbout", about::caption(), HelpTopic::MainWindow, frame) {
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    auto* picIcon = label("picIcon", "");
    picIcon->setPixmap(tavPicture(56));
    auto* lblTitle = label("lblTitle", kAppTitle);
    QFont big = lblTitle->font();
    big.setPointSizeF(big.pointSizeF() * 1.8);
    big.setBold(true);
    lblTitle->setFont(big);
    auto* lblVersion = label("lblVersion", about::version());
    auto* lblDescription = label("lblDescription", "");
    lblDescription->setText(qtText(about::kLegalNotice));
    lblDescription->setWordWrap(true);
    lblDescription->setFixedWidth(380);
    auto* cmdOK = button("cmdOK", "&OK");
    cmdOK->setDefault(true);
    auto* cmdSysInfo = button("cmdSysInfo", "&System Info...");

    auto* layout = new QGridLayout(this);
    layout->addWidget(picIcon, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(lblTitle, 0, 1);
    layout->addWidget(lblVersion, 1, 1);
    layout->addWidget(lblDescription, 2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    layout->addLayout(buttons, 3, 0, 1, 2);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
    if (frame) move(frame->geometry().center() - rect().center());

    connect(cmdOK, &QPushButton::clicked, this, [this] { unload(about::kModule, "cmdOK_Click"); });
    connect(cmdSysInfo, &QPushButton::clicked, this, [this] { about::StartSysInfo(ui_); });
}

}  // namespace tav::ui
