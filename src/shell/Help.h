#pragma once
// The program's help: HTML pages in <installation folder>/TAVHelp, a contents page and
// one topic per window, shown in the program's own help viewer.

#include <optional>
#include <string>

#include "safe/UiPort.h"

namespace tav {

struct ProgramState;

enum class HelpTopic {
    Contents,
    MainWindow,
    Navigator,
    AccountantsToggle,
    PreliminaryTasks,
    ExtractData,
    Introduction,
    TaxMapping,
    SelectLedger,
    AccountMapping,
    Convert,
};

// The topic's file name inside the help folder.
const char* helpTopicFile(HelpTopic topic);

// <installation folder>/TAVHelp/index.html, the file registered at start-up.
std::string installedHelpFile(const ProgramState& st);

// The page that shows a topic of a help file (its contents page, or the topic's page
// beside it). When that page cannot be opened the user gets the "Error Displaying
// Help" box, with the number the shell gives for a missing file (2) or folder (3), and
// the result is empty.
std::optional<std::string> helpPage(UiPort& ui, const std::string& helpFile, HelpTopic topic);

}  // namespace tav
