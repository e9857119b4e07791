#include "support/ScriptedPort.h"

#include "safe/Platform.h"
#include "shell/ProgramState.h"

namespace tav::test {

Answer ScriptedPort::messageBox(const Message& message) {
    messages.push_back(message);
    if (answers.empty()) return defaultAnswer(message);
    const Answer a = answers.front();
    answers.pop_front();
    return a;
}

Answer LinePort::messageBox(const Message& message) {
    linesAtMessages.push_back(st_.files.isOpen(1) ? st_.files.linesRead(1) : 0);
    return ScriptedPort::messageBox(message);
}

std::optional<std::string> ScriptedPort::fileDialog(const FileDialog& dialog) {
    dialogs.push_back(dialog);
    if (dialogMovesTo) platform::setCurrentDirectory(*dialogMovesTo);
    if (dialogAnswers.empty()) return std::nullopt;
    auto a = dialogAnswers.front();
    dialogAnswers.pop_front();
    return a;
}

std::vector<std::string> ScriptedPort::titles() const {
    std::vector<std::string> out;
    for (const Message& m : messages) out.push_back(m.title);
    return out;
}

}  // namespace tav::test
