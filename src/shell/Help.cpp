#include "shell/Help.h"

#include <filesystem>

#include "safe/Platform.h"
#include "shell/ProgramState.h"

namespace tav {

const char* helpTopicFile(HelpTopic topic) {
    switch (topic) {
        case HelpTopic::Contents: return "index.html";
        case HelpTopic::MainWindow: return "main-window.html";
        case HelpTopic::Navigator: return "navigator.html";
        case HelpTopic::AccountantsToggle: return "accountants-toggle.html";
        case HelpTopic::PreliminaryTasks: return "preliminary-tasks.html";
        case HelpTopic::ExtractData: return "extract-data.html";
        case HelpTopic::Introduction: return "introduction.html";
        case HelpTopic::TaxMapping: return "tax-mapping.html";
        case HelpTopic::SelectLedger: return "select-ledger.html";
        case HelpTopic::AccountMapping: return "account-mapping.html";
        case HelpTopic::Convert: return "convert.html";
    }
    return "index.html";
}

std::string installedHelpFile(const ProgramState& st) {
    return platform::joinPath(platform::joinPath(st.installFolder, "TAVHelp"),
                              helpTopicFile(HelpTopic::Contents));
}

std::optional<std::string> helpPage(UiPort& ui, const std::string& helpFile, HelpTopic topic) {
    const std::filesystem::path file = platform::pathFromUtf8(helpFile);
    const std::string folder = platform::pathToUtf8(file.parent_path());
    const std::string page =
        topic == HelpTopic::Contents ? helpFile : platform::joinPath(folder, helpTopicFile(topic));
    if (platform::fileExists(page)) return page;

    // The shell's own numbers: 3 when the folder is missing, 2 when only the file is.
    const int number = platform::pathExists(folder) ? 2 : 3;
    ui.messageBox(Message{"An error occurred while trying to display Help. Error number " +
                              std::to_string(number) +
                              ". If the TAV Help system worked previously, try restarting the "
                              "computer, or re-installing TAV. Otherwise, press F1 for help or "
                              "ring Varnel Technical Support.",
                          Buttons::OK, Icon::None, DefaultButton::First, "Error Displaying Help"});
    return std::nullopt;
}

}  // namespace tav
