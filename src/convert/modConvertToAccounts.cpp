#include "convert/modConvertToAccounts.h"

#include <fmt/format.h>

#include <limits>
#include <optional>

#include "convert/ImportWriter.h"
#include "safe/SafeMethods.h"
#include "safe/TextCodec.h"

namespace tav {

namespace {

// 'Accounts' sequences the lines of a transaction from 0 to 99; longer transactions
// go on under the number increased by this for every hundred lines.
constexpr long kLinesPerNumber = 100;
constexpr long kNumberStep = 100000;

constexpr std::string_view kNonCashTypes[] = {
    "Deposit",      "Tax Invoice",    "Invoice",          "Credit Memo",  "Adjustment Note",
    "Bill",         "Credit",         "Inventory Adjust", "Stock Adjust", "Transfer",
    "Item Receipt", "YTD Adjustment", "Liability Adjust", "Bank Payment", "Discount"};

bool isCapitalTaxItem(std::string_view item) {
    return item == "CAI" || item == "CAG" || item == "CAF";
}

Money amountOf(std::string_view text) {
    const std::optional<Money> m = parseMoney(text);
    if (!m) raise(err::TypeMismatch);
    return *m;
}

// Cents below 10 million, whole dollars up to 10 billion (and from minus 1 million down
// to minus 1 billion); nothing beyond, which 'Accounts' cannot import.
std::optional<std::string> amountText(Money v) {
    if (v > Money::fromWhole(-1'000'000) && v < Money::fromWhole(10'000'000)) return v.fixed();
    if (v > Money::fromWhole(-1'000'000'000) && v < Money::fromWhole(10'000'000'000))
        return v.whole();
    return std::nullopt;
}

void showOutOfRange(UiPort& ui, std::string_view t, bool taxAmount) {
    ui.messageBox(Message{
        fmt::format("One of the {} in transaction number {} is >= $10 Billion or <= - $1 Billion. "
                    "The 'Accounts' import function cannot handle values outside this range. The "
                    "conversion has been aborted. Please check the {} for this transaction. Fix "
                    "or split the transaction if necessary and re-export the Journal report",
                    taxAmount ? "tax amounts" : "amounts (inc. tax)", t,
                    taxAmount ? "tax amounts" : "amounts"),
        Buttons::OK, Icon::None, DefaultButton::First, "Amount out of range"});
}

// The transaction number of a line past the first hundred.
std::string numberPastHundred(std::string_view t, long hundreds) {
    const std::optional<Decimal> d = parseDecimal(t);
    const std::optional<long long> v = d ? roundedWhole(*d) : std::nullopt;
    if (!v) raise(err::TypeMismatch);
    if (*v < std::numeric_limits<short>::min() || *v > std::numeric_limits<short>::max())
        raise(err::Overflow);
    return std::to_string(*v + kNumberStep * hundreds);
}

}  // namespace

Sem sfCashBasis(std::string_view type, std::string& basis) {
    basis = "C";
    return guarded(kModConvertToAccounts, "sfCashBasis", [&]() -> Sem {
        const std::string_view trimmed = trimView(type);
        for (std::string_view t : kNonCashTypes) {
            if (t == trimmed) {
                basis = "N";
                break;
            }
        }
        return {};
    });
}

Sem sfConvertToAccounts(ProgramState& st, UiPort& ui, ConversionRun& run,
                        const JournalTransaction& transaction) {
    constexpr ImportLayout kLayout = ImportLayout::Accounts;
    auto failure = [&](std::string_view description, const Sem& details = {}) {
        return writerFailure(kLayout, description, details);
    };
    return guarded(kModConvertToAccounts, "sfConvertToAccounts", [&]() -> Sem {
        TransactionHead head;
        if (Sem e = sfTransactionHead(kLayout, transaction, head); !e.empty()) return e;
        const JournalLine first = transaction.Item(1);
        const std::string& t = head.number;

        std::string basis;
        if (Sem e = sfCashBasis(first[col::Type], basis); !e.empty())
            return failure("Error determining cash/non-cash basis of transaction number " + t +
                               std::string(kCrLf),
                           e);
        std::string number, taxCode;
        for (long i = 1; i <= transaction.Count(); ++i) {
            const JournalLine line = transaction.Item(i);
            if (Sem e = sfNumberOnly(line[col::Account], number); !e.empty())
                return failure(
                    "Error determining account number in conversion of transaction number " + t +
                        std::string(kCrLf),
                    e);
            if (number.empty())
                return failure("The account used in transaction number " + t +
                               " has no account number. Please number all accounts in "
                               "QuickBooks then export the Journal report again.");

            const std::string_view taxItem = line[col::TaxItem];
            Money tax;
            std::string taxText;
            if (!taxItem.empty()) {
                tax = amountOf(line[col::TaxAmount]);
                const std::optional<std::string> text = amountText(tax);
                if (!text) {
                    showOutOfRange(ui, t, true);
                    run.blnAmountOutOfRange = run.blnConversionStopped = true;
                    return {};
                }
                taxText = *text;
            }
            const std::optional<std::string> amount = amountText(amountOf(line[col::Amount]) + tax);
            if (!amount) {
                showOutOfRange(ui, t, false);
                run.blnAmountOutOfRange = run.blnConversionStopped = true;
                return {};
            }

            if (Sem e = sfMappedTaxCode(run.lookups, taxItem, taxCode); !e.empty())
                return failure("Error mapping tax codes in conversion of transaction number " + t +
                                   std::string(kCrLf),
                               e);
            lineDescription(line, {}, run.description);
            const std::string_view description = leftChars(run.description, 60);
            const long hundreds = (i - 1) / kLinesPerNumber;
            const std::string lineNumber = hundreds == 0 ? t : numberPastHundred(t, hundreds);
            writeImportLine(st, run,
                            {"TR", lineNumber, std::to_string((i - 1) % kLinesPerNumber), basis,
                             head.date, number, "", head.reference, *amount, taxText, taxCode,
                             isCapitalTaxItem(taxItem) ? "C" : "O", "", description},
                            true);
        }
        return {};
    });
}

}  // namespace tav
