#include "accountmapping/TAVAccountMapping.h"

#include "accountmapping/modAccountMapping.h"
#include "safe/ErrorLog.h"
#include "shell/ProgramState.h"

namespace tav::accountmappingscreen {

bool Form_Load(ProgramState& st, UiPort& ui) {
    bool built = false;
    reportingFailures(st, ui, "TAVAccountMapping.frm", "Form_Load", [&] {
        st.gblnNewAccountAdded = false;
        if (st.gcolMappedAccounts.empty()) {
            ui.setBusy(true);
            const Sem e = sfPopulateColMappedAccounts(st, ui);
            ui.setBusy(false);
            if (!e.empty())
                return dsCreateSEMAndDoAll(st, ui, "TAVAccountMapping.frm", "Form_Load", 0,
                                           "Error obtaining accounts to map.", e, true);
        }
        built = true;
    });
    return built;
}

}  // namespace tav::accountmappingscreen
