// tav-bench-mapping [QUICKBOOKS_ACCOUNTS] [TARGET_ACCOUNTS]: times the account mapping
// screen of a large client, offscreen, each step with the events and painting it causes:
// opening the screen (building the mapping from the chart of accounts, then again with
// the mapping kept), typing a prefix into the account combo, and the keys that store a
// choice and move to another row. Defaults: 5,000 QuickBooks accounts, 10,000 target
// accounts (the sizes the screen must stay instant for).

#include <fmt/format.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <ctime>
#include <fstream>
#include <iostream>
#include <vector>

#include "accountmapping/TAVAccountMapping.h"
#include "shell/ProgramState.h"
#include "ui/MDIfrmMain.h"

namespace {

// Answers every box with its default button and cancels every file dialog; none is
// expected.
class QuietPort : public tav::UiPort {
public:
    tav::Answer messageBox(const tav::Message& message) override {
        std::cerr << "unexpected message: " << message.title << "\n";
        return tav::defaultAnswer(message);
    }
    std::optional<std::string> fileDialog(const tav::FileDialog&) override { return {}; }
    void doEvents() override { QCoreApplication::processEvents(); }
    tav::ViewerStart startViewer(const std::string&) override { return tav::ViewerStart::NotFound; }
};

void settle() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// The processor time of this thread, in milliseconds: what a step costs, whatever else
// the machine is busy with.
double cpuMilliseconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

struct Figures {
    std::vector<double> cpu, wall;
    void print(const char* what) {
        std::sort(cpu.begin(), cpu.end());
        std::sort(wall.begin(), wall.end());
        std::cout << fmt::format("{:<40} {:>5} {:>8.2f} {:>8.2f} {:>8.2f} {:>8.2f}\n", what,
                                 cpu.size(), cpu[cpu.size() / 2], cpu.back(), wall[wall.size() / 2],
                                 wall.back());
    }
};

// Times a step with the events and painting it causes.
template <class Step>
void timed(Figures& figures, Step&& step) {
    QElapsedTimer timer;
    timer.start();
    const double cpu = cpuMilliseconds();
    step();
    settle();
    figures.cpu.push_back(cpuMilliseconds() - cpu);
    figures.wall.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
}

// Target accounts 1-0000, 1-0001, ... (all beginning alike, so that a prefix search runs
// far down the list); the QuickBooks accounts are every second of them.
std::string targetNumber(long i) { return fmt::format("{}-{:04}", 1 + i / 10000, i % 10000); }

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const long quickBooks = argc > 1 ? std::stol(argv[1]) : 5000;
    const long targets = argc > 2 ? std::stol(argv[2]) : 10000;
    QTemporaryDir folder;

    tav::ProgramState st;
    st.installFolder = st.gstrDataFolder = st.gstrClientFolder = folder.path().toStdString();
    st.commonDocumentsFolder = st.installFolder;
    st.gstrChartOfAccountsFile = folder.filePath("CofA.iif").toStdString();
    st.gstrTargetAppName = "MAS";
    st.gblnListsExtracted = true;
    {
        std::ofstream chart(st.gstrChartOfAccountsFile, std::ios::binary);
        chart << "!ACCNT\tNAME\tREFNUM\tTIMESTAMP\tACCNTTYPE\tOBAMOUNT\tDESC\tACCNUM\r\n";
        for (long i = 0; i < quickBooks; ++i) {
            const std::string number = targetNumber(2 * i);
            chart << fmt::format("ACCNT\tQuickBooks account {}\t{}\t0\tEXP\t0\t\t{}\r\n", i, i,
                                 number);
            st.gcolJournalAccounts.Add(number);
        }
    }
    for (long i = 0; i < targets; ++i)
        st.gcolTargetAccounts.Add({targetNumber(i), fmt::format("Target account {}", i)});

    QuietPort port;
    tav::ui::MDIfrmMain frame(st, port);
    frame.show();
    settle();
    std::cout << fmt::format("{} QuickBooks accounts, {} target accounts (milliseconds)\n",
                             quickBooks, targets);
    std::cout << fmt::format("{:<40} {:>5} {:>17} {:>17}\n", "", "", "processor time",
                             "elapsed time");
    std::cout << fmt::format("{:<40} {:>5} {:>8} {:>8} {:>8} {:>8}\n", "step", "runs", "median",
                             "max", "median", "max");

    Figures rules, first, build, reopen;
    for (int i = 0; i < 5; ++i) {
        st.gcolMappedAccounts.Clear();
        tav::accountmappingscreen::View view(st);
        timed(rules, [&] { tav::accountmappingscreen::Form_Load(st, port, view); });
    }
    // The first window of its kind also loads fonts and styles.
    st.gcolMappedAccounts.Clear();
    timed(first, [&] { frame.showScreen(tav::Screen::AccountMapping); });
    if (!frame.currentScreen() || frame.currentScreen()->objectName() != "frmAccountMapping") {
        std::cerr << "this build has no account mapping window\n";
        return 1;
    }
    for (int i = 0; i < 10; ++i) {
        st.gcolMappedAccounts.Clear();
        timed(build, [&] { frame.showScreen(tav::Screen::AccountMapping); });
        timed(reopen, [&] { frame.showScreen(tav::Screen::AccountMapping); });
    }
    rules.print("the rules alone, building the mapping");
    first.print("open for the first time");
    build.print("open, building the mapping");
    reopen.print("open, the mapping kept");

    auto* combo = frame.currentScreen()->findChild<QComboBox*>("cmbAccounts");
    Figures typed, enter, down, up;
    // Row after row: a prefix near the end of the list, then Enter; every tenth row also
    // goes down and up again.
    for (int row = 0; row < 200; ++row) {
        for (const char key : targetNumber(targets - 1 - row).substr(0, 4))
            timed(typed, [&] { QTest::keyClick(combo, key); });
        timed(enter, [&] { QTest::keyClick(combo, Qt::Key_Enter); });
        if (row % 10 == 9) {
            timed(down, [&] { QTest::keyClick(combo, Qt::Key_Down); });
            timed(up, [&] { QTest::keyClick(combo, Qt::Key_Up); });
        }
    }
    typed.print("a key of a prefix, completed");
    enter.print("Enter: stored, next row");
    down.print("Down: stored, next row");
    up.print("Up: stored, row above");
    return 0;
}
