// tavora: the desktop application.

#include <QApplication>

#include "safe/Platform.h"
#include "shell/ProgramState.h"
#include "ui/MDIfrmMain.h"
#include "ui/QtPort.h"

int main(int argc, char** argv) {
    tav::platform::returnLargeBuffersToSystem();
    QApplication app(argc, argv);
    QApplication::setApplicationName(tav::kAppTitle);
    QApplication::setWindowIcon(tav::ui::tavIcon());

    tav::ProgramState st;
    st.installFolder = tav::platform::executableFolder();
    tav::ui::QtPort port;
    tav::ui::MDIfrmMain frame(st, port);
    port.onProgress = [&frame](std::uint64_t done, std::uint64_t total) {
        frame.progress(done, total);
    };
    port.whereAbout = [&st] {
        const std::optional<tav::FileTable::Place> place = st.files.stoppedReading();
        // Told once: a later message is about something else.
        st.files.forgetStoppedReading();
        return place ? tav::FileTable::describe(*place) : std::string();
    };
    if (!frame.MDIForm_Load()) return 1;
    return QApplication::exec();
}
