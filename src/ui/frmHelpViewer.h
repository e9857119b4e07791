#pragma once
// The program's own help viewer: the HTML help pages with contents, back, forward and
// print.

#include "ui/TavForm.h"

class QTextBrowser;

namespace tav::ui {

class frmHelpViewer : public TavForm {
    Q_OBJECT
public:
    frmHelpViewer(const FormContext& context, QWidget* frame);
    void showPage(const std::string& path);

private:
    QTextBrowser* txtHelp_;
};

}  // namespace tav::ui
