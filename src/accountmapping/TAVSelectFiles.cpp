#include "accountmapping/TAVSelectFiles.h"

#include "accountmapping/modAccountMapping.h"
#include "safe/ErrorLog.h"
#include "safe/Platform.h"
#include "safe/SafeMethods.h"
#include "shell/ProgramState.h"

namespace tav::selectledger {

namespace {

void load(ProgramState& st, UiPort& ui, const std::string& path, std::string_view procedure,
          std::string_view failure) {
    if (Sem e = sfLoadTargetAccounts(st, ui, path); !e.empty())
        dsCreateSEMAndDoAll(st, ui, kModule, procedure, 0, failure, e, true);
}

void EnableCustomisedLedger(ProgramState& st, UiPort& ui, bool on, View& view) {
    view.customisedEnabled = on;
    view.lblCustomisedLedgerPath.clear();
    if (on) {
        if (Sem e = sfShortenPath(st.gstrCustomisedLedgerPath, view.lblCustomisedLedgerPath,
                                  kPathDisplayLength);
            !e.empty())
            dsCreateSEMAndDoAll(st, ui, kModule, "EnableCustomisedLedger", 0,
                                "Error shortening the customised ledger path for display.", e,
                                true);
    }
}

}  // namespace

void Form_Load(ProgramState& st, UiPort& ui, View& view) {
    reportingFailures(st, ui, kModule, "Form_Load", [&] {
        const long choices = static_cast<long>(ledgerChoices(st.gintTargetApp).size());
        if (st.glngLedgerNumber >= 0 && st.glngLedgerNumber < choices)
            cboLedgers_Click(st, ui, st.glngLedgerNumber, view);
    });
}

void cboLedgers_Click(ProgramState& st, UiPort& ui, long position, View& view) {
    constexpr std::string_view kProc = "cboLedgers_Click";
    reportingFailures(st, ui, kModule, kProc, [&] {
        const auto choices = ledgerChoices(st.gintTargetApp);
        if (position < 0 || position >= static_cast<long>(choices.size())) return;
        const bool changed = position != st.glngLedgerNumber;
        st.glngLedgerNumber = static_cast<std::int32_t>(position);
        view.mstrLedgerPath = ledgerPath(st, position);
        if (st.gcolTargetAccounts.empty() || changed)
            load(st, ui, view.mstrLedgerPath, kProc, "An error occurred loading the target ledger");
        EnableCustomisedLedger(
            st, ui, choices[static_cast<size_t>(position)].source == LedgerSource::Customised,
            view);
    });
}

void cmdCustomisedCofA_Click(ProgramState& st, UiPort& ui, View& view) {
    constexpr std::string_view kProc = "cmdCustomisedCofA_Click";
    reportingFailures(st, ui, kModule, kProc, [&] {
        platform::CurrentDirectoryKeeper directory;
        FileDialog d;
        d.kind = DialogKind::Open;
        d.title = "Customised Ledger";
        d.filter = "Text Files (*.txt)|*.txt|All Files (*.*)|*.*";
        d.fileMustExist = true;
        if (st.gstrCustomisedLedgerPath.empty()) {
            d.initialFolder = st.gstrClientFolder;
        } else {
            d.initialFolder = d.fileName = st.gstrCustomisedLedgerPath;
        }
        const auto chosen = ui.fileDialog(d);
        if (chosen && *chosen != st.gstrCustomisedLedgerPath) {
            st.gstrCustomisedLedgerPath = view.mstrLedgerPath = *chosen;
            EnableCustomisedLedger(st, ui, true, view);
            load(st, ui, *chosen, kProc, "An error occurred loading the target ledger");
        }
    });
}

void cmdReloadAccounts_Click(ProgramState& st, UiPort& ui, View& view) {
    reportingFailures(st, ui, kModule, "cmdReloadAccounts_Click", [&] {
        load(st, ui, view.mstrLedgerPath, "cmdReloadAccounts_Click",
             "An error occurred re-loading the target ledger");
    });
}

}  // namespace tav::selectledger
