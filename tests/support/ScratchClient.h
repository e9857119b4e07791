#pragma once
// One client's session in scratch folders: an installation folder, a data folder and a
// client folder, the state pointed at them (the list files in the data folder, as
// start-up names them) and a scripted port. The working folder is put back afterwards,
// since the list extraction and the file dialogs change it.

#include <string>

#include "safe/Platform.h"
#include "shell/ProgramState.h"
#include "support/Files.h"
#include "support/ScriptedPort.h"

namespace tav::test {

struct ScratchClient {
    TempDir install, data, client;
    ProgramState st;
    ScriptedPort ui;

    ScratchClient() {
        st.installFolder = install.path();
        st.gstrDataFolder = data.path();
        st.gstrChartOfAccountsFile = data.file("CofA.iif");
        st.gstrTaxCodeListFile = data.file("TaxCodes.iif");
    }
    ~ScratchClient() { platform::setCurrentDirectory(directory_); }
    ScratchClient(const ScratchClient&) = delete;
    ScratchClient& operator=(const ScratchClient&) = delete;

private:
    std::string directory_ = platform::currentDirectory();
};

}  // namespace tav::test
