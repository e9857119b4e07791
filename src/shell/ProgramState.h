#pragma once
// The state of one run of the program. Every screen and routine reads and writes it
// through the one ProgramState passed to it; nothing is kept anywhere else. All of it
// starts empty: strings "", numbers 0, flags false, collections empty.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "safe/Collection.h"
#include "safe/SafeState.h"
#include "shell/Records.h"

namespace tav {

struct ReportScan;
struct ScanRequest;
class UiPort;

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

// The data folder (gstrDataFolder) and the open files (files) come from SafeState.
struct ProgramState : SafeState {
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

    // Collections: the target's tax codes and the default tax mapping (installed files),
    // the tax payable account numbers and tax code links (the QuickBooks lists), the
    // account numbers the Journal report uses, the target ledger, and the user's two
    // mappings, whose entries are the rows of the mapping grids.
    Collection<std::string> gcolTargetTaxCodes;
    Collection<DefaultTaxMapping> gcolDefaultTaxMapping;
    Collection<MappedTaxCode> gcolMappedTaxCodes;
    Collection<std::string> gcolTaxPayables;
    Collection<TaxCodeLink> gcolTaxCodeTaxItemLinks;
    Collection<std::string> gcolJournalAccounts;
    Collection<TargetAccount> gcolTargetAccounts;
    Collection<MappedAccount> gcolMappedAccounts;

    RememberedTaxMapping rememberedTaxMapping;

    // Where the program runs. The installation folder is the executable's folder;
    // tests set both folders to temporary ones.
    std::string installFolder;
    std::optional<std::string> commonDocumentsFolder;  // unset: ask the platform

    // The help file registered at start-up.
    std::string helpFile;

    // How the Journal report is read.
    ReadingOptions reading;
    // The last scan of the Journal report, which later readings of the same unchanged
    // report take their findings from.
    std::shared_ptr<const ReportScan> reportScan;
    // The batch command's: makes the tax mapping screen's next scan of the report, once,
    // in the same reading as its conversion; nullptr when the scan is to be made as usual.
    std::function<std::shared_ptr<const ReportScan>(ProgramState&, UiPort&, const ScanRequest&)>
        scanAhead;
};

}  // namespace tav
