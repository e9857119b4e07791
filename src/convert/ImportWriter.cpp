// The start every writer makes on a transaction, and the description of a line.

#include "convert/ImportWriter.h"

#include "convert/modConvertToAO.h"
#include "convert/modConvertToAccounts.h"
#include "convert/modConvertToMAS.h"
#include "safe/SafeMethods.h"
#include "safe/TextCodec.h"

namespace tav {

namespace {

struct LayoutTexts {
    std::string_view module, procedure;
    size_t referenceChars;
};

LayoutTexts textsOf(ImportLayout layout) {
    switch (layout) {
        case ImportLayout::Mas: return {kModConvertToMAS, "sfConvertToMAS", 6};
        case ImportLayout::Accounts: return {kModConvertToAccounts, "sfConvertToAccounts", 7};
        case ImportLayout::AccountantsOffice: break;
    }
    return {kModConvertToAO, "sfConvertToAO", 12};
}

}  // namespace

Sem writerFailure(ImportLayout layout, std::string_view description, const Sem& details) {
    const LayoutTexts texts = textsOf(layout);
    return sfSemCreate(texts.module, texts.procedure, 0, description, details);
}

Sem guardedAsWriter(ImportLayout layout, const std::function<void()>& write) {
    const LayoutTexts texts = textsOf(layout);
    return guarded(texts.module, texts.procedure, [&]() -> Sem {
        write();
        return {};
    });
}

Sem sfTransactionHead(ImportLayout layout, ConversionPart& part,
                      const JournalTransaction& transaction, TransactionHead& head) {
    const LayoutTexts texts = textsOf(layout);
    return guarded(texts.module, texts.procedure, [&]() -> Sem {
        auto failure = [&](std::string_view description) {
            return writerFailure(layout, description);
        };
        if (layout == ImportLayout::AccountantsOffice) {
            if (transaction.Count() < 2)
                return failure(
                    "Error: TAV tried to convert a transaction with less than two lines. Try "
                    "checking the QuickBooks data integrity before exporting the QuickBooks "
                    "Journal report again.");
        } else if (transaction.Count() == 0) {
            return failure(
                "Error: TAV tried to convert an empty transaction. Try checking the QuickBooks "
                "data integrity before exporting the QuickBooks Journal report again.");
        }
        const JournalLine first = transaction.line(1);
        head.number = first[col::TransNo];
        if (transaction.Count() == 1)
            return failure("Transaction number " + std::string(head.number) +
                           " has only one line and is therefore invalid. Check the QuickBooks "
                           "data integrity before exporting the QuickBooks Journal report again.");

        head.date = part.dates.ddmmyyyy(first[col::Date]);
        if (head.date.empty())
            return failure(layout == ImportLayout::Mas
                               ? "Invalid date in QuickBooks Journal file. Please ensure your "
                                 "Windows regional settings are set to English(Australian), then "
                                 "check dates in QuickBooks Journal before saving it to file."
                               : "Error formating date of transaction number " +
                                     std::string(head.number));
        head.reference =
            leftChars(first[col::Num], texts.referenceChars, part.facts.run().encoding);
        head.fallbackName = transaction.type().lendsName ? first[col::Name] : std::string_view();
        return {};
    });
}

Description Description::cutLonger(size_t chars, Encoding encoding) const {
    Description d = *this;
    for (std::string_view* piece : {&d.name, &d.separator, &d.memo}) {
        *piece = leftChars(*piece, chars, encoding);
        const size_t taken = encoding == Encoding::Utf8 ? charCount(*piece) : piece->size();
        chars -= taken;
    }
    return d;
}

std::string_view startLines(ConversionPart& part, const TransactionHead& head,
                            std::string_view type, size_t moreBytes) {
    part.texts.start(head.date.size() + type.size() + head.reference.size() + 4 + moreBytes);
    return part.texts.join(head.date, ",", type, ",,", head.reference, ",");
}

}  // namespace tav
