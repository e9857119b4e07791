#pragma once
// The "Add Account to List" dialog's rules without its window: what the number and name
// boxes take, the checks on leaving them, and OK and Next, which append an account to
// gcolTargetAccounts for the run. The account mapping screen opens the dialog without
// waiting for it and refreshes itself when it closes (RefreshAfterNewAccount).
// Failures are reported under "TAVNewMASAccount.frm".

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "safe/UiPort.h"

namespace tav {

struct ProgramState;

namespace newaccount {

inline constexpr std::string_view kModule = "TAVNewMASAccount.frm";
// The longest account number, in characters, counted after trimming.
inline constexpr size_t kNumberLength = 10;

enum class Box { Number, Name };

struct View {
    std::string lblInstructions;
    std::string txtNumber;
    std::string txtName;
    // The box that gets the focus after a routine, when it moves it.
    std::optional<Box> focus;
};

// Forgets whether an account was added, and takes the number typed on the mapping
// screen (gstrNewAccountText): for MAS without its blanks, saying so. The focus goes to
// the name when a number came, else to the number.
void Form_Load(ProgramState& st, UiPort& ui, View& view);

// Whether a box takes a typed character (UTF-8; "\b" is Backspace). The number box always
// takes Backspace and never a comma, a blank for MAS, or anything once its trimmed text
// has ten characters; the name box takes anything but a comma.
bool numberTakesKey(std::int16_t target, std::string_view boxText, std::string_view key);
bool nameTakesKey(std::string_view key);

// The number as typing it into the empty box leaves it.
std::string typedNumber(std::int16_t target, std::string_view keys);

// Leaving a box whose text breaks its rule (a pasted text) shows why and puts the focus
// back; true when it did.
bool txtNumber_LostFocus(const ProgramState& st, UiPort& ui, View& view);
bool txtName_LostFocus(UiPort& ui, View& view);

enum class Outcome {
    Stays,  // refused, or the user went to the name: the dialog stays open
    Added,  // added: the dialog closes and the mapping screen refreshes itself
};

// OK: the trimmed number and the name as typed join gcolTargetAccounts, unless the
// number is missing, breaks its rule or is listed already (exactly, case-sensitive).
Outcome cmdOK_Click(ProgramState& st, UiPort& ui, View& view);

// Next: adds the account as OK does, then empties both boxes for the next one; the
// dialog stays open.
Outcome cmdNext_Click(ProgramState& st, UiPort& ui, View& view);

// Enter in the number box: OK, after asking whether to give a missing name first.
Outcome txtNumber_Enter(ProgramState& st, UiPort& ui, View& view);

}  // namespace newaccount
}  // namespace tav
