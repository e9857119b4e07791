#pragma once
// What the three writers share: the start of every transaction's conversion (its length
// checked, its first line's number, date and reference taken) and the description of a
// line.

#include <functional>
#include <string>
#include <string_view>

#include "convert/modConvert.h"

namespace tav {

// The writer a transaction goes to: each reports under its own module and routine and
// cuts the reference to its own length.
enum class ImportLayout { Mas, Accounts, AccountantsOffice };

// A writer's failure: its module and routine, number 0.
Sem writerFailure(ImportLayout layout, std::string_view description, const Sem& details = {});
// What a runtime error raised while writing a writer's lines gives, as the writer would
// have reported it.
Sem guardedAsWriter(ImportLayout layout, const std::function<void()>& write);

// What a writer takes from a transaction's first line before writing its lines.
struct TransactionHead {
    std::string_view number;        // the transaction number, for messages
    std::string_view date;          // dd/mm/yyyy
    std::string_view reference;     // the Num column, cut to the writer's length
    std::string_view fallbackName;  // the name a line without one takes
};

// Fills the head, or refuses a transaction of fewer than two lines or whose first line's
// date is not valid, with the writer's own description. The report's text is in its own
// encoding, in which the reference is cut. The head's texts are views into the
// transaction and the part's dates.
Sem sfTransactionHead(ImportLayout layout, ConversionPart& part,
                      const JournalTransaction& transaction, TransactionHead& head);

// A line's description: name " - " memo, or whichever of the two is present, in up to
// three pieces. A line without a name takes the fallback name.
struct Description {
    std::string_view name, separator, memo;

    Description(JournalLine line, std::string_view fallbackName)
        : name(line[col::Name]), memo(line[col::Memo]) {
        if (name.empty()) name = fallbackName;
        if (!name.empty() && !memo.empty()) separator = " - ";
    }
    // Into room made for it.
    void putInto(ImportLine& out) const {
        out.putInRoom(name);
        out.putInRoom(separator);
        out.putInRoom(memo);
    }
    // The same inside a double-quoted field.
    void putQuotedInto(ImportLine& out) const {
        out.putQuoted(name);
        out.putQuoted(separator);
        out.putQuoted(memo);
    }
    // Cut to its first characters.
    Description cut(size_t chars, Encoding encoding) const {
        // No more bytes than the characters allowed: nothing to cut, in either encoding.
        return bytes() <= chars ? *this : cutLonger(chars, encoding);
    }
    size_t bytes() const { return name.size() + separator.size() + memo.size(); }
    // Looked for where the texts lie in the report, not in the line just written: reading
    // back bytes just stored stalls the processor.
    bool holdsQuote() const { return tav::holdsQuote(name) || tav::holdsQuote(memo); }

private:
    Description cutLonger(size_t chars, Encoding encoding) const;
};

// How a MAS and an Accountant's Office line begin: date, type, reference, account, amount and
// description, with the fields neither fills left empty. The first four are the same on
// every line of a transaction: startLines puts them together once, as the first of the
// part's transaction texts, with room after it for the given bytes of the writer's own. Room
// is made for the whole line at once: for its start and for the given bytes the writer puts
// after it with putInRoom.
std::string_view startLines(ConversionPart& part, const TransactionHead& head,
                            std::string_view type, size_t moreBytes = 0);
inline void putLineStart(ImportLine& out, std::string_view start, const TransactionHead& head,
                         std::string_view account, JournalLine line, size_t restBytes) {
    const std::string_view amount = line[col::Amount];
    const Description description(line, head.fallbackName);
    out.reserve(start.size() + account.size() + amount.size() + 3 + description.bytes() +
                restBytes);
    out.putInRoom(start);
    out.putInRoom(account);
    out.putInRoom(",");
    out.putInRoom(amount);
    out.putInRoom(",,");
    description.putInto(out);
}

}  // namespace tav
