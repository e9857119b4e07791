#include "cli/ConsolePort.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tav::cli {
namespace {

const Message kDataError{"Invalid data.\r\nGo on?", Buttons::YesNo, Icon::Exclamation,
                         DefaultButton::Second, "Error in data"};

TEST(Printable, EscapesWhatCouldMoveTheCursorOrForgeALine) {
    struct Case {
        const char* text;
        bool crLfBreaks;
        const char* shown;
    };
    const Case cases[] = {
        {"Caf\xC3\xA9 \xC2\xB7 \xE2\x82\xAC", false, "Caf\xC3\xA9 \xC2\xB7 \xE2\x82\xAC"},
        {"a\tb\rc\nd", false, "a\\tb\\rc\\nd"},
        {"line\r\nnext", true, "line\nnext"},
        {"line\r\nnext", false, "line\\r\\nnext"},
        {"forged\n[Conversion complete]", true, "forged\\n[Conversion complete]"},
        {"\x1b[2J\x7f\x01", true, "\\x1b[2J\\x7f\\x01"},
        {"\xC2\x9B"
         "1m \xC2\xA0",
         false, "\\u009b1m \xC2\xA0"},      // C1 CSI; no-break space
        {"\x9b\xC3", false, "\\x9b\\xc3"},  // bytes that are not UTF-8
    };
    for (const Case& c : cases) EXPECT_EQ(printable(c.text, c.crLfBreaks), c.shown) << c.text;
}

TEST(ConsolePort, AsksForAButtonByItsFirstLetter) {
    struct Case {
        const char* typed;
        Buttons buttons;
        Answer answer;
        int prompts;
    };
    const Case cases[] = {
        {"y\n", Buttons::YesNo, Answer::Yes, 1},
        {"  No thanks\n", Buttons::YesNo, Answer::No, 1},
        {"\n", Buttons::YesNo, Answer::No, 1},  // the default button
        {"", Buttons::YesNo, Answer::No, 1},    // nobody there
        {"maybe\nYES\n", Buttons::YesNo, Answer::Yes, 2},
        {"r\n", Buttons::RetryCancel, Answer::Retry, 1},
        {"c\n", Buttons::YesNoCancel, Answer::Cancel, 1},
    };
    for (const Case& c : cases) {
        std::istringstream in(c.typed);
        std::ostringstream out;
        Message m = kDataError;
        m.buttons = c.buttons;
        EXPECT_EQ(askOnConsole(in, out)(m), c.answer) << c.typed;
        const std::string prompt = c.buttons == Buttons::YesNo         ? "Yes/No? [No] "
                                   : c.buttons == Buttons::RetryCancel ? "Retry/Cancel? [Cancel] "
                                                                       : "Yes/No/Cancel? [No] ";
        std::string expected;
        for (int i = 0; i < c.prompts; ++i) expected += prompt;
        if (*c.typed == '\0') expected += "\n";
        EXPECT_EQ(out.str(), expected) << c.typed;
    }
}

TEST(ConsolePort, PrintsBoxesWithTheirPlaceAndAnswersByItsPolicy) {
    std::ostringstream out;
    ConsolePort ui(out, [](const Message&) { return Answer::Yes; });
    ui.setContext([] { return std::string("in Journal.txt, line 7: 12\\tCheque"); });
    EXPECT_EQ(ui.messageBox(kDataError), Answer::Yes);
    EXPECT_EQ(ui.messageBox(Message{"Done.", Buttons::OK, Icon::Information}), Answer::OK);
    EXPECT_EQ(out.str(),
              "[Error in data] Invalid data.\nGo on?\n  in Journal.txt, line 7: 12\\tCheque\n"
              "[Tavora] Done.\n  in Journal.txt, line 7: 12\\tCheque\n");
}

TEST(ConsolePort, MutedAndQuietBoxesAreAnsweredUnseen) {
    std::ostringstream out;
    ConsolePort ui(out, [](const Message&) { return Answer::No; });
    ui.mute("Error in data");
    ui.setQuiet(true);
    EXPECT_EQ(ui.messageBox(kDataError), Answer::No);
    ui.messageBox(Message{"List extraction successful.", Buttons::OK, Icon::Information});
    ui.messageBox(Message{"Oops", Buttons::OK, Icon::None, DefaultButton::First, "Error Report"});
    EXPECT_EQ(out.str(), "[Error Report] Oops\n");
    EXPECT_EQ(ui.errorReports(), 1);
    EXPECT_EQ(ui.messagesShown(), 1);
}

TEST(ConsolePort, TheProgressBarIsDrawnOnlyWhenAskedAndClearedBeforeABox) {
    std::ostringstream out;
    ConsolePort ui(out, defaultAnswer);
    ui.progress(1, 2);
    EXPECT_EQ(out.str(), "");

    ui.setProgressBar(true);
    ui.progress(1, 4);
    ui.progress(1, 4);  // the same percentage is not drawn again
    ui.messageBox(Message{"Stop."});
    const std::string blank(48, ' ');
    EXPECT_EQ(out.str(),
              "\r[##########                              ] 25%\r" + blank + "\r[Tavora] Stop.\n");
}

}  // namespace
}  // namespace tav::cli
