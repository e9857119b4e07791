// The field helpers of modConvert: mapped accounts and tax codes, amounts and tax items.

#include <algorithm>
#include <cstring>

#include "convert/modConvert.h"
#include "safe/SafeMethods.h"
#include "safe/TextCodec.h"
#include "shell/ProgramState.h"

namespace tav {

namespace {

// Transaction types whose tax codes stand for purchase tax items; all others are sales.
constexpr std::string_view kPurchaseTypes[] = {
    "Cheque",           "Credit Card Charge", "Credit Card Credit",
    "Bill Pmt -Cheque", "Bill Pmt -CCard",    "Liability Cheque",
    "Pay Cheque",       "Payroll Cheque",     "Bill",
    "Credit",           "Inventory Adjust",   "Stock Adjust",
    "YTD Adjustment",   "Liability Adjust",   "Bank Payment"};

}  // namespace

bool isPurchaseType(std::string_view type) {
    for (std::string_view t : kPurchaseTypes)
        if (t == type) return true;
    return false;
}

Sem sfMappedAccount(const ConversionLookups& lookups, std::string_view accountText,
                    std::string& targetAccount) {
    constexpr std::string_view kProc = "sfMappedAccount";
    targetAccount.clear();
    return guarded(kModConvert, kProc, [&]() -> Sem {
        const std::string_view text = trimView(accountText);
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
        const MappedAccount* entry = lookups.mappedAccount(number);
        if (!entry)
            return sfSemCreate(kModConvert, kProc, 0,
                               "Error: QuickBooks account in transaction file does not exist in "
                               "QuickBooks Chart of Accounts file.");
        targetAccount = entry->targetNumber;
        return {};
    });
}

Sem sfMappedTaxCode(const ConversionLookups& lookups, std::string_view taxItem,
                    std::string& targetCode) {
    constexpr std::string_view kProc = "sfMappedTaxCode";
    targetCode.clear();
    return guarded(kModConvert, kProc, [&]() -> Sem {
        const std::string_view item = trimView(taxItem);
        if (const MappedTaxCode* entry = lookups.mappedTaxCode(item)) targetCode = entry->code;
        if (targetCode.empty() && !item.empty())
            return sfSemCreate(kModConvert, kProc, 0,
                               "A mapped code could not be found for an input tax code. Please "
                               "check the tax mapping before trying the conversion again.");
        return {};
    });
}

// Amounts QuickBooks writes are mostly in the written form already ("-1234.50"); such a
// text is its own formatting, and its value is read in the same pass.
bool isFormattedAmount(std::string_view s, std::optional<Money>* value) {
    if (std::int64_t cents; readFormattedAmount(s, cents)) {
        if (value) *value = Money::fromCents(cents);
        return true;
    }
    // More than sixteen whole digits; no Money holds more than thirty.
    const bool negative = s.starts_with('-');
    if (negative) s.remove_prefix(1);
    const size_t n = s.size();
    if (n <= 19 || s[n - 3] != '.' || s[0] == '0') return false;
    Int128 cents = 0;
    for (size_t i = 0; i < n; ++i) {
        const unsigned d = static_cast<unsigned char>(s[i]) - unsigned{'0'};
        if (i == n - 3) continue;
        if (d > 9) return false;
        if (n <= 33) cents = cents * 10 + d;
    }
    if (value)
        *value =
            n <= 33 ? std::optional(Money::fromCents(negative ? -cents : cents)) : std::nullopt;
    return true;
}

Sem sfCheckAndFormatAmount(std::string& amount) {
    constexpr std::string_view kProc = "sfCheckAndFormatAmount";
    return guarded(kModConvert, kProc, [&]() -> Sem {
        if (isFormattedAmount(amount)) return {};
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
        const TaxCodeLink* link = lookups.taxCodeLink(taxCode);
        if (!link)
            return sfSemCreate(kModConvert, kProc, 0,
                               "Tax Code '" + std::string(taxCode) +
                                   "' not found in tax code list. Please check the tax code list "
                                   "and extract it again from QuickBooks.");
        // A code with only one of its two items uses that one for both kinds.
        const bool purchase = isPurchaseType(transactionType);
        const std::string* item = purchase ? &link->purchaseItem : &link->salesItem;
        if (item->empty()) item = purchase ? &link->salesItem : &link->purchaseItem;
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

std::string quotedFieldText(std::string_view text) {
    std::string quoted;
    quotedFieldText(text, [&quoted](std::string_view piece) { quoted += piece; });
    return quoted;
}

void writeImportLine(ProgramState& st, ConversionRun& run, std::string_view line) {
    st.files.printLine(kImportFile, line);
    ++run.linesWritten;
}

void writeImportLine(ProgramState& st, ConversionRun& run,
                     std::initializer_list<std::string_view> fields, bool quoted) {
    std::string line;
    bool first = true;
    for (std::string_view f : fields) {
        if (!first) line += ',';
        first = false;
        if (quoted) {
            line += '"';
            line += quotedFieldText(f);
            line += '"';
        } else {
            line += f;
        }
    }
    writeImportLine(st, run, line);
}

ImportLine::Room ImportLines::grow(char* at, size_t piece) {
    const size_t used = size(), line = static_cast<size_t>(at - end_);
    bytes_.resize(std::max(2 * bytes_.size(), used + line + piece + 4096));
    end_ = bytes_.data() + used;
    return {end_ + line, bytes_.data() + bytes_.size()};
}

void ImportLines::flush() {
    if (!files_ || size() == 0) return;
    // Written or, when writing fails, dropped with the rest of the file's block.
    struct Sent {
        ImportLines& lines;
        ~Sent() {
            lines.drop();
            lines.room_ = FileTable::kWriteBlock - lines.files_->pendingBytes(lines.number_);
        }
    } sent{*this};
    files_->writeLines(number_, bytes());
}

void ImportLines::handOver(std::string& into) {
    bytes_.resize(size());
    bytes_.swap(into);
    bytes_.resize(bytes_.capacity());
    end_ = bytes_.data();
    lines_ = 0;
}

}  // namespace tav
