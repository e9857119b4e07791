#include "convert/modConvertToMAS.h"

#include <algorithm>
#include <utility>

#include "convert/ImportWriter.h"
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
    constexpr ImportLayout kLayout = ImportLayout::Mas;
    auto failure = [&](std::string_view description, const Sem& details = {}) {
        return writerFailure(kLayout, description, details);
    };
    return guarded(kModConvertToMAS, "sfConvertToMAS", [&]() -> Sem {
        TransactionHead head;
        if (Sem e = sfTransactionHead(kLayout, transaction, head); !e.empty()) return e;
        const JournalLine first = transaction.Item(1);

        std::string code(kJournal);
        if (!st.gblnAllToJournals) {
            if (Sem e = mas::sfTransType(first[col::Type], code); !e.empty())
                return failure("An error occurred while converting transaction types.", e);
        }
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

        std::string account, taxCode;
        // MAS wants the line carrying the contra account (the first) last.
        const long count = transaction.Count();
        for (long k = 1; k <= count; ++k) {
            const JournalLine line = transaction.Item(k == count ? 1 : k + 1);
            if (Sem e = sfMappedAccount(run.lookups, line[col::Account], account); !e.empty())
                return failure("An error occurred while converting the accounts.", e);
            lineDescription(line, head.fallbackName, run.description);
            if (k == count) contra.clear();
            if (Sem e = sfMappedTaxCode(run.lookups, line[col::TaxItem], taxCode); !e.empty())
                return failure("Error mapping tax codes in conversion of transaction number " +
                                   head.number + std::string(kCrLf),
                               e);
            writeImportLine(st, run,
                            {head.date, code, "", head.reference, account, line[col::Amount], "",
                             run.description, contra, journalFlag, taxCode, line[col::TaxAmount]});
        }
        return {};
    });
}

}  // namespace tav
