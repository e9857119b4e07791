#include "accountmapping/TAVNewMASAccount.h"

#include <algorithm>

#include "safe/ErrorLog.h"
#include "safe/SafeMethods.h"
#include "safe/TextCodec.h"
#include "safe/Values.h"
#include "shell/ProgramState.h"

namespace tav::newaccount {

namespace {

Message box(std::string text, std::string title, Buttons buttons = Buttons::OK,
            Icon icon = Icon::None) {
    return Message{std::move(text), buttons, icon, DefaultButton::First, std::move(title)};
}

Message invalidNumber() {
    return box(
        "The account number cannot contain spaces(for MAS only) or commas, and can be a "
        "maximum of 10 characters. Please change your account number to suit.",
        "Invalid account number");
}

Message invalidName() {
    return box("The account name cannot contain commas. Please change your account name to suit.",
               "Invalid account name");
}

bool breaksNumberRule(std::int16_t target, std::string_view number) {
    return charCount(trimView(number)) > kNumberLength ||
           number.find(',') != std::string_view::npos ||
           (isMas(target) && number.find(' ') != std::string_view::npos);
}

bool breaksNameRule(std::string_view name) { return name.find(',') != std::string_view::npos; }

// OK and Next. The rules of the boxes are checked again: a number that came from the
// mapping screen or was pasted may never have left its box, and a comma would break
// the mapping and ledger files.
Outcome addAccount(ProgramState& st, UiPort& ui, View& view, bool next) {
    const std::string number = trim(view.txtNumber);
    if (number.empty()) {
        ui.messageBox(box("A new account must have a number. Please enter an account number. ",
                          "Account number missing"));
        view.focus = Box::Number;
        return Outcome::Stays;
    }
    if (breaksNumberRule(st.gintTargetApp, view.txtNumber)) {
        ui.messageBox(invalidNumber());
        view.focus = Box::Number;
        return Outcome::Stays;
    }
    if (breaksNameRule(view.txtName)) {
        ui.messageBox(invalidName());
        view.focus = Box::Name;
        return Outcome::Stays;
    }
    if (!next) ui.setBusy(true);
    const bool listed =
        std::ranges::any_of(st.gcolTargetAccounts,
                            [&](const TargetAccount& account) { return account.number == number; });
    if (!next) ui.setBusy(false);
    if (listed) {
        ui.messageBox(
            box("There is already an account with this account number. Please use a different "
                "account number",
                "Duplicate Account Number."));
        view.focus = Box::Number;
        return Outcome::Stays;
    }
    st.gcolTargetAccounts.Add({number, view.txtName});
    st.gblnNewAccountAdded = true;
    if (next) {
        view.txtNumber.clear();
        view.txtName.clear();
        view.focus = Box::Number;
    }
    return Outcome::Added;
}

}  // namespace

void Form_Load(ProgramState& st, UiPort& ui, View& view) {
    reportingFailures(st, ui, kModule, "Form_Load", [&] {
        view.lblInstructions = "Enter details of the new account below.";
        st.gblnNewAccountAdded = false;
        view.txtNumber = st.gstrNewAccountText;
        if (view.txtNumber.empty()) {
            view.focus = Box::Number;
        } else {
            if (isMas(st.gintTargetApp)) {
                if (Sem e = sfReplace(view.txtNumber, " ", ""); !e.empty()) {
                    view.txtNumber.clear();
                    dsCreateSEMAndDoAll(st, ui, kModule, "Form_Load", 0, "Calling routine", e,
                                        true);
                } else if (view.txtNumber.size() < st.gstrNewAccountText.size()) {
                    view.lblInstructions += "\r\nAccount numbers cannot include spaces.";
                }
            }
            view.focus = Box::Name;
        }
        st.gstrNewAccountText.clear();
    });
}

bool numberTakesKey(std::int16_t target, std::string_view boxText, std::string_view key) {
    if (key == "\b") return true;
    return key != "," && !(isMas(target) && key == " ") &&
           charCount(trimView(boxText)) < kNumberLength;
}

bool nameTakesKey(std::string_view key) { return key != ","; }

std::string typedNumber(std::int16_t target, std::string_view keys) {
    std::string box;
    while (!keys.empty()) {
        const std::string_view key = leftChars(keys, 1);
        if (numberTakesKey(target, box, key)) box += key;
        keys.remove_prefix(key.size());
    }
    return box;
}

bool txtNumber_LostFocus(const ProgramState& st, UiPort& ui, View& view) {
    if (!breaksNumberRule(st.gintTargetApp, view.txtNumber)) return false;
    ui.messageBox(invalidNumber());
    view.focus = Box::Number;
    return true;
}

bool txtName_LostFocus(UiPort& ui, View& view) {
    if (!breaksNameRule(view.txtName)) return false;
    ui.messageBox(invalidName());
    view.focus = Box::Name;
    return true;
}

Outcome cmdOK_Click(ProgramState& st, UiPort& ui, View& view) {
    Outcome outcome = Outcome::Stays;
    reportingFailures(st, ui, kModule, "cmdOK_Click",
                      [&] { outcome = addAccount(st, ui, view, false); });
    return outcome;
}

Outcome cmdNext_Click(ProgramState& st, UiPort& ui, View& view) {
    Outcome outcome = Outcome::Stays;
    reportingFailures(st, ui, kModule, "cmdNext_Click",
                      [&] { outcome = addAccount(st, ui, view, true); });
    return outcome;
}

Outcome txtNumber_Enter(ProgramState& st, UiPort& ui, View& view) {
    if (view.txtName.empty() &&
        ui.messageBox(box("Do you wish to add an account name before saving?",
                          "Account has no name", Buttons::YesNo, Icon::Question)) == Answer::Yes) {
        view.focus = Box::Name;
        return Outcome::Stays;
    }
    return cmdOK_Click(st, ui, view);
}

}  // namespace tav::newaccount
