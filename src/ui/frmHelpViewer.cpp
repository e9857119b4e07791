#include "ui/frmHelpViewer.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "safe/ErrorLog.h"
#include "shell/ProgramState.h"
#include "ui/InformationPages.h"

namespace tav::ui {

frmHelpViewer::frmHelpViewer(const FormContext& context, QWidget* frame)
    : TavForm(context, "frmHelpViewer", "Tavora Help", HelpTopic::Contents, frame) {
    setWindowFlags(Qt::Window);
    txtHelp_ = new QTextBrowser(this);
    txtHelp_->setObjectName("txtHelp");
    txtHelp_->setAccessibleName("Help topic");
    txtHelp_->setOpenExternalLinks(true);
    usePaper(txtHelp_);
    auto* cmdContents = button("cmdContents", "&Contents");
    auto* cmdBack = button("cmdBack", "< &Back");
    auto* cmdForward = button("cmdForward", "&Forward >");
    auto* cmdPrint = button("cmdPrint", "&Print");
    auto* cmdClose = button("cmdClose", "C&lose");
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {cmdContents, cmdBack, cmdForward, cmdPrint}) buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(txtHelp_, 1);
    resize(620, 560);
    if (frame) move(frame->geometry().topRight() - QPoint(width() + 20, -40));

    cmdBack->setEnabled(false);
    cmdForward->setEnabled(false);
    connect(txtHelp_, &QTextBrowser::backwardAvailable, cmdBack, &QPushButton::setEnabled);
    connect(txtHelp_, &QTextBrowser::forwardAvailable, cmdForward, &QPushButton::setEnabled);
    connect(cmdBack, &QPushButton::clicked, txtHelp_, &QTextBrowser::backward);
    connect(cmdForward, &QPushButton::clicked, txtHelp_, &QTextBrowser::forward);
    connect(cmdContents, &QPushButton::clicked, this,
            [this] { host_.showHelp(HelpTopic::Contents); });
    connect(cmdPrint, &QPushButton::clicked, this, [this] {
        reportingFailures(st_, ui_, "frmHelpViewer", "cmdPrint_Click",
                          [&] { printPage(txtHelp_, this); });
    });
    connect(cmdClose, &QPushButton::clicked, this,
            [this] { unload("frmHelpViewer", "cmdClose_Click"); });
}

void frmHelpViewer::showPage(const std::string& path) {
    txtHelp_->setSource(QUrl::fromLocalFile(QString::fromStdString(path)));
}

}  // namespace tav::ui
