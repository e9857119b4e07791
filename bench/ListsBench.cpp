// tav-bench-lists: the two list readings whose cost grows with a client's size, each on
// generated input, timed in-process.
//
//   tav-bench-lists tax-mapping COUNT FOLDER
//       A tax mapping file of COUNT lines for a report with COUNT tax items, loaded as
//       --tax-mapping loads it; prints the seconds the load took.
//   tav-bench-lists company FOLDER SIZE
//       Writes a company file (IIF text) of about SIZE bytes into FOLDER.
//   tav-bench-lists extract FOLDER
//       Extracts the chart of accounts and the tax code list from FOLDER's company file as
//       Get QuickBooks Lists does; prints the seconds and the peak resident memory.

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "safe/Platform.h"
#include "shell/ProgramState.h"
#include "taxmapping/modTaxMapping.h"
#include "taxmapping/qbint32.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

long peakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

struct QuietPort : tav::UiPort {
    tav::Answer messageBox(const tav::Message& m) override {
        std::fprintf(stderr, "[%s] %s\n", m.title.c_str(), m.text.c_str());
        return tav::defaultAnswer(m);
    }
    std::optional<std::string> fileDialog(const tav::FileDialog&) override { return {}; }
    void doEvents() override {}
    tav::ViewerStart startViewer(const std::string&) override { return tav::ViewerStart::NotFound; }
};

int taxMapping(long count, const std::string& folder) {
    tav::ProgramState st;
    st.gintTargetApp = tav::target::Accounts;
    st.gstrTargetAppName = "'Accounts'";
    for (const char* code : {"GST", "FRE", "INP", "CAP", "EXP", "NT"})
        st.gcolTargetTaxCodes.Add(code);
    const std::string path = tav::platform::joinPath(folder, "TaxMapping.txt");
    {
        std::ofstream out(path, std::ios::binary);
        for (long i = 0; i < count; ++i) {
            const std::string item = "Item " + std::to_string(i);
            st.gcolMappedTaxCodes.Add({item, "", "1"});
            // Every item mapped, a few to codes the list does not have yet.
            out << item << "," << (i % 50'000 == 7 ? "Z" + std::to_string(i % 9) : "GST") << "\r\n";
        }
    }
    QuietPort ui;
    const Clock::time_point start = Clock::now();
    const tav::Sem e = tav::sfLoadTaxMapping(st, ui, path);
    const double seconds = secondsSince(start);
    if (!e.empty()) {
        std::fprintf(stderr, "%s", e.c_str());
        return 1;
    }
    std::printf("tax mapping of %ld items loaded in %.3f s\n", count, seconds);
    return 0;
}

// A company's IIF export: its lists first, then transactions up to the size asked for.
int company(const std::string& folder, double size) {
    std::ofstream out(tav::platform::joinPath(folder, "Company.qbw"), std::ios::binary);
    out << "!HDR\tPROD\tVER\r\nHDR\tQuickBooks Accountant\t19.0\r\n"
           "!ACCNT\tNAME\tREFNUM\tTIMESTAMP\tACCNTTYPE\tOBAMOUNT\tDESC\tACCNUM\tEXTRA\r\n";
    for (int a = 0; a < 500; ++a)
        out << "ACCNT\tAccount " << a << "\t" << a << "\t0\tEXP\t0\t\t" << 1000 + a << "\t"
            << (a == 7 ? "SALESTAX" : "") << "\r\n";
    out << "!TAXCODE\tNAME\tPURCHASETAXITEM\tSALESTAXITEM\r\nTAXCODE\tGST\tGST\tGST\r\n"
           "!TRNS\tTRNSID\tTRNSTYPE\tDATE\tACCNT\tNAME\tAMOUNT\tMEMO\r\n"
           "!SPL\tSPLID\tTRNSTYPE\tDATE\tACCNT\tNAME\tAMOUNT\tMEMO\r\n!ENDTRNS\r\n";
    double written = 0;
    for (long t = 0; written < size; ++t) {
        std::string trns = "TRNS\t" + std::to_string(t) +
                           "\tCHECK\t1/07/2011\tAccount 3\tHarbour Lane Cafe\t-110.00\tBeans, "
                           "milk and cups for the week\r\nSPL\t" +
                           std::to_string(t) +
                           "\tCHECK\t1/07/2011\tAccount 12\tHarbour Lane Cafe\t110.00\tBeans\r\n"
                           "ENDTRNS\r\n";
        out << trns;
        written += static_cast<double>(trns.size());
    }
    return out ? 0 : 1;
}

int extract(const std::string& folder) {
    if (!tav::platform::setCurrentDirectory(folder)) return 1;
    {
        std::ofstream("qbint32.ini", std::ios::binary)
            << "[QuickBooks]\r\nVersion=19.0\\accountant\r\n";
        std::ofstream("script.txt", std::ios::binary)
            << "ACCNT " << tav::platform::joinPath(folder, "CofA.iif") << "\r\nTAXCODE "
            << tav::platform::joinPath(folder, "TaxCodes.iif");
    }
    const Clock::time_point start = Clock::now();
    const long records = tav::ExportQbwData(tav::platform::joinPath(folder, "Company.qbw"));
    std::printf("%ld list records extracted in %.2f s, peak resident memory %.1f MB\n", records,
                secondsSince(start), static_cast<double>(peakKilobytes()) / 1024);
    return records < 0 ? 1 : 0;
}

double parseSize(const std::string& text) {
    double value = std::atof(text.c_str());
    switch (text.empty() ? ' ' : text.back()) {
        case 'K': value *= 1e3; break;
        case 'M': value *= 1e6; break;
        case 'G': value *= 1e9; break;
        default: break;
    }
    return value;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "tax-mapping" && argc == 4) return taxMapping(std::atol(argv[2]), argv[3]);
    if (mode == "company" && argc == 4) return company(argv[2], parseSize(argv[3]));
    if (mode == "extract" && argc == 3) return extract(argv[2]);
    std::fprintf(stderr,
                 "usage: tav-bench-lists tax-mapping COUNT FOLDER | company FOLDER SIZE | extract "
                 "FOLDER\n");
    return 2;
}
