#include "shell/MDIfrmMain.h"

#include "safe/ErrorLog.h"
#include "safe/Platform.h"
#include "safe/SafeMethods.h"
#include "shell/ProgramState.h"

namespace tav::mainwindow {

std::optional<std::string> mnuHelpContents_Click(ProgramState& st, UiPort& ui) {
    std::optional<std::string> page;
    reportingFailures(st, ui, kModule, "mnuHelpContents_Click",
                      [&] { page = helpPage(ui, installedHelpFile(st), HelpTopic::Contents); });
    return page;
}

std::optional<std::string> contextHelp(ProgramState& st, UiPort& ui, HelpTopic topic) {
    if (st.helpFile.empty()) return std::nullopt;
    std::optional<std::string> page;
    reportingFailures(st, ui, kModule, "contextHelp",
                      [&] { page = helpPage(ui, st.helpFile, topic); });
    return page;
}

void mnuHelpView_Click(ProgramState& st, UiPort& ui) {
    constexpr std::string_view kProc = "mnuHelpView_Click";
    reportingFailures(st, ui, kModule, kProc, [&] {
        if (const Sem e =
                sfDisplayFileContents(ui, platform::joinPath(st.gstrDataFolder, "TAV.log"));
            !e.empty())
            dsCreateSEMAndDoAll(st, ui, kModule, kProc, 0, "Calling routine", e, true);
    });
}

}  // namespace tav::mainwindow
