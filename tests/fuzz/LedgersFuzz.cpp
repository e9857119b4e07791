// The ledger files: a customised ledger chosen on the select ledger screen, read by the
// reader of the target the first byte chooses, then written back with "Save Ledger".
//
// Input: target (MAS Aust., MAS N.Z., Accountant's Office Aust. or N.Z.), the ledger.

#include "accountmapping/modAccountMapping.h"
#include "fuzz/FuzzSupport.h"
#include "shell/ProgramState.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tav;
    constexpr std::int16_t kTargets[] = {target::MasAU, target::MasNZ, target::AccountantsOfficeAU,
                                         target::AccountantsOfficeNZ};
    fuzz::FuzzInput in(data, size);
    const std::int16_t targetApp = kTargets[in.byte() % 4];

    const fuzz::Workspace& ws = fuzz::Workspace::get();
    ProgramState st;
    ws.prepare(st);
    fuzz::FuzzPort ui;
    st.gintTargetApp = targetApp;
    st.gstrCustomisedLedgerPath = ws.write("Ledger.txt", in.rest());
    st.gcolMappedAccounts.Add({"Bank", "680", "Cheque Account", "1", "", ""});

    const long customised = static_cast<long>(ledgerChoices(targetApp).size()) - 1;
    const bool loaded = sfLoadTargetAccounts(st, ui, ledgerPath(st, customised)).empty();
    fuzz::expect(st.gcolMappedAccounts.empty(), "loading a ledger discards the account mapping");
    fuzz::expect(!st.files.isOpen(1) && !st.files.isOpen(2),
                 "the ledger readers close their files");
    for (const TargetAccount& account : st.gcolTargetAccounts) {
        fuzz::expect(account.number.find(',') == std::string::npos &&
                         account.name.find(',') == std::string::npos,
                     "a target account's number and name hold no comma");
        if (isAccountantsOffice(targetApp))
            fuzz::expect(account.name.find('"') == std::string::npos,
                         "an Accountant's Office account's name holds no quote");
    }

    // A saved ledger is an Accountant's Office ledger: it reads back as it was.
    ui.dialogPath = ws.clientFile("Saved.txt");
    cmdSaveLedger_Click(st, ui);
    fuzz::expectWholeLines(ui.dialogPath);
    if (loaded && isAccountantsOffice(targetApp)) {
        const Collection<TargetAccount> before = st.gcolTargetAccounts;
        fuzz::expect(sfLoadTargetAccounts(st, ui, ui.dialogPath).empty(),
                     "a saved ledger can be loaded");
        fuzz::expect(st.gcolTargetAccounts == before, "a saved ledger reads back as it was");
    }
    return 0;
}
