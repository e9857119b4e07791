// The settings file TAV.ini: read at start-up, written back at shutdown, and read again
// at the next start-up, which must find what the first start-up settled on.

#include <filesystem>

#include "fuzz/FuzzSupport.h"
#include "safe/Platform.h"
#include "shell/ProgramState.h"
#include "shell/modMDIMain.h"

namespace {

bool sameSettings(const tav::ProgramState& a, const tav::ProgramState& b) {
    return a.gblnShowIntro == b.gblnShowIntro && a.gstrQBVersion == b.gstrQBVersion &&
           a.gintQBEdition == b.gintQBEdition && a.gintTargetApp == b.gintTargetApp &&
           a.gstrClientFolder == b.gstrClientFolder && a.gstrCompanyFile == b.gstrCompanyFile &&
           a.glngLedgerNumber == b.glngLedgerNumber &&
           a.gstrCustomisedLedgerPath == b.gstrCustomisedLedgerPath;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tav;
    const fuzz::Workspace& ws = fuzz::Workspace::get();
    ws.removeLogs();
    fuzz::FuzzInput in(data, size);
    // Start-up begins from the empty state; the client folder stands in for the
    // installation folder, which holds TAV.ini.
    auto fresh = [&](ProgramState& st) {
        st.installFolder = ws.client;
        st.commonDocumentsFolder =
            platform::pathToUtf8(std::filesystem::path(ws.data).parent_path());
    };
    ProgramState first;
    fresh(first);
    ws.write("TAV.ini", in.rest());
    fuzz::FuzzPort ui;

    fuzz::expect(MDIForm_Load(first, ui) == StartupOutcome::Complete, "start-up completes");
    MDIForm_Unload(first, ui);
    ProgramState second;
    fresh(second);
    fuzz::expect(MDIForm_Load(second, ui) == StartupOutcome::Complete, "start-up completes again");
    fuzz::expect(sameSettings(first, second), "settings written back read back the same");
    return 0;
}
