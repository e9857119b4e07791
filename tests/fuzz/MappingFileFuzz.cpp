// The account mapping file: loaded with "Load Mapping" over the sample client's account
// mapping rows, then saved with "Save Mapping" and loaded again.
//
// Input: target (MAS Aust. or Accountant's Office Aust.), then the mapping file.

#include "accountmapping/modAccountMapping.h"
#include "fuzz/FuzzSupport.h"
#include "shell/ProgramState.h"
#include "shell/Targets.h"

namespace {

// The rows the account mapping screen builds for the sample client, all unmapped.
void sampleRows(tav::ProgramState& st) {
    const char* rows[][3] = {{"Bank", "680", "Cheque Account"},
                             {"Bank", "681", "Business Savings Account"},
                             {"Accounts Receivable", "500", "Accounts Receivable"},
                             {"Fixed Asset", "600", "Kitchen Equipment"},
                             {"Other Current Liability", "720", "GST Payable"},
                             {"Income", "400", "Sales"},
                             {"Expense", "745", "Bank Charges"},
                             {"Equity", "377", "Owner Drawings"}};
    for (const auto& r : rows) st.gcolMappedAccounts.Add({r[0], r[1], r[2], "1", "", ""});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tav;
    fuzz::FuzzInput in(data, size);
    const std::int16_t targetApp = (in.byte() & 1) ? target::AccountantsOfficeAU : target::MasAU;

    const fuzz::Workspace& ws = fuzz::Workspace::get();
    ProgramState st;
    ws.prepare(st);
    fuzz::FuzzPort ui;
    st.gintTargetApp = targetApp;
    st.gstrTargetAppName = targetInfo(targetApp)->appName;
    if (!sfLoadTargetAccounts(st, ui, ledgerPath(st, 0)).empty()) return 0;
    sampleRows(st);

    ui.dialogPath = ws.write("Mapping.csv", in.rest());
    const std::optional<StrArray> items = cmdLoadMapping_Click(st, ui);
    fuzz::expect(!st.files.isOpen(1), "Load Mapping closes the file");
    fuzz::expect(st.gcolMappedAccounts.Count() == 8, "Load Mapping keeps the rows");
    if (!items) return 0;
    fuzz::expect(items->size() == static_cast<size_t>(st.gcolTargetAccounts.Count()) + 2,
                 "the account list: Add New, blank, then every target account");

    // Saving and loading again gives the same mapping and target accounts.
    const Collection<MappedAccount> mapped = st.gcolMappedAccounts;
    const Collection<TargetAccount> targets = st.gcolTargetAccounts;
    ui.dialogPath = ws.clientFile("Saved.csv");
    cmdSaveMapping_Click(st, ui);
    fuzz::expectWholeLines(ui.dialogPath);
    fuzz::expect(cmdLoadMapping_Click(st, ui).has_value(), "a saved mapping can be loaded");
    fuzz::expect(st.gcolMappedAccounts == mapped, "a saved mapping reads back as it was");
    fuzz::expect(st.gcolTargetAccounts == targets, "saved accounts read back as they were");
    return 0;
}
