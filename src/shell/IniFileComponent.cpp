#include "shell/IniFileComponent.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "safe/FileReplacement.h"
#include "safe/Platform.h"
#include "safe/Sem.h"
#include "safe/TextCodec.h"

namespace tav {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kModule = "IniFileComponent";
// Settings files hold a few lines; anything bigger is not one, and is not read whole.
constexpr size_t kMaxFileBytes = 1 << 20;

std::string failure(std::string_view operation, long number, const std::string& what) {
    return sfSemCreate(kModule, operation, number, what);
}

// The file's bytes; nothing, with the error number and text, when it cannot be read or
// is not single-byte text.
std::optional<std::string> readBytes(const std::string& path, long& errorNumber,
                                     std::string& errorDescription) {
    std::FILE* f = platform::openFile(path, "rb");
    if (!f) {
        errorNumber = errno == ENOENT ? err::FileNotFound : err::PermissionDenied;
        errorDescription = errorText(errorNumber) + ": " + path;
        return std::nullopt;
    }
    std::string bytes;
    char block[8192];
    size_t got;
    while (bytes.size() <= kMaxFileBytes && (got = std::fread(block, 1, sizeof block, f)) > 0)
        bytes.append(block, got);
    const bool bad = std::ferror(f) != 0;
    std::fclose(f);
    if (bytes.size() > kMaxFileBytes) {
        errorNumber = 0;
        errorDescription = "The file '" + path +
                           "' is larger than 1 MiB, so it is not a settings file the program can "
                           "read. Check that the right file was chosen.";
        return std::nullopt;
    }
    if (bad) {
        errorNumber = err::DeviceIoError;
        errorDescription = errorText(errorNumber) + ": " + path;
        return std::nullopt;
    }
    if (const char* name = wideEncodingName(bytes)) {
        errorNumber = 0;
        errorDescription = wideEncodingRefusal(path, name);
        return std::nullopt;
    }
    return bytes;
}

// Adds the bytes to the end of a file.
bool appendBytes(const std::string& path, const std::string& bytes) {
    std::FILE* f = platform::openFile(path, "ab");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// Replaces a file's content whole, or leaves it as it was: the error text, or "".
std::string replaceFile(const std::string& path, const std::string& bytes) {
    try {
        replaceFileContents(path, bytes);
        return {};
    } catch (const RuntimeError& e) {
        return e.description();
    }
}

bool equalNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

std::string_view trimBlanks(std::string_view s) {
    const size_t first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// One line of the file as bytes, with its line end kept apart.
struct Line {
    std::string_view text;
    std::string_view end;
};

std::vector<Line> splitLines(std::string_view bytes) {
    std::vector<Line> lines;
    size_t from = 0;
    while (from < bytes.size()) {
        size_t at = bytes.find_first_of("\r\n", from);
        if (at == std::string_view::npos) {
            lines.push_back({bytes.substr(from), {}});
            break;
        }
        const size_t endLength =
            bytes[at] == '\r' && at + 1 < bytes.size() && bytes[at + 1] == '\n' ? 2 : 1;
        lines.push_back({bytes.substr(from, at - from), bytes.substr(at, endLength)});
        from = at + endLength;
    }
    return lines;
}

std::optional<std::string_view> sectionName(std::string_view line) {
    const std::string_view t = trimBlanks(line);
    if (t.empty() || t.front() != '[') return std::nullopt;
    const size_t close = t.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return trimBlanks(t.substr(1, close - 1));
}

// The position of the key's line in the section, or of the place a new key goes.
struct Found {
    bool sectionFound = false;
    std::optional<size_t> keyLine;
    size_t insertAfter = 0;  // last non-blank line of the section
};

Found find(const std::vector<Line>& lines, std::string_view section, std::string_view key,
           Encoding e) {
    Found f;
    bool inSection = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string text = decode(lines[i].text, e);
        if (const auto name = sectionName(text)) {
            if (inSection) break;  // the section ended
            inSection = equalNoCase(*name, section);
            if (inSection && !f.sectionFound) {
                f.sectionFound = true;
                f.insertAfter = i;
            }
            continue;
        }
        if (!inSection) continue;
        if (!trimBlanks(text).empty()) f.insertAfter = i;
        // A comment line (";" or "#") never matches: its first character is no key's.
        const size_t eq = text.find('=');
        if (eq != std::string::npos &&
            equalNoCase(trimBlanks(std::string_view(text).substr(0, eq)), key)) {
            f.keyLine = i;
            return f;
        }
    }
    return f;
}

Encoding encodingOf(std::string_view bytes) {
    return isValidUtf8(bytes) ? Encoding::Utf8 : Encoding::Windows1252;
}

}  // namespace

std::string IniFileComponent::SetErrorLog(const std::string& logPath) {
    const fs::path folder = platform::pathFromUtf8(logPath).parent_path();
    std::error_code ec;
    if (!folder.empty() && !fs::is_directory(folder, ec))
        return failure("SetErrorLog", err::PathNotFound, "Error log folder not found: " + logPath);
    errorLog_ = logPath;
    return {};
}

std::string IniFileComponent::ReadValue(const std::string& section, const std::string& key,
                                        std::string& value, const std::string& iniPath) {
    value.clear();
    long number = 0;
    std::string description;
    const std::optional<std::string> bytes = readBytes(iniPath, number, description);
    if (!bytes) return failure("ReadValue", number, description);
    const Encoding e = encodingOf(*bytes);
    const std::vector<Line> lines = splitLines(*bytes);
    const Found f = find(lines, section, key, e);
    if (f.keyLine) {
        const std::string text = decode(lines[*f.keyLine].text, e);
        value = trimBlanks(std::string_view(text).substr(text.find('=') + 1));
    }
    return {};
}

std::optional<std::pair<std::uint64_t, std::uint64_t>> IniFileComponent::KeyLine(
    const std::string& section, const std::string& key, const std::string& iniPath) {
    long number = 0;
    std::string description;
    const std::optional<std::string> bytes = readBytes(iniPath, number, description);
    if (!bytes) return std::nullopt;
    const std::vector<Line> lines = splitLines(*bytes);
    const Found f = find(lines, section, key, encodingOf(*bytes));
    if (!f.keyLine) return std::nullopt;
    // The lines are views into the bytes.
    return std::pair<std::uint64_t, std::uint64_t>(*f.keyLine + 1,
                                                   lines[*f.keyLine].text.data() - bytes->data());
}

std::string IniFileComponent::WriteValue(const std::string& section, const std::string& key,
                                         const std::string& value, const std::string& iniPath) {
    long number = 0;
    std::string description, bytes;
    if (platform::fileExists(iniPath)) {
        const std::optional<std::string> read = readBytes(iniPath, number, description);
        if (!read) return failure("WriteValue", number, description);
        bytes = *read;
    }
    Encoding e = bytes.empty() ? Encoding::Utf8 : encodingOf(bytes);
    // A Windows-1252 file that cannot carry the value becomes a UTF-8 file.
    if (e == Encoding::Windows1252 && windows1252ToUtf8(utf8ToWindows1252(value)) != value) {
        bytes = windows1252ToUtf8(bytes);
        e = Encoding::Utf8;
    }
    const std::vector<Line> lines = splitLines(bytes);
    std::string_view eol = "\r\n";
    for (const Line& l : lines)
        if (!l.end.empty()) {
            eol = l.end;
            break;
        }
    const Found f = find(lines, section, key, e);

    std::string out;
    auto emit = [&](size_t i) {
        out.append(lines[i].text);
        out.append(lines[i].end.empty() && i + 1 < lines.size() ? eol : lines[i].end);
    };
    if (f.keyLine) {
        for (size_t i = 0; i < lines.size(); ++i) {
            if (i != *f.keyLine) {
                emit(i);
                continue;
            }
            // Keep the key as written and the spacing around "=", change only the value.
            const std::string_view text = lines[i].text;
            const size_t eq = text.find('=');
            size_t valueAt = eq + 1;
            while (valueAt < text.size() && (text[valueAt] == ' ' || text[valueAt] == '\t'))
                ++valueAt;
            out.append(text.substr(0, valueAt));
            out.append(encode(value, e));
            out.append(lines[i].end);
        }
    } else {
        const std::string newLine = encode(key + "=" + value, e);
        for (size_t i = 0; i < lines.size(); ++i) {
            emit(i);
            if (f.sectionFound && i == f.insertAfter) {
                if (lines[i].end.empty()) out.append(eol);
                out.append(newLine);
                out.append(eol);
            }
        }
        if (!f.sectionFound) {
            if (!out.empty() && !out.ends_with('\n') && !out.ends_with('\r')) out.append(eol);
            out.append(encode("[" + section + "]", e));
            out.append(eol);
            out.append(newLine);
            out.append(eol);
        }
    }
    // The file's encoding is told from all its bytes: a Windows-1252 file that the new
    // value leaves valid UTF-8 would read back differently, so it becomes a UTF-8 file.
    if (e == Encoding::Windows1252 && isValidUtf8(out)) out = windows1252ToUtf8(out);
    if (const std::string e = replaceFile(iniPath, out); !e.empty())
        return failure("WriteValue", err::PermissionDenied, e);
    return {};
}

std::string IniFileComponent::WriteTextFile(const std::string& path, const std::string& mode,
                                            const std::string& text) {
    if (mode != "Output" && mode != "Append")
        return failure("WriteTextFile", err::InvalidCall, "Invalid mode: " + mode);
    if (mode == "Append") {
        if (!appendBytes(path, text))
            return failure("WriteTextFile", err::PathFileAccessError,
                           errorText(err::PathFileAccessError) + ": " + path);
    } else if (const std::string e = replaceFile(path, text); !e.empty()) {
        return failure("WriteTextFile", err::PathFileAccessError, e);
    }
    return {};
}

}  // namespace tav
