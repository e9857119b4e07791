#include "accountmapping/TAVNewMASAccount.h"

#include <gtest/gtest.h>

#include "shell/ProgramState.h"
#include "support/Results.h"
#include "support/ScratchClient.h"

namespace tav {
namespace {

using newaccount::Box;
using newaccount::Outcome;
using Rows = std::vector<StrArray>;

class NewAccount : public ::testing::Test, protected test::ScratchClient {
protected:
    newaccount::View view;
    void SetUp() override { st.gcolTargetAccounts.Add({"1-1000", "Cheque"}); }
    void open(std::int16_t target, std::string typed) {
        st.gintTargetApp = target;
        st.gstrNewAccountText = std::move(typed);
        st.gblnNewAccountAdded = true;
        view = {};
        newaccount::Form_Load(st, ui, view);
    }
};

TEST_F(NewAccount, OpensWithTheNumberTypedOnTheMappingScreen) {
    open(target::MasAU, "1 - 1500");
    EXPECT_EQ(view.txtNumber, "1-1500");
    EXPECT_EQ(view.lblInstructions,
              "Enter details of the new account below.\r\nAccount numbers cannot include spaces.");
    EXPECT_EQ(view.focus, Box::Name);
    EXPECT_FALSE(st.gblnNewAccountAdded);
    EXPECT_EQ(st.gstrNewAccountText, "");

    open(target::AccountantsOfficeNZ, "15 00");
    EXPECT_EQ(view.txtNumber, "15 00");
    EXPECT_EQ(view.lblInstructions, "Enter details of the new account below.");
    open(target::MasNZ, "");
    EXPECT_EQ(view.focus, Box::Number);
    EXPECT_EQ(view.lblInstructions, "Enter details of the new account below.");
}

TEST_F(NewAccount, NumberBoxTakesTenCharactersWithoutCommasOrBlanksForMas) {
    EXPECT_EQ(newaccount::typedNumber(target::MasAU, "1-1000, 9"), "1-10009");
    EXPECT_EQ(newaccount::typedNumber(target::AccountantsOfficeAU, " 1 2"), " 1 2");
    EXPECT_EQ(newaccount::typedNumber(target::MasAU, "12345678901"), "1234567890");
    EXPECT_EQ(newaccount::typedNumber(target::MasAU, "ÄÖÜ4567890X"), "ÄÖÜ4567890");  // characters
    // Blanks around the number do not count towards the ten.
    EXPECT_TRUE(newaccount::numberTakesKey(target::AccountantsOfficeAU, " 123456789 ", "0"));
    EXPECT_TRUE(newaccount::numberTakesKey(target::MasAU, "1234567890", "\b"));
    EXPECT_FALSE(newaccount::nameTakesKey(","));
    EXPECT_TRUE(newaccount::nameTakesKey(" "));
}

TEST_F(NewAccount, LeavingABoxChecksWhatWasPasted) {
    open(target::MasAU, "");
    view.txtNumber = " 100";
    EXPECT_TRUE(newaccount::txtNumber_LostFocus(st, ui, view));
    st.gintTargetApp = target::AccountantsOfficeAU;
    EXPECT_FALSE(newaccount::txtNumber_LostFocus(st, ui, view));
    view.txtNumber = "12345678901";
    EXPECT_TRUE(newaccount::txtNumber_LostFocus(st, ui, view));
    view.txtNumber = " 1234567890 ";
    EXPECT_FALSE(newaccount::txtNumber_LostFocus(st, ui, view));
    view.txtNumber = "1,0";
    EXPECT_TRUE(newaccount::txtNumber_LostFocus(st, ui, view));
    view.txtName = "Bank, Main";
    view.focus.reset();
    EXPECT_TRUE(newaccount::txtName_LostFocus(ui, view));
    EXPECT_EQ(view.focus, Box::Name);
    EXPECT_EQ(ui.titles(),
              (std::vector<std::string>{"Invalid account number", "Invalid account number",
                                        "Invalid account number", "Invalid account name"}));
}

TEST_F(NewAccount, OkRefusesMissingAndListedNumbers) {
    open(target::AccountantsOfficeAU, "");
    view.txtNumber = "   ";
    EXPECT_EQ(newaccount::cmdOK_Click(st, ui, view), Outcome::Stays);
    view.txtNumber = "1-1000";
    EXPECT_EQ(newaccount::cmdOK_Click(st, ui, view), Outcome::Stays);
    // A pasted comma or a number from the mapping screen that never left its box.
    view.txtNumber = "1,1000";
    EXPECT_EQ(newaccount::cmdOK_Click(st, ui, view), Outcome::Stays);
    EXPECT_EQ(ui.titles(),
              (std::vector<std::string>{"Account number missing", "Duplicate Account Number.",
                                        "Invalid account number"}));
    EXPECT_EQ(ui.messages[0].text,
              "A new account must have a number. Please enter an account number. ");
    EXPECT_EQ(view.focus, Box::Number);
    EXPECT_FALSE(st.gblnNewAccountAdded);

    view.txtNumber = " 1-100a ";
    view.txtName = " Petty cash ";
    EXPECT_EQ(newaccount::cmdOK_Click(st, ui, view), Outcome::Added);
    view.txtNumber = "1-100A";  // differs in case only
    view.txtName = "";
    EXPECT_EQ(newaccount::cmdOK_Click(st, ui, view), Outcome::Added);
    EXPECT_EQ(test::entries(st.gcolTargetAccounts),
              (Rows{{"1-1000", "Cheque"}, {"1-100a", " Petty cash "}, {"1-100A", ""}}));
    EXPECT_TRUE(st.gblnNewAccountAdded);
}

TEST_F(NewAccount, NextEmptiesTheBoxesAndEnterAsksForAMissingName) {
    open(target::MasAU, "");
    view.txtNumber = "2-0001";
    view.txtName = "Loan";
    EXPECT_EQ(newaccount::cmdNext_Click(st, ui, view), Outcome::Added);
    EXPECT_EQ(view.txtNumber + view.txtName, "");
    EXPECT_EQ(view.focus, Box::Number);

    view.txtNumber = "2-0002";
    ui.answers = {Answer::Yes, Answer::No};
    EXPECT_EQ(newaccount::txtNumber_Enter(st, ui, view), Outcome::Stays);
    EXPECT_EQ(view.focus, Box::Name);
    EXPECT_EQ(st.gcolTargetAccounts.Count(), 2);
    EXPECT_EQ(newaccount::txtNumber_Enter(st, ui, view), Outcome::Added);
    EXPECT_EQ(test::row(st.gcolTargetAccounts.Item(3)), (StrArray{"2-0002", ""}));
    ASSERT_EQ(ui.titles(),
              (std::vector<std::string>{"Account has no name", "Account has no name"}));
    EXPECT_EQ(ui.messages[0].buttons, Buttons::YesNo);
    EXPECT_EQ(ui.messages[0].icon, Icon::Question);

    view.txtNumber = "2-0003";
    view.txtName = "Named";
    EXPECT_EQ(newaccount::txtNumber_Enter(st, ui, view), Outcome::Added);
    EXPECT_EQ(ui.messages.size(), 2u);
}

}  // namespace
}  // namespace tav
