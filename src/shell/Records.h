#pragma once
// The records the program's collections hold. A file that holds such records is turned
// into them where it is read and back where it is written; everything in between reads
// their fields by name.

#include <cstddef>
#include <string>

namespace tav {

// A QuickBooks tax code and the tax items it stands for in a purchase and in a sale
// (a TAXCODE line of the tax code list). Either item may be empty.
struct TaxCodeLink {
    std::string code;
    std::string purchaseItem;
    std::string salesItem;

    friend bool operator==(const TaxCodeLink&, const TaxCodeLink&) = default;
};

// A line of the installed default tax mapping: a standard QuickBooks tax item, its MAS
// and 'Accounts' codes and their positions in the screen's code list (empty: the blank
// entry). A line may hold fewer fields than these; the mapping that needs a field the
// line lacks fails as reading past the end of the line does.
struct DefaultTaxMapping {
    std::string item;
    std::string masCode;
    std::string accountsCode;
    std::string masPosition;
    std::string accountsPosition;
    size_t fields = 5;  // how many of the five the line held, in this order

    friend bool operator==(const DefaultTaxMapping&, const DefaultTaxMapping&) = default;
};

// A QuickBooks tax item of the Journal report and the target tax code chosen for it,
// with that code's position in the screen's code list ("1", the blank entry, while
// unmapped). A row of the tax mapping grid.
struct MappedTaxCode {
    std::string item;
    std::string code;  // "" while unmapped
    std::string position = "1";

    bool mapped() const { return !code.empty(); }
    friend bool operator==(const MappedTaxCode&, const MappedTaxCode&) = default;
};

// An account of the target ledger. Its position in gcolTargetAccounts is part of the
// mapping: the account combo lists target account k at index k + 1.
struct TargetAccount {
    std::string number;
    std::string name;

    friend bool operator==(const TargetAccount&, const TargetAccount&) = default;
};

// A QuickBooks account the Journal report uses and the target account chosen for it. A
// row of the account mapping grid.
struct MappedAccount {
    std::string type;    // the display name of the QuickBooks account type
    std::string number;  // the QuickBooks account number
    std::string name;
    // The account combo's index of the choice, as text: "1" (the empty item) while
    // unmapped, k + 1 for target account k. A loaded mapping file sets it unchecked.
    std::string listIndex = "1";
    std::string targetNumber;  // "" while unmapped
    std::string targetName;

    bool mapped() const { return !targetNumber.empty(); }
    friend bool operator==(const MappedAccount&, const MappedAccount&) = default;
};

// An account the Journal report uses, as the 'Accounts' file header lists it.
struct JournalAccount {
    std::string number;
    std::string name;

    friend bool operator==(const JournalAccount&, const JournalAccount&) = default;
};

}  // namespace tav
