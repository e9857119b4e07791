#pragma once
// The state of one run of the program. Every screen and routine reads and writes it
// through the one ProgramState passed to it; nothing is kept anywhere else. All of it
// starts empty: strings "", numbers 0, flags false, collections empty.

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "safe/Collection.h"
#include "safe/FileTable.h"

namespace tav {

struct ReportScan;

// Target applications, by their position in the navigator's list.
namespace target {
inline constexpr std::int16_t MasAU = 0;
inline constexpr std::int16_t Accounts = 1;
inline constexpr std::int16_t AccountantsOfficeAU = 2;
inline constexpr std::int16_t MasNZ = 3;
inline constexpr std::int16_t AccountantsOfficeNZ = 4;
}  // namespace target

inline bool isMas(std::int16_t t) { return t == target::MasAU || t == target::MasNZ; }
inline bool isAccountantsOffice(std::int16_t t) {
    return t == target::AccountantsOfficeAU || t == target::AccountantsOfficeNZ;
}

// A line of a tax mapping file: "QuickBooks tax item,target code".
struct TaxMappingLine {
    std::string item;
    std::string code;  // "" unmaps
    long line = 0;     // in the file, from 1

    friend bool operator==(const TaxMappingLine&, const TaxMappingLine&) = default;
};

// The tax mapping the desktop application remembers for a client.
struct RememberedTaxMapping {
    std::vector<TaxMappingLine> lines;  // as read when the report was read
    std::set<std::string> items;        // the tax items whose rows it filled
    bool failed = false;                // writing it failed since the report was read
};

struct ProgramState {
    // Navigator choices
    std::int16_t gintQBEdition = 0;  // 0 Enterprise-Accountant, 1 Premier-Accountant
    std::int16_t gintTargetApp = 0;  // see namespace target
    std::string gstrTargetAppName;   // "MAS", "'Accounts'" or "Accountant's Office"
    std::string gstrClientFolder;

    // Files
    std::string gstrCompanyFile;
    std::string gstrJournalFile;
    std::string gstrOutputFile;
    std::string gstrTaxCodeListFile;      // <data folder>/TaxCodes.iif
    std::string gstrChartOfAccountsFile;  // <data folder>/CofA.iif
    std::string gstrDataFolder;           // <common documents>/TAV
    std::string gstrCustomisedLedgerPath;
    std::string gstrSavedMappingFile;
    std::string gstrLoadedMappingFile;
    std::string gstrQBVersion;  // "19.0\" stands for QuickBooks 2011-12
    std::string gstrNewAccountText;

    std::int32_t glngLedgerNumber = 0;  // -1: none chosen

    // Flags
    bool gblnShowIntro = false;
    bool gblnListsExtracted = false;
    bool gblnNewTaxCodeAdded = false;
    bool gblnNewAccountAdded = false;
    bool gblnAllToJournals = false;

    // Collections (the screens and readers that fill them define their entries)
    Collection<std::string> gcolTargetTaxCodes;
    Collection<StrArray> gcolDefaultTaxMapping;
    Collection<StrArray> gcolMappedTaxCodes;  // MappedTaxCode
    Collection<std::string> gcolTaxPayables;
    Collection<StrArray> gcolTaxCodeTaxItemLinks;  // TaxCodeLink
    Collection<std::string> gcolJournalAccounts;
    Collection<StrArray> gcolTargetAccounts;  // TargetAccount
    Collection<StrArray> gcolMappedAccounts;  // MappedAccount

    RememberedTaxMapping rememberedTaxMapping;

    // Where the program runs. The installation folder is the executable's folder;
    // tests set both folders to temporary ones.
    std::string installFolder;
    std::optional<std::string> commonDocumentsFolder;  // unset: ask the platform

    // The help file registered at start-up.
    std::string helpFile;

    // The open files, by number, and how the Journal report is read.
    FileTable files;
    ReadingOptions reading;
    // The last scan of the Journal report, which later readings of the same unchanged
    // report take their findings from.
    std::shared_ptr<const ReportScan> reportScan;
};

}  // namespace tav
