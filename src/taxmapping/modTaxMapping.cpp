#include "taxmapping/modTaxMapping.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "convert/ReportLine.h"
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

// Reads a QuickBooks list file open as file `number` for the records of one type. On
// each header line ("!" and the type) the named columns are looked for from field 1 on:
// when a name occurs twice the later position wins, or the first when asked. Column
// positions start at 0, so data lines met before their header read the record type
// itself in every column. Every data line of the type goes to onRecord with the
// positions; returning false ends the reading.
enum class ListReading { Complete, MissingColumn, Stopped };

template <size_t N, class OnRecord>
ListReading readListRecords(FileTable& files, int number, std::string_view type,
                            const std::array<std::string_view, N>& names, bool firstMatch,
                            OnRecord&& onRecord) {
    std::array<size_t, N> at{};
    while (!files.eof(number)) {
        const StrArray f = vbSplit(files.lineInput(number), "\t");
        const std::string& first = field(f, 0);
        if (first.starts_with('!') && std::string_view(first).substr(1) == type) {
            for (size_t c = 0; c < N; ++c) {
                std::optional<size_t> found;
                for (size_t i = 1; i < f.size() && !(found && firstMatch); ++i)
                    if (f[i] == names[c]) found = i;
                if (!found) return ListReading::MissingColumn;
                at[c] = *found;
            }
        } else if (first == type && !onRecord(f, at)) {
            return ListReading::Stopped;
        }
    }
    return ListReading::Complete;
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
        enum { Number, Extra };
        const auto reading = readListRecords<2>(st.files, n, "ACCNT", {"ACCNUM", "EXTRA"}, false,
                                                [&](const StrArray& f, auto at) {
                                                    if (field(f, at[Extra]) != "SALESTAX")
                                                        return true;
                                                    if (field(f, at[Number]).empty()) return false;
                                                    st.gcolTaxPayables.Add(field(f, at[Number]));
                                                    return true;
                                                });
        if (reading == ListReading::MissingColumn)
            return sfSemCreate(kModTaxMapping, kProc, 0, kChartFormat);
        if (reading == ListReading::Stopped)
            return sfSemCreate(
                kModTaxMapping, kProc, 0,
                "One of the Tax liability accounts used in transactions does not have an "
                "account number. Make sure that all QuickBooks accounts are numbered before "
                "exporting the Journal file and getting lists again from QuickBooks.");
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
        enum { Name, Purchase, Sales };
        const auto reading = readListRecords<3>(
            st.files, n, "TAXCODE", {"NAME", "PURCHASETAXITEM", "SALESTAXITEM"}, false,
            [&](const StrArray& f, auto at) {
                st.gcolTaxCodeTaxItemLinks.Add(
                    {field(f, at[Name]), field(f, at[Purchase]), field(f, at[Sales])});
                return true;
            });
        if (reading == ListReading::MissingColumn)
            return sfSemCreate(
                kModTaxMapping, kProc, 0,
                "The Tax Code list format is not as expected, hence file conversion will fail. "
                "Please make sure you are using a supported version of QuickBooks, or check the "
                "Varnel website for an updated version of TAV.");
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
        std::string unnumbered;  // the name of the first account without a number
        const auto reading = readListRecords<1>(st.files, n, "ACCNT", {"ACCNUM"}, true,
                                                [&](const StrArray& f, auto at) {
                                                    if (!field(f, at[0]).empty()) return true;
                                                    unnumbered = field(f, accnt::Name);
                                                    return false;
                                                });
        if (reading == ListReading::MissingColumn) return report(kChartFormat);
        if (reading == ListReading::Stopped)
            return report(
                "At least one account in the QuickBooks Chart Of Accounts file does not have "
                "an account number. The first such account found is account " +
                unnumbered +
                " . Make sure that all QuickBooks accounts are numbered before extracting the "
                "lists and Journal file again from QuickBooks.");
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
        while (!st.files.eof(1)) {
            // item, MAS code, 'Accounts' code, MAS position, 'Accounts' position
            StrArray f = vbSplit(st.files.lineInput(1), ",");
            const size_t fields = std::min<size_t>(f.size(), 5);
            f.resize(std::max<size_t>(f.size(), 5));
            st.gcolDefaultTaxMapping.Add({std::move(f[0]), std::move(f[1]), std::move(f[2]),
                                          std::move(f[3]), std::move(f[4]), fields});
        }
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
        for (const MappedTaxCode& entry : st.gcolMappedTaxCodes) items.insert(entry.item);
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
        const bool accounts = st.gintTargetApp == target::Accounts;
        // The fields the target reads: the item (1), its code (2 or 3), the position (4 or 5).
        const size_t needed = accounts ? 5 : 4;
        for (long i = 1; i <= st.gcolMappedTaxCodes.Count(); ++i) {
            for (const DefaultTaxMapping& line : st.gcolDefaultTaxMapping) {
                if (line.fields == 0) raise(err::SubscriptOutOfRange);
                if (line.item != st.gcolMappedTaxCodes.Item(i).item) continue;
                if (line.fields < needed) raise(err::SubscriptOutOfRange);
                MappedTaxCode mapped = st.gcolMappedTaxCodes.Item(i);
                mapped.code = accounts ? line.accountsCode : line.masCode;
                const std::string& position = accounts ? line.accountsPosition : line.masPosition;
                mapped.position = position.empty() ? "1" : position;
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
    MappedTaxCode mapped = st.gcolMappedTaxCodes.Item(row);
    mapped.code = position == 1 ? "" : st.gcolTargetTaxCodes.Item(position - 1);
    mapped.position = std::to_string(position);
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
    const Collection<MappedTaxCode> mappingBefore = st.gcolMappedTaxCodes;
    std::vector<std::string> chosen;
    Sem e = guarded(kModTaxMapping, kProc, [&]() -> Sem {
        std::unordered_map<std::string, long> rows;
        for (long i = 1; i <= st.gcolMappedTaxCodes.Count(); ++i)
            rows.emplace(st.gcolMappedTaxCodes.Item(i).item, i);
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
        for (const MappedTaxCode& mapped : st.gcolMappedTaxCodes) write(mapped.item, mapped.code);
        for (const TaxMappingLine& line : alsoKeep) write(line.item, line.code);
        st.files.close(n);
        return {};
    });
}

}  // namespace tav
