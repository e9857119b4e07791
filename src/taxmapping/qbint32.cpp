#include "taxmapping/qbint32.h"

#include <fstream>
#include <iterator>
#include <optional>
#include <string_view>
#include <vector>

#include "safe/Platform.h"
#include "safe/TextCodec.h"
#include "shell/IniFileComponent.h"

namespace tav {

namespace {

constexpr long kNoEdition = -1;
constexpr long kExportProblem = -10;
constexpr long kCannotOpenDataFile = -15;

std::optional<std::string> readBytes(const std::string& path) {
    std::ifstream in(platform::pathFromUtf8(path), std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) return std::nullopt;
    return bytes;
}

// The first bytes of a file, at most `count`.
std::optional<std::string> readStart(const std::string& path, std::streamsize count) {
    std::ifstream in(platform::pathFromUtf8(path), std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes(static_cast<size_t>(count), '\0');
    in.read(bytes.data(), count);
    if (in.bad()) return std::nullopt;
    bytes.resize(static_cast<size_t>(in.gcount()));
    return bytes;
}

// Lines without their ends; CR LF, LF and a lone CR all end a line.
std::vector<std::string_view> lines(std::string_view bytes) {
    std::vector<std::string_view> out;
    while (!bytes.empty()) {
        const size_t at = bytes.find_first_of("\r\n");
        out.push_back(bytes.substr(0, at));
        if (at == std::string_view::npos) break;
        const size_t next = bytes.compare(at, 2, "\r\n") == 0 ? at + 2 : at + 1;
        bytes.remove_prefix(next);
    }
    return out;
}

// IIF text starts, after a byte order mark and blank lines, with a "!" header line.
bool isIif(std::string_view bytes) {
    if (bytes.starts_with(kUtf8Bom)) bytes.remove_prefix(kUtf8Bom.size());
    const size_t first = bytes.find_first_not_of("\r\n");
    return first != std::string_view::npos && bytes[first] == '!';
}

std::string_view recordType(std::string_view line) { return line.substr(0, line.find('\t')); }

// The IIF text of a file; nothing when it is not IIF text. Only its start is read to
// tell, as a real company file is a database of hundreds of megabytes.
std::optional<std::string> iifText(const std::string& path) {
    const std::optional<std::string> start = readStart(path, 64 << 10);
    if (!start || !isIif(*start)) return std::nullopt;
    std::optional<std::string> bytes = readBytes(path);
    if (bytes && std::string_view(*bytes).starts_with(kUtf8Bom)) bytes->erase(0, kUtf8Bom.size());
    return bytes;
}

std::optional<std::string> companyIif(const std::string& companyFile) {
    if (std::optional<std::string> bytes = iifText(companyFile)) return bytes;
    return iifText(
        platform::pathToUtf8(platform::pathFromUtf8(companyFile).replace_extension(".iif")));
}

bool namesAnEdition(std::string_view version) {
    return version.ends_with("belacct") || version.ends_with("accountant");
}

}  // namespace

long ExportQbwData(const std::string& shortPath) {
    IniFileComponent ini;
    std::string version;
    if (!ini.ReadValue("QuickBooks", "Version", version, "qbint32.ini").empty() ||
        !namesAnEdition(version))
        return kNoEdition;
    const std::optional<std::string> script = readBytes("script.txt");
    if (!script) return kExportProblem;
    const std::optional<std::string> iif = companyIif(shortPath);
    if (!iif) return kCannotOpenDataFile;

    const std::vector<std::string_view> iifLines = lines(*iif);
    long records = 0;
    for (std::string_view request : lines(*script)) {
        if (request.empty()) continue;
        const size_t blank = request.find(' ');
        if (blank == std::string_view::npos || blank + 1 == request.size()) return kExportProblem;
        const std::string_view type = request.substr(0, blank);
        const std::string header = "!" + std::string(type);
        std::string list;
        for (std::string_view line : iifLines) {
            const std::string_view lineType = recordType(line);
            if (lineType != type && lineType != header) continue;
            list.append(line).append("\r\n");
            if (lineType == type) ++records;
        }
        if (!ini.WriteTextFile(std::string(request.substr(blank + 1)), "Output", list).empty())
            return kExportProblem;
    }
    return records;
}

}  // namespace tav
