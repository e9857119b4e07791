#pragma once
// "Add Tax Code to List": adds codes the client has in the target product but the
// installed code file lacks. Opened from the tax mapping screen without blocking it;
// whichever way it closes (OK, Cancel, Esc, the close box) it signals finished, and the
// screen catches up with the codes added.

#include "ui/TavForm.h"

class QLineEdit;

namespace tav::ui {

class frmNewTaxCode : public TavDialog {
    Q_OBJECT
public:
    frmNewTaxCode(const FormContext& context, QWidget* screen);

private:
    QLineEdit* txtTaxCode_;
};

}  // namespace tav::ui
