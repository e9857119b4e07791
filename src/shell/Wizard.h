#pragma once
// The wizard's screens and the road between them. Every screen is shown alone inside
// the main window; moving on unloads it and shows the next, which rebuilds itself from
// the program state.

#include <cstdint>
#include <optional>

#include "shell/Help.h"

namespace tav {

enum class Screen {
    Navigator,
    Prelim,      // step 1, Preliminary Tasks
    GetData,     // step 2, Extract Data from QuickBooks
    TaxMapping,  // step 3
    SelectLedger,
    AccountMapping,
    Convert,  // step 4
};

// Where Next and Back lead from a screen for a target; nothing where the screen has no
// such button. Cancel (and the convert screen's Navigator) always leads to the navigator.
std::optional<Screen> wizardNext(Screen from, std::int16_t target);
std::optional<Screen> wizardBack(Screen from, std::int16_t target);

// The help topic F1 and the Help button open on a screen.
HelpTopic helpTopic(Screen screen);

}  // namespace tav
