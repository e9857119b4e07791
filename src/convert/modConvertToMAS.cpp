#include "convert/modConvertToMAS.h"

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

Sem sfConvertToMAS(ConversionPart& part, const JournalTransaction& transaction) {
    constexpr ImportLayout kLayout = ImportLayout::Mas;
    auto failure = [&](std::string_view description, const Sem& details = {}) {
        return writerFailure(kLayout, description, details);
    };
    return guarded(kModConvertToMAS, "sfConvertToMAS", [&]() -> Sem {
        TransactionHead head;
        if (Sem e = sfTransactionHead(kLayout, part, transaction, head); !e.empty()) return e;
        const JournalLine first = transaction.line(1);

        std::string_view code = part.st.gblnAllToJournals ? kJournal : transaction.type().masCode;
        std::string_view contra;
        if (code != kJournal) {
            const AccountFacts& account = first.account();
            if (!account.targetFailure.empty())
                return failure("An error occurred while converting the contra account.",
                               account.targetFailure);
            contra = account.target;
            // MAS accepts a contra account for payments, receipts and bank statements only
            // when it is one of the bank accounts 680 to 689.
            if ((code == "Pay" || code == "Rec" || code == "BSt") && !account.bankContra) {
                code = kJournal;
                contra = {};
            }
        }
        const std::string_view journalFlag = code == kJournal ? "Y" : "";
        // What follows the description: the contra account and the journal flag, on the first
        // line without the contra account.
        const std::string_view start =
            startLines(part, head, code, contra.size() + 2 * journalFlag.size() + 6);
        const std::string_view tail = part.texts.join(",", contra, ",", journalFlag, ",");
        const std::string_view firstTail = part.texts.join(",,", journalFlag, ",");

        // MAS wants the line carrying the contra account (the first) last.
        const long count = transaction.Count();
        for (long k = 1; k <= count; ++k) {
            const JournalLine line = transaction.line(k == count ? 1 : k + 1);
            const AccountFacts& account = line.account();
            if (!account.targetFailure.empty())
                return failure("An error occurred while converting the accounts.",
                               account.targetFailure);
            const TaxItemFacts* item = line.taxItem();
            if (item && !item->codeFailure.empty())
                return failure("Error mapping tax codes in conversion of transaction number " +
                                   std::string(head.number) + std::string(kCrLf),
                               item->codeFailure);
            const std::string_view lineTail = k == count ? firstTail : tail;
            const std::string_view code = item ? std::string_view(item->targetCode) : "";
            const std::string_view tax = line[col::TaxAmount];
            ImportLine out = part.out.begin();
            putLineStart(out, start, head, account.target, line,
                         lineTail.size() + code.size() + tax.size() + 1);
            out.putInRoom(lineTail);
            out.putInRoom(code);
            out.putInRoom(",");
            out.putInRoom(tax);
            part.out.end(out);
        }
        return {};
    });
}

}  // namespace tav
