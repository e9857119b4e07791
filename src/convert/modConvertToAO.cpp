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

Sem sfConvertToAO(ProgramState& st, ConversionRun& run, const JournalTransaction& transaction) {
    constexpr ImportLayout kLayout = ImportLayout::AccountantsOffice;
    auto failure = [&](std::string_view description, const Sem& details = {}) {
        return writerFailure(kLayout, description, details);
    };
    return guarded(kModConvertToAO, "sfConvertToAO", [&]() -> Sem {
        TransactionHead head;
        if (Sem e = sfTransactionHead(kLayout, transaction, head); !e.empty()) return e;
        const JournalLine first = transaction.Item(1);

        std::string letter;
        if (Sem e = ao::sfTransType(first[col::Type], letter); !e.empty())
            return failure("An error occurred while converting transaction types.", e);
        const bool journal = first[col::Type] == "General Journal";

        std::string account, number;
        for (long i = 1; i <= transaction.Count(); ++i) {
            const JournalLine line = transaction.Item(i);
            if (Sem e = sfMappedAccount(run.lookups, line[col::Account], account); !e.empty())
                return failure("An error occurred while converting the accounts.", e);
            std::string& description = run.description;
            lineDescription(line, head.fallbackName, description);
            // The tax of an ordinary line goes into its description; a tax line is itself
            // the tax, noted only in a journal, where its tax item says what it is.
            if (const std::string_view taxItem = line[col::TaxItem]; !taxItem.empty()) {
                if (Sem e = sfNumberOnly(line[col::Account], number); !e.empty())
                    return failure(
                        "Error extracting the account number from a Journal report transaction "
                        "line.",
                        e);
                if (!run.lookups.isTaxPayable(number))
                    description.append(" (")
                        .append(taxItem)
                        .append(" ")
                        .append(line[col::TaxAmount])
                        .append(")");
                else if (journal)
                    description.append(" (").append(taxItem).append(")");
                // The tax item of a tax code comes from the tax code list, whose commas
                // the report's own comma deletion never saw.
                std::erase(description, ',');
            }
            writeImportLine(st, run,
                            {head.date, letter, "", head.reference, account, line[col::Amount], "",
                             description});
        }
        return {};
    });
}

}  // namespace tav
