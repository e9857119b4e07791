#pragma once
// The Accountant's Office writer. Accounts are mapped; this target has no tax
// columns, so a line's tax is noted in its description, and the tax lines QuickBooks
// posts to tax liability accounts are written as lines of their own.

#include <string>
#include <string_view>

#include "convert/modConvert.h"

namespace tav {

inline constexpr std::string_view kModConvertToAO = "modConvertToAO.bas";

inline constexpr std::string_view kAOFileHeader =
    "Ext_Date,Ext_TrType,,Ext_Ref,Ext_AccNo,Ext_Amt,,Ext_Desc";

// Appends the transaction's Accountant's Office lines to the import file.
Sem sfConvertToAO(ConversionPart& part, const JournalTransaction& transaction);

namespace ao {
// The type letter ("Q", "P", "C", "D" or "J") of a transaction type.
Sem sfTransType(std::string_view type, std::string& letter);
}  // namespace ao

}  // namespace tav
