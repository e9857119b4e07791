#include "ui/frmVADiz6StandardCodes.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "safe/ErrorLog.h"
#include "shell/ProgramState.h"
#include "taxmapping/TAVVADiz6StandardCodes.h"
#include "ui/InformationPages.h"

namespace tav::ui {

frmVADiz6StandardCodes::frmVADiz6StandardCodes(const FormContext& context, QWidget* screen)
    : TavDialog(context, "frmVADiz6StandardCodes", standardcodes::caption(context.st),
                tav::helpTopic(Screen::TaxMapping), screen) {
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    auto* wbrTaxCodes = new QTextBrowser(this);
    name(wbrTaxCodes, "wbrTaxCodes", standardcodes::caption(st_));
    wbrTaxCodes->setOpenExternalLinks(true);
    showInstalledPage(wbrTaxCodes, standardcodes::page(st_));

    auto* cmdPrint = button("cmdPrint", "&Print");
    auto* cmdClose = button("cmdClose", "&Close");
    cmdClose->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdPrint);
    buttons->addStretch();
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(wbrTaxCodes, 1);
    layout->addLayout(buttons);
    resize(640, 560);
    centre();

    connect(cmdPrint, &QPushButton::clicked, this, [this, wbrTaxCodes] {
        reportingFailures(st_, ui_, standardcodes::kModule, "cmdPrint_Click",
                          [&] { printPage(wbrTaxCodes, this); });
    });
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(this, &QDialog::finished, this, &QObject::deleteLater);
}

}  // namespace tav::ui
