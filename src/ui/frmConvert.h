#pragma once
// The convert screen: where the import file goes, the MAS option, and the conversion run
// under the please-wait window; then the import file in the desktop's viewer.

#include <memory>

#include "ui/TavForm.h"

class QLabel;
class QHBoxLayout;

namespace tav::check {
class ConversionCheck;
}

namespace tav::ui {

class frmConvert : public TavForm {
    Q_OBJECT
public:
    explicit frmConvert(const FormContext& context);

private:
    void showOutputFile();
    void cmdConvert_Click();

    QLabel* lblOutputFile_;
    QPushButton* cmdConvert_;
    QPushButton* cmdViewCheck_;
    // The check of the last conversion made on this screen, for View Check.
    std::shared_ptr<const check::ConversionCheck> check_;
    // Convert Data, View Result and whatever else acts on the import file, in one row.
    QHBoxLayout* resultButtons_;
};

}  // namespace tav::ui
