#include "taxmapping/TAVTaxMapping.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "convert/ConvertFixture.h"
#include "safe/Platform.h"
#include "shell/ProgramState.h"
#include "support/Files.h"
#include "support/Results.h"
#include "support/ScratchClient.h"
#include "taxmapping/TAVNewTaxCode.h"
#include "taxmapping/modTaxMapping.h"

namespace tav {
namespace {

using taxmappingscreen::JournalChoice;
using test::crlf;
using test::entries;
using test::lastDescription;
using test::row;
using test::writeFile;
using Rows = std::vector<StrArray>;

// MAS (Aust.) with its installed codes, lists with a GST payable account, and a report
// that posts GST and an item without a default code to it.
class TaxMappingScreen : public ::testing::Test, protected test::ScratchClient {
protected:
    void SetUp() override {
        for (const char* f : {"MasAUTaxCodes.txt", "AccountsTaxCodes.txt", "DefaultTaxMapping.txt"})
            writeFile(install.file(f),
                      test::readFile(platform::joinPath(TAV_INSTALL_SOURCE_DIR, f)));
        st.gstrClientFolder = client.path();
        st.gstrTargetAppName = "MAS";
        writeFile(st.gstrChartOfAccountsFile,
                  crlf({"!ACCNT\tNAME\tACCNUM\tEXTRA", "ACCNT\tGST Payable\t2-1310\tSALESTAX"}));
        writeFile(st.gstrTaxCodeListFile, crlf({"!TAXCODE\tNAME\tPURCHASETAXITEM\tSALESTAXITEM",
                                                "TAXCODE\tGST\tGST\tGST"}));
        writeFile(client.file("Journal.txt"),
                  test::report({"1|Invoice|1/07/2011|1|Smith|||1-1200 · Debtors||11|",
                                "|||||||4-1000 · Sales|GST|-10|-1", "||||||GST|2-1310 · GST||-1|",
                                "||||||WINE|2-1310 · GST||0|", "|||||||||11|"}));
        st.gblnListsExtracted = true;
    }

    JournalChoice choose(const std::string& report) {
        ui.dialogAnswers = {report};
        return taxmappingscreen::cmdTransFile_Click(st, ui);
    }
};

TEST_F(TaxMappingScreen, AReportGivesTaxItemsWithTheirDefaultCodesAndItsAccounts) {
    taxmappingscreen::Form_Load(st, ui);
    EXPECT_EQ(st.gcolTargetTaxCodes.Count(), 14);
    st.gcolMappedAccounts.Add({"Bank", "1-1100", "Cheque", "1", "", ""});

    EXPECT_EQ(choose(client.file("Journal.txt")), JournalChoice::Taken);
    EXPECT_EQ(st.gstrJournalFile, client.file("Journal.txt"));
    EXPECT_EQ(entries(st.gcolMappedTaxCodes), (Rows{{"GST", "1", "2"}, {"WINE", "", "1"}}));
    EXPECT_EQ(entries(st.gcolJournalAccounts),
              (std::vector<std::string>{"1-1200", "4-1000", "2-1310"}));
    EXPECT_TRUE(st.gcolMappedAccounts.empty());  // made from an earlier report
    EXPECT_EQ(st.files.freeFile(), 1);
    EXPECT_TRUE(ui.messages.empty());

    // The same report again keeps the mapping as the user left it.
    storeTaxCodeChoice(st, 2, 3);
    EXPECT_EQ(choose(client.file("Journal.txt")), JournalChoice::Kept);
    EXPECT_EQ(row(st.gcolMappedTaxCodes.Item(2)), (StrArray{"WINE", "2", "3"}));
}

TEST_F(TaxMappingScreen, ListsNotExtractedAreAskedAbout) {
    taxmappingscreen::Form_Load(st, ui);
    st.gblnListsExtracted = false;
    ui.answers = {Answer::No};
    EXPECT_EQ(choose(client.file("Journal.txt")), JournalChoice::Cancelled);
    EXPECT_TRUE(st.gcolMappedTaxCodes.empty() && st.gcolTaxPayables.empty());
    ASSERT_EQ(ui.titles(), std::vector<std::string>{"Have you extracted the lists?"});
    EXPECT_EQ(ui.messages[0].text,
              "Warning: Please make sure you have extracted the required lists from the current "
              "QuickBooks company file by clicking 'Get QuickBooks Lists' above, before selecting "
              "the QuickBooks Journal report file.\r\n\r\nHave you extracted the lists from the "
              "current QuickBooks file?");

    ui.answers = {Answer::Yes};
    EXPECT_EQ(choose(client.file("Journal.txt")), JournalChoice::Taken);
    EXPECT_TRUE(st.gblnListsExtracted);
}

TEST_F(TaxMappingScreen, AReportThatCannotBeUsedSaysWhy) {
    writeFile(client.file("Bad.txt"), crlf({"Trans #\tType"}));
    EXPECT_EQ(choose(client.file("Bad.txt")), JournalChoice::Failed);
    EXPECT_EQ(ui.titles(), std::vector<std::string>{"Journal File Incorrect"});
    EXPECT_EQ(ui.messages[0].icon, Icon::Exclamation);

    writeFile(client.file("Empty.txt"), test::report({"TOTAL|||||||||0|"}));
    ui.messages.clear();
    EXPECT_EQ(choose(client.file("Empty.txt")), JournalChoice::Failed);
    EXPECT_EQ(ui.titles(), std::vector<std::string>{"No accounts found"});
    // 'Accounts' maps no accounts, so it does not need any.
    st.gintTargetApp = target::Accounts;
    EXPECT_EQ(choose(client.file("Empty.txt")), JournalChoice::Taken);
    EXPECT_EQ(st.files.freeFile(), 1);
    EXPECT_FALSE(ui.busy);
}

TEST_F(TaxMappingScreen, AccountantsOfficeCollectsTaxItemsWithoutCodes) {
    st.gintTargetApp = target::AccountantsOfficeAU;
    st.gcolMappedTaxCodes.Add({"GST", "", "1"});
    taxmappingscreen::Form_Load(st, ui);
    EXPECT_TRUE(st.gcolTargetTaxCodes.empty());
    EXPECT_EQ(choose(client.file("Journal.txt")), JournalChoice::Taken);
    EXPECT_EQ(entries(st.gcolMappedTaxCodes), (Rows{{"GST", "", "1"}, {"WINE", "", "1"}}));
}

TEST_F(TaxMappingScreen, GoneFoldersAndFilesFallBack) {
    st.gstrClientFolder = client.file("gone");
    st.gstrJournalFile = client.file("gone.txt");
    st.gintTargetApp = target::AccountantsOfficeNZ;
    taxmappingscreen::Form_Load(st, ui);
    EXPECT_EQ(st.gstrClientFolder, platform::rootFolder());
    EXPECT_EQ(st.gstrJournalFile, platform::joinPath(platform::rootFolder(), "Journal.txt"));
    const taxmappingscreen::View ao = taxmappingscreen::view(st);
    EXPECT_EQ(ao.caption, "Extract Lists and Select Journal File");
    EXPECT_FALSE(ao.mapping);
    EXPECT_EQ(taxmappingscreen::rememberedTaxMappingFile(st), "");
}

TEST_F(TaxMappingScreen, ATaxMappingFileChoosesAsTheGridDoes) {
    taxmappingscreen::Form_Load(st, ui);
    ASSERT_EQ(choose(client.file("Journal.txt")), JournalChoice::Taken);
    auto load = [&](const std::string& body) {
        writeFile(client.file("map.txt"), body);
        return sfLoadTaxMapping(st, ui, client.file("map.txt"));
    };
    EXPECT_EQ(load(crlf({"GST,", " WINE , 13 ", "", "UNUSED,4"})), "");
    EXPECT_EQ(entries(st.gcolMappedTaxCodes), (Rows{{"GST", "", "1"}, {"WINE", "13", "14"}}));

    // A code the list lacks is added as the Add Tax Code dialog adds it, or refused as it is.
    EXPECT_EQ(load(crlf({"GST,15"})), "");
    EXPECT_EQ(row(st.gcolMappedTaxCodes.Item(1)), (StrArray{"GST", "15", "16"}));
    EXPECT_EQ(lastDescription(load(crlf({"GST,1", "WINE,9x"}))),
              "The tax code '9x' in line 2 of the tax mapping file cannot be added to the list "
              "of MAS tax codes: New tax codes for MAS must be in the range 15-20.");
    // Nothing of a file that fails is taken.
    EXPECT_EQ(row(st.gcolMappedTaxCodes.Item(1)), (StrArray{"GST", "15", "16"}));
    st.gintTargetApp = target::Accounts;
    st.gstrTargetAppName = "'Accounts'";
    EXPECT_EQ(lastDescription(load(crlf({"GST,ABC"}))),
              "The tax code 'ABC' in line 1 of the tax mapping file cannot be added to the list "
              "of 'Accounts' tax codes: Enter the new tax code below. 'Accounts' tax codes can be "
              "a maximum of 2 characters.");
    EXPECT_EQ(lastDescription(load(crlf({"GST,1,2"}))),
              "Incorrect number of fields in line 1 of the tax mapping file. Each line holds a "
              "QuickBooks tax item, a comma and a target tax code.");
    EXPECT_EQ(st.files.freeFile(), 1);
}

TEST_F(TaxMappingScreen, TheMappingIsRememberedAndComesBackWithTheNextReport) {
    using namespace taxmappingscreen;
    const std::string remembered = client.file("TAVTaxMappingMasAU.txt");
    Form_Load(st, ui);
    ASSERT_EQ(choose(client.file("Journal.txt")), JournalChoice::Taken);
    applyRememberedTaxMapping(st, ui);  // nothing remembered yet
    TaxCodeTable table(st);
    EXPECT_EQ(table.note(1), "");
    cmbTaxCodes_Click(st, ui, table, 2, 3);
    EXPECT_EQ(test::readFile(remembered), crlf({"GST,1", "WINE,2"}));

    // Next period: the remembered codes over the automatic mapping, marked; an item the
    // report does not use stays remembered.
    writeFile(remembered, crlf({"GST,3", "WINE,", "CAG,8"}));
    st.gcolMappedTaxCodes.Clear();
    ASSERT_EQ(choose(client.file("Journal.txt")), JournalChoice::Taken);
    applyRememberedTaxMapping(st, ui);
    EXPECT_EQ(entries(st.gcolMappedTaxCodes), (Rows{{"GST", "3", "4"}, {"WINE", "", "1"}}));
    EXPECT_EQ(table.note(1), "Mapped as remembered for this client");
    cmbTaxCodes_Click(st, ui, table, 1, 6);
    EXPECT_EQ(table.note(1), "");
    EXPECT_EQ(table.note(2), "Mapped as remembered for this client");
    EXPECT_EQ(test::readFile(remembered), crlf({"GST,5", "WINE,", "CAG,8"}));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(TaxMappingScreen, ARememberedMappingThatCannotBeUsedIsIgnoredWhole) {
    using namespace taxmappingscreen;
    const std::string remembered = client.file("TAVTaxMappingMasAU.txt");
    Form_Load(st, ui);
    for (const std::string& body : {crlf({"GST,15", "WINE,9x"}), crlf({"GST,3,4"})}) {
        writeFile(remembered, body);
        st.gcolMappedTaxCodes.Clear();
        ui.messages.clear();
        ASSERT_EQ(choose(client.file("Journal.txt")), JournalChoice::Taken);
        applyRememberedTaxMapping(st, ui);
        EXPECT_EQ(entries(st.gcolMappedTaxCodes), (Rows{{"GST", "1", "2"}, {"WINE", "", "1"}}));
        EXPECT_EQ(st.gcolTargetTaxCodes.Count(), 14);
        ASSERT_EQ(ui.titles(), std::vector<std::string>{"Remembered Tax Mapping Ignored"});
        EXPECT_NE(ui.messages[0].text.find(remembered), std::string::npos);
    }
    EXPECT_NE(ui.messages[0].text.find("Incorrect number of fields in line 1"), std::string::npos);
}

TEST_F(TaxMappingScreen, AMappingThatCannotBeRememberedIsToldOnce) {
    using namespace taxmappingscreen;
    const std::string remembered = client.file("TAVTaxMappingMasAU.txt");
    writeFile(remembered, crlf({"GST,1"}));
    const test::WriteProtected readOnly(remembered);
    if (!readOnly.available()) GTEST_SKIP() << "no way to make a file refuse writing here";
    Form_Load(st, ui);
    ASSERT_EQ(choose(client.file("Journal.txt")), JournalChoice::Taken);
    applyRememberedTaxMapping(st, ui);
    TaxCodeTable table(st);
    ui.answers = {Answer::Cancel};  // sfOpenFile's Retry/Cancel
    cmbTaxCodes_Click(st, ui, table, 1, 3);
    cmbTaxCodes_Click(st, ui, table, 2, 3);
    EXPECT_EQ(ui.titles().back(), "Tax Mapping Not Remembered");
    EXPECT_EQ(entries(st.gcolMappedTaxCodes), (Rows{{"GST", "2", "3"}, {"WINE", "2", "3"}}));
    const auto told = std::ranges::count(ui.titles(), "Tax Mapping Not Remembered");
    EXPECT_EQ(told, 1);
}

// The grid over a MAS mapping of three tax items, the first two mapped by default.
class TaxCodeGrid : public ::testing::Test {
protected:
    ProgramState st;
    test::ScriptedPort ui;
    taxmappingscreen::TaxCodeTable table{st};

    void SetUp() override {
        st.gstrTargetAppName = "MAS";
        for (const char* code : {"1", "2", "3", "4"}) st.gcolTargetTaxCodes.Add(code);
        for (MappedTaxCode m :
             std::vector<MappedTaxCode>{{"GST", "1", "2"}, {"FRE", "2", "3"}, {"WINE", "", "1"}})
            st.gcolMappedTaxCodes.Add(std::move(m));
    }
    GridMove choose(long row, long index) {
        return taxmappingscreen::cmbTaxCodes_Click(st, ui, table, row, index);
    }
};

TEST_F(TaxCodeGrid, RowsShowTheMappingAndTheListOffersEveryCode) {
    EXPECT_EQ(table.header(), (StrArray{" QuickBooks", "MAS", ""}));
    EXPECT_EQ(table.rowCount(), 3);
    EXPECT_EQ(table.row(1), (StrArray{" GST", " 1", "2"}));
    EXPECT_EQ(table.row(3), (StrArray{" WINE", " ", "1"}));
    EXPECT_EQ(table.listIndex(2), 3);
    EXPECT_EQ(table.listItems(), (StrArray{" <Add New>", "", " 1", " 2", " 3", " 4"}));

    st.gcolMappedTaxCodes.Replace(1, {"GST", "1", "x"});  // a default line out of step
    EXPECT_EQ(table.listIndex(1), -1);                    // the list then shows nothing
    st.gcolMappedTaxCodes.Clear();
    EXPECT_EQ(table.rowCount(), 1);
    EXPECT_EQ(table.row(1), (StrArray{"", "", "1"}));
}

TEST_F(TaxCodeGrid, AChoiceIsStoredAndMovesToTheNextRowButNotPastTheLast) {
    EXPECT_EQ(choose(1, 5), (GridMove{2, true}));
    EXPECT_EQ(row(st.gcolMappedTaxCodes.Item(1)), (StrArray{"GST", "4", "5"}));
    EXPECT_EQ(choose(3, 3), (GridMove{3, true}));
    EXPECT_EQ(row(st.gcolMappedTaxCodes.Item(3)), (StrArray{"WINE", "2", "3"}));
    EXPECT_EQ(choose(2, MappingTable::kBlank), (GridMove{3, true}));
    EXPECT_EQ(row(st.gcolMappedTaxCodes.Item(2)), (StrArray{"FRE", "", "1"}));

    // " <Add New>" and no selection change nothing; the row keeps its choice.
    const auto before = entries(st.gcolMappedTaxCodes);
    EXPECT_EQ(choose(2, MappingTable::kAddNew), (GridMove{2, false, true}));
    EXPECT_EQ(choose(2, -1), (GridMove{2}));
    EXPECT_EQ(entries(st.gcolMappedTaxCodes), before);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(TaxCodeGrid, ThePlaceholderRowOfAnEmptyMappingOnlyShowsAChoice) {
    st.gcolMappedTaxCodes.Clear();
    EXPECT_EQ(choose(1, 4), (GridMove{1}));
    EXPECT_EQ(table.row(1), (StrArray{"", " 3", "4"}));
    EXPECT_TRUE(st.gcolMappedTaxCodes.empty());
    table.clearPlaceholder();
    EXPECT_EQ(table.row(1), (StrArray{"", "", "1"}));

    // A mapping of one tax item is a real row.
    st.gcolMappedTaxCodes.Add({"GST", "", "1"});
    EXPECT_EQ(choose(1, 4), (GridMove{1, true}));
    EXPECT_EQ(row(st.gcolMappedTaxCodes.Item(1)), (StrArray{"GST", "3", "4"}));
}

TEST_F(TaxCodeGrid, AfterAddingACodeTheRowTakesTheNewestCode) {
    EXPECT_EQ(table.afterAdding(2, false), (GridMove{2}));
    EXPECT_EQ(row(st.gcolMappedTaxCodes.Item(2)), (StrArray{"FRE", "2", "3"}));
    st.gcolTargetTaxCodes.Add("15");
    st.gcolTargetTaxCodes.Add("16");
    EXPECT_EQ(table.afterAdding(2, true), (GridMove{3, true}));
    EXPECT_EQ(row(st.gcolMappedTaxCodes.Item(2)), (StrArray{"FRE", "16", "7"}));
}

TEST(TaxCodeList, KeysMoveBetweenRowsOrDropTheListDownButNeverChoose) {
    using A = KeyOutcome::Action;
    struct Case {
        GridKey key;
        bool listOpen;
        long row;
        KeyOutcome expected;
    };
    // Five rows, four to a page.
    const Case cases[] = {
        {GridKey::Down, false, 2, {A::MoveTo, 3}},
        {GridKey::Down, false, 5, {A::MoveTo, 5}},
        {GridKey::Up, false, 2, {A::MoveTo, 1}},
        {GridKey::Up, false, 1, {A::MoveTo, 1}},
        {GridKey::PageDown, false, 1, {A::MoveTo, 5}},
        {GridKey::PageDown, false, 2, {A::MoveTo, 5}},
        {GridKey::PageUp, false, 5, {A::MoveTo, 1}},
        {GridKey::PageUp, false, 4, {A::MoveTo, 1}},
        {GridKey::Home, false, 4, {A::MoveTo, 1}},
        {GridKey::End, false, 2, {A::MoveTo, 5}},
        {GridKey::Enter, false, 3, {A::OpenList}},
        {GridKey::Space, false, 3, {A::OpenList}},
        {GridKey::OpenList, false, 3, {A::OpenList}},
        {GridKey::Character, false, 3, {A::Discard}},
        {GridKey::Delete, false, 3, {A::Discard}},
        {GridKey::Escape, false, 3, {A::Discard}},
        {GridKey::Character, true, 3, {A::Discard}},
        {GridKey::Down, true, 3, {A::Pass}},
        {GridKey::Enter, true, 3, {A::Pass}},
        {GridKey::Escape, true, 3, {A::Pass}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(taxmappingscreen::cmbTaxCodes_KeyDown(c.key, c.listOpen, c.row, 5, 4), c.expected)
            << static_cast<int>(c.key) << (c.listOpen ? " open" : "") << " on row " << c.row;
}

TEST(NewTaxCode, TheDialogTakesOnlyTheCodesATargetCanHave) {
    struct Case {
        std::int16_t target;
        const char* code;
        const char* refusal;  // the title of the box OK shows, or "" when the code is added
    };
    const Case cases[] = {
        {target::MasAU, "14", "Tax Code not in required range"},
        {target::MasAU, "15", ""},
        {target::MasAU, "20", ""},
        {target::MasAU, "21", "Tax Code not in required range"},
        {target::MasNZ, "1", "Duplicate Tax Code."},
        {target::MasNZ, "99", ""},
        {target::Accounts, "gs", ""},  // the list has GS: letter case counts
        {target::Accounts, "GS", "Duplicate Tax Code."},
        {target::Accounts, "  ", "No Tax Code"},
    };
    for (const Case& c : cases) {
        ProgramState st;
        st.gintTargetApp = c.target;
        for (const char* code : {"1", "GS"}) st.gcolTargetTaxCodes.Add(code);
        test::ScriptedPort ui;
        EXPECT_EQ(newtaxcode::cmdOK_Click(st, ui, c.code), *c.refusal == '\0') << c.code;
        EXPECT_EQ(ui.titles(),
                  *c.refusal ? std::vector<std::string>{c.refusal} : std::vector<std::string>{})
            << c.code;
        EXPECT_EQ(st.gblnNewTaxCodeAdded, *c.refusal == '\0');
    }
    // "&Next" words an empty box without sending the user to the form's Cancel.
    ProgramState st;
    test::ScriptedPort ui;
    EXPECT_FALSE(newtaxcode::cmdNext_Click(st, ui, ""));
    EXPECT_EQ(ui.messages.at(0).text,
              "The tax code box was empty. Press Cancel if you wish to leave the form without "
              "adding a tax code.");
    // Typing: no comma, at most two characters, only digits for MAS.
    EXPECT_EQ(newtaxcode::typed(target::Accounts, "A,BC"), "AB");
    EXPECT_EQ(newtaxcode::typed(target::MasNZ, "x1y2z3"), "12");
    EXPECT_EQ(newtaxcode::typed(target::Accounts, "é1"), "é1");
}

}  // namespace
}  // namespace tav
