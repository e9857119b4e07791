// The Journal report: taken in by the tax mapping screen, mapped, then converted by the
// convert screen for the target the first byte chooses, with the sample client's lists
// and the installed ledgers. The data-error prompts are answered by the fuzzer's bits.
//
// Input: target, options (bit 0 all to journals, bit 1 put the header row first, bit 2
// lists that know the report's accounts and tax codes), eight bytes of answers, then the
// report.

#include <fmt/format.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <unordered_set>

#include "accountmapping/modAccountMapping.h"
#include "convert/TAVConvert.h"
#include "convert/modConvert.h"
#include "fuzz/FuzzSupport.h"
#include "safe/Platform.h"
#include "safe/SafeMethods.h"
#include "safe/TextCodec.h"
#include "shell/ProgramState.h"
#include "shell/Targets.h"
#include "taxmapping/modTaxMapping.h"

namespace tav::fuzz {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kHeaderRow =
    "Trans #\tType\tDate\tNum\tName\tMemo\tItem\tAccount\tTax Code\tAmount\tTax Amount\r\n";

std::string readAll(const std::string& path) {
    std::ifstream in(platform::pathFromUtf8(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The QuickBooks lists of the company the report comes from, as the extraction leaves
// them: the sample client's and, when the options ask for it, an account for every
// numbered account the report uses (those named like GST are tax liability accounts)
// and a tax code for every code it uses, standing for the Item of the line that first
// uses it (or for the item of its own name).
void writeLists(ProgramState& st, bool fromReport) {
    static const std::string company = readAll(platform::joinPath(
        st.installFolder, platform::nativeSeparators("SampleFiles/HarbourLaneCafe.qbw")));
    std::string accounts, codes;
    if (fromReport) {
        std::unordered_set<std::string> seen;
        try {
            st.files.open(1, st.gstrJournalFile, FileMode::Input);
            while (!st.files.eof(1)) {
                const StrArray f = vbSplit(st.files.lineInput(1), "\t");
                std::string account = f.size() > 7 ? f[7] : "", number, name;
                std::erase(account, ',');
                if (sfNumberOnly(account, number).empty() && !number.empty() &&
                    sfNameOnly(account, name).empty() && seen.insert("A" + number).second)
                    accounts +=
                        "ACCNT\t" + name + "\t\t\tEXP\t0\t" + name + "\t" + number + "\t\t0\t\t" +
                        (name.find("GST") != std::string::npos ? "SALESTAX" : "") + "\tN\t0\tN\r\n";
                // The item is the line's own Item, as on QuickBooks' tax lines, or the code.
                const std::string code = f.size() > 8 ? f[8] : "";
                const std::string item = f.size() > 6 && !f[6].empty() ? f[6] : code;
                if (!code.empty() && seen.insert("T" + code).second)
                    codes += "TAXCODE\t" + code + "\t\t\t\t" + item + "\t" + item + "\tN\r\n";
            }
        } catch (const RuntimeError&) {
            // A report that cannot be read adds nothing; the program says why later.
        }
        st.files.closeAll();
    }
    for (const std::string& list : {st.gstrChartOfAccountsFile, st.gstrTaxCodeListFile}) {
        std::ofstream out(platform::pathFromUtf8(list), std::ios::binary | std::ios::trunc);
        out << company << accounts << codes;
    }
}

// What selecting the report on the tax mapping screen does; false where the screen stops.
bool takeInReport(ProgramState& st, UiPort& ui) {
    if (!sfGetcolTaxPayables(st, ui).empty() || !sfGetcolTaxCodeTaxItemLinks(st, ui).empty())
        return false;
    const bool taxMapping = !isAccountantsOffice(st.gintTargetApp);
    if (taxMapping && (!sfLoadColTargetTaxCodes(st, ui, targetTaxCodeFile(st)).empty() ||
                       !sfLoadColDefaultTaxMapping(st, ui).empty()))
        return false;

    if (!sfOpenFile(st, ui, st.gstrJournalFile, "Input", 1).empty()) return false;
    bool headerOK = false;
    bool taken = sfReadAndCheckHeader(st, headerOK).empty() && headerOK;
    if (taken && taxMapping) {
        st.gcolMappedTaxCodes.Clear();
        taken = sfExtractCodes(st, ui).empty() && sfMapStandardCodes(st).empty();
    } else if (taken) {
        taken = sfExtractCodes(st, ui).empty();
    }
    st.files.close(1);
    if (!taken || st.gintTargetApp == target::Accounts) return taken;

    st.gcolJournalAccounts.Clear();
    st.gcolMappedAccounts.Clear();
    if (!sfOpenFile(st, ui, st.gstrJournalFile, "Input", 1).empty()) return false;
    taken = sfExtractAccounts(st, ui, st.gcolJournalAccounts).empty();
    st.files.close(1);
    return taken && !st.gcolJournalAccounts.empty();
}

// The user maps what the automatic mapping left, each to the first code or account.
bool completeMapping(ProgramState& st, UiPort& ui) {
    if (!isAccountantsOffice(st.gintTargetApp)) {
        for (long row = 1; row <= st.gcolMappedTaxCodes.Count(); ++row)
            if (!st.gcolMappedTaxCodes.Item(row).mapped() && !st.gcolTargetTaxCodes.empty())
                storeTaxCodeChoice(st, row, 2);
        if (!convertscreen::unmappedTaxItems(st).empty()) return false;
    }
    if (st.gintTargetApp == target::Accounts) return true;

    const long ledger = st.gintTargetApp == target::AccountantsOfficeAU ? 5 : 0;
    if (!sfLoadTargetAccounts(st, ui, ledgerPath(st, ledger)).empty()) return false;
    if (!sfPopulateColMappedAccounts(st, ui).empty()) return false;
    cmdAutoMapping_Click(st, ui);
    for (long row = 1; row <= st.gcolMappedAccounts.Count(); ++row)
        if (!st.gcolMappedAccounts.Item(row).mapped()) storeAccountChoice(st, row, 2);
    return convertscreen::unmappedAccounts(st).empty();
}

bool isAmount(std::string_view s, bool wholeAllowed) {
    const bool negative = s.starts_with('-');
    if (negative) s.remove_prefix(1);
    const size_t point = s.find('.');
    const std::string_view whole = s.substr(0, point);
    auto digits = [](std::string_view d) {
        return !d.empty() &&
               std::all_of(d.begin(), d.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (!digits(whole) || (whole.size() > 1 && whole[0] == '0')) return false;
    if (point == std::string_view::npos) return wholeAllowed && !(negative && whole == "0");
    const std::string_view cents = s.substr(point + 1);
    return cents.size() == 2 && digits(cents) && !(negative && whole == "0" && cents == "00");
}

// A quoted field's text: a double quote inside one is doubled.
std::string unquoted(std::string field) {
    for (size_t at = 0; (at = field.find("\"\"", at)) != std::string::npos; ++at)
        field.erase(at, 1);
    return field;
}

bool isDate(std::string_view s) {
    const auto d = parseDate(s);
    return d && formatDate(*d) == s;
}

// Every line of the import file has the target's layout.
void expectImportLayout(const ProgramState& st, const std::string& bytes) {
    const StrArray lines = vbSplit(bytes, "\r\n");
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (isMas(st.gintTargetApp)) {
            if (i == 0) {
                expect(line.starts_with("\"V\" \",\" Conv. from "), "the MAS file header");
                continue;
            }
            const StrArray f = vbSplit(line, ",");
            expect(f.size() == 12, "a MAS line has twelve fields");
            expect(isDate(f[0]), "a MAS line's date");
            expect(charCount(f[3]) <= 6, "a MAS reference has at most six characters");
            expect(isAmount(f[5], false) && isAmount(f[11], false), "a MAS line's amounts");
        } else if (isAccountantsOffice(st.gintTargetApp)) {
            if (i == 0) {
                expect(line == "Ext_Date,Ext_TrType,,Ext_Ref,Ext_AccNo,Ext_Amt,,Ext_Desc",
                       "the Accountant's Office file header");
                continue;
            }
            const StrArray f = vbSplit(line, ",");
            expect(f.size() == 8, "an Accountant's Office line has eight fields");
            expect(isDate(f[0]), "an Accountant's Office line's date");
            expect(charCount(f[3]) <= 12,
                   "an Accountant's Office reference has at most 12 characters");
            expect(isAmount(f[5], false), "an Accountant's Office line's amount");
        } else {
            expect(line.size() >= 2 && line.front() == '"' && line.back() == '"',
                   "'Accounts' fields are quoted");
            const StrArray f = vbSplit(std::string_view(line).substr(1, line.size() - 2), "\",\"");
            if (f[0] == "XLON2") {
                expect(i == 0 && f.size() == 4 && isDate(f[2]) && isDate(f[3]), "the XLON2 line");
            } else if (f[0] == "AC") {
                expect(f.size() == 3, "an AC line has three fields");
            } else {
                expect(f[0] == "TR" && f.size() == 14, "a TR line has fourteen fields");
                expect(isDate(f[4]), "a TR line's date");
                expect(charCount(unquoted(f[7])) <= 7,
                       "an 'Accounts' reference has at most seven characters");
                expect(isAmount(f[8], true), "a TR line's amount");
                expect(f[9].empty() || isAmount(f[9], true), "a TR line's tax amount");
                expect(charCount(unquoted(f[13])) <= 60,
                       "an 'Accounts' description has at most 60 characters");
            }
        }
    }
}

// Both steps of the convert screen's Convert Data, with the same answers to the same
// prompts, over the import file of an earlier run; the new import file's bytes, or
// nothing when the run failed (and left the earlier file as it was). What the run said
// goes to `said`, when given.
std::optional<std::string> convert(ProgramState& st, std::uint64_t answers,
                                   std::string* said = nullptr) {
    constexpr std::string_view kEarlier = "an import file of an earlier run\r\n";
    const Workspace& ws = Workspace::get();
    ws.write("TAVOutput.txt", kEarlier);
    FuzzPort ui(answers);
    ConversionRun run;
    run.headerDate = "01/07/2011";
    Sem e = sfReadCreateWriteHeader(st, ui, run);
    if (e.empty()) e = sfReadConvertAppend(st, ui, run);
    if (said)
        *said = ui.said + fmt::format("{} written, {} omitted, {} lines, {}\n",
                                      run.transactionsWritten, run.transactionsOmitted,
                                      run.linesWritten, e.empty() ? "converted" : "failed");
    expect(!st.files.isOpen(kReportFile) && !st.files.isOpen(kImportFile),
           "the driver closes both files");
    for (const auto& entry : fs::directory_iterator(platform::pathFromUtf8(ws.client)))
        expect(platform::pathToUtf8(entry.path().filename()).find(".tavora-") == std::string::npos,
               "a run leaves no temporary file or lock behind");
    const std::string bytes = readAll(st.gstrOutputFile);
    if (!e.empty()) {
        expect(bytes == kEarlier, "a failed run leaves the earlier import file as it was");
        return std::nullopt;
    }
    expectWholeLines(st.gstrOutputFile);
    return bytes;
}

}  // namespace
}  // namespace tav::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tav;
    fuzz::FuzzInput in(data, size);
    const auto targetApp = static_cast<std::int16_t>(in.byte() % kTargetCount);
    const std::uint8_t options = in.byte();
    const std::uint64_t answers = in.bits();
    std::string report((options & 2) ? fuzz::kHeaderRow : "");
    report += in.rest();

    const fuzz::Workspace& ws = fuzz::Workspace::get();
    ProgramState st;
    ws.prepare(st);
    fuzz::FuzzPort ui(answers);
    st.gintTargetApp = targetApp;
    st.gstrTargetAppName = targetInfo(targetApp)->appName;
    st.gblnAllToJournals = (options & 1) != 0;
    st.gblnListsExtracted = true;
    st.gstrJournalFile = ws.write("Journal.txt", report);
    st.gstrOutputFile = ws.clientFile("TAVOutput.txt");
    fuzz::writeLists(st, (options & 4) != 0);

    if (!fuzz::takeInReport(st, ui) || !fuzz::completeMapping(st, ui)) return 0;
    fuzz::expect(!st.files.isOpen(1), "the tax mapping screen closes the report");

    const std::optional<std::string> output = fuzz::convert(st, answers);
    if (output) {
        fuzz::expectImportLayout(st, *output);
        if (isValidUtf8(report))
            fuzz::expect(isValidUtf8(*output), "a UTF-8 report gives a UTF-8 import file");
    }

    // The same report converts to the same import file again, and in Windows-1252 to the
    // same lines in Windows-1252.
    fuzz::expect(fuzz::convert(st, answers) == output, "a second conversion writes the same");
    // Read by several threads in blocks of a few lines, it converts as one thread converts
    // it: the same messages, the same counts, the same import file.
    st.reading = {1, 0};
    std::string one;
    const std::optional<std::string> single = fuzz::convert(st, answers, &one);
    for (unsigned threads : {2u, 8u}) {
        st.reading = {threads, 200};
        std::string said;
        fuzz::expect(fuzz::convert(st, answers, &said) == single && said == one,
                     "several threads convert as one does");
    }
    st.reading = {};
    const std::string ansi = utf8ToWindows1252(report);
    if (ansi != report && windows1252ToUtf8(ansi) == report && !isValidUtf8(ansi)) {
        ws.write("Journal.txt", ansi);
        const std::optional<std::string> again = fuzz::convert(st, answers);
        fuzz::expect(again.has_value() == output.has_value() &&
                         (!output || *again == utf8ToWindows1252(*output)),
                     "a Windows-1252 report gives the same lines in Windows-1252");
    }
    return 0;
}
