#include "taxmapping/modTaxMapping.h"

#include <fmt/format.h>

#include <algorithm>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "convert/modConvert.h"
#include "safe/ErrorLog.h"
#include "safe/FileCloser.h"
#include "safe/Platform.h"
#include "safe/SafeMethods.h"
#include "safe/Values.h"
#include "shell/ProgramState.h"
#include "taxmapping/TAVNewTaxCode.h"

namespace tav {

namespace {

constexpr std::string_view kChartFormat =
    "The Chart of Accounts format is not as expected, hence file conversion will fail. Please "
    "make sure you are using a supported version of QuickBooks, or check the Varnel website for "
    "an updated version of TAV.";

// Position of a column in a list file's header line, searched from field 1 on. Column
// positions start at 0, so data lines met before their header read the record type
// itself in every column. When a name occurs twice the later position wins, unless the
// first is asked for.
std::optional<size_t> columnPosition(const StrArray& header, std::string_view name,
                                     bool firstMatch = false) {
    std::optional<size_t> found;
    for (size_t i = 1; i < header.size(); ++i) {
        if (header[i] != name) continue;
        found = i;
        if (firstMatch) break;
    }
    return found;
}

// Opens a list or data file for reading on a number of the caller's choice.
Sem openForReading(ProgramState& st, UiPort& ui, const std::string& path, int number,
                   std::string_view procedure, std::string_view failure) {
    const Sem open = sfOpenFile(st, ui, path, "Input", number);
    return open.empty() ? Sem{} : sfSemCreate(kModTaxMapping, procedure, 0, failure, open);
}

}  // namespace

Sem sfGetcolTaxPayables(ProgramState& st, UiPort& ui) {
    constexpr std::string_view kProc = "sfGetcolTaxPayables";
    return guarded(kModTaxMapping, kProc, [&]() -> Sem {
        st.gcolTaxPayables.Clear();
        const int n = st.files.freeFile();
        if (Sem e = openForReading(st, ui, st.gstrChartOfAccountsFile, n, kProc,
                                   "Error opening the Chart of Accounts file.");
            !e.empty())
            return e;
        FileCloser closer(st.files, n);
        size_t number = 0, extra = 0;
        while (!st.files.eof(n)) {
            const StrArray f = vbSplit(st.files.lineInput(n), "\t");
            if (field(f, 0) == "!ACCNT") {
                const auto numberAt = columnPosition(f, "ACCNUM");
                const auto extraAt = columnPosition(f, "EXTRA");
                if (!numberAt || !extraAt)
                    return sfSemCreate(kModTaxMapping, kProc, 0, kChartFormat);
                number = *numberAt;
                extra = *extraAt;
            } else if (field(f, 0) == "ACCNT" && field(f, extra) == "SALESTAX") {
                if (field(f, number).empty())
                    return sfSemCreate(
                        kModTaxMapping, kProc, 0,
                        "One of the Tax liability accounts used in transactions does not have an "
                        "account number. Make sure that all QuickBooks accounts are numbered "
                        "before "
                        "exporting the Journal file and getting lists again from QuickBooks.");
                st.gcolTaxPayables.Add(field(f, number));
            }
        }
        return {};
    });
}

Sem sfGetcolTaxCodeTaxItemLinks(ProgramState& st, UiPort& ui) {
    constexpr std::string_view kProc = "sfGetcolTaxCodeTaxItemLinks";
    return guarded(kModTaxMapping, kProc, [&]() -> Sem {
        st.gcolTaxCodeTaxItemLinks.Clear();
        const int n = st.files.freeFile();
        if (Sem e = openForReading(st, ui, st.gstrTaxCodeListFile, n, kProc,
                                   "Error opening the Tax Codes file.");
            !e.empty())
            return e;
        FileCloser closer(st.files, n);
        size_t name = 0, purchase = 0, sales = 0;
        while (!st.files.eof(n)) {
            const StrArray f = vbSplit(st.files.lineInput(n), "\t");
            if (field(f, 0) == "!TAXCODE") {
                const auto nameAt = columnPosition(f, "NAME");
                const auto purchaseAt = columnPosition(f, "PURCHASETAXITEM");
                const auto salesAt = columnPosition(f, "SALESTAXITEM");
                if (!nameAt || !purchaseAt || !salesAt)
                    return sfSemCreate(
                        kModTaxMapping, kProc, 0,
                        "The Tax Code list format is not as expected, hence file conversion will "
                        "fail. Please make sure you are using a supported version of QuickBooks, "
                        "or "
                        "check the Varnel website for an updated version of TAV.");
                name = *nameAt;
                purchase = *purchaseAt;
                sales = *salesAt;
            } else if (field(f, 0) == "TAXCODE") {
                st.gcolTaxCodeTaxItemLinks.Add(
                    {field(f, name), field(f, purchase), field(f, sales)});
            }
        }
        return {};
    });
}

bool checkChartNumbering(ProgramState& st, UiPort& ui) {
    constexpr std::string_view kForm = "TAVTaxMapping.frm";
    constexpr std::string_view kProc = "cmdExtractQBLists_Click";
    auto report = [&](std::string_view description, const Sem& details = {}) {
        dsCreateSEMAndDoAll(st, ui, kForm, kProc, 0, description, details, true);
        return false;
    };
    try {
        const int n = st.files.freeFile();
        if (Sem e = sfOpenFile(st, ui, st.gstrChartOfAccountsFile, "Input", n); !e.empty())
            return report(
                "An error occurred when trying to open the QuickBooks Chart of Accounts file. Try "
                "exporting the QuickBooks lists again.",
                e);
        FileCloser closer(st.files, n);
        size_t number = 0;
        while (!st.files.eof(n)) {
            const StrArray f = vbSplit(st.files.lineInput(n), "\t");
            if (field(f, 0) == "!ACCNT") {
                const auto numberAt = columnPosition(f, "ACCNUM", true);
                if (!numberAt) return report(kChartFormat);
                number = *numberAt;
            } else if (field(f, 0) == "ACCNT" && field(f, number).empty()) {
                return report(
                    "At least one account in the QuickBooks Chart Of Accounts file does not have "
                    "an account number. The first such account found is account " +
                    field(f, 1) +
                    " . Make sure that all QuickBooks accounts are numbered before extracting the "
                    "lists and Journal file again from QuickBooks.");
            }
        }
        return true;
    } catch (...) {
        dsReportException(st, ui, kForm, kProc);
        return false;
    }
}

std::string targetTaxCodeFile(const ProgramState& st) {
    const char* name = nullptr;
    switch (st.gintTargetApp) {
        case target::MasAU: name = "MasAUTaxCodes.txt"; break;
        case target::Accounts: name = "AccountsTaxCodes.txt"; break;
        case target::MasNZ: name = "MasNZTaxCodes.txt"; break;
        default: return {};
    }
    return platform::joinPath(st.installFolder, name);
}

Sem sfLoadColTargetTaxCodes(ProgramState& st, UiPort& ui, const std::string& path) {
    constexpr std::string_view kProc = "sfLoadColTargetTaxCodes";
    return guarded(kModTaxMapping, kProc, [&]() -> Sem {
        if (Sem e = openForReading(st, ui, trim(path), 1, kProc,
                                   "An error occurred when trying to open the target tax codes "
                                   "file.");
            !e.empty())
            return e;
        FileCloser closer(st.files, 1);
        while (!st.files.eof(1))
            for (std::string& code : vbSplit(st.files.lineInput(1), ","))
                st.gcolTargetTaxCodes.Add(std::move(code));
        return {};
    });
}

Sem sfLoadColDefaultTaxMapping(ProgramState& st, UiPort& ui) {
    constexpr std::string_view kProc = "sfLoadColDefaultTaxMapping";
    return guarded(kModTaxMapping, kProc, [&]() -> Sem {
        if (Sem e = openForReading(
                st, ui, platform::joinPath(st.installFolder, "DefaultTaxMapping.txt"), 1, kProc,
                "An error occurred when trying to open the default mapping "
                "file.");
            !e.empty())
            return e;
        FileCloser closer(st.files, 1);
        if (!st.files.eof(1)) st.files.lineInput(1);  // the header
        while (!st.files.eof(1)) st.gcolDefaultTaxMapping.Add(vbSplit(st.files.lineInput(1), ","));
        return {};
    });
}

Sem sfExtractCodes(ProgramState& st, UiPort& ui) {
    return guarded(kModTaxMapping, "sfExtractCodes", [&]() -> Sem {
        return sfExtractCodes(st, *scanReport(st, ui, ScanRequest{.taxItems = true}));
    });
}

Sem sfExtractCodes(ProgramState& st, const ReportScan& scan) {
    return guarded(kModTaxMapping, "sfExtractCodes", [&]() -> Sem {
        std::unordered_set<std::string> items;
        for (const StrArray& entry : st.gcolMappedTaxCodes) items.insert(field(entry, 0));
        for (const std::string& item : scan.taxItems)
            if (items.insert(item).second) st.gcolMappedTaxCodes.Add({item, "", "1"});
        if (scan.taxFailure) return scan.taxFailure->as(kModTaxMapping, "sfExtractCodes");
        return {};
    });
}

Sem sfMapStandardCodes(ProgramState& st) {
    constexpr std::string_view kProc = "sfMapStandardCodes";
    return guarded(kModTaxMapping, kProc, [&]() -> Sem {
        if (st.gcolMappedTaxCodes.empty()) return {};
        if (st.gcolDefaultTaxMapping.empty())
            return sfSemCreate(kModTaxMapping, kProc, 0,
                               "Error: The default tax mapping collection is empty. Try closing "
                               "and restarting TAV or re-booting your computer.");
        const size_t code = st.gintTargetApp == target::Accounts ? 2 : 1;
        const size_t position = code + 2;
        for (long i = 1; i <= st.gcolMappedTaxCodes.Count(); ++i) {
            for (const StrArray& line : st.gcolDefaultTaxMapping) {
                if (field(line, 0) != st.gcolMappedTaxCodes.Item(i)[0]) continue;
                StrArray mapped = st.gcolMappedTaxCodes.Item(i);
                mapped[1] = field(line, code);
                mapped[2] = field(line, position).empty() ? "1" : field(line, position);
                st.gcolMappedTaxCodes.Replace(i, std::move(mapped));
                break;
            }
        }
        return {};
    });
}

Sem sfSetUpTaxCombo(const ProgramState& st, StrArray& listItems) {
    listItems.clear();
    return guarded(kModTaxMapping, "sfSetUpTaxCombo", [&]() -> Sem {
        listItems = {" <Add New>", ""};
        for (const std::string& code : st.gcolTargetTaxCodes) listItems.push_back(" " + code);
        return {};
    });
}

void storeTaxCodeChoice(ProgramState& st, long row, long position) {
    if (st.gcolMappedTaxCodes.empty()) return;
    StrArray mapped = st.gcolMappedTaxCodes.Item(row);
    mapped[1] = position == 1 ? "" : st.gcolTargetTaxCodes.Item(position - 1);
    mapped[2] = std::to_string(position);
    st.gcolMappedTaxCodes.Replace(row, std::move(mapped));
}

Sem sfReadTaxMapping(ProgramState& st, UiPort& ui, const std::string& path,
                     std::vector<TaxMappingLine>& lines) {
    constexpr std::string_view kProc = "sfReadTaxMapping";
    lines.clear();
    return guarded(kModTaxMapping, kProc, [&]() -> Sem {
        const int n = st.files.freeFile();
        if (Sem e = openForReading(st, ui, path, n, kProc,
                                   "An error occurred when trying to open the tax mapping file.");
            !e.empty())
            return e;
        FileCloser closer(st.files, n);
        for (long lineNumber = 1; !st.files.eof(n); ++lineNumber) {
            const std::string line = st.files.lineInput(n);
            if (trimView(line).empty()) continue;
            const StrArray f = vbSplit(line, ",");
            if (f.size() != 2)
                return sfSemCreate(kModTaxMapping, kProc, 0,
                                   fmt::format("Incorrect number of fields in line {} of the tax "
                                               "mapping file. Each line holds a QuickBooks tax "
                                               "item, a comma and a target tax code.",
                                               lineNumber));
            lines.push_back({trim(f[0]), trim(f[1]), lineNumber});
        }
        return {};
    });
}

Sem sfApplyTaxMapping(ProgramState& st, const std::vector<TaxMappingLine>& lines,
                      std::vector<std::string>* filled) {
    constexpr std::string_view kProc = "sfApplyTaxMapping";
    const Collection<std::string> codesBefore = st.gcolTargetTaxCodes;
    const Collection<StrArray> mappingBefore = st.gcolMappedTaxCodes;
    std::vector<std::string> chosen;
    Sem e = guarded(kModTaxMapping, kProc, [&]() -> Sem {
        std::unordered_map<std::string, long> rows;
        for (long i = 1; i <= st.gcolMappedTaxCodes.Count(); ++i)
            rows.emplace(st.gcolMappedTaxCodes.Item(i)[0], i);
        for (const TaxMappingLine& line : lines) {
            const auto row = rows.find(line.item);
            if (row == rows.end()) continue;
            const auto& codes = st.gcolTargetTaxCodes;
            // An empty code unmaps even when the code file holds an empty code.
            const auto known =
                line.code.empty() ? codes.end() : std::find(codes.begin(), codes.end(), line.code);
            long position = 1;  // the blank entry: unmapped
            if (known != codes.end()) {
                position = static_cast<long>(known - codes.begin()) + 2;
            } else if (!line.code.empty()) {
                std::optional<Message> refused = newtaxcode::refusal(st, line.code);
                if (!refused && newtaxcode::typed(st.gintTargetApp, line.code) != line.code)
                    refused = Message{newtaxcode::instructions(st.gintTargetApp)};
                if (refused)
                    return sfSemCreate(
                        kModTaxMapping, kProc, 0,
                        fmt::format("The tax code '{}' in line {} of the tax mapping file cannot "
                                    "be added to the list of {} tax codes: {}",
                                    line.code, line.line, st.gstrTargetAppName, refused->text));
                st.gcolTargetTaxCodes.Add(line.code);
                position = codes.Count() + 1;
            }
            storeTaxCodeChoice(st, row->second, position);
            chosen.push_back(line.item);
        }
        return {};
    });
    if (!e.empty()) {
        st.gcolTargetTaxCodes = codesBefore;
        st.gcolMappedTaxCodes = mappingBefore;
        return e;
    }
    if (filled) *filled = std::move(chosen);
    return {};
}

Sem sfLoadTaxMapping(ProgramState& st, UiPort& ui, const std::string& path) {
    std::vector<TaxMappingLine> lines;
    if (Sem e = sfReadTaxMapping(st, ui, path, lines); !e.empty()) return e;
    return sfApplyTaxMapping(st, lines);
}

Sem sfSaveTaxMapping(ProgramState& st, UiPort& ui, const std::string& path,
                     const std::vector<TaxMappingLine>& alsoKeep) {
    constexpr std::string_view kProc = "sfSaveTaxMapping";
    return guarded(kModTaxMapping, kProc, [&]() -> Sem {
        const int n = st.files.freeFile();
        if (Sem e = sfOpenFile(st, ui, path, "Output", n); !e.empty())
            return sfSemCreate(kModTaxMapping, kProc, 0,
                               "An error occurred when trying to write the tax mapping file.", e);
        FileCloser closer(st.files, n);
        std::unordered_set<std::string_view> written;
        auto write = [&](std::string_view item, std::string_view code) {
            if (item.find(',') != std::string_view::npos || !written.insert(item).second) return;
            st.files.printLine(n, fmt::format("{},{}", item, code));
        };
        for (const StrArray& mapped : st.gcolMappedTaxCodes) write(mapped[0], mapped[1]);
        for (const TaxMappingLine& line : alsoKeep) write(line.item, line.code);
        st.files.close(n);
        return {};
    });
}

}  // namespace tav
