#pragma once
// The standard QuickBooks tax items and the target's tax codes: the installed page, with
// Print and Close. Opened from the tax mapping screen; it changes nothing.

#include "ui/TavForm.h"

namespace tav::ui {

class frmVADiz6StandardCodes : public TavDialog {
    Q_OBJECT
public:
    frmVADiz6StandardCodes(const FormContext& context, QWidget* screen);
};

}  // namespace tav::ui
