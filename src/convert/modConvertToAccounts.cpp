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

// An amount column's value; one of more than thirty whole digits overflows, as reading its
// text would.
Money valueOf(const JournalLine& line, size_t column) {
    const std::optional<Money>& value = line.value(column);
    if (!value) raise(err::Overflow);
    return *value;
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

Sem sfConvertToAccounts(ConversionPart& part, const JournalTransaction& transaction) {
    constexpr ImportLayout kLayout = ImportLayout::Accounts;
    auto failure = [&](std::string_view description, const Sem& details = {}) {
        return writerFailure(kLayout, description, details);
    };
    return guarded(kModConvertToAccounts, "sfConvertToAccounts", [&]() -> Sem {
        const Encoding encoding = part.facts.run().encoding;
        TransactionHead head;
        if (Sem e = sfTransactionHead(kLayout, transaction, encoding, head); !e.empty()) return e;
        const JournalLine first = transaction.Item(1);
        const std::string& t = head.number;
        const std::string_view basis = part.facts.type(first[col::Type]).basis;

        // An amount 'Accounts' cannot hold ends the run, after the user is told.
        auto outOfRange = [&](bool taxAmount) {
            if (!part.ui) {
                part.needsOwner = true;
                return Sem{};
            }
            showOutOfRange(*part.ui, t, taxAmount);
            part.blnAmountOutOfRange = part.blnConversionStopped = true;
            return Sem{};
        };

        ImportLines& out = part.out;
        auto quoted = [&out](std::string_view field) {
            out.put("\"");
            out.putQuoted(field);
            out.put("\",");
        };
        for (long i = 1; i <= transaction.Count(); ++i) {
            const JournalLine line = transaction.Item(i);
            const AccountFacts& account = line.account();
            if (!account.numberFailure.empty())
                return failure(
                    "Error determining account number in conversion of transaction number " + t +
                        std::string(kCrLf),
                    account.numberFailure);
            if (account.number.empty())
                return failure("The account used in transaction number " + t +
                               " has no account number. Please number all accounts in "
                               "QuickBooks then export the Journal report again.");

            const TaxItemFacts* item = line.taxItem();
            Money tax;
            std::string taxText;
            if (item) {
                tax = valueOf(line, col::TaxAmount);
                const std::optional<std::string> text = amountText(tax);
                if (!text) return outOfRange(true);
                taxText = *text;
            }
            const std::optional<std::string> amount = amountText(valueOf(line, col::Amount) + tax);
            if (!amount) return outOfRange(false);

            if (item && !item->codeFailure.empty())
                return failure("Error mapping tax codes in conversion of transaction number " + t +
                                   std::string(kCrLf),
                               item->codeFailure);
            const long hundreds = (i - 1) / kLinesPerNumber;
            quoted("TR");
            quoted(hundreds == 0 ? t : numberPastHundred(t, hundreds));
            quoted(std::to_string((i - 1) % kLinesPerNumber));
            quoted(basis);
            quoted(head.date);
            quoted(account.number);
            quoted("");
            quoted(head.reference);
            quoted(*amount);
            quoted(taxText);
            quoted(item ? std::string_view(item->targetCode) : std::string_view());
            quoted(item && item->capital ? "C" : "O");
            quoted("");
            out.put("\"");
            Description(line, {}).cut(60, encoding).putQuotedInto(out);
            out.put("\"");
            out.end();
        }
        return {};
    });
}

}  // namespace tav
