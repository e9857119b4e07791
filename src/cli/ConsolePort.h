#pragma once
// The batch command's port: message boxes are printed to stderr and answered by a
// policy (or by the user, on a terminal); there are no windows and no viewer.

#include <functional>
#include <iosfwd>

#include "safe/UiPort.h"

namespace tav::cli {

class ConsolePort : public UiPort {
public:
    // Chooses the answer to a box with more than an OK button.
    using Policy = std::function<Answer(const Message&)>;

    ConsolePort(std::ostream& out, Policy policy);

    Answer messageBox(const Message& message) override;
    std::optional<std::string> fileDialog(const FileDialog&) override { return std::nullopt; }
    void doEvents() override {}
    ViewerStart startViewer(const std::string&) override { return ViewerStart::NotFound; }

    int messagesShown() const { return shown_; }

private:
    std::ostream& out_;
    Policy policy_;
    int shown_ = 0;
};

}  // namespace tav::cli
