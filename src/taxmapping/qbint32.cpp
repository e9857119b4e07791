#include "taxmapping/qbint32.h"

#include <fstream>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "safe/FileReplacement.h"
#include "safe/Platform.h"
#include "safe/Sem.h"
#include "safe/TextCodec.h"
#include "shell/IniFileComponent.h"

namespace tav {

namespace {

constexpr long kNoEdition = -1;
constexpr long kExportProblem = -10;
constexpr long kCannotOpenDataFile = -15;

// The script is a few lines the program wrote; anything bigger is not one.
constexpr std::streamsize kMaxScriptBytes = 64 << 10;
constexpr size_t kReadBlock = 1 << 18;
// Record types are short words; a longer first field is no record type the script names.
constexpr size_t kMaxRecordType = 64;

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

// The file holding the company's IIF text; nothing when there is none. Only its start is
// read to tell, as a real company file is a database of hundreds of megabytes.
std::optional<std::string> companyIif(const std::string& companyFile) {
    for (const std::string& path :
         {companyFile,
          platform::pathToUtf8(platform::pathFromUtf8(companyFile).replace_extension(".iif"))}) {
        const std::optional<std::string> start = readStart(path, 64 << 10);
        if (start && isIif(*start)) return path;
    }
    return std::nullopt;
}

bool namesAnEdition(std::string_view version) {
    return version.ends_with("belacct") || version.ends_with("accountant");
}

// One list the script asks for: its record type and the new version of its file.
struct ListRequest {
    std::string type, header;
    std::unique_ptr<ReplacementStream> file;
};

// Copies each line of the IIF text to the lists whose record type (or "!" header type) is
// its first field, a block at a time: memory stays the same whatever the size of the file
// or of its lines. Returns the number of data records copied.
class ListCopier {
public:
    explicit ListCopier(std::vector<ListRequest>& lists) : lists_(lists) {}

    // CR LF ends a line and an empty one, which no list takes.
    void feed(std::string_view bytes) {
        while (!bytes.empty()) {
            const size_t end = bytes.find_first_of(readingType_ ? "\t\r\n" : "\r\n");
            const std::string_view piece = bytes.substr(0, end);
            if (readingType_) {
                if (type_.size() < kMaxRecordType) type_.append(piece.substr(0, kMaxRecordType));
                if (end == std::string_view::npos) return;
                chooseLists();
                write(type_);
                readingType_ = false;
                if (bytes[end] == '\t') {
                    write("\t");
                    bytes.remove_prefix(end + 1);
                    continue;
                }
            } else {
                write(piece);
                if (end == std::string_view::npos) return;
            }
            endLine();
            bytes.remove_prefix(end + 1);
        }
    }

    // The text ends: a last line without its line end still ends.
    void finish() {
        if (readingType_ && type_.empty()) return;
        if (readingType_) {
            chooseLists();
            write(type_);
        }
        endLine();
    }

    long records() const { return records_; }

private:
    void chooseLists() {
        chosen_.clear();
        for (ListRequest& list : lists_) {
            if (type_ == list.type) {
                chosen_.push_back(list.file.get());
                ++records_;
            } else if (type_ == list.header) {
                chosen_.push_back(list.file.get());
            }
        }
    }

    void write(std::string_view piece) {
        for (ReplacementStream* file : chosen_) file->write(piece);
    }

    void endLine() {
        write("\r\n");
        chosen_.clear();
        type_.clear();
        readingType_ = true;
    }

    std::vector<ListRequest>& lists_;
    std::vector<ReplacementStream*> chosen_;
    std::string type_;
    bool readingType_ = true;
    long records_ = 0;
};

}  // namespace

long ExportQbwData(const std::string& shortPath) {
    IniFileComponent ini;
    std::string version;
    if (!ini.ReadValue("QuickBooks", "Version", version, "qbint32.ini").empty() ||
        !namesAnEdition(version))
        return kNoEdition;
    const std::optional<std::string> script = readStart("script.txt", kMaxScriptBytes);
    if (!script || script->size() == static_cast<size_t>(kMaxScriptBytes)) return kExportProblem;
    const std::optional<std::string> iif = companyIif(shortPath);
    if (!iif) return kCannotOpenDataFile;

    // Each list is written whole or not at all: a failed export leaves the lists that
    // were there before.
    std::vector<ListRequest> lists;
    try {
        for (std::string_view request : lines(*script)) {
            if (request.empty()) continue;
            const size_t blank = request.find(' ');
            if (blank == std::string_view::npos || blank + 1 == request.size())
                return kExportProblem;
            const std::string type(request.substr(0, blank));
            lists.push_back(
                {type, "!" + type,
                 std::make_unique<ReplacementStream>(std::string(request.substr(blank + 1)))});
        }
    } catch (const RuntimeError&) {
        return kExportProblem;
    }

    std::ifstream in(platform::pathFromUtf8(*iif), std::ios::binary);
    if (!in) return kCannotOpenDataFile;
    ListCopier copier(lists);
    std::vector<char> block(kReadBlock);
    bool first = true;
    try {
        while (in) {
            in.read(block.data(), static_cast<std::streamsize>(block.size()));
            std::string_view bytes(block.data(), static_cast<size_t>(in.gcount()));
            if (first && bytes.starts_with(kUtf8Bom)) bytes.remove_prefix(kUtf8Bom.size());
            first = false;
            copier.feed(bytes);
        }
        if (in.bad()) return kCannotOpenDataFile;
        copier.finish();
        for (ListRequest& list : lists) list.file->commit();
    } catch (const RuntimeError&) {
        return kExportProblem;
    }
    return copier.records();
}

}  // namespace tav
