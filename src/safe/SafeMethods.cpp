#include "safe/SafeMethods.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

#include "safe/Platform.h"
#include "safe/SafeState.h"
#include "safe/TextCodec.h"
#include "safe/Values.h"

namespace tav {

StrArray vbSplit(std::string_view text, std::string_view delimiter, int limit) {
    StrArray out;
    if (text.empty()) return out;
    if (delimiter.empty() || limit == 1) {
        out.emplace_back(text);
        return out;
    }
    // A one-byte delimiter (a tab, a comma) is found by the library's byte search.
    const auto next = [&](size_t from) {
        return delimiter.size() == 1 ? text.find(delimiter[0], from) : text.find(delimiter, from);
    };
    // Counted first: growing the array field by field moved every field's text several times.
    size_t fields = 1;
    for (size_t at = 0; (at = next(at)) != std::string_view::npos; at += delimiter.size()) ++fields;
    if (limit > 0) fields = std::min(fields, static_cast<size_t>(limit));
    out.reserve(fields);
    size_t from = 0;
    while (out.size() + 1 < fields) {
        const size_t at = next(from);
        out.emplace_back(text.substr(from, at - from));
        from = at + delimiter.size();
    }
    out.emplace_back(text.substr(from));
    return out;
}

const std::string& field(const StrArray& fields, size_t i) {
    if (i >= fields.size()) raise(err::SubscriptOutOfRange);
    return fields[i];
}

namespace {

bool operationMode(const std::string& name, FileMode& mode) {
    if (name == "Input")
        mode = FileMode::Input;
    else if (name == "Output")
        mode = FileMode::Output;
    else if (name == "Append")
        mode = FileMode::Append;
    else if (name == "Binary")
        mode = FileMode::Binary;
    else if (name == "Random")
        mode = FileMode::Random;
    else
        return false;
    return true;
}

Answer retryOrCancel(UiPort& ui, std::string text, std::string title) {
    return ui.messageBox(Message{std::move(text), Buttons::RetryCancel, Icon::Exclamation,
                                 DefaultButton::Second, std::move(title)});
}

}  // namespace

Sem sfOpenFile(SafeState& st, UiPort& ui, const std::string& path, const std::string& strOperation,
               int intFileNumber) {
    constexpr std::string_view kProc = "sfOpenFile";
    return guarded(kSafeMethods, kProc, [&]() -> Sem {
        if (intFileNumber < FileTable::kLowest || intFileNumber > FileTable::kHighest)
            return sfSemCreate(kSafeMethods, kProc, 0,
                               "Invalid intFileNumber: " + std::to_string(intFileNumber));
        FileMode mode;
        if (!operationMode(strOperation, mode))
            return sfSemCreate(kSafeMethods, kProc, 0, "Invalid strOperation: " + strOperation);

        if (mode == FileMode::Input) {
            for (;;) {
                long exists = 0;
                const Sem check = sfDoesPathExist(path, exists);
                if (!check.empty())
                    return sfSemCreate(kSafeMethods, kProc, 0,
                                       "Error occurred checking whether file to open exists at "
                                       "given path.",
                                       check);
                if (exists) break;
                const Answer a = retryOrCancel(
                    ui,
                    "The file to open '" + path +
                        "' no longer exists at the specified path. Please rectify this then "
                        "click Retry, else click Cancel to see error details",
                    "File not found");
                if (a != Answer::Retry)
                    return sfSemCreate(kSafeMethods, kProc, 0,
                                       "File to open not found at given path");
            }
        }
        for (;;) {
            try {
                st.files.open(intFileNumber, path, mode);
                return {};
            } catch (const RuntimeError& e) {
                if (e.number() != err::PermissionDenied) throw;
                const Answer a = retryOrCancel(
                    ui,
                    "You may be trying to write to a file that is already open. Please close the "
                    "file then click Retry, else click Cancel to see details of the problem.",
                    "Error opening file");
                if (a != Answer::Retry) throw;
            }
        }
    });
}

Sem sfDoesPathExist(const std::string& path, long& exists) {
    exists = 0;
    return guarded(kSafeMethods, "sfDoesPathExist", [&]() -> Sem {
        exists = platform::pathExists(path) ? 1 : 0;
        return {};
    });
}

Sem sfSHGetFolderPath(long csidl, std::string& path) {
    constexpr std::string_view kProc = "sfSHGetFolderPath";
    path.clear();
    return guarded(kSafeMethods, kProc, [&]() -> Sem {
        // E_INVALIDARG as the shell's 32-bit result, whatever the width of long.
        constexpr long kInvalidArg = static_cast<std::int32_t>(0x80070057);
        constexpr std::string_view kFailed = "An error occurred retrieving the path of a folder.";
        platform::FolderResult r;
        if (csidl != kCsidlCommonDocuments)
            r.code = kInvalidArg;
        else
            r = platform::commonDocumentsFolder();
        if (r.code == kInvalidArg)
            return sfSemCreate(kSafeMethods, kProc, kInvalidArg,
                               std::string(kFailed) + "\r\nThe value of CSIDL is not valid.");
        if (r.code == 1)
            return sfSemCreate(kSafeMethods, kProc, 1,
                               std::string(kFailed) + "\r\nThe folder does not exist.");
        if (r.code != 0) return sfSemCreate(kSafeMethods, kProc, r.code, kFailed);
        path = r.path;
        return {};
    });
}

Sem sfGetShortPathFileName(const std::string& longPath, std::string& shortPath) {
    shortPath.clear();
    return guarded(kSafeMethods, "sfGetShortPathFileName", [&]() -> Sem {
        const auto s = platform::shortPathName(longPath);
        if (!s) raise(err::FileNotFound);
        shortPath = *s;
        return {};
    });
}

Sem sfDisplayFileContents(UiPort& ui, const std::string& path) {
    constexpr std::string_view kProc = "sfDisplayFileContents";
    return guarded(kSafeMethods, kProc, [&]() -> Sem {
        long exists = 0;
        const Sem check = sfDoesPathExist(path, exists);
        if (!check.empty())
            return sfSemCreate(kSafeMethods, kProc, 0,
                               "Error occurred when checking whether " + path + " exists.", check);
        if (!exists) {
            ui.messageBox(Message{"The file to view could not be found at the specified path.",
                                  Buttons::OK, Icon::None, DefaultButton::First, "File not found"});
            return {};
        }
        const ViewerStart started = ui.startViewer(path);
        if (started != ViewerStart::Started) {
            Message m{
                "An error occurred when searching for Wordpad. Please use Notepad or "
                "Wordpad to view:\r\n" +
                path};
            if (started == ViewerStart::NotFound) m.title = "WordPad not found at default location";
            ui.messageBox(m);
        }
        return {};
    });
}

Sem sfShortenPath(const std::string& path, std::string& shortPath, short maxLength) {
    shortPath = trim(path);
    return guarded(kSafeMethods, "sfShortenPath", [&]() -> Sem {
        if (static_cast<long>(charCount(shortPath)) < maxLength) return {};
        const std::string sep(1, platform::kPathSeparator);
        const StrArray parts = vbSplit(shortPath, sep);
        if (parts.size() <= 3) return {};
        const std::string& last = parts.back();
        if (parts[0].empty() && parts[1].empty() && parts.size() >= 5)
            shortPath = sep + sep + parts[2] + sep + "..." + sep + last;
        else
            shortPath = parts[0] + sep + parts[1] + sep + "..." + sep + last;
        return {};
    });
}

namespace {

char foldCase(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

size_t findFrom(std::string_view text, std::string_view find, size_t from, bool ignoreCase) {
    if (!ignoreCase) return text.find(find, from);
    const auto it =
        std::search(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(), find.begin(),
                    find.end(), [](char a, char b) { return foldCase(a) == foldCase(b); });
    return it == text.end() ? std::string_view::npos : static_cast<size_t>(it - text.begin());
}

}  // namespace

Sem sfReplace(std::string& text, std::string_view find, std::string_view replacement, long start,
              long count, short compare) {
    return guarded(kSafeMethods, "sfReplace", [&]() -> Sem {
        if (start < 1 || count < -1 || compare < 0 || compare > 1) raise(err::InvalidCall);
        const std::string_view skipped = leftChars(text, static_cast<size_t>(start - 1));
        const std::string_view rest = std::string_view(text).substr(skipped.size());
        const bool ignoreCase = compare == 1;
        if (find.empty() || count == 0 ||
            findFrom(rest, find, 0, ignoreCase) == std::string_view::npos) {
            if (skipped.size() > 0) text = std::string(rest);
            return {};
        }
        std::string out;
        out.reserve(rest.size());
        size_t from = 0;
        long done = 0;
        while (count == -1 || done < count) {
            const size_t at = findFrom(rest, find, from, ignoreCase);
            if (at == std::string_view::npos) break;
            out.append(rest.substr(from, at - from));
            out.append(replacement);
            from = at + find.size();
            ++done;
        }
        out.append(rest.substr(from));
        text = std::move(out);
        return {};
    });
}

Sem sfIsLong(std::string_view value) {
    constexpr std::string_view kProc = "sfIsLong";
    return guarded(kSafeMethods, kProc, [&]() -> Sem {
        const std::optional<Decimal> d = parseDecimal(value);
        if (!d)
            return sfSemCreate(kSafeMethods, kProc, err::TypeMismatch,
                               "Value is not a Long Integer:- " + errorText(err::TypeMismatch));
        if (compare(*d, -2147483648LL) < 0 || compare(*d, 2147483647LL) > 0)
            return sfSemCreate(kSafeMethods, kProc, err::Overflow,
                               "Value is not a Long Integer:- " + errorText(err::Overflow));
        if (!d->isWhole())
            return sfSemCreate(kSafeMethods, kProc, 0, "Value is not a Long Integer");
        return {};
    });
}

Sem sfArrayCount(const StrArray& array, long& count) {
    count = 0;
    return guarded(kSafeMethods, "sfArrayCount", [&]() -> Sem {
        if (array.empty()) raise(err::SubscriptOutOfRange);
        count = static_cast<long>(array.size());
        return {};
    });
}

}  // namespace tav
