#pragma once
// Step 3, the tax mapping screen: the company file and its lists, the Journal report, and
// the grid that maps each tax item of the report to a target tax code with the list
// floating over it. For Accountant's Office only the first two parts show.

#include <QPointer>

#include "taxmapping/TAVTaxMapping.h"
#include "ui/TavForm.h"

class QComboBox;
class QGroupBox;

namespace tav::ui {

class MappingGrid;
class MappingTableModel;
class frmNewTaxCode;
class frmVADiz6StandardCodes;

class frmTaxMapping : public TavForm {
    Q_OBJECT
public:
    explicit frmTaxMapping(const FormContext& context);

private:
    QGroupBox* buildMappingFrame();
    void showView();
    void refillList();
    // The grid after a user's choice on row `from`.
    void follow(const GridMove& move, long from);
    void cmdTransFile_Click();
    void openNewTaxCode();
    void dsHaveLeftAddTaxCode();

    taxmappingscreen::TaxCodeTable table_;
    QLabel* lblQBDataFilePath_;
    QLabel* lblJournalPath_;
    QLabel* lblCodeMapping_ = nullptr;
    QWidget* legend_ = nullptr;
    QGroupBox* fraMapping_ = nullptr;
    QPushButton* cmdShowCodes_ = nullptr;
    QComboBox* cmbTaxCodes_ = nullptr;
    MappingTableModel* model_ = nullptr;
    MappingGrid* flxTaxCodes_ = nullptr;
    QPointer<frmNewTaxCode> newTaxCode_;
    QPointer<frmVADiz6StandardCodes> standardCodes_;
};

}  // namespace tav::ui
