#pragma once
// The desktop application installed in temporary folders, driven through its real
// windows with the scripted port.

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QTest>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "shell/ProgramState.h"
#include "support/Files.h"
#include "support/ScriptedPort.h"
#include "ui/MDIfrmMain.h"

namespace tav::test {

// The scripted port that also tells a test when a box comes up, while the routine that
// shows it waits for the answer.
class WatchedPort : public ScriptedPort {
public:
    std::function<void(const Message&)> onMessage;
    Answer messageBox(const Message& message) override {
        if (onMessage) onMessage(message);
        return ScriptedPort::messageBox(message);
    }
};

class Desktop {
public:
    // Installs the shipped pages and help, and a TAV.ini that reads without a message.
    Desktop();

    TempDir install, common, client;
    ProgramState st;
    WatchedPort ui;
    std::unique_ptr<ui::MDIfrmMain> frame;

    // Installs everything else the program ships (code files, ledgers, SampleFiles).
    void installData();
    // The shipped sample client (company file, Journal report) in the client folder.
    void useSampleClient();
    // The target as the navigator chooses it, after start-up.
    void chooseTarget(std::int16_t target);
    // Starts the program on the shipped sample client and walks to step 3 for the target:
    // the company file chosen, its lists extracted, the Journal report read. Returns false
    // when the start-up failed.
    bool sampleClientAtStep3(std::int16_t target);

    // Runs the start-up (settings, frame, navigator, Introduction).
    bool start();
    void writeIni(const std::string& text);
    std::string validIni(bool intro = false) const;

    // The screen shown now, once closed windows are gone.
    ui::TavForm* screen();
    QString screenName() { return screen() ? screen()->objectName() : QString(); }
    // A named control of the screen shown now.
    template <class T>
    T* control(const char* name) {
        return screen() ? screen()->findChild<T*>(name) : nullptr;
    }
    // Clicks a button of the screen shown now.
    void click(const char* name);
    // A window anywhere in the program.
    template <class T = QWidget>
    T* window(const char* name) {
        settle();
        return frame->findChild<T*>(name);
    }
    void trigger(const char* menuItem);
    // A click on a list item, as the mouse ends it.
    static void choose(QComboBox* list, int index);

    static void settle();
};

// A grid's rows as shown, two of its columns, blanks kept or trimmed.
using GridRows = std::vector<std::pair<QString, QString>>;
enum class Blanks { Kept, Trimmed };
GridRows gridRows(const QAbstractItemView* grid, int first, int second, Blanks blanks);

}  // namespace tav::test
