#include "ui/InformationPages.h"
#include "ui/MDIfrmMain.h"
#include "ui/frmAccountMapping.h"
#include "ui/frmNavigator.h"
#include "ui/frmSelectFiles.h"
#include "ui/frmTaxMapping.h"

namespace tav::ui {

namespace {
template <class Form>
TavForm* make(const FormContext& context) {
    return new Form(context);
}
}  // namespace

const std::map<Screen, ScreenFactory>& screenFactories() {
    static const std::map<Screen, ScreenFactory> kScreens{
        {Screen::Navigator, make<frmNavigator>},
        {Screen::Prelim, make<frmPrelim>},
        {Screen::GetData, make<frmGetVADiz6Data>},
        {Screen::TaxMapping, make<frmTaxMapping>},
        {Screen::SelectLedger, make<frmSelectFiles>},
        {Screen::AccountMapping, make<frmAccountMapping>},
    };
    return kScreens;
}

}  // namespace tav::ui
