#pragma once
// Errors are values. A routine never lets a failure escape: it returns a SEM
// (safe error message) list, empty on success. Each SEM line is
//   module TAB procedure TAB number TAB description CR LF
// and a list reads from the innermost failure (first line) outwards.
//
// Inside a routine, a "trapped" runtime failure is a RuntimeError exception;
// guarded() turns it into the routine's SEM line at the routine's boundary, so
// no exception ever crosses it.

#include <exception>
#include <string>
#include <string_view>
#include <utility>

namespace tav {

using Sem = std::string;

inline constexpr std::string_view kCrLf = "\r\n";

// Runtime error numbers the program can trap, with the platform's standard texts.
namespace err {
inline constexpr long InvalidCall = 5;
inline constexpr long Overflow = 6;
inline constexpr long OutOfMemory = 7;
inline constexpr long SubscriptOutOfRange = 9;
inline constexpr long TypeMismatch = 13;
inline constexpr long BadFileNameOrNumber = 52;
inline constexpr long FileNotFound = 53;
inline constexpr long BadFileMode = 54;
inline constexpr long FileAlreadyOpen = 55;
inline constexpr long DeviceIoError = 57;
inline constexpr long DiskFull = 61;
inline constexpr long InputPastEndOfFile = 62;
inline constexpr long TooManyFiles = 67;
inline constexpr long PermissionDenied = 70;
inline constexpr long PathFileAccessError = 75;
inline constexpr long PathNotFound = 76;
inline constexpr long DialogCancelled = 32755;
}  // namespace err

// The platform's standard text for a runtime error number; empty for 0 and unknown numbers.
std::string errorText(long number);

class RuntimeError : public std::exception {
public:
    RuntimeError(long number, std::string description)
        : number_(number), description_(std::move(description)) {}
    long number() const { return number_; }
    const std::string& description() const { return description_; }
    const char* what() const noexcept override { return description_.c_str(); }

private:
    long number_;
    std::string description_;
};

// Raises a trapped runtime error with the standard text of its number.
[[noreturn]] void raise(long number);
[[noreturn]] void raise(long number, std::string description);

// Details followed by the new line built from the other four values (each trimmed).
Sem sfSemCreate(std::string_view module, std::string_view procedure, long number,
                std::string_view description, std::string_view details = {});

// The four fields of line lineIndex (0-based) of a SEM list.
Sem sfSemParse(const Sem& list, std::string& module, std::string& procedure, long& number,
               std::string& description, int lineIndex);

// The SEM line for whatever exception escaped a routine's body.
Sem semFromCurrentException(std::string_view module, std::string_view procedure);

// Runs a routine's body and turns a trapped failure into the routine's SEM line.
template <class Body>
Sem guarded(std::string_view module, std::string_view procedure, Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return semFromCurrentException(module, procedure);
    }
}

}  // namespace tav
