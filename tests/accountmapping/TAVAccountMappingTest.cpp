#include "accountmapping/TAVAccountMapping.h"

#include <gtest/gtest.h>

#include "accountmapping/TAVNewMASAccount.h"
#include "accountmapping/modAccountMapping.h"
#include "shell/ProgramState.h"
#include "support/Files.h"
#include "support/Results.h"
#include "support/ScratchClient.h"

namespace tav {
namespace {

using Action = KeyOutcome::Action;
using Rows = std::vector<StrArray>;

// Three QuickBooks accounts to map to a MAS chart; the combo lists " <Add New>", the
// empty item, then the four accounts at 2 to 5.
class MappingScreen : public ::testing::Test, protected test::ScratchClient {
protected:
    accountmappingscreen::View view{st};
    int dialogsShown = 0;

    void SetUp() override {
        st.gstrTargetAppName = "MAS";
        for (auto [number, name] : {std::pair{"1-1000", "Cheque account"},
                                    {"1-1100", "Savings"},
                                    {"2-1000", "Visa"},
                                    {"cash", "Petty cash"}})
            st.gcolTargetAccounts.Add({number, name});
        for (const char* number : {"1-1000", "1-1100", "2-1000"})
            st.gcolMappedAccounts.Add({"Bank", number, "QB", "1", "", ""});
        view.showNewAccount = [this] { ++dialogsShown; };
        ASSERT_TRUE(accountmappingscreen::Form_Load(st, ui, view));
    }

    // Characters typed into the combo: each replaces the selection, then the change runs.
    void type(std::string_view keys) {
        for (char key : keys) {
            auto& c = view.combo;
            c.text.replace(c.selStart, c.selLength, 1, key);
            c.selStart += 1;
            c.selLength = 0;
            accountmappingscreen::cmbAccounts_Change(view);
        }
    }
    Action press(GridKey key) {
        return accountmappingscreen::cmbAccounts_KeyDown(st, ui, view, key, false).action;
    }
    std::string item(long k) const { return view.table.items().at(static_cast<size_t>(k)); }
    Rows grid() const {
        Rows rows;
        for (long r = 1; r <= view.table.rowCount(); ++r) rows.push_back(view.table.row(r));
        return rows;
    }
    std::string selected() const {
        return view.combo.text.substr(view.combo.selStart, view.combo.selLength);
    }
    Rows choices() const {
        Rows out;
        for (const MappedAccount& m : st.gcolMappedAccounts)
            out.push_back({m.listIndex, m.targetNumber});
        return out;
    }
};

TEST_F(MappingScreen, OpensOnTheFirstRowWithTheGridAndTheList) {
    EXPECT_EQ(grid(), (Rows{{" Bank", " 1-1000    QB", " " + std::string(22, ' '), "1"},
                            {" Bank", " 1-1100    QB", " " + std::string(22, ' '), "1"},
                            {" Bank", " 2-1000    QB", " " + std::string(22, ' '), "1"}}));
    EXPECT_EQ(view.table.items().size(), 6u);
    EXPECT_EQ(view.row, 1);
    EXPECT_EQ(view.combo.listIndex, 1);
    EXPECT_EQ(view.combo.text, "");
    EXPECT_FALSE(view.saveLedgerVisible);
    EXPECT_EQ(view.lblAccountMapping,
              "Map the QuickBooks accounts to MAS accounts then save the mapping for future use. "
              "You can load a previous mapping for this client if you have one. Auto-mapping maps "
              "unmapped accounts to accounts with the same account number.\r\nDo not map to MAS "
              "'Control' or 'Special Use' accounts.\r\nType the account codes and use the arrows, "
              "Enter, Backspace and Delete keys to make use of the auto-complete feature.");

    st.gintTargetApp = target::AccountantsOfficeAU;
    st.gstrTargetAppName = "Accountant's Office";
    ASSERT_TRUE(accountmappingscreen::Form_Load(st, ui, view));
    EXPECT_TRUE(view.saveLedgerVisible);
    EXPECT_NE(view.lblAccountMapping.find(
                  "Do not map to Accountant's Office 'Master', 'Control' or 'Special Use' "
                  "accounts.\r\n"),
              std::string::npos);
    EXPECT_TRUE(view.lblAccountMapping.ends_with(
        "auto-complete feature.\r\nTo create a customised ledger, add new accounts in the "
        "accounts list and click Save Ledger."));
}

TEST_F(MappingScreen, TypingCompletesAndRemovingTheCompletionDoesNot) {
    type("1");
    EXPECT_EQ(view.combo.text, item(2));
    EXPECT_EQ(view.combo.selStart, 1u);
    EXPECT_EQ(selected(), item(2).substr(1));
    EXPECT_EQ(press(GridKey::Backspace), Action::Discard);
    EXPECT_EQ(view.combo.text, "1");
    EXPECT_EQ(view.combo.selLength, 0u);

    type("-11");
    EXPECT_EQ(view.combo.text, item(3));
    EXPECT_EQ(press(GridKey::Delete), Action::Discard);
    EXPECT_EQ(view.combo.text, "1-11");
    EXPECT_EQ(press(GridKey::Delete), Action::Discard);  // nothing selected: nothing happens
    EXPECT_EQ(view.combo.text, "1-11");
    EXPECT_EQ(press(GridKey::Home), Action::Discard);  // as End and the page keys
    type("0");
    EXPECT_EQ(selected(), item(3).substr(5));
    EXPECT_EQ(press(GridKey::OpenList), Action::OpenList);
    EXPECT_EQ(view.combo.listIndex, 3);
    EXPECT_EQ(press(GridKey::Right), Action::Pass);
    EXPECT_EQ(view.combo.text, "1-110");

    // Backspace without a selection deletes a character as the box does, and that
    // change completes nothing.
    EXPECT_EQ(press(GridKey::Backspace), Action::Pass);
    view.combo.text = "1-11";
    view.combo.selStart = 4;
    accountmappingscreen::cmbAccounts_Change(view);
    EXPECT_EQ(view.combo.text, "1-11");

    // The typed part keeps its case; a text no item begins with stays as typed.
    view.combo.text.clear();
    view.combo.selStart = 0;
    type("C");
    EXPECT_EQ(view.combo.text, "C" + item(5).substr(1));
    view.combo.text.clear();
    view.combo.selStart = view.combo.selLength = 0;
    type("9-");
    EXPECT_EQ(view.combo.text, "9-");
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(MappingScreen, EnterAndDownStoreAndMoveDownUpMovesUp) {
    type("2");
    EXPECT_EQ(press(GridKey::Enter), Action::MoveTo);
    EXPECT_EQ(view.row, 2);
    EXPECT_EQ(view.combo.text, "");  // row 2's own choice, still none
    EXPECT_EQ(grid()[0][2], " " + item(4));
    EXPECT_EQ(grid()[0][3], "4");

    type("1-1");
    press(GridKey::Down);  // the first item beginning with the text
    EXPECT_EQ(view.row, 3);
    press(GridKey::Enter);  // an empty combo on the last row unmaps it and stays
    EXPECT_EQ(view.row, 3);
    EXPECT_EQ(view.combo.listIndex, 1);

    type("CASH");
    press(GridKey::Up);
    EXPECT_EQ(view.row, 2);
    EXPECT_EQ(view.combo.text, item(2));  // row 2's choice, whole text selected
    EXPECT_EQ(selected(), item(2));
    accountmappingscreen::flxAccounts_SelChange(view, 1);
    view.combo.text.clear();
    press(GridKey::Up);  // on the first row: stored, and the first row stays current
    EXPECT_EQ(view.row, 1);
    EXPECT_EQ(choices(), (Rows{{"1", ""}, {"2", "1-1000"}, {"5", "cash"}}));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(MappingScreen, ANumberNotInTheListIsAddedThroughTheDialog) {
    // The dialog: two accounts added with Next, then Cancel.
    view.showNewAccount = [this] {
        newaccount::View dialog;
        newaccount::Form_Load(st, ui, dialog);
        EXPECT_EQ(dialog.txtNumber, "9-9000");
        dialog.txtName = "Suspense";
        newaccount::cmdNext_Click(st, ui, dialog);
        dialog.txtNumber = "9-9100";
        newaccount::cmdNext_Click(st, ui, dialog);
        accountmappingscreen::RefreshAfterNewAccount(st, ui, view);
    };
    type("9-90 00");
    ui.answers = {Answer::No, Answer::Yes};
    press(GridKey::Enter);
    EXPECT_EQ(view.combo.text, "9-90 00");  // No: nothing changes
    EXPECT_EQ(view.row, 1);
    press(GridKey::Enter);
    ASSERT_EQ(ui.titles(),
              (std::vector<std::string>{"Add account to List?", "Add account to List?"}));
    EXPECT_EQ(ui.messages[0].text,
              "The account number you entered is not in the list. \r\nWould you like to add it "
              "to the list? \r\n(The account must be in the client ledger in MAS.)");
    EXPECT_EQ(view.table.items().size(), 8u);
    EXPECT_EQ(choices()[0], (StrArray{"7", "9-9100"}));
    EXPECT_EQ(view.row, 2);

    // " <Add New>" from the list keeps the row as it is until an account is added.
    view.showNewAccount = [this] { ++dialogsShown; };
    accountmappingscreen::cmbAccounts_Click(st, ui, view, 0);
    EXPECT_EQ(dialogsShown, 1);
    EXPECT_EQ(view.combo.listIndex, 1);
    st.gblnNewAccountAdded = false;
    accountmappingscreen::RefreshAfterNewAccount(st, ui, view);
    EXPECT_EQ(view.row, 2);
    EXPECT_EQ(choices()[1], (StrArray{"1", ""}));
}

TEST_F(MappingScreen, ThePlaceholderRowShowsAChoiceButStoresNothing) {
    st.gcolMappedAccounts.Clear();
    st.gblnListsExtracted = true;
    test::writeFile(st.gstrChartOfAccountsFile, "");
    ASSERT_TRUE(accountmappingscreen::Form_Load(st, ui, view));
    EXPECT_EQ(ui.titles(), std::vector<std::string>{"No accounts to map"});
    EXPECT_EQ(grid(), (Rows{{"", "", "", "1"}}));
    accountmappingscreen::cmbAccounts_Click(st, ui, view, 3);
    EXPECT_EQ(grid()[0][2], " " + item(3));
    EXPECT_EQ(view.row, 1);
    EXPECT_TRUE(st.gcolMappedAccounts.empty());
}

TEST_F(MappingScreen, NumbersTooLongForTheirBlanksStopTheScreenWhereTheyAre) {
    st.gcolMappedAccounts.Add({"Bank", "123456789", "Nine", "1", "", ""});
    st.gcolMappedAccounts.Add({"Bank", "1-2000", "After", "1", "", ""});
    EXPECT_FALSE(accountmappingscreen::Form_Load(st, ui, view));
    EXPECT_EQ(grid().size(), 3u);
    // Eight characters fit, however many bytes they take.
    st.gcolMappedAccounts.Replace(4, {"Bank", "1234567\xC3\xA9", "Eight", "1", "", ""});
    st.gcolTargetAccounts.Add({"123456789012", "Twelve"});
    EXPECT_FALSE(accountmappingscreen::Form_Load(st, ui, view));
    const std::string log = test::readFile(data.file("TAV.log"));
    EXPECT_EQ(test::lastDescription(log), "Error setting up combo on grid.");
    EXPECT_EQ(ui.titles(), (std::vector<std::string>{"Error Report", "Error Report"}));
}

TEST_F(MappingScreen, AutoAndLoadedMappingsReachTheGridAndTheCombo) {
    accountmappingscreen::cmdAutoMapping_Click(st, ui, view);
    EXPECT_EQ(grid()[1][2], " " + item(3));
    EXPECT_EQ(grid()[1][3], "3");
    EXPECT_EQ(view.combo.text, item(2));  // row 1's new choice

    test::writeFile(client.file("map.csv"),
                    test::crlf({"Bank,1-1100,QB,3,77,Own", "MAS accounts", "66,Other", "77,Own"}));
    ui.dialogAnswers = {client.file("map.csv")};
    accountmappingscreen::flxAccounts_SelChange(view, 2);
    accountmappingscreen::cmdLoadMapping_Click(st, ui, view);
    EXPECT_EQ(grid()[0][2], " " + std::string(22, ' '));
    EXPECT_EQ(grid()[1][2], " " + item(3));
    EXPECT_EQ(view.table.items().size(), 4u);
    EXPECT_EQ(view.combo.text, "77" + std::string(18, ' ') + "Own");

    // A target number too long for the grid stops the load before the row changes.
    test::writeFile(client.file("map.csv"), test::crlf({"Bank,1-1000,QB,2,123456789012,Long"}));
    ui.dialogAnswers = {client.file("map.csv")};
    accountmappingscreen::cmdLoadMapping_Click(st, ui, view);
    EXPECT_EQ(ui.titles(), std::vector<std::string>{"Error Report"});
    EXPECT_EQ(grid()[0][3], "1");
    EXPECT_EQ(grid()[1][3], "1");
}

}  // namespace
}  // namespace tav
