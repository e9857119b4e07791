#pragma once
// The 'Accounts' writer. Accounts are not mapped here: each line carries the QuickBooks
// account number, which 'Accounts' maps during its own import. Amounts are written
// including tax, with a cash/non-cash basis and a capital flag.

#include <string>
#include <string_view>

#include "convert/modConvert.h"

namespace tav {

inline constexpr std::string_view kModConvertToAccounts = "modConvertToAccounts.bas";

// Appends the transaction's 'Accounts' lines to the import file. An amount 'Accounts'
// cannot hold is shown in an "Amount out of range" box and stops the run
// (part.blnAmountOutOfRange and part.blnConversionStopped); nothing more is written.
Sem sfConvertToAccounts(ConversionPart& part, const JournalTransaction& transaction);

// "C" for cash transaction types, "N" for the others.
Sem sfCashBasis(std::string_view type, std::string& basis);

}  // namespace tav
