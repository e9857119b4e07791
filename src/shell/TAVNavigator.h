#pragma once
// The navigator, hub of the wizard: the QuickBooks edition, the target application and
// the client folder. Every choice that invalidates later work clears that work here.
// The window forwards its events to these routines and shows the resulting View.

#include <array>
#include <string>
#include <string_view>

#include "safe/UiPort.h"

namespace tav {

struct ProgramState;

namespace navigator {

inline constexpr std::string_view kModule = "TAVNavigator.frm";
inline constexpr std::array<const char*, 2> kEditions{"Enterprise-Accountant",
                                                      "Premier-Accountant"};
// Longest client folder text shown before it is shortened.
inline constexpr short kFolderDisplayLength = 45;

// The texts beside the lists that follow the program state.
struct View {
    std::string lblQBi = "QuickBooks QBi";  // the source product
    std::string lblMapping;                 // step 3; caption form, "&&" stands for "&"
    std::string lblClientFolder;            // shortened for display
};

// Sets the captions and gstrTargetAppName from the stored target, and falls back to the
// root folder when the client folder has gone.
void Form_Load(ProgramState& st, UiPort& ui, View& view);

// A different edition drops the company file and the lists taken from it.
void cmbSourceProduct_Click(ProgramState& st, int index);

// Any click sets the captions; a different target also drops everything built for the
// old one: its codes and accounts, both mappings, the file choices and the ledger.
void cmbTarget_Click(ProgramState& st, UiPort& ui, int index, View& view);

// Asks for the client folder; a confirmed choice drops the mappings and the file
// choices but keeps the target's code and account lists and the ledger. Cancel changes
// nothing.
void cmdBrowse_Click(ProgramState& st, UiPort& ui, View& view);

}  // namespace navigator
}  // namespace tav
