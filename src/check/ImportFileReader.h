#pragma once
// Readers of the three import layouts, as the check reads a written import file back:
// each line becomes the figures the target takes from it. They know nothing of the
// writers; what a target's importer would read is what they read.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "safe/Values.h"

namespace tav::check {

enum class Layout { Mas, Accounts, AccountantsOffice };

// What a target takes from one import line, and what the check compares: two lines are
// the same posting when all of these agree.
struct Posting {
    std::string date;       // dd/mm/yyyy
    std::string kind;       // the MAS journal code, the Accountant's Office type letter,
                            // the 'Accounts' cash/non-cash basis
    std::string reference;  // as cut to the target's length
    std::string account;    // the target account ('Accounts': the QuickBooks number)
    Money amount;           // 'Accounts': including tax, whole dollars where it rounds
    std::string taxCode;    // MAS, 'Accounts'; Accountant's Office: the noted tax item
    Money tax;              // MAS, 'Accounts'; Accountant's Office: the noted tax amount
    bool operator==(const Posting&) const = default;
};

// The figures as a line of the page shows them.
std::string describe(const Posting& p, Layout layout);

// One line of the import file after its header.
struct ImportLine {
    std::uint64_t line = 0;  // in the import file, from 1
    bool readable = false;   // false: not a line of the layout (problem says why)
    Posting posting;
    std::string description;  // Accountant's Office: where the tax is noted
    std::string problem;
};

// Reads one line of a layout. The first lines of the file are its header: header()
// tells whether a line is one, before lines are taken as postings.
class ImportLineReader {
public:
    explicit ImportLineReader(Layout layout) : layout_(layout) {}
    // The line belongs to the file header ('Accounts': the XLON2 line and the AC lines).
    bool header(std::string_view text, bool firstLine) const;
    ImportLine read(std::string_view text, std::uint64_t lineNumber) const;

private:
    Layout layout_;
};

// An amount as the program writes one: an optional minus, digits, and at most two
// decimals after a point; nothing when the text is anything else.
std::optional<Money> writtenAmount(std::string_view text);

// The tax an Accountant's Office description notes for a tax item: " (ITEM AMOUNT)" at
// its end; nothing when it notes none.
std::optional<Money> notedTax(std::string_view description, std::string_view item);

}  // namespace tav::check
