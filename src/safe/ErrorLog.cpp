#include "safe/ErrorLog.h"

#include <fmt/format.h>

#include <ctime>

#include "safe/Platform.h"
#include "safe/SafeMethods.h"
#include "safe/SafeState.h"

namespace tav {

namespace {

constexpr std::string_view kIntro =
    "An error occurred in the procedure listed below. Please read the error description. You "
    "can continue with this session of the program, but if you continue to experience problems "
    "you should call Varnel Technical Support.\r\n\r\nError Details:\r\n";

void guardBox(UiPort& ui, std::string_view sub) {
    long number = err::InvalidCall;
    std::string description = errorText(number);
    try {
        throw;
    } catch (const RuntimeError& e) {
        number = e.number();
        description = e.description();
    } catch (const std::exception& e) {
        description = e.what();
    } catch (...) {
    }
    try {
        ui.messageBox(Message{fmt::format("Module: SafeMethods.bas\r\nSub: {}\r\nError Code: "
                                          "{}\r\n{}",
                                          sub, number, description),
                              Buttons::OK, Icon::None, DefaultButton::First, "Error Report"});
    } catch (...) {
    }
}

}  // namespace

std::string errorReportText(const Sem& list) {
    std::string module, procedure, description;
    long number = 0;
    if (!sfSemParse(list, module, procedure, number, description, 0).empty())
        return std::string(kIntro) + list;
    return fmt::format("{}Module: {}\r\nProcedure: {}\r\nError Code: {}\r\nDescription: {}\r\n{}",
                       kIntro, module, procedure, number, description, errorText(number));
}

void dsSemReport(UiPort& ui, const Sem& list) {
    try {
        ui.messageBox(Message{errorReportText(list), Buttons::OK, Icon::None, DefaultButton::First,
                              "Error Report"});
    } catch (...) {
        guardBox(ui, "dsSemReport");
    }
}

std::string logTimestamp() {
    const std::tm local = platform::localTime(std::time(nullptr));
    return fmt::format("{:02}/{:02}/{:04} {:02}:{:02}:{:02}", local.tm_mday, local.tm_mon + 1,
                       local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec);
}

void appendLogEntry(SafeState& st, UiPort& ui, const std::string& logPath, const Sem& lines) {
    int number = 0;
    try {
        number = st.files.freeFile();
    } catch (...) {
        return;
    }
    if (!sfOpenFile(st, ui, logPath, "Append", number).empty()) return;
    try {
        st.files.printLine(number, logTimestamp());
        std::string_view body = lines;  // a description may hold line breaks of its own
        if (body.ends_with(kCrLf)) body.remove_suffix(kCrLf.size());
        st.files.printLine(number, body);
        st.files.printLine(number, "");
        st.files.close(number);
    } catch (...) {
        if (st.files.isOpen(number)) {
            try {
                st.files.close(number);
            } catch (...) {
            }
        }
    }
}

void dsCreateSEMAndDoAll(SafeState& st, UiPort& ui, std::string_view module,
                         std::string_view procedure, long number, std::string_view description,
                         std::string_view details, bool show) {
    try {
        const Sem list = sfSemCreate(module, procedure, number, description, details);
        appendLogEntry(st, ui, platform::joinPath(st.gstrDataFolder, "TAV.log"), list);
        if (show) dsSemReport(ui, list);
    } catch (...) {
        guardBox(ui, "dsCreateSEMAndDoAll");
    }
}

void dsReportException(SafeState& st, UiPort& ui, std::string_view module,
                       std::string_view procedure) noexcept {
    std::string m, p, description;
    long number = 0;
    sfSemParse(semFromCurrentException(module, procedure), m, p, number, description, 0);
    dsCreateSEMAndDoAll(st, ui, module, procedure, number, description, {}, true);
}

}  // namespace tav
