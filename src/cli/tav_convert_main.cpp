// tav-convert: the batch command over the same core as the desktop application.

#include <CLI/CLI.hpp>

#include <iostream>
#include <string>
#include <vector>

#include "cli/ConsolePort.h"
#include "safe/Platform.h"
#include "shell/ProgramState.h"
#include "shell/modMDIMain.h"

int main(int argc, char** argv) {
    CLI::App app{"Converts a QuickBooks Journal report into an import file for MYOB MAS, "
                 "'Accounts' or Accountant's Office."};
    bool checkSetup = false;
    app.add_flag("--check-setup", checkSetup,
                 "Run the program's start-up and shutdown against the installation folder and "
                 "report what was found");
    tav::platform::useUtf8Console();
    const std::vector<std::string> args = tav::platform::commandLineArguments(argc, argv);
    std::vector<const char*> utf8Argv;
    for (const std::string& a : args) utf8Argv.push_back(a.c_str());
    CLI11_PARSE(app, static_cast<int>(utf8Argv.size()), utf8Argv.data());

    tav::ProgramState st;
    st.installFolder = tav::platform::executableFolder();
    tav::cli::ConsolePort ui(std::cerr, tav::defaultAnswer);

    if (checkSetup) {
        const tav::StartupOutcome outcome = tav::MDIForm_Load(st, ui);
        if (outcome == tav::StartupOutcome::Fatal) return 2;
        std::cout << "Installation folder: " << st.installFolder << "\n"
                  << "Data folder:         " << st.gstrDataFolder << "\n"
                  << "Settings:            " << tav::platform::joinPath(st.installFolder, "TAV.ini") << "\n"
                  << "  IntroScreen=" << (st.gblnShowIntro ? "True" : "False")
                  << " Version=" << st.gstrQBVersion << " Edition=" << st.gintQBEdition
                  << " TargetApplication=" << st.gintTargetApp << "\n"
                  << "  ClientFolder=" << st.gstrClientFolder << "\n"
                  << "  CompanyFile=" << st.gstrCompanyFile << " LedgerNumber=" << st.glngLedgerNumber
                  << " CustomisedLedgerPath=" << st.gstrCustomisedLedgerPath << "\n"
                  << "Messages shown:      " << ui.messagesShown() << "\n";
        tav::MDIForm_Unload(st, ui);
        std::cout << "Settings written back to TAV.ini.\n";
        return outcome == tav::StartupOutcome::Complete ? 0 : 1;
    }
    std::cout << app.help();
    return 0;
}
