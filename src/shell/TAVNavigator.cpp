#include "shell/TAVNavigator.h"

#include "safe/ErrorLog.h"
#include "safe/Platform.h"
#include "safe/SafeMethods.h"
#include "shell/ProgramState.h"
#include "shell/Targets.h"

namespace tav::navigator {

namespace {

// Empties a collection, or reports why not; false stops the caller's remaining resets.
template <class T>
bool cleared(ProgramState& st, UiPort& ui, std::string_view procedure, Collection<T>& collection,
             std::string_view description) {
    const Sem e = sfClearCollection(collection);
    if (e.empty()) return true;
    dsCreateSEMAndDoAll(st, ui, kModule, procedure, 0, description, e, true);
    return false;
}

void showClientFolder(ProgramState& st, UiPort& ui, std::string_view procedure, View& view) {
    if (const Sem e =
            sfShortenPath(st.gstrClientFolder, view.lblClientFolder, kFolderDisplayLength);
        !e.empty())
        dsCreateSEMAndDoAll(st, ui, kModule, procedure, 0,
                            "Error shortening the client folder for display.", e, true);
}

// Only a root folder keeps its trailing separator.
std::string withoutTrailingSeparator(std::string folder) {
    auto isSeparator = [](char c) { return c == '/' || c == '\\'; };
    auto isRoot = [&](const std::string& f) {
        return f.size() == 1 || (f.size() == 3 && f[1] == ':');
    };
    while (!folder.empty() && isSeparator(folder.back()) && !isRoot(folder)) folder.pop_back();
    return folder;
}

}  // namespace

void Form_Load(ProgramState& st, UiPort& ui, View& view) {
    reportingFailures(st, ui, kModule, "Form_Load", [&] {
        // Selecting the stored target runs its click: nothing is cleared, but this is how
        // the captions and gstrTargetAppName are set in every run.
        cmbTarget_Click(st, ui, st.gintTargetApp, view);
        long exists = 0;
        if (!sfDoesPathExist(st.gstrClientFolder, exists).empty() || !exists)
            st.gstrClientFolder = platform::rootFolder();
        showClientFolder(st, ui, "Form_Load", view);
    });
}

void cmbSourceProduct_Click(ProgramState& st, int index) {
    if (index == st.gintQBEdition) return;
    st.gintQBEdition = static_cast<std::int16_t>(index);
    // A company file belongs to one edition.
    st.gstrCompanyFile.clear();
    st.gblnListsExtracted = false;
}

void cmbTarget_Click(ProgramState& st, UiPort& ui, int index, View& view) {
    constexpr std::string_view kProc = "cmbTarget_Click";
    reportingFailures(st, ui, kModule, kProc, [&] {
        const TargetInfo* info = targetInfo(static_cast<std::int16_t>(index));
        if (!info) return;
        view.lblMapping = info->mappingCaption;
        view.lblQBi = info->sourceCaption;
        st.gstrTargetAppName = info->appName;
        if (index == st.gintTargetApp) return;

        st.gintTargetApp = static_cast<std::int16_t>(index);
        if (!cleared(st, ui, kProc, st.gcolTargetTaxCodes,
                     "Error clearing existing collection of target tax codes.") ||
            !cleared(st, ui, kProc, st.gcolMappedTaxCodes,
                     "Error clearing existing collection of mapped tax codes.") ||
            !cleared(st, ui, kProc, st.gcolTargetAccounts,
                     "Error clearing collection of accounts to map to.") ||
            !cleared(st, ui, kProc, st.gcolMappedAccounts,
                     "Error clearing existing collection of mapped accounts."))
            return;
        st.gstrJournalFile.clear();
        st.gstrOutputFile.clear();
        st.gstrLoadedMappingFile.clear();
        st.gstrSavedMappingFile.clear();
        st.glngLedgerNumber = -1;
        st.gstrCustomisedLedgerPath.clear();
    });
}

void cmdBrowse_Click(ProgramState& st, UiPort& ui, View& view) {
    constexpr std::string_view kProc = "cmdBrowse_Click";
    reportingFailures(st, ui, kModule, kProc, [&] {
        FileDialog dialog;
        dialog.kind = DialogKind::Folder;
        dialog.title = "Select a Folder";
        dialog.initialFolder = st.gstrClientFolder;
        const std::optional<std::string> chosen = ui.fileDialog(dialog);
        if (!chosen) return;

        st.gstrClientFolder = withoutTrailingSeparator(*chosen);
        showClientFolder(st, ui, kProc, view);
        if (!cleared(st, ui, kProc, st.gcolMappedTaxCodes,
                     "Error clearing existing collection of mapped tax codes.") ||
            !cleared(st, ui, kProc, st.gcolMappedAccounts,
                     "Error clearing existing collection of mapped accounts."))
            return;
        st.gstrJournalFile.clear();
        st.gstrCompanyFile.clear();
        st.gblnListsExtracted = false;
        st.gstrOutputFile.clear();
        st.gstrLoadedMappingFile.clear();
        st.gstrSavedMappingFile.clear();
    });
}

}  // namespace tav::navigator
