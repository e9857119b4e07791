#pragma once
// The account mapping screen: a row per QuickBooks account the Journal report uses, the
// account combo floating over the current row's target account with its auto-complete,
// automatic mapping and the mapping and ledger file buttons.

#include <QPointer>

#include "accountmapping/TAVAccountMapping.h"
#include "ui/TavForm.h"

class QComboBox;
class QStringListModel;

namespace tav::ui {

class MappingGrid;
class MappingTableModel;
class frmNewMASAccount;

class frmAccountMapping : public TavForm {
    Q_OBJECT
public:
    explicit frmAccountMapping(const FormContext& context);

private:
    void fitColumns();
    bool keyDown(GridKey key, bool listOpen);
    // The combo's text and selection into the view before a rule runs, and the view into
    // the window after it: the row that was current (`from`) may have been stored, and
    // the current row may have moved.
    void takeCombo();
    void follow(long from);
    void showCombo();
    void refillCombo();
    void openNewAccount();
    void RefreshAfterNewAccount();

    accountmappingscreen::View view_;
    QComboBox* cmbAccounts_;
    QStringListModel* items_;
    MappingTableModel* model_;
    MappingGrid* flxAccounts_;
    QPointer<frmNewMASAccount> newAccount_;
};

}  // namespace tav::ui
