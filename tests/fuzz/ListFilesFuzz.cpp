// The QuickBooks list files: the chart of accounts and the tax code list read by their
// two readers, and the numbering check that the list extraction runs on the chart.
//
// Input: one byte of options (bit 0: the bytes are the company file's IIF text, which
// "Get QuickBooks Lists" exports into both lists; otherwise they are both list files as
// they stand), then the bytes.

#include "fuzz/FuzzSupport.h"
#include "safe/Platform.h"
#include "shell/ProgramState.h"
#include "taxmapping/modIIFSDK.h"
#include "taxmapping/modTaxMapping.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tav;
    fuzz::FuzzInput in(data, size);
    const bool throughExtraction = (in.byte() & 1) != 0;

    const fuzz::Workspace& ws = fuzz::Workspace::get();
    ProgramState st;
    ws.prepare(st);
    fuzz::FuzzPort ui;
    if (throughExtraction) {
        const std::string directory = platform::currentDirectory();
        st.gstrCompanyFile = ws.write("Company.qbw", in.rest());
        cmdExtractQBLists_Click(st, ui);  // the numbering check runs inside
        platform::setCurrentDirectory(directory);
    } else {
        ws.write("CofA.iif", in.rest());
        ws.write("TaxCodes.iif", in.rest());
        st.gstrChartOfAccountsFile = ws.clientFile("CofA.iif");
        st.gstrTaxCodeListFile = ws.clientFile("TaxCodes.iif");
        checkChartNumbering(st, ui);
    }

    const bool payablesRead = sfGetcolTaxPayables(st, ui).empty();
    const bool linksRead = sfGetcolTaxCodeTaxItemLinks(st, ui).empty();
    for (const std::string& number : st.gcolTaxPayables)
        fuzz::expect(!number.empty(), "a tax payable account has a number");

    // Each reader starts afresh, so a second reading gives the same lists.
    const Collection<std::string> payables = st.gcolTaxPayables;
    const Collection<TaxCodeLink> links = st.gcolTaxCodeTaxItemLinks;
    fuzz::expect(sfGetcolTaxPayables(st, ui).empty() == payablesRead &&
                     sfGetcolTaxCodeTaxItemLinks(st, ui).empty() == linksRead,
                 "a second reading fails as the first");
    fuzz::expect(st.gcolTaxPayables == payables && st.gcolTaxCodeTaxItemLinks == links,
                 "a second reading gives the same lists");
    for (int n = FileTable::kLowest; n <= 255; ++n)
        fuzz::expect(!st.files.isOpen(n), "the list readers close their files");
    return 0;
}
