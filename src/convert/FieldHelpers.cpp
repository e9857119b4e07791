// The field helpers of modConvert: account texts, mapped accounts and tax codes,
// amounts and tax items.

#include <array>

#include "convert/modConvert.h"
#include "safe/SafeMethods.h"
#include "safe/TextCodec.h"
#include "shell/ProgramState.h"

namespace tav {

namespace {

// 1-based character position of the first middle dot, 0 when there is none.
size_t middleDotPosition(std::string_view text) {
    const size_t at = text.find(kMiddleDot);
    return at == std::string_view::npos ? 0 : charCount(text.substr(0, at)) + 1;
}

// Transaction types whose tax codes stand for purchase tax items; all others are sales.
constexpr std::array<std::string_view, 15> kPurchaseTypes{
    "Cheque",          "Credit Card Charge", "Credit Card Credit", "Bill Pmt -Cheque",
    "Bill Pmt -CCard", "Liability Cheque",   "Pay Cheque",         "Payroll Cheque",
    "Bill",            "Credit",             "Inventory Adjust",   "Stock Adjust",
    "YTD Adjustment",  "Liability Adjust",   "Bank Payment"};

bool isPurchase(std::string_view type) {
    for (std::string_view t : kPurchaseTypes)
        if (t == type) return true;
    return false;
}

}  // namespace

Sem sfNumberOnly(std::string_view accountText, std::string& number) {
    number.clear();
    return guarded(kModConvert, "sfNumberOnly", [&]() -> Sem {
        const std::string text = trim(accountText);
        const size_t p = middleDotPosition(text);
        if (p == 0) return {};
        if (p < 2) raise(err::InvalidCall);  // a dot in first place leaves no room for a number
        number = leftChars(text, p - 2);
        return {};
    });
}

Sem sfNameOnly(std::string_view accountText, std::string& name) {
    name.clear();
    return guarded(kModConvert, "sfNameOnly", [&]() -> Sem {
        const std::string text = trim(accountText);
        const size_t p = middleDotPosition(text);
        if (p == 0) {
            name = text;
            return {};
        }
        // Everything after the character that follows the dot (a blank).
        const std::string_view upToDot = leftChars(text, p - 1);
        const std::string_view rest =
            std::string_view(text).substr(upToDot.size() + kMiddleDot.size());
        name = std::string(rest.substr(leftChars(rest, 1).size()));
        return {};
    });
}

Sem sfMappedAccount(const ConversionLookups& lookups, std::string_view accountText,
                    std::string& targetAccount) {
    constexpr std::string_view kProc = "sfMappedAccount";
    targetAccount.clear();
    return guarded(kModConvert, kProc, [&]() -> Sem {
        const std::string text = trim(accountText);
        if (text.empty())
            return sfSemCreate(kModConvert, kProc, 0,
                               "Empty or Null account details found in Journal report "
                               "transaction.");
        std::string number;
        if (Sem e = sfNumberOnly(text, number); !e.empty())
            return sfSemCreate(kModConvert, kProc, 0,
                               "Error extracting the account number from a Journal report "
                               "transaction line.",
                               e);
        if (number.empty())
            return sfSemCreate(kModConvert, kProc, 0,
                               "An account used in the transaction journal has no account "
                               "number. Please number all accounts in QuickBooks then export "
                               "the Journal report again.");
        const StrArray* entry = lookups.mappedAccount(number);
        if (!entry)
            return sfSemCreate(kModConvert, kProc, 0,
                               "Error: QuickBooks account in transaction file does not exist in "
                               "QuickBooks Chart of Accounts file.");
        targetAccount = field(*entry, 4);
        return {};
    });
}

Sem sfMappedTaxCode(const ConversionLookups& lookups, std::string_view taxItem,
                    std::string& targetCode) {
    constexpr std::string_view kProc = "sfMappedTaxCode";
    targetCode.clear();
    return guarded(kModConvert, kProc, [&]() -> Sem {
        const std::string item = trim(taxItem);
        if (const StrArray* entry = lookups.mappedTaxCode(item)) targetCode = field(*entry, 1);
        if (targetCode.empty() && !item.empty())
            return sfSemCreate(kModConvert, kProc, 0,
                               "A mapped code could not be found for an input tax code. Please "
                               "check the tax mapping before trying the conversion again.");
        return {};
    });
}

Sem sfCheckAndFormatAmount(std::string& amount) {
    constexpr std::string_view kProc = "sfCheckAndFormatAmount";
    return guarded(kModConvert, kProc, [&]() -> Sem {
        const std::optional<Money> value = parseMoney(amount);
        if (!value) return sfSemCreate(kModConvert, kProc, 0, "Invalid 'Amount' data");
        amount = value->fixed();
        return {};
    });
}

Sem sfConvertTaxCodeToTaxItem(const ConversionLookups& lookups, std::string_view taxCode,
                              std::string& taxItem, std::string_view transactionType) {
    constexpr std::string_view kProc = "sfConvertTaxCodeToTaxItem";
    return guarded(kModConvert, kProc, [&]() -> Sem {
        if (transactionType == "General Journal")
            return sfSemCreate(kModConvert, kProc, 0,
                               "An invalid transaction type (journal entry transaction) was sent "
                               "to the convert tax code to tax item function.");
        if (taxCode.empty()) return {};
        const StrArray* link = lookups.taxCodeLink(taxCode);
        if (!link)
            return sfSemCreate(kModConvert, kProc, 0,
                               "Tax Code '" + std::string(taxCode) +
                                   "' not found in tax code list. Please check the tax code list "
                                   "and extract it again from QuickBooks.");
        // A code with only one of its two items uses that one for both kinds.
        const size_t column = isPurchase(transactionType) ? 1 : 2;
        const std::string* item = &field(*link, column);
        if (item->empty()) item = &field(*link, 3 - column);
        if (item->empty())
            return sfSemCreate(kModConvert, kProc, 0,
                               "There are no tax items associated with tax code '" +
                                   std::string(taxCode) +
                                   "'. Please check the tax code list and extract it again from "
                                   "QuickBooks.");
        taxItem = *item;
        return {};
    });
}

std::string importLine(std::initializer_list<std::string_view> fields, bool quoted) {
    std::string line;
    line.reserve(160);
    bool first = true;
    for (std::string_view f : fields) {
        if (!first) line += ',';
        first = false;
        if (quoted) line += '"';
        line += f;
        if (quoted) line += '"';
    }
    return line;
}

void writeImportLine(ProgramState& st, ConversionRun& run, std::string_view line) {
    st.files.printLine(kImportFile, line);
    ++run.linesWritten;
}

std::string lineDescription(const JournalLine& line, std::string_view fallback) {
    std::string_view name = field(line, col::Name);
    if (name.empty()) name = fallback;
    const std::string& memo = field(line, col::Memo);
    std::string description(name);
    if (!name.empty() && !memo.empty()) description += " - ";
    description += memo;
    return description;
}

std::string_view fallbackName(const JournalLine& firstLine) {
    const std::string& type = field(firstLine, col::Type);
    if (type == "General Journal" || type == "Transfer" || type == "Build") return {};
    return field(firstLine, col::Name);
}

}  // namespace tav
