#pragma once
// The main window's menu and its context help. Start-up and shutdown are in modMDIMain.

#include <optional>
#include <string>
#include <string_view>

#include "safe/UiPort.h"
#include "shell/Help.h"

namespace tav {

struct ProgramState;

namespace mainwindow {

inline constexpr std::string_view kModule = "TAVMDIfrmMain.frm";
inline constexpr std::string_view kCaption = "Tavora v6";

// Help > Contents + Index: the installed help's contents page, or nothing after the
// "Error Displaying Help" box.
std::optional<std::string> mnuHelpContents_Click(ProgramState& st, UiPort& ui);

// F1 and every Help button: the registered help file at the window's topic. Nothing
// happens while no help file is registered (start-up stopped early).
std::optional<std::string> contextHelp(ProgramState& st, UiPort& ui, HelpTopic topic);

// Help > View Log: TAV.log of the data folder in the desktop's text viewer.
void mnuHelpView_Click(ProgramState& st, UiPort& ui);

// Where the main window was left, as the settings file keeps it: "left,top,width,height",
// then ",max" when it was maximised (the place given is then the one it returns to).
struct Placement {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool maximised = false;
};
// Nothing for a text that is not such a place, or a window smaller than 100 pixels.
std::optional<Placement> parsePlacement(std::string_view text);
std::string placementText(const Placement& placement);

// The place kept in TAV.ini ([General] MainWindow); nothing when there is none or it is
// not a place. The window's place is a convenience: an odd one just gives the default.
std::optional<Placement> savedPlacement(const ProgramState& st);
// Keeps the place there, after the navigator's choices have been written at shutdown.
void savePlacement(ProgramState& st, UiPort& ui, const Placement& placement);

}  // namespace mainwindow
}  // namespace tav
