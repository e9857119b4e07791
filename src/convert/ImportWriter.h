#pragma once
// What the three writers share: the start of every transaction's conversion (its length
// checked, its first line's number, date and reference taken) and the description of a
// line.

#include <string>
#include <string_view>

#include "convert/modConvert.h"

namespace tav {

// The writer a transaction goes to: each reports under its own module and routine and
// cuts the reference to its own length.
enum class ImportLayout { Mas, Accounts, AccountantsOffice };

// A writer's failure: its module and routine, number 0.
Sem writerFailure(ImportLayout layout, std::string_view description, const Sem& details = {});

// What a writer takes from a transaction's first line before writing its lines.
struct TransactionHead {
    std::string number;             // the transaction number, for messages
    std::string date;               // dd/mm/yyyy
    std::string_view reference;     // the Num column, cut to the writer's length
    std::string_view fallbackName;  // the name a line without one takes
};

// Fills the head, or refuses a transaction of fewer than two lines or whose first line's
// date is not valid, with the writer's own description.
Sem sfTransactionHead(ImportLayout layout, const JournalTransaction& transaction,
                      TransactionHead& head);

// A line's description: name " - " memo, or whichever of the two is present. A line
// without a name takes the fallback name.
void lineDescription(JournalLine line, std::string_view fallbackName, std::string& description);

}  // namespace tav
