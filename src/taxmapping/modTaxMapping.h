#pragma once
// The tax mapping's model: the two QuickBooks list files (chart of accounts and tax
// code list), the target products' tax codes, the default tax mapping and the mapping
// itself. Routines report under the module name "modTaxMapping.bas".
//
// Its collections hold TaxCodeLink, DefaultTaxMapping and MappedTaxCode records
// (shell/Records.h); the tax payable accounts and the target's codes are plain texts.

#include <string>
#include <string_view>
#include <vector>

#include "convert/ReportScan.h"
#include "safe/Collection.h"
#include "safe/Sem.h"
#include "safe/UiPort.h"
#include "shell/ProgramState.h"

namespace tav {

struct ProgramState;

inline constexpr std::string_view kModTaxMapping = "modTaxMapping.bas";

// ---- QuickBooks list files ----------------------------------------------------

// Fixed fields of an ACCNT line of the chart of accounts, as the Australian and New
// Zealand editions export it; the readers find ACCNUM and EXTRA by the header instead.
namespace accnt {
inline constexpr size_t Name = 1;
inline constexpr size_t TypeCode = 4;
inline constexpr size_t Number = 7;
}  // namespace accnt

// Rebuilds gcolTaxPayables from gstrChartOfAccountsFile: the ACCNUM of every ACCNT line
// whose EXTRA is exactly "SALESTAX".
Sem sfGetcolTaxPayables(ProgramState& st, UiPort& ui);

// Rebuilds gcolTaxCodeTaxItemLinks from gstrTaxCodeListFile, one link per TAXCODE line.
Sem sfGetcolTaxCodeTaxItemLinks(ProgramState& st, UiPort& ui);

// Run right after an extraction: true when every account of gstrChartOfAccountsFile has
// a number. A failure has been reported (under the extraction's own names) when false.
bool checkChartNumbering(ProgramState& st, UiPort& ui);

// ---- Target tax codes and the default mapping --------------------------------

// The installed code file of the current target; "" for targets without a tax mapping.
std::string targetTaxCodeFile(const ProgramState& st);

// Appends every comma-separated code of the file to gcolTargetTaxCodes.
Sem sfLoadColTargetTaxCodes(ProgramState& st, UiPort& ui, const std::string& path);

// Appends the lines of the installed "DefaultTaxMapping.txt" after its header.
Sem sfLoadColDefaultTaxMapping(ProgramState& st, UiPort& ui);

// Reads the rest of the Journal report open as file 1 and adds an unmapped entry for
// every new tax item posted to a tax payable account.
Sem sfExtractCodes(ProgramState& st, UiPort& ui);
// The same from a scan of it that collected the tax items.
Sem sfExtractCodes(ProgramState& st, const ReportScan& scan);

// Gives every entry whose item the default mapping knows its default code and position.
Sem sfMapStandardCodes(ProgramState& st);

// The tax code list's entries: " <Add New>" at position 0, the blank (unmapped) entry at
// 1, then " " and the k-th target code at position k + 1.
Sem sfSetUpTaxCombo(const ProgramState& st, StrArray& listItems);

// Stores the list position chosen for grid row `row` (1-based) in gcolMappedTaxCodes.
// Position 1 unmaps; position p > 1 maps to the (p - 1)-th target code. An empty
// mapping (the grid's placeholder row) stores nothing.
void storeTaxCodeChoice(ProgramState& st, long row, long position);

// A tax mapping file lists choices made in the grid, one "QuickBooks tax item,target
// code" a line (blank lines are passed over), as tav-convert's --tax-mapping and the
// remembered mapping have them.
Sem sfReadTaxMapping(ProgramState& st, UiPort& ui, const std::string& path,
                     std::vector<TaxMappingLine>& lines);

// Makes the lines' choices as if chosen in the grid: an empty code unmaps, a code missing
// from the list is added as the "Add Tax Code to List" dialog would add it, and an item
// the Journal report does not use is passed over. All or nothing: a code the dialog would
// refuse leaves the mapping and the list as they were. `filled` gets the items chosen.
Sem sfApplyTaxMapping(ProgramState& st, const std::vector<TaxMappingLine>& lines,
                      std::vector<std::string>* filled = nullptr);

// Reads a tax mapping file and applies it.
Sem sfLoadTaxMapping(ProgramState& st, UiPort& ui, const std::string& path);

// Writes the mapping as a tax mapping file, every row with its code (empty when
// unmapped), then the lines of `alsoKeep` for items the mapping has no row for. An item
// holding a comma cannot be written and is left out.
Sem sfSaveTaxMapping(ProgramState& st, UiPort& ui, const std::string& path,
                     const std::vector<TaxMappingLine>& alsoKeep = {});

}  // namespace tav
