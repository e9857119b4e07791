#pragma once
// The desktop application's port: Qt message boxes and file dialogs, the event pump,
// the desktop's text viewer and other programs as separate processes, the busy pointer
// and progress for the please-wait window.

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "safe/UiPort.h"

namespace tav::ui {

class QtPort : public UiPort {
public:
    Answer messageBox(const Message& message) override;
    std::optional<std::string> fileDialog(const FileDialog& dialog) override;
    void doEvents() override;
    ViewerStart startViewer(const std::string& path) override;
    bool startProgram(const std::string& program,
                      const std::vector<std::string>& arguments) override;
    void setBusy(bool on) override;
    void progress(std::uint64_t done, std::uint64_t total) override;

    // Where progress goes (the main window's please-wait window).
    std::function<void(std::uint64_t, std::uint64_t)> onProgress;
    // Where a warning or an error is, when it is about a line of a file ("FILE, line N:
    // TEXT"): the box's informative text.
    std::function<std::string()> whereAbout;

    // The box a message is shown in: its buttons, icon, default button and title.
    static std::unique_ptr<QMessageBox> messageBoxFor(const Message& message, QWidget* parent);
    // "Description|patterns|..." as Qt name filters, patterns separated by ";".
    static QStringList nameFilters(const std::string& filter);

private:
    int busy_ = 0;
};

}  // namespace tav::ui
