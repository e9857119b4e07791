#pragma once
// The batch command's port. Message boxes are printed to stderr, each followed by the
// place in the Journal report it is about when there is one, and answered by a policy
// (or by the user, on a terminal). File dialogs return the paths the command chose
// beforehand from its options. Long loops draw a progress bar when asked to.

#include <deque>
#include <functional>
#include <iosfwd>
#include <set>
#include <string>
#include <string_view>

#include "safe/UiPort.h"

namespace tav::cli {

class ConsolePort : public UiPort {
public:
    // Chooses the answer to a box with more than an OK button.
    using Policy = std::function<Answer(const Message&)>;

    ConsolePort(std::ostream& out, Policy policy);

    Answer messageBox(const Message& message) override;
    // The next path given to choose(), as if the user had picked it; cancelled without one.
    std::optional<std::string> fileDialog(const FileDialog& dialog) override;
    void doEvents() override {}
    ViewerStart startViewer(const std::string&) override { return ViewerStart::NotFound; }
    void progress(std::uint64_t done, std::uint64_t total) override;

    void choose(std::string path) { chosen_.push_back(std::move(path)); }
    // Boxes with a muted title are answered without being printed.
    void mute(const std::string& title) { muted_.insert(title); }
    void unmute(const std::string& title) { muted_.erase(title); }
    // Quiet: information boxes are not printed either.
    void setQuiet(bool quiet) { quiet_ = quiet; }
    void setProgressBar(bool on) { progressBar_ = on; }
    // Where a box is about, printed below it when not empty.
    void setContext(std::function<std::string()> context) { context_ = std::move(context); }
    // Clears the progress bar from the line.
    void endProgress();

    int messagesShown() const { return shown_; }
    // Those shown that were more than an information notice.
    int warningsShown() const { return warnings_; }
    int errorReports() const { return errorReports_; }

private:
    std::ostream& out_;
    Policy policy_;
    std::deque<std::string> chosen_;
    std::set<std::string> muted_;
    std::function<std::string()> context_;
    bool quiet_ = false;
    bool progressBar_ = false;
    bool barShown_ = false;
    int lastPercent_ = -1;
    int shown_ = 0;
    int warnings_ = 0;
    int errorReports_ = 0;
};

// Asks the user on the console: prints the buttons, reads a line from `in`, and takes
// the first letter of a button's name; an empty line is the default button, and so is
// the end of the input.
ConsolePort::Policy askOnConsole(std::istream& in, std::ostream& out);

// The text a box is printed with: its title in brackets, then its text, its CR LF line
// breaks as bare line feeds and every other control character escaped (printable).
std::string consoleText(const Message& message);

// Text as a terminal may show it: control characters, which a report or a file name may
// hold to move the cursor, rewrite the screen or forge lines, are escaped (\t, \r, \n,
// \x1b; \u009b for the C1 controls; \xNN for a byte that is not UTF-8). With crLfBreaks,
// CR LF stays a line break (as a bare line feed).
std::string printable(std::string_view text, bool crLfBreaks = false);

}  // namespace tav::cli
