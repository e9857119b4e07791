#pragma once
// The error log TAV.log and the Error Report box. Every screen reports a failure
// through dsCreateSEMAndDoAll: the whole SEM chain goes into the log, the user sees
// the innermost failure.

#include <string>
#include <string_view>

#include "safe/Sem.h"
#include "safe/UiPort.h"

namespace tav {

// The open files and the data folder (safe/SafeState.h); the program state is one.
struct SafeState;

// The text of the Error Report box for the first line of a SEM list.
std::string errorReportText(const Sem& list);

// Shows the Error Report box.
void dsSemReport(UiPort& ui, const Sem& list);

// Logs details followed by a line of its own to <data folder>/TAV.log and, when show
// is true, shows the Error Report box.
void dsCreateSEMAndDoAll(SafeState& st, UiPort& ui, std::string_view module,
                         std::string_view procedure, long number, std::string_view description,
                         std::string_view details, bool show);

// Reports the exception being handled (call it from a catch block) with its error
// number and description, as every event handler does for a trapped failure.
void dsReportException(SafeState& st, UiPort& ui, std::string_view module,
                       std::string_view procedure) noexcept;

// Runs an event handler's body; a trapped failure is reported and the program goes on.
template <class Body>
void reportingFailures(SafeState& st, UiPort& ui, std::string_view module,
                       std::string_view procedure, Body&& body) noexcept {
    try {
        body();
    } catch (...) {
        dsReportException(st, ui, module, procedure);
    }
}

// Appends one entry (date and time, the SEM lines, an empty line) to a log file. An
// entry that cannot be written is lost silently.
void appendLogEntry(SafeState& st, UiPort& ui, const std::string& logPath, const Sem& lines);

// The log's date and time text, "dd/mm/yyyy hh:mm:ss".
std::string logTimestamp();

}  // namespace tav
