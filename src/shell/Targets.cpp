#include "shell/Targets.h"

#include <array>
#include <cstddef>

#include "shell/ProgramState.h"

namespace tav {

const TargetInfo* targetInfo(std::int16_t index) {
    static constexpr std::array<TargetInfo, kTargetCount> kTargets{{
        {"MYOB MAS4 (Aust.)", "MAS", "Tax Code && Account Mapping", "QuickBooks QBi (Aust.)"},
        {"MYOB 'Accounts' (Aust.)", "'Accounts'", "Tax Code Mapping", "QuickBooks QBi (Aust.)"},
        {"MYOB Accountants Office (Aust.)", "Accountant's Office", "Account Mapping",
         "QuickBooks QBi (Aust.)"},
        {"MYOB MAS4 (N.Z.)", "MAS", "Tax Code && Account Mapping", "QuickBooks QBi (N.Z.)"},
        {"MYOB Accountants Office (N.Z.)", "Accountant's Office", "Account Mapping",
         "QuickBooks QBi (N.Z.)"},
    }};
    if (index < 0 || index >= kTargetCount) return nullptr;
    return &kTargets[static_cast<std::size_t>(index)];
}

std::optional<std::int32_t> defaultLedgerNumber(std::int16_t index) {
    constexpr std::int32_t kMasterSmallCompany = 5;
    if (index == target::Accounts) return std::nullopt;
    return index == target::AccountantsOfficeAU ? kMasterSmallCompany : 0;
}

}  // namespace tav
