#pragma once
// The one way the core reaches the user. The desktop application, the batch
// command and the tests each implement it; the core never shows anything itself.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tav {

inline constexpr const char* kAppTitle = "Tavora";

enum class Buttons { OK, OKCancel, AbortRetryIgnore, YesNoCancel, YesNo, RetryCancel };
enum class Icon { None, Critical, Question, Exclamation, Information };
enum class DefaultButton { First, Second, Third };
enum class Answer { OK, Cancel, Abort, Retry, Ignore, Yes, No };

struct Message {
    std::string text;
    Buttons buttons = Buttons::OK;
    Icon icon = Icon::None;
    DefaultButton defaultButton = DefaultButton::First;
    std::string title = kAppTitle;
};

enum class DialogKind { Open, Save, Folder };

struct FileDialog {
    DialogKind kind = DialogKind::Open;
    std::string title;   // empty: the dialog's own default
    std::string filter;  // "description|patterns|description|patterns"
    int filterIndex = 1;
    std::string initialFolder;
    std::string fileName;
    bool fileMustExist = false;
    bool overwritePrompt = false;
};

enum class ViewerStart { Started, NotFound, Failed };

class UiPort {
public:
    virtual ~UiPort() = default;

    // Shows a modal message box and returns the button pressed.
    virtual Answer messageBox(const Message& message) = 0;
    // The chosen path, or nothing when the user cancelled.
    virtual std::optional<std::string> fileDialog(const FileDialog& dialog) = 0;
    // Lets the window system process pending events.
    virtual void doEvents() = 0;
    // Opens a text file in the desktop's viewer, as a separate process.
    virtual ViewerStart startViewer(const std::string& path) = 0;
    // Starts another program as a separate process without waiting for it; false when it
    // could not be started (not installed, or no programs are started from here).
    virtual bool startProgram(const std::string& /*program*/,
                              const std::vector<std::string>& /*arguments*/) {
        return false;
    }
    // The hourglass pointer on or off.
    virtual void setBusy(bool) {}
    // Progress of a long operation, for the please-wait window.
    virtual void progress(std::uint64_t /*done*/, std::uint64_t /*total*/) {}
};

// A port for work done before the user is to see it (the batch command's foreseeing and
// its conversion made ahead): nothing is shown or asked, and spoke() tells that something
// would have been, which drops that work. Progress and event processing go on through
// the given port, if any.
class SilentPort : public UiPort {
public:
    explicit SilentPort(UiPort* through = nullptr) : through_(through) {}
    Answer messageBox(const Message&) override {
        spoke_ = true;
        return Answer::Cancel;
    }
    std::optional<std::string> fileDialog(const FileDialog&) override {
        spoke_ = true;
        return std::nullopt;
    }
    void doEvents() override {
        if (through_) through_->doEvents();
    }
    ViewerStart startViewer(const std::string&) override { return ViewerStart::NotFound; }
    void progress(std::uint64_t done, std::uint64_t total) override {
        if (through_) through_->progress(done, total);
    }
    bool spoke() const { return spoke_; }

private:
    UiPort* through_;
    bool spoke_ = false;
};

// The answer of a box whose default button is pressed (Enter, or nobody there).
Answer defaultAnswer(const Message& message);

// Long loops call tick() for every record; the port hears about it at most about
// twenty times a second, so event processing never dominates the work.
class EventThrottle {
public:
    explicit EventThrottle(UiPort& ui) : ui_(ui) {}

    void tick(std::uint64_t done = 0, std::uint64_t total = 0) {
        if (++calls_ % 256 != 1) return;
        const auto now = std::chrono::steady_clock::now();
        if (calls_ != 1 && now - last_ < std::chrono::milliseconds(50)) return;
        last_ = now;
        if (total) ui_.progress(done, total);
        ui_.doEvents();
    }

private:
    UiPort& ui_;
    std::uint64_t calls_ = 0;
    std::chrono::steady_clock::time_point last_{};
};

}  // namespace tav
