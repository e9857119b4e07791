#include "shell/Wizard.h"

#include "shell/ProgramState.h"

namespace tav {

std::optional<Screen> wizardNext(Screen from, std::int16_t target) {
    switch (from) {
        case Screen::Navigator: return std::nullopt;  // its four step buttons lead anywhere
        case Screen::Prelim: return Screen::GetData;
        // The tax mapping screen adapts itself to every target.
        case Screen::GetData: return Screen::TaxMapping;
        // 'Accounts' maps the accounts during its own import.
        case Screen::TaxMapping:
            return target == target::Accounts ? Screen::Convert : Screen::SelectLedger;
        case Screen::SelectLedger: return Screen::AccountMapping;
        case Screen::AccountMapping: return Screen::Convert;
        case Screen::Convert: return std::nullopt;
    }
    return std::nullopt;
}

std::optional<Screen> wizardBack(Screen from, std::int16_t target) {
    switch (from) {
        case Screen::Navigator: return std::nullopt;
        case Screen::Prelim: return Screen::Navigator;
        case Screen::GetData: return Screen::Prelim;
        case Screen::TaxMapping: return Screen::GetData;
        case Screen::SelectLedger: return Screen::TaxMapping;
        case Screen::AccountMapping: return Screen::SelectLedger;
        case Screen::Convert:
            return target == target::Accounts ? Screen::TaxMapping : Screen::AccountMapping;
    }
    return std::nullopt;
}

HelpTopic helpTopic(Screen screen) {
    switch (screen) {
        case Screen::Navigator: return HelpTopic::Navigator;
        case Screen::Prelim: return HelpTopic::PreliminaryTasks;
        case Screen::GetData: return HelpTopic::ExtractData;
        case Screen::TaxMapping: return HelpTopic::TaxMapping;
        case Screen::SelectLedger: return HelpTopic::SelectLedger;
        case Screen::AccountMapping: return HelpTopic::AccountMapping;
        case Screen::Convert: return HelpTopic::Convert;
    }
    return HelpTopic::Contents;
}

}  // namespace tav
