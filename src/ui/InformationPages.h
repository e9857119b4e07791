#pragma once
// The information pages: the two instruction pages of the wizard, the Introduction and
// the please-wait window.

#include "shell/InformationPages.h"
#include "ui/TavForm.h"

class QProgressBar;
class QLabel;
class QTextBrowser;

namespace tav::ui {

// Prints a browser's page through the print dialog.
void printPage(QTextBrowser* browser, QWidget* parent);

// The pages are documents written for black on white: they keep those colours whatever
// the desktop's palette, so that their own colours stay legible under a dark one.
void usePaper(QTextBrowser* browser);

// Shows an installed page; a page that is missing gets a page of its own saying so, as a
// browser does.
void showInstalledPage(QTextBrowser* browser, const std::string& path);

// An installed page of instructions with Print, Next, Back, Cancel and Help.
class InstructionPageForm : public TavForm {
    Q_OBJECT
protected:
    InstructionPageForm(const FormContext& context, const char* name, const InstructionPage& page,
                        Screen screen);
};

class frmPrelim : public InstructionPageForm {
    Q_OBJECT
public:
    explicit frmPrelim(const FormContext& context)
        : InstructionPageForm(context, "frmPrelim", kPrelimPage, Screen::Prelim) {}
};

class frmGetVADiz6Data : public InstructionPageForm {
    Q_OBJECT
public:
    explicit frmGetVADiz6Data(const FormContext& context)
        : InstructionPageForm(context, "frmGetVADiz6Data", kGetDataPage, Screen::GetData) {}
};

class frmIntroduction : public TavForm {
    Q_OBJECT
public:
    explicit frmIntroduction(const FormContext& context);
};

// Covers a long operation: the caller's message and, when the operation tells how far
// it is, a progress bar.
class frmWait : public TavForm {
    Q_OBJECT
public:
    frmWait(const FormContext& context, const QString& message);
    void progress(std::uint64_t done, std::uint64_t total);

private:
    QProgressBar* prgProgress_;
};

}  // namespace tav::ui
