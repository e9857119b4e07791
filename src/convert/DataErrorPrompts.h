#pragma once
// The Journal report reader's data-error prompts: a faulty transaction is logged, then
// the user is asked whether to omit it and go on.

#include <string>
#include <string_view>

namespace tav {

struct ProgramState;
class UiPort;

enum class DataError {
    FirstPartMissing,
    InvalidData,
    InvalidDate,
    TaxCode,
    TaxAmountFirstLine,
    AmountFirstLine,
    TaxAmountContinuation,
    AmountContinuation,
};

// The prompt's text; t is the transaction number, code the tax code as read, details the
// failing routine's SEM list.
std::string promptText(DataError e, std::string_view t, std::string_view code,
                       std::string_view details);
// The text of the log entry written before the prompt.
std::string logText(DataError e, std::string_view t, std::string_view code);

// Logs the data error to TAV.log in the installation folder, then asks whether to omit
// the transaction and go on; true for Yes.
bool askToOmit(ProgramState& st, UiPort& ui, DataError e, std::string_view t,
               std::string_view code = {}, std::string_view details = {});

}  // namespace tav
