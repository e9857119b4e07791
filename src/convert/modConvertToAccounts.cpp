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
// to minus 1 billion); nothing beyond, which 'Accounts' cannot import. The value's text with
// cents, when given, is the reader's (which wrote each amount of a line that way).
[[gnu::always_inline]] inline std::optional<std::string_view> amountText(
    Money v, Money::TextBuffer& buffer, std::string_view withCents = {}) {
    if (v > Money::fromWhole(-1'000'000) && v < Money::fromWhole(10'000'000))
        return withCents.empty() ? v.fixed(buffer) : withCents;
    if (v > Money::fromWhole(-1'000'000'000) && v < Money::fromWhole(10'000'000'000))
        return v.whole(buffer);
    return std::nullopt;
}

// The line numbers 0 to 99 within a transaction number.
constexpr std::string_view kLineNumbers[kLinesPerNumber] = {
    "0",  "1",  "2",  "3",  "4",  "5",  "6",  "7",  "8",  "9",  "10", "11", "12", "13", "14",
    "15", "16", "17", "18", "19", "20", "21", "22", "23", "24", "25", "26", "27", "28", "29",
    "30", "31", "32", "33", "34", "35", "36", "37", "38", "39", "40", "41", "42", "43", "44",
    "45", "46", "47", "48", "49", "50", "51", "52", "53", "54", "55", "56", "57", "58", "59",
    "60", "61", "62", "63", "64", "65", "66", "67", "68", "69", "70", "71", "72", "73", "74",
    "75", "76", "77", "78", "79", "80", "81", "82", "83", "84", "85", "86", "87", "88", "89",
    "90", "91", "92", "93", "94", "95", "96", "97", "98", "99"};

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

// The pieces of a transaction's lines that are the same on every line of a hundred, kept
// among the part's transaction texts: what goes before the line number, what goes between
// it and the account number, and what goes between that and the amount; and their bytes.
struct LinePieces {
    std::string_view beforeLineNumber, beforeAccount, beforeAmount;
    size_t bytes = beforeLineNumber.size() + beforeAccount.size() + beforeAmount.size();
};

LinePieces linePieces(TransactionTexts& texts, std::string_view number, std::string_view basis,
                      const TransactionHead& head) {
    // A transaction number is a whole number, and holds no double quote; nor do the basis
    // and the date. A reference seldom holds one.
    std::string quoted;
    std::string_view reference = head.reference;
    if (holdsQuote(reference)) reference = quoted = quotedFieldText(reference);
    constexpr std::string_view kNext = "\",\"";
    texts.start(number.size() + basis.size() + head.date.size() + reference.size() + 32);
    return {texts.join("\"TR\",\"", number, kNext),
            texts.join(kNext, basis, kNext, head.date, kNext),
            texts.join("\",\"\",\"", reference, kNext)};
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
        if (Sem e = sfTransactionHead(kLayout, part, transaction, head); !e.empty()) return e;
        // For messages; lines past the first hundred take a number of their own.
        const std::string t(head.number);
        const std::string_view basis = transaction.type().basis;
        LinePieces pieces = linePieces(part.texts, head.number, basis, head);

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

        const long count = transaction.Count();
        for (long i = 1; i <= count; ++i) {
            const JournalLine line = transaction.line(i);
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
            Money::TextBuffer taxBuffer, amountBuffer;
            std::string_view taxText;
            if (item) {
                tax = valueOf(line, col::TaxAmount);
                const std::optional<std::string_view> text =
                    amountText(tax, taxBuffer, line[col::TaxAmount]);
                if (!text) return outOfRange(true);
                taxText = *text;
            }
            const std::optional<std::string_view> amount =
                amountText(valueOf(line, col::Amount) + tax, amountBuffer,
                           tax.isZero() ? line[col::Amount] : std::string_view());
            if (!amount) return outOfRange(false);

            if (item && !item->codeFailure.empty())
                return failure("Error mapping tax codes in conversion of transaction number " + t +
                                   std::string(kCrLf),
                               item->codeFailure);
            const long hundreds = (i - 1) / kLinesPerNumber;
            const long lineNumber = (i - 1) % kLinesPerNumber;
            if (hundreds != 0 && lineNumber == 0)
                pieces = linePieces(part.texts, numberPastHundred(t, hundreds), basis, head);
            const std::string_view code = item ? std::string_view(item->quotedTargetCode) : "";
            const Description description = Description(line, {}).cut(60, encoding);

            // Every piece but the description is the program's own or quoted already; the
            // description is put as it is, and again quoted in the rare case it holds a
            // double quote. Room for it all is made at once.
            ImportLine out = part.out.begin();
            out.reserve(pieces.bytes + 2 + account.quotedNumber.size() + amount->size() +
                        taxText.size() + code.size() + 2 * description.bytes() + 24);
            out.putInRoom(pieces.beforeLineNumber);
            out.putInRoom(kLineNumbers[lineNumber]);
            out.putInRoom(pieces.beforeAccount);
            out.putInRoom(account.quotedNumber);
            out.putInRoom(pieces.beforeAmount);
            out.putInRoom(*amount);
            out.putInRoom("\",\"");
            out.putInRoom(taxText);
            out.putInRoom("\",\"");
            out.putInRoom(code);
            out.putInRoom(item && item->capital ? "\",\"C\",\"\",\"" : "\",\"O\",\"\",\"");
            if (description.holdsQuote())
                description.putQuotedInto(out);
            else
                description.putInto(out);
            out.put('"');
            part.out.end(out);
        }
        return {};
    });
}

}  // namespace tav
