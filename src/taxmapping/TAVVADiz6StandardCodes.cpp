#include "taxmapping/TAVVADiz6StandardCodes.h"

#include "safe/Platform.h"
#include "shell/ProgramState.h"

namespace tav::standardcodes {

std::string caption(const ProgramState& st) {
    return "Standard QuickBooks Tax Items and " + st.gstrTargetAppName + " Tax Codes";
}

std::string page(const ProgramState& st) {
    const char* name = nullptr;
    switch (st.gintTargetApp) {
        case target::MasAU: name = "QBMAS_Tax_Codes_AU.htm"; break;
        case target::Accounts: name = "QB_Accounts__Tax_Codes.htm"; break;
        case target::MasNZ: name = "QBMAS_Tax_Codes_NZ.htm"; break;
        default: return {};
    }
    return platform::joinPath(st.installFolder, name);
}

}  // namespace tav::standardcodes
