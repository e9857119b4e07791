#pragma once
// The select ledger screen: which target chart of accounts the account mapping maps to.

#include "accountmapping/TAVSelectFiles.h"
#include "ui/TavForm.h"

class QComboBox;
class QGroupBox;
class QLabel;

namespace tav::ui {

class frmSelectFiles : public TavForm {
    Q_OBJECT
public:
    explicit frmSelectFiles(const FormContext& context);

private:
    void showView();

    selectledger::View view_;
    QComboBox* cboLedgers_;
    QGroupBox* fraCustomisedLedger_;
    QLabel* lblCustomisedLedgerPath_;
};

}  // namespace tav::ui
