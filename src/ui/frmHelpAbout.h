#pragma once
// The About box, from the Help menu: title, version, legal notice, System Info.

#include "ui/TavForm.h"

namespace tav::ui {

class frmHelpAbout : public TavForm {
    Q_OBJECT
public:
    frmHelpAbout(const FormContext& context, QWidget* frame);
};

}  // namespace tav::ui
