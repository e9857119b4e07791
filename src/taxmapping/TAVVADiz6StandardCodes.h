#pragma once
// The standard codes view: the installed page of the standard QuickBooks tax items and
// the target's tax codes, opened from the tax mapping screen. It changes nothing.

#include <string>
#include <string_view>

namespace tav {

struct ProgramState;

namespace standardcodes {

inline constexpr std::string_view kModule = "TAVVADiz6StandardCodes.frm";

std::string caption(const ProgramState& st);

// The target's page in the installation folder; "" for targets without a tax mapping.
std::string page(const ProgramState& st);

}  // namespace standardcodes
}  // namespace tav
