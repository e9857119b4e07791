#pragma once
// The MAS writer: one MAS entry per transaction, with a journal code chosen from the
// QuickBooks transaction type and, except for journals, a contra account.

#include <string>
#include <string_view>

#include "convert/modConvert.h"

namespace tav {

inline constexpr std::string_view kModConvertToMAS = "modConvertToMAS.bas";

// Appends the transaction's MAS lines to the import file: its continuation lines in
// report order, then its first line (the transaction is reordered so).
Sem sfConvertToMAS(ConversionPart& part, const JournalTransaction& transaction);

namespace mas {
// The journal code ("SDB", "Rec", "PDB", "Pay", "BSt" or "Jnl") of a transaction type.
Sem sfTransType(std::string_view type, std::string& journalCode);
}  // namespace mas

}  // namespace tav
