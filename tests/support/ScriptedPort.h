#pragma once
// The tests' port: records every message box, dialog, event pump and viewer start,
// and answers from a script. With the script used up, a box answers with its
// default button and a file dialog is cancelled.

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "safe/UiPort.h"

namespace tav {
struct ProgramState;
}

namespace tav::test {

class ScriptedPort : public UiPort {
public:
    Answer messageBox(const Message& message) override;
    std::optional<std::string> fileDialog(const FileDialog& dialog) override;
    void doEvents() override { ++events; }
    ViewerStart startViewer(const std::string& path) override {
        viewed.push_back(path);
        return viewerResult;
    }
    bool startProgram(const std::string& program, const std::vector<std::string>&) override {
        started.push_back(program);
        return programStarts;
    }
    void setBusy(bool on) override { busy = on; }

    // Script
    std::deque<Answer> answers;
    std::deque<std::optional<std::string>> dialogAnswers;
    ViewerStart viewerResult = ViewerStart::Started;
    // A Windows file dialog leaves the current directory where the user browsed to;
    // when set, every dialog moves it there.
    std::optional<std::string> dialogMovesTo;
    bool programStarts = true;

    // Record
    std::vector<Message> messages;
    std::vector<FileDialog> dialogs;
    std::vector<std::string> viewed;
    std::vector<std::string> started;
    int events = 0;
    bool busy = false;

    std::vector<std::string> titles() const;
};

// Also notes, at each message, how many lines of the Journal report had been read: the
// line a prompt is about.
class LinePort : public ScriptedPort {
public:
    explicit LinePort(ProgramState& st) : st_(st) {}
    Answer messageBox(const Message& message) override;
    std::vector<std::uint64_t> linesAtMessages;

private:
    ProgramState& st_;
};

}  // namespace tav::test
