#pragma once
// The conversion check as a page an accountant can print or file with the period's
// working papers (one self-contained HTML file), and the same figures as CSV.

#include <string>
#include <string_view>

#include "check/ConversionCheck.h"

namespace tav {

struct ProgramState;
class UiPort;

namespace check {

// The page; its first lines say whether the import file matches the report.
std::string checkPage(const ConversionCheck& check);
// One row per figure: section, item, the report's figure, the import file's, the
// conversion's count, the difference, whether it differs, details.
std::string checkCsv(const ConversionCheck& check);

// Writes the page or the CSV to a file, whole or not at all.
Sem sfWriteCheck(ProgramState& st, UiPort& ui, const std::string& path, std::string_view text);

}  // namespace check
}  // namespace tav
