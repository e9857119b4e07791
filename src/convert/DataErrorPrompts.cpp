// The texts of the reader's data-error prompts and of their log entries.

#include "convert/DataErrorPrompts.h"

#include "convert/modConvert.h"
#include "safe/ErrorLog.h"
#include "safe/Platform.h"
#include "shell/ProgramState.h"

namespace tav {

namespace {

constexpr std::string_view kContinue =
    "Do you want to continue with the conversion? (to check the remaining data)";
constexpr std::string_view kNotFromBeginning =
    "If you select 'No' you can then select 'View Result' to see which was the last "
    "successfully converted transaction. Check the transaction following this in the "
    "QuickBooks Journal for errors, then try the export again.";
constexpr std::string_view kOmitOrFix =
    "Do you want to continue with the conversion? (to check the remaining data). If you select "
    "'Yes', this transaction will be omitted from the conversion process. If you select 'No', "
    "you can find and fix the problem in the QuickBooks Journal report, then try the export "
    "again.";

}  // namespace

std::string promptText(DataError e, std::string_view t, std::string_view code,
                       std::string_view details) {
    const std::string crlf(kCrLf);
    const std::string tn(t);
    const std::string checkAmounts =
        crlf + std::string(details) + crlf + std::string(kContinue) + crlf +
        "If you select 'Yes', this transaction will be omitted from the conversion process. If "
        "you select 'No', you can check the ";
    const std::string forErrors =
        " for this transaction in the QuickBooks Journal for errors, "
        "then try the export again.";
    switch (e) {
        case DataError::FirstPartMissing:
            return "First part of transaction missing. This 'part' transaction will be omitted "
                   "from the conversion process. " +
                   std::string(kContinue) + "." + crlf + std::string(kNotFromBeginning);
        case DataError::InvalidData:
            return "Invalid data. This transaction will be omitted from the conversion process. " +
                   std::string(kContinue) + ". " + std::string(kNotFromBeginning);
        case DataError::InvalidDate:
            return "Invalid date in transaction number " + tn + crlf + std::string(kContinue) +
                   "." + crlf +
                   "If you select 'Yes', this transaction will be omitted from the conversion "
                   "process. If you select 'No', please ensure your Windows Regional Settings are "
                   "set to English(Australian), then check the dates in the QuickBooks Journal "
                   "before saving it to file again.";
        case DataError::TaxCode:
            return "An error occurred in transaction number " + tn + " when converting tax code '" +
                   std::string(code) + "'." + crlf + std::string(details) + crlf +
                   std::string(kOmitOrFix);
        case DataError::TaxAmountFirstLine:
            return "Invalid Tax Amount data in transaction: " + tn + checkAmounts + "tax amounts" +
                   forErrors;
        case DataError::AmountFirstLine:
            return "Invalid Amount data in transaction: " + tn + checkAmounts + "amounts" +
                   forErrors;
        case DataError::TaxAmountContinuation:
            return "Invalid Tax Amount in transaction number " + tn + crlf + std::string(details) +
                   crlf + std::string(kOmitOrFix);
        case DataError::AmountContinuation:
            return "Invalid Amount in transaction number " + tn + crlf + std::string(details) +
                   crlf + std::string(kOmitOrFix);
    }
    return {};
}

std::string logText(DataError e, std::string_view t, std::string_view code) {
    const std::string tn(t);
    switch (e) {
        case DataError::FirstPartMissing: return "First part of transaction missing.";
        case DataError::InvalidData: return "Invalid data.";
        case DataError::InvalidDate: return "Invalid Date in transaction number " + tn;
        case DataError::TaxCode:
            return "Error in txn number " + tn + " converting tax code '" + std::string(code) +
                   "'.";
        case DataError::TaxAmountFirstLine:
        case DataError::TaxAmountContinuation:
            return "Invalid Tax Amount in transaction number " + tn;
        case DataError::AmountFirstLine:
        case DataError::AmountContinuation: return "Invalid Amount in transaction number " + tn;
    }
    return {};
}

bool askToOmit(ProgramState& st, UiPort& ui, DataError e, std::string_view t, std::string_view code,
               std::string_view details) {
    appendLogEntry(st, ui, platform::joinPath(st.installFolder, "TAV.log"),
                   std::string(kModConvert) + "\tsfReadInTransaction\t" + logText(e, t, code));
    return ui.messageBox(Message{promptText(e, t, code, details), Buttons::YesNo, Icon::Exclamation,
                                 DefaultButton::Second, "Error in data"}) == Answer::Yes;
}

}  // namespace tav
