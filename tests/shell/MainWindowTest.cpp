#include <gtest/gtest.h>

#include <filesystem>

#include "safe/Platform.h"
#include "shell/MDIfrmMain.h"
#include "shell/ProgramState.h"
#include "shell/TAVHelpAbout.h"
#include "shell/Wizard.h"
#include "support/Files.h"
#include "support/ScriptedPort.h"

namespace tav {
namespace {

using test::ScriptedPort;
using test::TempDir;
using test::writeFile;

// Next from step 1 to the end, then Back to the start, for each kind of target.
TEST(Wizard, TheTargetDecidesTheRoad) {
    auto road = [](std::int16_t target, auto step) {
        std::vector<Screen> out;
        for (std::optional<Screen> s = Screen::Prelim; s; s = step(*s, target)) out.push_back(*s);
        return out;
    };
    using enum Screen;
    const std::vector<Screen> mapsAccounts{Prelim,       GetData,        TaxMapping,
                                           SelectLedger, AccountMapping, Convert};
    EXPECT_EQ(road(target::MasAU, wizardNext), mapsAccounts);
    EXPECT_EQ(road(target::AccountantsOfficeNZ, wizardNext), mapsAccounts);
    EXPECT_EQ(road(target::Accounts, wizardNext),
              (std::vector<Screen>{Prelim, GetData, TaxMapping, Convert}));

    EXPECT_EQ(wizardBack(Convert, target::MasNZ), AccountMapping);
    EXPECT_EQ(wizardBack(Convert, target::Accounts), TaxMapping);
    EXPECT_EQ(wizardBack(Prelim, target::Accounts), Navigator);
    EXPECT_EQ(wizardNext(Navigator, target::MasAU), std::nullopt);
}

class Help : public ::testing::Test {
protected:
    TempDir install;
    ProgramState st;
    ScriptedPort ui;

    void SetUp() override { st.installFolder = install.path(); }
    std::string helpFolder() const { return install.file("TAVHelp"); }
    void installHelp(std::initializer_list<const char*> pages) {
        std::filesystem::create_directories(helpFolder());
        for (const char* page : pages) writeFile(platform::joinPath(helpFolder(), page), "<html/>");
    }
    std::string helpError(int number) const {
        return "An error occurred while trying to display Help. Error number " +
               std::to_string(number) +
               ". If the TAV Help system worked previously, try restarting the computer, or "
               "re-installing TAV. Otherwise, press F1 for help or ring Varnel Technical Support.";
    }
};

TEST_F(Help, AMissingPageOrFolderGivesTheShellsNumber) {
    EXPECT_EQ(mainwindow::mnuHelpContents_Click(st, ui), std::nullopt);
    installHelp({"index.html"});
    st.helpFile = installedHelpFile(st);
    EXPECT_EQ(mainwindow::contextHelp(st, ui, HelpTopic::Convert), std::nullopt);

    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].title, "Error Displaying Help");
    EXPECT_EQ(ui.messages[0].text, helpError(3));  // no help folder
    EXPECT_EQ(ui.messages[1].text, helpError(2));  // no topic page
}

TEST_F(Help, NoContextHelpBeforeAHelpFileIsRegistered) {
    installHelp({"index.html", "navigator.html"});
    EXPECT_EQ(mainwindow::contextHelp(st, ui, HelpTopic::Navigator), std::nullopt);
    EXPECT_TRUE(ui.messages.empty());
}

// Every window's topic, both instruction pages, and every link between help pages.
TEST(ShippedHelp, CoversEveryTopicWithoutBrokenLinks) {
    const std::string folder = platform::joinPath(TAV_INSTALL_SOURCE_DIR, "TAVHelp");
    for (int t = static_cast<int>(HelpTopic::Contents); t <= static_cast<int>(HelpTopic::Convert);
         ++t) {
        const std::string page = platform::joinPath(folder, helpTopicFile(HelpTopic(t)));
        ASSERT_TRUE(platform::fileExists(page)) << page;
        const std::string html = test::readFile(page);
        for (size_t at = html.find("href=\""); at != std::string::npos;
             at = html.find("href=\"", at + 1)) {
            const size_t from = at + 6;
            const std::string target = html.substr(from, html.find('"', from) - from);
            EXPECT_TRUE(platform::fileExists(platform::joinPath(folder, target)))
                << helpTopicFile(HelpTopic(t)) << " links to " << target;
        }
    }
    for (const char* page : {"Preliminary_Tasks.htm", "Extract_Data_Integrated.htm"})
        EXPECT_TRUE(platform::fileExists(platform::joinPath(TAV_INSTALL_SOURCE_DIR, page)));
}

TEST(About, SystemInformationStartsOrIsUnavailable) {
    // Started where the machine has a tool (a fresh wine prefix registers none).
    ScriptedPort ui;
    about::StartSysInfo(ui);
    EXPECT_EQ(ui.started.size() + ui.messages.size(), 1u);

    ScriptedPort bare;
    bare.programStarts = false;
    about::StartSysInfo(bare);
    ASSERT_EQ(bare.messages.size(), 1u);
    EXPECT_EQ(bare.messages[0].text, "System Information Is Unavailable At This Time");
    EXPECT_EQ(bare.messages[0].buttons, Buttons::OK);
}

// The main window's place as the settings file keeps it: only a whole, sensible place.
TEST(MainWindowPlacement, ReadAndWritten) {
    using mainwindow::parsePlacement;
    const auto place = parsePlacement("-8,20,1000,720,max");
    ASSERT_TRUE(place);
    EXPECT_EQ(std::tuple(place->left, place->top, place->width, place->height, place->maximised),
              std::tuple(-8, 20, 1000, 720, true));
    EXPECT_EQ(mainwindow::placementText(*place), "-8,20,1000,720,max");
    EXPECT_EQ(mainwindow::placementText({1, 2, 300, 400, false}), "1,2,300,400");
    for (const char* odd :
         {"", "1,2,300", "1,2,300,400,", "1,2,300,400,min", "1, 2,300,400", "1,2,300,400x",
          "a,2,300,400", "1,2,99,400", "1,2,300,99", "1,2,99999999999,400"})
        EXPECT_FALSE(parsePlacement(odd)) << odd;
    EXPECT_TRUE(parsePlacement("1,2,100,100"));
}

}  // namespace
}  // namespace tav
