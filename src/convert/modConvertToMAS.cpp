#include "convert/modConvertToMAS.h"

#include <algorithm>
#include <utility>

#include "safe/SafeMethods.h"
#include "safe/TextCodec.h"
#include "shell/ProgramState.h"

namespace tav {

namespace {

constexpr std::string_view kJournal = "Jnl";

struct JournalCode {
    std::string_view type;
    std::string_view code;
};

constexpr JournalCode kJournalCodes[] = {
    {"Invoice", "SDB"},
    {"Tax Invoice", "SDB"},
    {"Credit Memo", "SDB"},
    {"Adjustment Note", "SDB"},
    {"Cash Sale", "Rec"},
    {"Sales Receipt", "Rec"},
    {"Sales Receipt\\Tax Invoice", "Rec"},
    {"Payment", "Rec"},
    {"Bill", "PDB"},
    {"Credit", "PDB"},
    {"Item Receipt", "PDB"},
    {"Bill Pmt-Cheque", "Pay"},
    {"Bill Pmt -Cheque", "Pay"},
    {"Bill Pmt -CCard", "Pay"},
    {"Cheque", "Pay"},
    {"Liability Cheque", "Pay"},
    {"Pay Cheque", "Pay"},
    {"Bank Payment", "Pay"},
    {"Credit Card Charge", "Pay"},
    {"Credit Card Credit", "Pay"},
    {"Deposit", "BSt"},
    {"Transfer", "BSt"},
};

// MAS accepts a contra account for payments, receipts and bank statements only when it
// is one of the bank accounts 680 to 689.
bool isBankContra(std::string_view account) {
    // Mapped accounts are mostly three digits, which need no general parsing.
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (account.size() == 3 && std::all_of(account.begin(), account.end(), digit))
        return account >= "680" && account <= "689";
    const std::optional<Decimal> d = parseDecimal(account);
    return d && compare(*d, 680) >= 0 && compare(*d, 689) <= 0;
}

}  // namespace

namespace mas {

Sem sfTransType(std::string_view type, std::string& journalCode) {
    journalCode = kJournal;
    return guarded(kModConvertToMAS, "sfTransType", [&]() -> Sem {
        const std::string_view trimmed = trimView(type);
        for (const JournalCode& j : kJournalCodes) {
            if (j.type == trimmed) {
                journalCode = j.code;
                break;
            }
        }
        return {};
    });
}

}  // namespace mas

Sem sfConvertToMAS(ProgramState& st, ConversionRun& run, const JournalTransaction& transaction) {
    constexpr std::string_view kProc = "sfConvertToMAS";
    auto failure = [&](std::string_view description, const Sem& details = {}) {
        return sfSemCreate(kModConvertToMAS, kProc, 0, description, details);
    };
    return guarded(kModConvertToMAS, kProc, [&]() -> Sem {
        if (transaction.Count() == 0)
            return failure(
                "Error: TAV tried to convert an empty transaction. Try checking the QuickBooks "
                "data integrity before exporting the QuickBooks Journal report again.");
        if (transaction.Count() == 1)
            return failure("Transaction number " + std::string(transaction.Item(1)[col::TransNo]) +
                           " has only one line and is therefore invalid. Check the QuickBooks "
                           "data integrity before exporting the QuickBooks Journal report again.");

        const JournalLine first = transaction.Item(1);
        const std::string t(first[col::TransNo]);
        const std::optional<Date> date = parseDate(first[col::Date]);
        if (!date)
            return failure(
                "Invalid date in QuickBooks Journal file. Please ensure your Windows regional "
                "settings are set to English(Australian), then check dates in QuickBooks Journal "
                "before saving it to file.");
        const std::string dateText = formatDate(*date);

        std::string code(kJournal);
        if (!st.gblnAllToJournals) {
            if (Sem e = mas::sfTransType(first[col::Type], code); !e.empty())
                return failure("An error occurred while converting transaction types.", e);
        }
        const std::string_view reference = leftChars(first[col::Num], 6);

        std::string contra;
        if (code != kJournal) {
            if (Sem e = sfMappedAccount(run.lookups, first[col::Account], contra); !e.empty())
                return failure("An error occurred while converting the contra account.", e);
            if ((code == "Pay" || code == "Rec" || code == "BSt") && !isBankContra(contra)) {
                code = kJournal;
                contra.clear();
            }
        }
        const std::string_view journalFlag = code == kJournal ? "Y" : "";
        const std::string_view nameOfFirst = fallbackName(first);

        std::string account, taxCode;
        // MAS wants the line carrying the contra account (the first) last.
        const long count = transaction.Count();
        for (long k = 1; k <= count; ++k) {
            const JournalLine line = transaction.Item(k == count ? 1 : k + 1);
            if (Sem e = sfMappedAccount(run.lookups, line[col::Account], account); !e.empty())
                return failure("An error occurred while converting the accounts.", e);
            lineDescription(line, nameOfFirst, run.description);
            if (k == count) contra.clear();
            if (Sem e = sfMappedTaxCode(run.lookups, line[col::TaxItem], taxCode); !e.empty())
                return failure("Error mapping tax codes in conversion of transaction number " + t +
                                   std::string(kCrLf),
                               e);
            writeImportLine(st, run,
                            {dateText, code, "", reference, account, line[col::Amount], "",
                             run.description, contra, journalFlag, taxCode, line[col::TaxAmount]});
        }
        return {};
    });
}

}  // namespace tav
