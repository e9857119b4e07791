#pragma once
// The conversion engine's module: the Journal report reader, the driver and the
// field helpers. Routines report under the module name "modConvert.bas".

#include <string>
#include <string_view>

#include "safe/Sem.h"

namespace tav {

inline constexpr std::string_view kModConvert = "modConvert.bas";

// The number part of a QuickBooks account text ("1-1100 · Cheque Account" gives
// "1-1100"); empty when there is no middle dot.
Sem sfNumberOnly(std::string_view accountText, std::string& number);

// The name part ("Cheque Account"); the whole trimmed text when there is no middle dot.
Sem sfNameOnly(std::string_view accountText, std::string& name);

}  // namespace tav
