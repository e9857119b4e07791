#include "shell/MDIfrmMain.h"

#include <fmt/format.h>
#include <charconv>

#include "safe/ErrorLog.h"
#include "safe/Platform.h"
#include "safe/SafeMethods.h"
#include "shell/IniFileComponent.h"
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

std::optional<Placement> parsePlacement(std::string_view text) {
    Placement p;
    int* numbers[] = {&p.left, &p.top, &p.width, &p.height};
    const char* at = text.data();
    const char* end = text.data() + text.size();
    for (size_t i = 0; i < std::size(numbers); ++i) {
        if (i > 0 && (at == end || *at++ != ',')) return std::nullopt;
        const auto [next, error] = std::from_chars(at, end, *numbers[i]);
        if (error != std::errc()) return std::nullopt;
        at = next;
    }
    const std::string_view rest(at, static_cast<size_t>(end - at));
    if (rest == ",max")
        p.maximised = true;
    else if (!rest.empty())
        return std::nullopt;
    if (p.width < 100 || p.height < 100) return std::nullopt;
    return p;
}

std::string placementText(const Placement& p) {
    return fmt::format("{},{},{},{}{}", p.left, p.top, p.width, p.height,
                       p.maximised ? ",max" : "");
}

namespace {
std::string settingsFile(const ProgramState& st) {
    return platform::joinPath(st.installFolder, "TAV.ini");
}
}  // namespace

std::optional<Placement> savedPlacement(const ProgramState& st) {
    IniFileComponent ini;
    std::string text;
    if (!ini.ReadValue("General", "MainWindow", text, settingsFile(st)).empty())
        return std::nullopt;
    return parsePlacement(text);
}

void savePlacement(ProgramState& st, UiPort& ui, const Placement& placement) {
    reportingFailures(st, ui, kModule, "MDIForm_Unload", [&] {
        IniFileComponent ini;
        if (const std::string e =
                ini.WriteValue("General", "MainWindow", placementText(placement), settingsFile(st));
            !e.empty())
            dsCreateSEMAndDoAll(st, ui, kModule, "MDIForm_Unload", 0,
                                "Error saving the main window's place to ini file", e, true);
    });
}

}  // namespace tav::mainwindow
