#include "taxmapping/TAVNewTaxCode.h"

#include <algorithm>

#include "safe/TextCodec.h"
#include "safe/Values.h"
#include "shell/ProgramState.h"

namespace tav::newtaxcode {

std::string instructions(std::int16_t target) {
    switch (target) {
        case target::MasAU:
            return "Enter the new tax code below. New tax codes for MAS must be in the range 15 - "
                   "20.";
        case target::Accounts:
            return "Enter the new tax code below. 'Accounts' tax codes can be a maximum of 2 "
                   "characters.";
        case target::MasNZ: return "Enter the new tax code below. ";
        default: return {};
    }
}

bool acceptsKey(std::int16_t target, std::string_view boxText, std::string_view key) {
    if (key == "\b") return true;
    if (key == "," || charCount(trimView(boxText)) >= 2) return false;
    return !isMas(target) || (key.size() == 1 && key[0] >= '0' && key[0] <= '9');
}

std::string typed(std::int16_t target, std::string_view code) {
    std::string box;
    while (!code.empty()) {
        const std::string_view key = leftChars(code, 1);
        if (acceptsKey(target, box, key)) box += key;
        code.remove_prefix(key.size());
    }
    return box;
}

std::optional<Message> refusal(const ProgramState& st, std::string_view code, AddButton button) {
    auto box = [](std::string text, std::string title) {
        return Message{std::move(text), Buttons::OK, Icon::None, DefaultButton::First,
                       std::move(title)};
    };
    const std::string_view trimmed = trimView(code);
    if (trimmed.empty())
        return box(button == AddButton::OK
                       ? "The tax code box was empty. Press Cancel on the form \r\nif you wish to "
                         "leave the form without adding a tax code."
                       : "The tax code box was empty. Press Cancel if you wish to leave the form "
                         "without adding a tax code.",
                   "No Tax Code");
    if (st.gintTargetApp == target::MasAU) {
        const long value = SafeInteger(trimmed);
        if (value < 15 || value > 20)
            return box("New tax codes for MAS must be in the range 15-20.",
                       "Tax Code not in required range");
    }
    if (std::ranges::find(st.gcolTargetTaxCodes, trimmed) != st.gcolTargetTaxCodes.end())
        return box("This tax code is already in the list.", "Duplicate Tax Code.");
    return std::nullopt;
}

namespace {

bool add(ProgramState& st, UiPort& ui, std::string_view boxText, AddButton button) {
    if (const auto refused = refusal(st, boxText, button)) {
        ui.messageBox(*refused);
        return false;
    }
    st.gcolTargetTaxCodes.Add(trim(boxText));
    st.gblnNewTaxCodeAdded = true;
    return true;
}

}  // namespace

void Form_Load(ProgramState& st) { st.gblnNewTaxCodeAdded = false; }

bool cmdOK_Click(ProgramState& st, UiPort& ui, std::string_view boxText) {
    return add(st, ui, boxText, AddButton::OK);
}

bool cmdNext_Click(ProgramState& st, UiPort& ui, std::string_view boxText) {
    return add(st, ui, boxText, AddButton::Next);
}

}  // namespace tav::newtaxcode
