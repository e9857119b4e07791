#include "taxmapping/modIIFSDK.h"

#include "safe/ErrorLog.h"
#include "safe/Platform.h"
#include "safe/SafeMethods.h"
#include "shell/IniFileComponent.h"
#include "shell/ProgramState.h"
#include "taxmapping/modTaxMapping.h"

namespace tav {

std::string QBReturnCodeText(long code) {
    const std::string title = kAppTitle;
    switch (code) {
        case -1:
            return "Unable to read system registry.  Please make sure you have selected the "
                   "correct Edition of QuickBooks on the TAV Navigator.";
        case -4: return "Path to QBW32.exe is empty.";
        case -5: return "Unable to execute QuickBooks.";
        case -6: return "Unable to load library QBA32_V2.DLL.";
        case -7: return "Could not find function in library QBA32_V2.DLL.";
        case -8:
            return "QuickBooks is currently in Multi-User Mode.  This function is only permitted "
                   "in Single User Mode.";
        case -9: return "Export memory allocation denied.";
        case -10: return "General line export problem.";
        case -11:
            return "You are attempting an illegal import into an Accountant's Copy data file.";
        case -12: return "Unable to open import file.";
        case -13: return "General import line problem.";
        case -14:
            return "QuickBooks OLE link error. If using Microsoft Vista and QuickBooks Premier "
                   "Accountant edition, make sure you have not toggled QuickBooks to another "
                   "edition.";
        case -15: return "Could not open specified data file.";
        case -16:
            return "QuickBooks is currently operating and has a company file open that is "
                   "different to the company file with which " +
                   title +
                   " needs to work.  Close the current session of QuickBooks and try again.";
        case -17:
            return "The version of QuickBooks that is installed is not compatible with " + title +
                   ". Please install a current version of QuickBooks that has been designed to be "
                   "used with " +
                   title + ".";
        default: return {};
    }
}

namespace {

constexpr std::string_view kForm = "TAVTaxMapping.frm";

// The library recognises the installed edition by the end of the Version value.
std::string editionKey(std::int16_t edition) {
    switch (edition) {
        case 0: return "belacct";
        case 1: return "accountant";
        default: return {};
    }
}

}  // namespace

void cmdExtractQBLists_Click(ProgramState& st, UiPort& ui, const QbExportFunction& exportQbwData) {
    constexpr std::string_view kStep = "cmdExtractQBLists_Click()";
    auto report = [&](std::string_view description, long number, std::string_view details) {
        dsCreateSEMAndDoAll(st, ui, kForm, kStep, number, description, details, true);
    };
    try {
        if (st.gstrCompanyFile.empty()) {
            ui.messageBox(Message{
                "To extract the lists you must first select a QuickBooks file above.", Buttons::OK,
                Icon::Exclamation, DefaultButton::First, "Select a QuickBooks file"});
            return;
        }
        IniFileComponent ini;
        if (const std::string e = ini.WriteValue(
                "QuickBooks", "Version", st.gstrQBVersion + editionKey(st.gintQBEdition),
                platform::joinPath(st.installFolder, "qbint32.ini"));
            !e.empty())
            return report(
                "Error saving data to qbint32.ini. The lists have not been successfully "
                "extracted from QuickBooks.",
                0, e);
        if (const std::string e = ini.WriteTextFile(
                platform::joinPath(st.installFolder, "script.txt"), "Output",
                "ACCNT " + st.gstrChartOfAccountsFile + "\r\nTAXCODE " + st.gstrTaxCodeListFile);
            !e.empty())
            return report(
                "Error writing to script.txt file. The lists have not been successfully "
                "extracted from QuickBooks.",
                0, e);
        std::string shortPath;
        if (const Sem e = sfGetShortPathFileName(st.gstrCompanyFile, shortPath); !e.empty())
            return report(
                "Error getting short path name for QBW file. The lists have not been "
                "successfully extracted from QuickBooks.",
                0, e);
        if (!platform::setCurrentDirectory(st.installFolder)) raise(err::PathNotFound);

        ui.setBusy(true);
        const long result = exportQbwData(shortPath);
        ui.setBusy(false);
        ui.doEvents();
        if (result < 0)
            return report(
                "An error occurred while extracting the lists from the QuickBooks "
                "data file: " +
                    QBReturnCodeText(result),
                result, {});

        if (!checkChartNumbering(st, ui)) return;
        st.gcolMappedAccounts.Clear();  // mappings made from an earlier chart no longer hold
        ui.messageBox(Message{"List extraction successful.", Buttons::OK, Icon::Information,
                              DefaultButton::First, "List extraction complete"});
        st.gblnListsExtracted = true;
    } catch (...) {
        ui.setBusy(false);
        dsReportException(st, ui, kForm, "cmdExtractQBLists_Click");
    }
}

}  // namespace tav
