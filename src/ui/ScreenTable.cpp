#include "ui/InformationPages.h"
#include "ui/MDIfrmMain.h"
#include "ui/frmAccountMapping.h"
#include "ui/frmConvert.h"
#include "ui/frmNavigator.h"
#include "ui/frmSelectFiles.h"
#include "ui/frmTaxMapping.h"

namespace tav::ui {

TavForm* makeScreen(Screen screen, const FormContext& context) {
    switch (screen) {
        case Screen::Navigator: return new frmNavigator(context);
        case Screen::Prelim: return new frmPrelim(context);
        case Screen::GetData: return new frmGetVADiz6Data(context);
        case Screen::TaxMapping: return new frmTaxMapping(context);
        case Screen::SelectLedger: return new frmSelectFiles(context);
        case Screen::AccountMapping: return new frmAccountMapping(context);
        case Screen::Convert: return new frmConvert(context);
    }
    return new frmNavigator(context);
}

}  // namespace tav::ui
