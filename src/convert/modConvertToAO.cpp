#include "convert/modConvertToAO.h"

#include "convert/ImportWriter.h"
#include "safe/SafeMethods.h"
#include "safe/TextCodec.h"

namespace tav {

namespace {

struct TypeLetter {
    std::string_view type;
    std::string_view letter;
};

constexpr TypeLetter kTypeLetters[] = {
    {"Cheque", "Q"},           {"Liability Cheque", "Q"}, {"Pay Cheque", "Q"},
    {"Deposit", "P"},          {"Payment", "C"},          {"Bill", "C"},
    {"Invoice", "D"},          {"Tax Invoice", "D"},      {"Bill Pmt-Cheque", "D"},
    {"Bill Pmt -Cheque", "D"}, {"Bill Pmt -CCard", "D"},
};

}  // namespace

namespace ao {

Sem sfTransType(std::string_view type, std::string& letter) {
    letter = "J";
    return guarded(kModConvertToAO, "sfTransType", [&]() -> Sem {
        for (const TypeLetter& t : kTypeLetters) {
            if (t.type == type) {
                letter = t.letter;
                break;
            }
        }
        return {};
    });
}

}  // namespace ao

Sem sfConvertToAO(ConversionPart& part, const JournalTransaction& transaction) {
    constexpr ImportLayout kLayout = ImportLayout::AccountantsOffice;
    auto failure = [&](std::string_view description, const Sem& details = {}) {
        return writerFailure(kLayout, description, details);
    };
    return guarded(kModConvertToAO, "sfConvertToAO", [&]() -> Sem {
        TransactionHead head;
        if (Sem e = sfTransactionHead(kLayout, part, transaction, head); !e.empty()) return e;
        const TypeFacts& type = transaction.type();
        const std::string_view start = startLines(part, head, type.aoLetter);

        const long count = transaction.Count();
        for (long i = 1; i <= count; ++i) {
            const JournalLine line = transaction.line(i);
            const AccountFacts& account = line.account();
            if (!account.targetFailure.empty())
                return failure("An error occurred while converting the accounts.",
                               account.targetFailure);
            // The tax of an ordinary line goes into its description; a tax line is itself
            // the tax, noted only in a journal, where its tax item says what it is.
            const TaxItemFacts* item = line.taxItem();
            if (item && !account.numberFailure.empty())
                return failure(
                    "Error extracting the account number from a Journal report transaction "
                    "line.",
                    account.numberFailure);
            const bool taxNoted = item && !account.payable;
            const bool itemNoted = taxNoted || (item && type.generalJournal);
            const std::string_view tax = taxNoted ? line[col::TaxAmount] : "";
            ImportLine out = part.out.begin();
            putLineStart(out, start, head, account.target, line,
                         itemNoted ? item->withoutCommas.size() + tax.size() + 4 : 0);
            if (itemNoted) {
                out.putInRoom(" (");
                out.putInRoom(item->withoutCommas);
                if (taxNoted) {
                    out.putInRoom(" ");
                    out.putInRoom(tax);
                }
                out.putInRoom(")");
            }
            part.out.end(out);
        }
        return {};
    });
}

}  // namespace tav
