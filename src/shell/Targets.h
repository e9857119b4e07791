#pragma once
// Everything that depends only on the target application's index.

#include <cstdint>
#include <optional>

namespace tav {

struct TargetInfo {
    const char* listText;        // navigator's target list
    const char* appName;         // gstrTargetAppName
    const char* mappingCaption;  // the navigator's step 3 label
    const char* sourceCaption;   // the source application label
};

// nullptr for an index outside 0 to 4.
const TargetInfo* targetInfo(std::int16_t index);

inline constexpr std::int16_t kTargetCount = 5;

// The ledger chosen until the user chooses one (its position on the select ledger
// screen); nothing for 'Accounts', which maps no accounts.
std::optional<std::int32_t> defaultLedgerNumber(std::int16_t index);

}  // namespace tav
