#include "safe/Sem.h"

#include <fmt/format.h>

#include <new>

#include "safe/SafeMethods.h"
#include "safe/Values.h"

namespace tav {

std::string errorText(long number) {
    switch (number) {
        case 3: return "Return without GoSub";
        case 5: return "Invalid procedure call or argument";
        case 6: return "Overflow";
        case 7: return "Out of memory";
        case 9: return "Subscript out of range";
        case 11: return "Division by zero";
        case 13: return "Type mismatch";
        case 52: return "Bad file name or number";
        case 53: return "File not found";
        case 54: return "Bad file mode";
        case 55: return "File already open";
        case 57: return "Device I/O error";
        case 58: return "File already exists";
        case 61: return "Disk full";
        case 62: return "Input past end of file";
        case 67: return "Too many files";
        case 68: return "Device unavailable";
        case 70: return "Permission denied";
        case 71: return "Disk not ready";
        case 75: return "Path/File access error";
        case 76: return "Path not found";
        case 91: return "Object variable or With block variable not set";
        case 94: return "Invalid use of Null";
        case 32755: return "Cancel was selected.";
        default: return {};
    }
}

void raise(long number) { throw RuntimeError(number, errorText(number)); }

void raise(long number, std::string description) {
    throw RuntimeError(number, std::move(description));
}

Sem sfSemCreate(std::string_view module, std::string_view procedure, long number,
                std::string_view description, std::string_view details) {
    try {
        Sem list(details);
        // Details that are a plain text rather than SEM lines still end their own line.
        if (!list.empty() && !list.ends_with(kCrLf)) list += kCrLf;
        list += fmt::format("{}\t{}\t{}\t{}\r\n", SafeString(module), SafeString(procedure), number,
                            SafeString(description));
        return list;
    } catch (...) {
        return fmt::format(
            "SafeMethods.bas\tsfSemCreate\t{}\tCould not create Safe Error "
            "Message.\r\n",
            static_cast<long>(err::OutOfMemory));
    }
}

Sem sfSemParse(const Sem& list, std::string& module, std::string& procedure, long& number,
               std::string& description, int lineIndex) {
    module.clear();
    procedure.clear();
    number = 0;
    description.clear();
    constexpr std::string_view kModule = "SafeMethods.bas";
    constexpr std::string_view kProc = "sfSemParse";
    const StrArray lines = vbSplit(list, kCrLf);
    if (lineIndex < 0 || static_cast<size_t>(lineIndex) >= lines.size()) {
        const Sem inner = sfSemCreate(kModule, kProc, err::SubscriptOutOfRange,
                                      errorText(err::SubscriptOutOfRange));
        return sfSemCreate(kModule, kProc, 0, "Could not get SEM in: " + list, inner);
    }
    const std::string& line = lines[static_cast<size_t>(lineIndex)];
    if (line.empty()) return sfSemCreate(kModule, kProc, 0, "No SEM in: " + list);
    const StrArray fields = vbSplit(line, "\t", 4);
    if (fields.size() != 4) return sfSemCreate(kModule, kProc, 0, "Not 4 fields in: " + list);
    module = fields[0];
    procedure = fields[1];
    number = SafeLong(fields[2]);
    description = fields[3];
    return {};
}

Sem semFromCurrentException(std::string_view module, std::string_view procedure) {
    try {
        throw;
    } catch (const RuntimeError& e) {
        return sfSemCreate(module, procedure, e.number(), e.description());
    } catch (const std::bad_alloc&) {
        return sfSemCreate(module, procedure, err::OutOfMemory, errorText(err::OutOfMemory));
    } catch (const std::exception& e) {
        return sfSemCreate(module, procedure, err::InvalidCall, e.what());
    } catch (...) {
        return sfSemCreate(module, procedure, err::InvalidCall, errorText(err::InvalidCall));
    }
}

}  // namespace tav
