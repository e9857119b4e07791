#pragma once
// The "Add Tax Code to List" dialog's rules without its window: which keys the code box
// takes and which codes OK refuses. An added code joins gcolTargetTaxCodes for the run.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "safe/UiPort.h"

namespace tav {

struct ProgramState;

namespace newtaxcode {

inline constexpr std::string_view kModule = "TAVNewTaxCode.frm";

// lblInstructions for the target.
std::string instructions(std::int16_t target);

// Whether the code box takes a typed character (UTF-8): Backspace always; never a comma,
// nothing once the trimmed text holds two characters, and only digits for MAS.
bool acceptsKey(std::int16_t target, std::string_view boxText, std::string_view key);

// The code as typing it into the empty box leaves it.
std::string typed(std::int16_t target, std::string_view code);

// The dialog's two buttons that add the code; they word an empty box differently.
enum class AddButton { OK, Next };

// The box a button shows for a code it refuses (empty, outside MAS (Aust.)'s range
// 15-20, already listed); nothing for a code it takes.
std::optional<Message> refusal(const ProgramState& st, std::string_view code,
                               AddButton button = AddButton::OK);

// Opening the dialog: no code added yet.
void Form_Load(ProgramState& st);

// OK and "&Next": append the trimmed code to gcolTargetTaxCodes and set
// gblnNewTaxCodeAdded, or show why not. OK then closes the dialog, "&Next" empties the box
// for another code.
bool cmdOK_Click(ProgramState& st, UiPort& ui, std::string_view boxText);
bool cmdNext_Click(ProgramState& st, UiPort& ui, std::string_view boxText);

}  // namespace newtaxcode
}  // namespace tav
