// The installed tax data: a target tax code file and "DefaultTaxMapping.txt", loaded as
// the tax mapping screen loads them and applied to the sample client's tax items.
//
// Input: target (MAS Aust., 'Accounts', MAS N.Z.), two bytes giving the length of the
// code file (least significant first), the code file, then the default mapping.

#include <algorithm>

#include "fuzz/FuzzSupport.h"
#include "safe/Platform.h"
#include "safe/TextCodec.h"
#include "shell/ProgramState.h"
#include "taxmapping/modTaxMapping.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tav;
    constexpr std::int16_t kTargets[] = {target::MasAU, target::Accounts, target::MasNZ};
    fuzz::FuzzInput in(data, size);
    const std::int16_t targetApp = kTargets[in.byte() % 3];
    size_t codeLength = in.byte();
    codeLength |= static_cast<size_t>(in.byte()) << 8;
    const std::string_view bytes = in.rest();
    const std::string_view codes = bytes.substr(0, std::min(codeLength, bytes.size()));
    const std::string_view defaults = bytes.substr(codes.size());

    const fuzz::Workspace& ws = fuzz::Workspace::get();
    ProgramState st;
    ws.prepare(st);
    fuzz::FuzzPort ui;
    st.gintTargetApp = targetApp;
    st.installFolder = ws.client;  // the files under test stand in for the installed ones
    ws.write("DefaultTaxMapping.txt", defaults);
    const std::string codeFile = targetTaxCodeFile(st);
    ws.write(codeFile.substr(codeFile.find_last_of(platform::kPathSeparator) + 1), codes);

    // Any text loads; wide text, and bytes holding a NUL, are refused.
    auto text = [](std::string_view b) {
        return !wideEncodingName(b) && b.find('\0') == std::string_view::npos;
    };
    fuzz::expect(sfLoadColTargetTaxCodes(st, ui, codeFile).empty() || !text(codes),
                 "a code file loads");
    fuzz::expect(sfLoadColDefaultTaxMapping(st, ui).empty() || !text(defaults),
                 "a default mapping loads");
    fuzz::expect(!st.files.isOpen(1), "the loaders close their files");

    for (const char* item : {"NCG", "NCF", "GST", "FRE", "CAG", "INP"})
        st.gcolMappedTaxCodes.Add({item, "", "1"});
    if (!st.gcolDefaultTaxMapping.empty())
        st.gcolMappedTaxCodes.Add({st.gcolDefaultTaxMapping.Item(1).item, "", "1"});
    const long count = st.gcolMappedTaxCodes.Count();
    if (sfMapStandardCodes(st).empty()) {
        fuzz::expect(st.gcolMappedTaxCodes.Count() == count, "standard mapping keeps the rows");
        for (const MappedTaxCode& m : st.gcolMappedTaxCodes)
            fuzz::expect(!m.position.empty(), "a mapped tax code has its position");
    }
    StrArray list;
    fuzz::expect(sfSetUpTaxCombo(st, list).empty() &&
                     list.size() == static_cast<size_t>(st.gcolTargetTaxCodes.Count()) + 2,
                 "the tax code list: Add New, blank, then every code");
    return 0;
}
