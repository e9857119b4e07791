#include "ui/InformationPages.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "safe/ErrorLog.h"
#include "safe/Platform.h"
#include "shell/ProgramState.h"

namespace tav::ui {

void printPage(QTextBrowser* browser, QWidget* parent) {
    QPrinter printer;
    QPrintDialog dialog(&printer, parent);
    if (dialog.exec() == QDialog::Accepted) browser->print(&printer);
}

void usePaper(QTextBrowser* browser) {
    QPalette paper = browser->palette();
    paper.setColor(QPalette::Base, Qt::white);
    paper.setColor(QPalette::Text, Qt::black);
    paper.setColor(QPalette::Link, QColor(0, 0, 238));
    paper.setColor(QPalette::LinkVisited, QColor(85, 26, 139));
    browser->setPalette(paper);
}

void showInstalledPage(QTextBrowser* browser, const std::string& path) {
    usePaper(browser);
    if (QFileInfo::exists(QString::fromStdString(path)))
        browser->setSource(QUrl::fromLocalFile(QString::fromStdString(path)));
    else
        browser->setHtml("<h3>This page cannot be displayed</h3><p>" +
                         QString::fromStdString(path).toHtmlEscaped() + " was not found.</p>");
}

InstructionPageForm::InstructionPageForm(const FormContext& context, const char* name,
                                         const InstructionPage& page, Screen screen)
    : TavForm(context, name, page.caption, tav::helpTopic(screen)) {
    auto* browser = new QTextBrowser(this);
    browser->setObjectName(
        QString::fromUtf8(page.browser.data(), static_cast<qsizetype>(page.browser.size())));
    browser->setAccessibleName(qtText(page.caption));
    browser->setOpenExternalLinks(true);
    showInstalledPage(browser, platform::joinPath(st_.installFolder, std::string(page.file)));

    auto* cmdPrint = button("cmdPrint", "&Print");
    const WizardButtons wizard = wizardButtons(screen);
    wizard.row->insertWidget(0, cmdPrint);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(browser, 1);
    layout->addLayout(wizard.row);
    setFixedSize(twips(7110), twips(6885));

    connect(cmdPrint, &QPushButton::clicked, this, [this, browser, module = page.module] {
        reportingFailures(st_, ui_, module, "cmdPrint_Click", [&] { printPage(browser, this); });
    });
}

frmIntroduction::frmIntroduction(const FormContext& context)
    : TavForm(context, "frmIntroduction", "Introduction", HelpTopic::Introduction) {
    auto* fraIntro = new QGroupBox(this);
    fraIntro->setObjectName("fraIntro");
    auto* picture = label("picIntro", "");
    picture->setPixmap(tavPicture(64));
    picture->setAlignment(Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    for (auto [name, text] : {std::pair{"lblFirstPara", introduction::kFirstPara},
                              std::pair{"lblSecondPara", introduction::kSecondPara},
                              std::pair{"lblThirdPara", introduction::kThirdPara}}) {
        QLabel* paragraph = label(name, "");
        paragraph->setText(qtText(text));
        paragraph->setWordWrap(true);
        texts->addWidget(paragraph);
    }
    auto* frame = new QHBoxLayout(fraIntro);
    frame->addWidget(picture);
    frame->addLayout(texts, 1);

    auto* chkDontShow = new QCheckBox("&Don't show this message in the future.", this);
    chkDontShow->setObjectName("chkDontShow");
    auto* cmdOK = button("cmdOK", "OK");
    cmdOK->setDefault(true);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(chkDontShow);
    bottom->addStretch();
    bottom->addWidget(cmdOK);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fraIntro);
    layout->addLayout(bottom);
    setFixedWidth(640);

    connect(chkDontShow, &QCheckBox::clicked, this,
            [this](bool ticked) { introduction::chkDontShow_Click(st_, ticked); });
    connect(cmdOK, &QPushButton::clicked, this,
            [this] { unload(introduction::kModule, "cmdOK_Click"); });
}

frmWait::frmWait(const FormContext& context, const QString& message)
    : TavForm(context, "frmWait", "Please Wait", HelpTopic::Contents) {
    auto* lblMessage = label("lblMessage", "");
    lblMessage->setText(message);
    lblMessage->setWordWrap(true);
    lblMessage->setAlignment(Qt::AlignCenter);
    prgProgress_ = new QProgressBar(this);
    prgProgress_->setObjectName("prgProgress");
    prgProgress_->setRange(0, 0);  // busy until the operation says how far it is
    prgProgress_->setTextVisible(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblMessage);
    layout->addWidget(prgProgress_);
    setFixedSize(360, 130);
}

void frmWait::progress(std::uint64_t done, std::uint64_t total) {
    if (total == 0) return;
    constexpr int kSteps = 1000;
    prgProgress_->setRange(0, kSteps);
    const double part = static_cast<double>(std::min(done, total)) / static_cast<double>(total);
    prgProgress_->setValue(static_cast<int>(part * kSteps));
}

}  // namespace tav::ui
