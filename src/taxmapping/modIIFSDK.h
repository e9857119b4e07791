#pragma once
// The QuickBooks list extraction: what the program asks of the integration library
// qbint32 and what it tells the user about the answer.

#include <functional>
#include <string>

#include "safe/UiPort.h"
#include "taxmapping/qbint32.h"

namespace tav {

struct ProgramState;

// The user's text for a failure code of ExportQbwData; empty for codes it does not know.
std::string QBReturnCodeText(long code);

// The library's one export function: the company file's short path in, the number of
// records (zero or more) or a negative failure code out.
using QbExportFunction = std::function<long(const std::string& shortPath)>;

// "&Get QuickBooks Lists" on the tax mapping screen: writes qbint32.ini and script.txt
// into the installation folder, makes it the current directory, has the library export
// the chart of accounts and the tax code list into the data folder, checks that every
// account is numbered, discards the account mapping made from an earlier chart and sets
// gblnListsExtracted. Every failure is reported to the user.
void cmdExtractQBLists_Click(ProgramState& st, UiPort& ui,
                             const QbExportFunction& exportQbwData = ExportQbwData);

}  // namespace tav
